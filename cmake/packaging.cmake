# The Debian package, made from this build with `cpack -G DEB` into
# tolvaro_<version>_amd64.deb. Its dependencies are read from the binaries.
# The Windows build makes its zip and installer instead (dist/windows).
if (WIN32)
    return()
endif()

# The changelog is the history of releases, each entry written by hand; the
# newest must be the version being built, or the package would describe
# another release than the one it holds. Checked again whenever it changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/dist/debian/changelog)
file(STRINGS ${PROJECT_SOURCE_DIR}/dist/debian/changelog newest LIMIT_COUNT 1)
string(REPLACE "." "\\." version_pattern ${PROJECT_VERSION})
if (NOT newest MATCHES "^tolvaro \\(${version_pattern}\\) ")
    message(FATAL_ERROR "dist/debian/changelog: the newest entry is not version ${PROJECT_VERSION}"
        " (project(VERSION) in CMakeLists.txt); add an entry for it:\n  ${newest}")
endif()

set(CPACK_PACKAGE_NAME tolvaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tolvaro developers")
set(CPACK_PACKAGE_CONTACT "maintainers <maintainers@users.noreply.c-seed-3d1b0b76.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find the rank of a web site in search engine results")
set(CPACK_PACKAGE_DESCRIPTION [[
Tolvaro answers one question: at which position does a web site first appear in
a search engine's results for a keyword? It walks the result pages one after
another and shows the rank of the first result that links to the site. The
window is in Simplified Chinese.

The package also holds tolvaro-demoengine, a small local search engine with
made-up result pages for trying the program without the internet.]])
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tolvaro.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's texts are Chinese; under Wayland Qt needs its Wayland plugin.
# libproxy reads GNOME's proxy settings and runs configuration scripts
# through its modules.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-noto-cjk, qt6-wayland, libproxy1-plugin-gsettings, libproxy1-plugin-webkit")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian asks of every package: the terms in a copyright file, a
# changelog and a manual page for each program, compressed without a time
# stamp so that builds compare equal. The manual pages' headers name the
# version as @PROJECT_VERSION@, filled in here.
install(FILES ${PROJECT_SOURCE_DIR}/dist/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The notices of the code compiled into the programs (tools/release).
install(FILES ${TOLVARO_NOTICES_DIR}/THIRD-PARTY-NOTICES.txt DESTINATION ${CMAKE_INSTALL_DOCDIR})
foreach (page tolvaro.1 tolvaro-demoengine.1)
    configure_file(${PROJECT_SOURCE_DIR}/dist/debian/${page} ${PROJECT_BINARY_DIR}/dist/${page} @ONLY)
endforeach()
set(compressed)
foreach (file ${PROJECT_SOURCE_DIR}/dist/debian/changelog
        ${PROJECT_BINARY_DIR}/dist/tolvaro.1 ${PROJECT_BINARY_DIR}/dist/tolvaro-demoengine.1)
    cmake_path(GET file FILENAME name)
    set(gz ${PROJECT_BINARY_DIR}/dist/${name}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND gzip -n -9 -c ${file} > ${gz}
        DEPENDS ${file}
        VERBATIM)
    list(APPEND compressed ${gz})
endforeach()
add_custom_target(debian_docs ALL DEPENDS ${compressed})
install(FILES ${PROJECT_BINARY_DIR}/dist/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_BINARY_DIR}/dist/tolvaro.1.gz ${PROJECT_BINARY_DIR}/dist/tolvaro-demoengine.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package installs where the build was configured to install (/usr for
# a Debian package: -DCMAKE_INSTALL_PREFIX=/usr), so that the program knows
# itself as an installed copy there and keeps each user's settings apart.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")

# The same package from every build of a commit: cpack stamps the files and
# archives with the commit's time (cmake/common.cmake), and the folders the
# package holds have the same modes whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackSourceDate.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "set(ENV{SOURCE_DATE_EPOCH} ${TOLVARO_SOURCE_DATE_EPOCH})\n")
# Beside the package: its bill of materials and SHA256SUMS (tools/release).
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/tools/release/cpack-post-build.cmake)
set(CPACK_TOLVARO_RELEASE_TOOL ${TOLVARO_RELEASE_TOOL})
set(CPACK_TOLVARO_RELEASE_PARTS ${TOLVARO_RELEASE_PARTS})

include(CPack)
