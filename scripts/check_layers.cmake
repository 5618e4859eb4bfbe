# Checks every include of the files below SOURCE_ROOT's governed folders
# against LAYER_RULES (scripts/layers.cmake) and fails with the file, the
# line and the rule on each use that the table does not allow. Writes STAMP
# when all hold.
#
#   cmake -DSOURCE_ROOT=... -DSTAMP=... -P check_layers.cmake
#
# An include is read as the preprocessor reads it: lines joined where they
# end in a backslash, comments on the line dropped, the # spelled %: too, and
# include_next and import alike. What it names is resolved as the compiler
# finds it: a "..." one beside the including file first, then from the
# project's root (every layer's include folder); a <...> one from the root,
# when it is ours (its first folder is one of the project's, or it names a
# file of the project). "." and ".." are resolved before the rule compares.
# An include of anything but a plain "path" or <path> (a macro, say) is
# refused: the check cannot tell what it names. (An include inside a
# /* ... */ comment over several lines counts as one.)
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

list(LENGTH LAYER_RULES ruleCount)
math(EXPR lastRule "${ruleCount} - 1")

# Stand-ins for the characters that CMake's lists would take apart, so that
# one list element stays one line of the file; a path holding one of them is
# no plain path.
string(ASCII 1 backslash)
string(ASCII 2 semicolon)
string(ASCII 3 openBracket)
string(ASCII 4 closeBracket)
string(ASCII 11 verticalTab)
string(ASCII 12 formFeed)
string(ASCII 239 187 191 byteOrderMark)
set(blank "[ \t${verticalTab}${formFeed}]")

# The text as the file holds it, for messages.
function(restore text out)
    string(REPLACE "${backslash}" "\\" text "${text}")
    string(REPLACE "${semicolon}" ";" text "${text}")
    string(REPLACE "${openBracket}" "[" text "${text}")
    string(REPLACE "${closeBracket}" "]" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# 1 when path is prefix itself or lies below it.
function(path_within path prefix out)
    string(LENGTH "${prefix}/" length)
    string(SUBSTRING "${path}/" 0 ${length} head)
    if(head STREQUAL "${prefix}/")
        set(${out} 1 PARENT_SCOPE)
    else()
        set(${out} 0 PARENT_SCOPE)
    endif()
endfunction()

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
        path_within("${path}" "${name}" within)
        if(within AND length GREATER bestLength)
            set(bestName "${name}")
            set(bestAllowed "${allowed}")
            set(bestLength ${length})
        endif()
    endforeach()
    set(ruleName "${bestName}" PARENT_SCOPE)
    set(ruleAllowed "${bestAllowed}" PARENT_SCOPE)
endfunction()

# The project-relative path of root/path with "." and ".." resolved; it
# begins with ".." when it leaves the project.
function(resolve base path out)
    cmake_path(SET full NORMALIZE "${base}/${path}")
    file(RELATIVE_PATH relative "${SOURCE_ROOT}" "${full}")
    set(${out} "${relative}" PARENT_SCOPE)
endfunction()

function(is_file path out)
    if(EXISTS "${path}" AND NOT IS_DIRECTORY "${path}")
        set(${out} 1 PARENT_SCOPE)
    else()
        set(${out} 0 PARENT_SCOPE)
    endif()
endfunction()

# Checks one logical line of source that begins like a directive, at line
# number. Appends to failures, and to included the project files that it
# includes.
function(check_line source number line)
    # Comments become a space, as the preprocessor makes them before it
    # reads a directive: the closed ones, then one that runs past the line.
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" " " line "${line}")
    string(REGEX REPLACE "/[*/].*$" "" line "${line}")
    if(NOT line MATCHES "^${blank}*(#|%:|\\?\\?=)${blank}*(include_next|include|import)(.*)$")
        return()
    endif()
    set(directive "${CMAKE_MATCH_2}")
    set(rest "${CMAKE_MATCH_3}")
    # Another directive that only begins like one (#included is none).
    if(rest MATCHES "^[A-Za-z0-9_]")
        return()
    endif()
    set(where "${source}:${number}")
    if(rest MATCHES "^${blank}*\"([^\"]*)\"${blank}*$")
        set(path "${CMAKE_MATCH_1}")
        set(quoted 1)
        set(shown "\"${path}\"")
    elseif(rest MATCHES "^${blank}*<([^>]*)>${blank}*$")
        set(path "${CMAKE_MATCH_1}")
        set(quoted 0)
        set(shown "<${path}>")
    else()
        restore("${rest}" rest)
        string(STRIP "${rest}" rest)
        string(CONCAT message "${where}: #${directive} ${rest} is not a plain \"path\" or "
                              "<path>, so the check cannot tell what it includes")
        set(failures "${failures}${message}\n" PARENT_SCOPE)
        return()
    endif()
    if(NOT path MATCHES "^[A-Za-z0-9_.+-][A-Za-z0-9_.+/-]*$")
        restore("${shown}" shown)
        string(CONCAT message "${where}: includes ${shown}, which is not a plain relative "
                              "path (letters, digits, _ . + - and /)")
        set(failures "${failures}${message}\n" PARENT_SCOPE)
        return()
    endif()

    if(quoted)
        # Beside the including file first, as the compiler looks.
        get_filename_component(folder "${SOURCE_ROOT}/${source}" DIRECTORY)
        resolve("${folder}" "${path}" resolved)
        is_file("${SOURCE_ROOT}/${resolved}" found)
        if(NOT found)
            resolve("${SOURCE_ROOT}" "${path}" resolved)
        endif()
    else()
        resolve("${SOURCE_ROOT}" "${path}" resolved)
        is_file("${SOURCE_ROOT}/${resolved}" found)
        string(REGEX REPLACE "/.*" "" first "${path}")
        set(ours 0)
        if(NOT resolved MATCHES "^\\.\\.(/|$)" AND found)
            set(ours 1)
        elseif(NOT first MATCHES "^\\.\\.?$" AND IS_DIRECTORY "${SOURCE_ROOT}/${first}")
            set(ours 1)
        endif()
        if(path MATCHES "(^|/)\\.\\.(/|$)" AND NOT ours)
            # A system header needs no "..": this one climbs out of its folder.
            string(CONCAT message "${where}: includes ${shown}, whose \"..\" leaves the "
                                  "folder it is looked for in")
            set(failures "${failures}${message}\n" PARENT_SCOPE)
            return()
        endif()
        if(NOT ours)
            return()
        endif()
    endif()

    if(NOT resolved MATCHES "^\\.\\.(/|$)")
        set(included ${included} "${resolved}" PARENT_SCOPE)
    endif()
    string(REPLACE " " ";" allowedList "${ruleAllowed}")
    foreach(use ${allowedList})
        path_within("${resolved}" "${use}" within)
        if(within)
            return()
        endif()
    endforeach()
    if(NOT resolved STREQUAL path)
        string(APPEND shown " (that is ${resolved})")
    endif()
    string(CONCAT message "${where}: includes ${shown}, but the rule for ${ruleName} "
                          "allows only: ${ruleAllowed}")
    set(failures "${failures}${message}\n" PARENT_SCOPE)
endfunction()

# Checks every include of source. Appends to failures, and to included the
# project files that it includes.
function(check_file source)
    find_rule(${source})
    if(ruleName STREQUAL "")
        set(failures "${failures}${source}: no row of scripts/layers.cmake governs this file\n"
            PARENT_SCOPE)
        return()
    endif()
    file(READ ${SOURCE_ROOT}/${source} text)
    string(FIND "${text}" "${byteOrderMark}" markAt)
    if(markAt EQUAL 0)
        string(SUBSTRING "${text}" 3 -1 text)
    endif()
    string(REPLACE "\r" "" text "${text}")
    string(REPLACE "\\" "${backslash}" text "${text}")
    string(REPLACE ";" "${semicolon}" text "${text}")
    string(REPLACE "[" "${openBracket}" text "${text}")
    string(REPLACE "]" "${closeBracket}" text "${text}")
    # One list element per line, empty lines kept, so that the numbers are
    # the editor's.
    string(REPLACE "\n" ";" lines "${text}")
    set(number 0)
    set(continued 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(NOT continued)
            set(start ${number})
            set(logical "")
        endif()
        # A backslash at the end joins the next line to this one (blanks
        # after it too, as the compiler allows with a warning).
        if(line MATCHES "^(.*)${backslash}${blank}*$")
            string(APPEND logical "${CMAKE_MATCH_1}")
            set(continued 1)
            continue()
        endif()
        string(APPEND logical "${line}")
        set(continued 0)
        # Most lines are no directive at all.
        if(logical MATCHES "^${blank}*(#|%:|\\?\\?=)")
            check_line(${source} ${start} "${logical}")
        endif()
    endforeach()
    if(continued AND logical MATCHES "^${blank}*(#|%:|\\?\\?=)")
        check_line(${source} ${start} "${logical}")
    endif()
    set(failures "${failures}" PARENT_SCOPE)
    set(included ${included} PARENT_SCOPE)
endfunction()

set(failures "")
layer_sources(${SOURCE_ROOT} fullPaths)
# Sources first; files of the other languages wait until one is included.
set(queue "")
set(waiting "")
foreach(path ${fullPaths})
    file(RELATIVE_PATH relative ${SOURCE_ROOT} ${path})
    get_filename_component(extension "${path}" LAST_EXT)
    string(TOLOWER "${extension}" extension)
    string(REGEX REPLACE "^\\." "" extension "${extension}")
    if(IS_SYMLINK "${path}")
        string(APPEND failures "${relative}: a symbolic link, whose target would be held to "
                               "this folder's rule rather than its own\n")
    elseif(NOT extension STREQUAL "" AND extension IN_LIST LAYER_OTHER_LANGUAGES)
        list(APPEND waiting "${relative}")
    else()
        list(APPEND queue "${relative}")
    endif()
endforeach()
set(done "")
while(NOT queue STREQUAL "")
    list(POP_FRONT queue source)
    list(APPEND done "${source}")
    set(included "")
    check_file("${source}")
    foreach(file IN LISTS included)
        if(file IN_LIST waiting AND NOT file IN_LIST done AND NOT file IN_LIST queue)
            list(APPEND queue "${file}")
        endif()
    endforeach()
endwhile()

if(failures)
    # One line per use, unwrapped, so that an editor finds the file and line.
    message(NOTICE "Layer check failed (table in scripts/layers.cmake):\n${failures}")
    message(FATAL_ERROR "The includes above break the table of layers.")
endif()
file(WRITE ${STAMP} "")
