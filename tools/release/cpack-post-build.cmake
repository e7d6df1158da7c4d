# Run by CPack once the Debian package is made (CPACK_POST_BUILD_SCRIPTS,
# cmake/packaging.cmake): the package's bill of materials beside it, and
# SHA256SUMS over the folder's downloads.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    cmake_path(GET package PARENT_PATH folder)
    execute_process(
        COMMAND ${CPACK_TOLVARO_RELEASE_TOOL} release --parts ${CPACK_TOLVARO_RELEASE_PARTS}
            ${folder} ${CPACK_PACKAGE_VERSION}
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
