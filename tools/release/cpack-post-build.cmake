# Run by CPack once the Debian package is made (CPACK_POST_BUILD_SCRIPTS,
# cmake/packaging.cmake): the package's bill of materials beside it, and
# SHA256SUMS over the folder's downloads. CPack copies the package into its
# folder only after this script; it is copied there first.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    file(COPY ${package} DESTINATION ${CPACK_PACKAGE_DIRECTORY})
endforeach()
execute_process(
    COMMAND ${CPACK_TOLVARO_RELEASE_TOOL} release --parts ${CPACK_TOLVARO_RELEASE_PARTS}
        ${CPACK_PACKAGE_DIRECTORY} ${CPACK_PACKAGE_VERSION}
    COMMAND_ERROR_IS_FATAL ANY)
