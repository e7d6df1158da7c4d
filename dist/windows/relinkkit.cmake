# What the LGPL asks of programs that link Qt statically, as two more
# downloads of the release (target windows_release), beside the zip and the
# installer:
#   tolvaro-<version>-relink-kit.zip  the programs' own archives and objects,
#                                     libcurl and zlib, the release's link
#                                     commands as relink.sh, the toolchain's
#                                     versions and Qt's configure line: both
#                                     programs linked again against a Qt of
#                                     one's own
#   tolvaro-<version>-qt-source.zip   Qt's corresponding source: the Debian
#                                     source package the dependency cache
#                                     built it from, with the script and the
#                                     configure line
# The link commands are read back from Ninja when the kit is made, so they
# are the build's own; tools/windows/check-release.sh relinks from the kit
# and runs the result.
if (NOT CMAKE_GENERATOR STREQUAL "Ninja")
    message(FATAL_ERROR "The Windows release takes its link commands from Ninja: "
        "configure with -G Ninja (cmake --preset windows).")
endif()
set(kit_tools ${PROJECT_SOURCE_DIR}/tools/windows/relink-kit)
set(deps ${TOLVARO_WINDOWS_DEPS})
foreach(file qt-configure.txt qt-config.summary versions.txt attributions/curl attributions/zlib)
    if (NOT EXISTS ${deps}/${file})
        message(FATAL_ERROR "${deps} has no ${file}: the release needs a dependency cache that "
            "keeps Qt's source and configuration (bash tools/windows/build-deps.sh).")
    endif()
endforeach()
file(STRINGS ${deps}/versions.txt qt_package REGEX "^qt6-base ")
string(REGEX REPLACE "^qt6-base ([0-9]+:)?" "" qt_package_version "${qt_package}")
set(qt_sources
    ${deps}/sources/qt6-base_${qt_package_version}.dsc
    ${deps}/sources/qt6-base_${qt_package_version}.debian.tar.xz)
# The original tarball is named by the upstream version alone.
string(REGEX REPLACE "-[^-]*$" "" qt_upstream_version "${qt_package_version}")
file(GLOB qt_orig ${deps}/sources/qt6-base_${qt_upstream_version}.orig.tar.*)
list(APPEND qt_sources ${qt_orig})
foreach(file IN LISTS qt_sources)
    if (NOT EXISTS ${file})
        message(FATAL_ERROR "${deps}/sources lacks ${file}: rebuild the dependency cache.")
    endif()
endforeach()
set(TOLVARO_QT_VERSION ${Qt6_VERSION})

# Every file of both downloads, and the programs relink.sh makes, take the
# release's time (cmake/common.cmake).
set(epoch ${TOLVARO_SOURCE_DATE_EPOCH})

# The relink kit.
set(kit_name tolvaro-${PROJECT_VERSION}-relink-kit)
set(kit_parent ${CMAKE_CURRENT_BINARY_DIR}/relink-kit)
set(kit ${kit_parent}/${kit_name})
set(TOLVARO_RELINK_KIT ${CMAKE_BINARY_DIR}/${kit_name}.zip)
configure_file(${kit_tools}/README.txt.in ${kit_parent}/README.txt @ONLY)
execute_process(COMMAND dpkg-query -W "-f=\${Package} \${Version}\n"
    gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev
    OUTPUT_FILE ${kit_parent}/toolchain.txt COMMAND_ERROR_IS_FATAL ANY)
add_custom_command(OUTPUT ${TOLVARO_RELINK_KIT}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${kit}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${kit}
    COMMAND ${CMAKE_COMMAND} -E copy ${kit_parent}/README.txt ${kit_parent}/toolchain.txt
        ${deps}/qt-configure.txt ${deps}/versions.txt ${kit}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${deps}/attributions/curl ${kit}/notices/curl
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${deps}/attributions/zlib ${kit}/notices/zlib
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DBUILD=${CMAKE_BINARY_DIR}
        -DNINJA=${CMAKE_MAKE_PROGRAM} -DDEPS=${deps} -DKIT=${kit} -DEPOCH=${epoch}
        "-DPROGRAMS=tolvaro=$<TARGET_FILE:tolvaro>=${TOLVARO_EXE}|tolvaro-demoengine=$<TARGET_FILE:tolvaro-demoengine>=${TOLVARO_DEMOENGINE_EXE}"
        -P ${kit_tools}/make-kit.cmake
    COMMAND sh ${kit_tools}/zip-folder.sh ${TOLVARO_RELINK_KIT} ${kit_parent} ${kit_name} ${epoch}
    DEPENDS tolvaro tolvaro-demoengine ${kit_tools}/make-kit.cmake ${kit_tools}/zip-folder.sh
        ${kit_parent}/README.txt ${kit_parent}/toolchain.txt
    VERBATIM)

# Qt's source, with the files of this tree that the build script uses.
set(source_name tolvaro-${PROJECT_VERSION}-qt-source)
set(source_parent ${CMAKE_CURRENT_BINARY_DIR}/qt-source)
set(source ${source_parent}/${source_name})
set(TOLVARO_QT_SOURCE ${CMAKE_BINARY_DIR}/${source_name}.zip)
set(qt_source_names "")
foreach(file IN LISTS qt_sources)
    get_filename_component(name ${file} NAME)
    string(APPEND qt_source_names "${name}\n  ")
endforeach()
string(STRIP "${qt_source_names}" TOLVARO_QT_SOURCE_FILES)
configure_file(${kit_tools}/README-qt-source.txt.in ${source_parent}/README.txt @ONLY)
set(tree_files tools/windows/build-deps.sh tools/install-deps.sh cmake/windows-toolchain.cmake)
set(copy_tree "")
foreach(file IN LISTS tree_files)
    get_filename_component(folder ${file} DIRECTORY)
    list(APPEND copy_tree
        COMMAND ${CMAKE_COMMAND} -E make_directory ${source}/tolvaro/${folder}
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${file} ${source}/tolvaro/${folder})
endforeach()
list(TRANSFORM tree_files PREPEND ${PROJECT_SOURCE_DIR}/)
add_custom_command(OUTPUT ${TOLVARO_QT_SOURCE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${source}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${source}
    COMMAND ${CMAKE_COMMAND} -E copy ${source_parent}/README.txt ${qt_sources}
        ${deps}/qt-configure.txt ${deps}/qt-config.summary ${source}
    ${copy_tree}
    COMMAND sh ${kit_tools}/zip-folder.sh ${TOLVARO_QT_SOURCE} ${source_parent} ${source_name} ${epoch}
    DEPENDS ${qt_sources} ${tree_files} ${source_parent}/README.txt ${kit_tools}/zip-folder.sh
    VERBATIM)

add_custom_target(windows_relink_kit
    COMMAND wc -c ${TOLVARO_RELINK_KIT} ${TOLVARO_QT_SOURCE}
    DEPENDS ${TOLVARO_RELINK_KIT} ${TOLVARO_QT_SOURCE}
    VERBATIM)
add_dependencies(windows_release windows_relink_kit)
