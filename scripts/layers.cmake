# The layers of the program and what each may include: the one table of
# allowed uses. Every file below these folders is checked against it before
# anything compiles; an include that the table does not allow stops the build
# with the file, the line and the rule.
#
# Each row: a folder (or one file, which then overrides its folder's row) and
# what its files may include from the project, folders or single headers.
# A file takes the row of the longest folder or file name that contains it.
# The system's headers are not ours and are not checked: a <...> include is
# ours when its first folder is one of the project's or it names a file of
# the project.
set(LAYER_RULES
    # The base: what every folder may use, the main window's handles included.
    "app/base"                     "app/base resources"
    # The three layers above the base.
    "catalogue"                    "catalogue app/base resources"
    "ui"                           "ui app/base resources integration/settings.h"
    "integration"                  "integration app/base resources"
    # The help dialog lays out and sets the fonts of its own window; what it
    # does to the scan and to the main window goes through the hub's services
    # (app/base/hub_services.h).
    "integration/help_dialog.cpp"  "integration app/base resources ui/presentation_state.h ui/layout.h"
    # The hub and the program: everything.
    "app"                          "app catalogue ui integration resources"
    # Host programs of the build: only the platform-free decoder.
    "tools"                        "tools integration/unpacker.h"
    # The removal stub stands alone.
    "stub"                         "stub"
    # The ids and the resource script, which every folder may include.
    "resources"                    "resources")

# The folders whose files the table governs.
set(LAYER_FOLDERS app catalogue ui integration tools stub resources)

# Files below them in languages that the compiler reads only when a source
# includes one (the build's Python tools, CMake lists, text, pictures): their
# lines count as includes only then, so that a Python comment is no include.
# Every other file, whatever its name (.inl, .inc, none), is C or C++.
set(LAYER_OTHER_LANGUAGES py pyc sh cmake txt md ld png bmp ico cur)

# Every file below the governed folders of root, as full paths.
function(layer_sources root out)
    set(patterns "")
    foreach(folder ${LAYER_FOLDERS})
        list(APPEND patterns ${root}/${folder}/*)
    endforeach()
    # A file added later makes the build configure again and so be checked.
    if(CMAKE_SCRIPT_MODE_FILE)
        file(GLOB_RECURSE found ${patterns})
    else()
        file(GLOB_RECURSE found CONFIGURE_DEPENDS ${patterns})
    endif()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
