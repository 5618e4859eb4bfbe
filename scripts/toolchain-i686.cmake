# Cross build for the i686 Windows target with Debian's MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CROSS i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${CROSS}-gcc)
set(CMAKE_CXX_COMPILER ${CROSS}-g++)
set(CMAKE_RC_COMPILER  ${CROSS}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CROSS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run the x86_64 build; 32-bit code cannot run on our machines.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# The shipped build runs the search filter's SSE2 path, as the x86_64 build
# does (every processor since the early 2000s has it). Windows keeps only
# 4-byte stack alignment at callbacks, so functions realign where they keep
# SSE values on the stack (and CMakeLists.txt keeps calls at 4 bytes too).
set(CMAKE_C_FLAGS_INIT "-msse2 -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mincoming-stack-boundary=2")
