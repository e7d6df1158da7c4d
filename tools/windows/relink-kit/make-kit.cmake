# Fills the relink kit's folder with what links each program again, taken
# from the build itself so that it cannot drift from it: Ninja's own link and
# strip commands for the program, every file they read that the build made
# (the program's archives and objects, its resource objects) or that is not
# Qt's (libcurl, zlib), and relink.sh, which runs those commands again from
# the kit against the Qt installed in a folder of the user's choice.
#   cmake -DSOURCE=<source tree> -DBUILD=<build folder> -DNINJA=<ninja>
#         -DDEPS=<dependency cache> -DKIT=<kit folder> -DEPOCH=<release time>
#         -DPROGRAMS=<name>=<linked file>=<stripped file>|... -P make-kit.cmake
# A path of the source tree, the build or the cache left in a command fails
# the kit.

# Files of the cache that Qt installed, and its folders: relink.sh takes them
# from $QT, the Qt of whoever relinks.
set(qt_files "^(lib/libQt6|lib/objects-|plugins/)")

get_filename_component(deps_real "${DEPS}" REALPATH)
string(REPLACE "|" ";" programs "${PROGRAMS}")
set(script "")

# Appends to `script` the command of Ninja that builds <output> (a path in
# the build), rewritten for the kit. Outputs named in <outputs> (path=kit
# name pairs) become files in the output folder; inputs are copied.
function(kit_command output outputs)
    file(RELATIVE_PATH relative "${BUILD}" "${output}")
    execute_process(COMMAND "${NINJA}" -C "${BUILD}" -t commands -s "${relative}"
        OUTPUT_VARIABLE line RESULT_VARIABLE result OUTPUT_STRIP_TRAILING_WHITESPACE)
    if (NOT result EQUAL 0 OR line STREQUAL "")
        message(FATAL_ERROR "Ninja has no command for ${relative}")
    endif()
    # A command run with a variable set through CMake needs no CMake: env.
    string(REGEX REPLACE "(^|&& )[^ ]*cmake -E env " "\\1env " line "${line}")
    separate_arguments(tokens UNIX_COMMAND "${line}")
    # CMake's commands start in a folder of the build: cd <folder> &&.
    set(folder "${BUILD}")
    list(GET tokens 0 first)
    if (first STREQUAL "cd")
        list(GET tokens 1 folder)
        list(REMOVE_AT tokens 0 1 2)
    endif()

    # The commands joined by &&, one word a line; CMake puts ":" (nothing)
    # where a target has no step before or after the link.
    set(commands "")
    set(words "")
    set(start TRUE)
    set(next_is_output FALSE)
    foreach(token IN LISTS tokens)
        if (token MATCHES "^@")
            message(FATAL_ERROR "${relative} is linked with a response file, which the kit cannot "
                "read back from Ninja: ${token}")
        endif()
        if (token STREQUAL "&&")
            kit_flush()
            set(start TRUE)
            continue()
        endif()
        if (token MATCHES "^-f(file|debug|macro)-prefix-map=")
            # The build's folders as compiled code names them; a link compiles
            # nothing, and the folders are not the kit's.
            continue()
        endif()
        if (start)
            # The tool by its name, found on the PATH of whoever relinks; env
            # and the variables it sets come before it.
            get_filename_component(token "${token}" NAME)
            if (NOT token STREQUAL "env" AND NOT token MATCHES "^[A-Za-z_][A-Za-z0-9_]*=")
                set(start FALSE)
            endif()
            list(APPEND words "${token}")
            continue()
        endif()
        # An option that names a file: -o <file>, -Wl,--out-implib,<file>,
        # -Wl,-Map=<file>, -L<folder>; the file is the part after the prefix.
        set(prefix "")
        set(path "${token}")
        if (token MATCHES "^(-Wl,.*[=,])([^=,]+)$")
            set(prefix "${CMAKE_MATCH_1}")
            set(path "${CMAKE_MATCH_2}")
        elseif (token MATCHES "^(-L)(.+)$")
            set(prefix "-L")
            set(path "${CMAKE_MATCH_2}")
        endif()
        set(output_option FALSE)
        if (next_is_output OR prefix MATCHES "(--out-implib|-Map)[=,]$")
            set(output_option TRUE)
        endif()
        set(next_is_output FALSE)
        if (token STREQUAL "-o")
            set(next_is_output TRUE)
        endif()
        get_filename_component(absolute "${path}" ABSOLUTE BASE_DIR "${folder}")

        set(kit_name "")
        foreach(pair IN LISTS outputs)
            string(REPLACE "=" ";" pair "${pair}")
            list(GET pair 0 known)
            list(GET pair 1 name)
            if (absolute STREQUAL known)
                set(kit_name "${name}")
            endif()
        endforeach()
        if (kit_name STREQUAL "" AND output_option)
            get_filename_component(name "${absolute}" NAME)
            set(kit_name "\"$OUT/debug/${name}\"")
        endif()

        if (NOT kit_name STREQUAL "")
            set(token "${prefix}${kit_name}")
        elseif (EXISTS "${absolute}")
            cmake_path(IS_PREFIX BUILD "${absolute}" NORMALIZE in_build)
            cmake_path(IS_PREFIX DEPS "${absolute}" NORMALIZE in_deps)
            cmake_path(IS_PREFIX deps_real "${absolute}" NORMALIZE in_deps_real)
            if (in_build AND NOT IS_DIRECTORY "${absolute}")
                # The program's own archives and objects, where the build has them.
                file(RELATIVE_PATH inside "${BUILD}" "${absolute}")
                get_filename_component(parent "${KIT}/obj/${inside}" DIRECTORY)
                file(MAKE_DIRECTORY "${parent}")
                file(COPY_FILE "${absolute}" "${KIT}/obj/${inside}")
                set(token "${prefix}obj/${inside}")
            elseif (in_deps OR in_deps_real)
                if (in_deps)
                    file(RELATIVE_PATH inside "${DEPS}" "${absolute}")
                else()
                    file(RELATIVE_PATH inside "${deps_real}" "${absolute}")
                endif()
                if (inside MATCHES "${qt_files}" OR IS_DIRECTORY "${absolute}")
                    set(token "${prefix}\"$QT/${inside}\"")
                else()
                    # libcurl, zlib: archives of the cache that are not Qt's.
                    get_filename_component(name "${absolute}" NAME)
                    file(MAKE_DIRECTORY "${KIT}/lib")
                    file(COPY_FILE "${absolute}" "${KIT}/lib/${name}")
                    set(token "${prefix}lib/${name}")
                endif()
            endif()
        endif()
        foreach(leak IN ITEMS "${SOURCE}" "${BUILD}" "${DEPS}" "${deps_real}")
            string(FIND "${token}" "${leak}" at)
            if (NOT at EQUAL -1)
                message(FATAL_ERROR "The command for ${relative} keeps the path ${leak}: ${token}")
            endif()
        endforeach()
        if (NOT token MATCHES "^[-A-Za-z0-9_./,=:+]+$" AND NOT token MATCHES "\\$(QT|OUT)/")
            # Quoted for the shell, as separate_arguments read it.
            string(REPLACE "'" "'\\''" token "${token}")
            set(token "'${token}'")
        endif()
        list(APPEND words "${token}")
    endforeach()
    kit_flush()
    set(script "${script}${commands}" PARENT_SCOPE)
endfunction()

macro(kit_flush)
    if (NOT words STREQUAL ":")
        list(JOIN words " \\\n    " command)
        string(APPEND commands "${command}\n")
    endif()
    set(words "")
endmacro()

file(REMOVE_RECURSE "${KIT}/obj" "${KIT}/lib")
foreach(program IN LISTS programs)
    string(REPLACE "=" ";" program "${program}")
    list(GET program 0 name)
    list(GET program 1 linked)
    list(GET program 2 stripped)
    set(linked_name "\"$OUT/debug/${name}.exe\"")
    set(stripped_name "\"$OUT/${name}.exe\"")
    string(APPEND script "\n# ${name}.exe: linked into $OUT/debug with its symbols, then\n"
        "# stripped into $OUT as the release ships it.\n")
    kit_command("${linked}" "${linked}=${linked_name}")
    kit_command("${stripped}" "${linked}=${linked_name};${stripped}=${stripped_name}")
endforeach()

file(WRITE "${KIT}/relink.sh" [[
#!/bin/sh
# Links tolvaro.exe and tolvaro-demoengine.exe again from this kit against the
# Qt installed in <Qt folder> (see README.txt):
#   sh relink.sh <Qt folder> [<output folder, default: here>]
# The commands are the release build's own, with its paths replaced by the
# kit's files, $QT and $OUT.
set -eu
if [ $# -lt 1 ] || [ ! -d "$1/lib" ]; then
    echo "usage: sh relink.sh <Qt folder> [<output folder>]" >&2
    exit 2
fi
QT="$(cd "$1" && pwd)"
mkdir -p "${2:-.}/debug"
OUT="$(cd "${2:-.}" && pwd)"
cd "$(dirname "$0")"
# The release's time, which the linker and strip write into the programs.
]] "export SOURCE_DATE_EPOCH=${EPOCH}\n" "${script}")
