# Checks every #include "..." of the sources below SOURCE_ROOT against
# LAYER_RULES (scripts/layers.cmake) and fails with the file, the line and the
# rule on the first use the table does not allow. Writes STAMP when all hold.
#
#   cmake -DSOURCE_ROOT=... -DSTAMP=... -P check_layers.cmake
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

list(LENGTH LAYER_RULES ruleCount)
math(EXPR lastRule "${ruleCount} - 1")

# The row that governs path: the longest name in the table that is path
# itself or one of its folders. Sets ruleName and ruleAllowed.
function(find_rule path)
    set(bestName "")
    set(bestAllowed "")
    set(bestLength -1)
    foreach(i RANGE 0 ${lastRule} 2)
        math(EXPR j "${i} + 1")
        list(GET LAYER_RULES ${i} name)
        list(GET LAYER_RULES ${j} allowed)
        string(LENGTH "${name}" length)
        if(path STREQUAL name OR path MATCHES "^${name}/")
            if(length GREATER bestLength)
                set(bestName "${name}")
                set(bestAllowed "${allowed}")
                set(bestLength ${length})
            endif()
        endif()
    endforeach()
    set(ruleName "${bestName}" PARENT_SCOPE)
    set(ruleAllowed "${bestAllowed}" PARENT_SCOPE)
endfunction()

set(failures "")
layer_sources(${SOURCE_ROOT} fullPaths)
set(sources "")
foreach(path ${fullPaths})
    file(RELATIVE_PATH relative ${SOURCE_ROOT} ${path})
    list(APPEND sources ${relative})
endforeach()
foreach(source ${sources})
    find_rule(${source})
    if(ruleName STREQUAL "")
        string(APPEND failures "${source}: no row of scripts/layers.cmake governs this file\n")
        continue()
    endif()
    string(REPLACE " " ";" allowedList "${ruleAllowed}")
    # One list element per line, empty lines kept, so that the numbers are
    # the editor's; brackets and semicolons would otherwise join lines.
    file(READ ${SOURCE_ROOT}/${source} text)
    string(REGEX REPLACE "[][;\\]" "_" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(lineNumber 0)
    foreach(line IN LISTS lines)
        math(EXPR lineNumber "${lineNumber} + 1")
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
            continue()
        endif()
        set(included "${CMAKE_MATCH_1}")
        set(allowed 0)
        foreach(use ${allowedList})
            if(included STREQUAL use OR included MATCHES "^${use}/")
                set(allowed 1)
                break()
            endif()
        endforeach()
        if(NOT allowed)
            string(APPEND failures
                "${source}:${lineNumber}: includes \"${included}\", but the rule for "
                "${ruleName} allows only: ${ruleAllowed}\n")
        endif()
    endforeach()
endforeach()

if(failures)
    message(FATAL_ERROR "Layer check failed (table in scripts/layers.cmake):\n${failures}")
endif()
file(WRITE ${STAMP} "")
