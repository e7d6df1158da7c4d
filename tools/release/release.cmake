# The notices of what the shipped programs are made of (tools/release/
# release.py). tolvaro and tolvaro-demoengine are linked with a map of every
# file the linker took in; the notices are made from those maps, so a
# library linked without a notice entry fails the build. Made into
# ${TOLVARO_NOTICES_DIR}: THIRD-PARTY-NOTICES.txt, on Windows Tolvaro's terms
# (LICENSE.txt) and the GPL 3 and LGPL 3 texts (Qt is linked in), and
# parts.json, from which the bills of materials of the downloads are made.
include_guard(GLOBAL)

set(TOLVARO_RELEASE_TOOL ${PROJECT_SOURCE_DIR}/tools/release/release.py)
set(TOLVARO_LINKMAPS ${PROJECT_BINARY_DIR}/linkmaps)
set(TOLVARO_NOTICES_DIR ${PROJECT_BINARY_DIR}/notices)
set(TOLVARO_NOTICES ${TOLVARO_NOTICES_DIR}/THIRD-PARTY-NOTICES.txt)
if (WIN32)
    list(APPEND TOLVARO_NOTICES ${TOLVARO_NOTICES_DIR}/LICENSE.txt
        ${TOLVARO_NOTICES_DIR}/LGPL-3.0.txt ${TOLVARO_NOTICES_DIR}/GPL-3.0.txt)
endif()
set(TOLVARO_RELEASE_PARTS ${TOLVARO_NOTICES_DIR}/parts.json)

# Once every target is defined: the demo engine is defined after this file.
function(_tolvaro_notices)
    set(maps)
    set(programs tolvaro)
    if (TARGET tolvaro-demoengine)
        list(APPEND programs tolvaro-demoengine)
    endif()
    foreach(program IN LISTS programs)
        target_link_options(${program} PRIVATE "LINKER:-Map=${TOLVARO_LINKMAPS}/${program}.map")
        list(APPEND maps "$<TARGET_FILE_NAME:${program}>=${TOLVARO_LINKMAPS}/${program}.map")
    endforeach()
    if (WIN32)
        # The cache's sources and versions (tools/windows/build-deps.sh).
        set(platform --platform windows --attributions ${TOLVARO_WINDOWS_DEPS}/attributions
            --versions ${TOLVARO_WINDOWS_DEPS}/versions.txt
            --installer tolvaro-${PROJECT_VERSION}-setup.exe --terms ${PROJECT_SOURCE_DIR}/LICENSE)
    else()
        set(platform --platform linux)
    endif()
    add_custom_command(OUTPUT ${TOLVARO_NOTICES} ${TOLVARO_RELEASE_PARTS}
        COMMAND ${TOLVARO_RELEASE_TOOL} notices ${platform} --out ${TOLVARO_NOTICES_DIR} ${maps}
        DEPENDS ${programs} ${TOLVARO_RELEASE_TOOL} ${PROJECT_SOURCE_DIR}/tools/release/components.json
            ${PROJECT_SOURCE_DIR}/LICENSE
        VERBATIM)
    add_custom_target(notices ALL DEPENDS ${TOLVARO_NOTICES} ${TOLVARO_RELEASE_PARTS})
endfunction()
file(MAKE_DIRECTORY ${TOLVARO_LINKMAPS})
cmake_language(DEFER CALL _tolvaro_notices)

# The tool's own tests, with made-up link maps and sources.
if (BUILD_TESTING AND NOT WIN32)
    add_test(NAME release_files COMMAND ${PROJECT_SOURCE_DIR}/tools/release/test_release.py)
endif()
