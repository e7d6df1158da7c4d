# The HTTP server library under the demo engine and the tests' servers.
# Debian's cpp-httplib is a compiled library whose header has to see the same
# feature switches the library was built with; pkg-config hands over both.
include_guard(GLOBAL)

find_package(Threads REQUIRED)
add_library(tolvaro_httplib INTERFACE)

if (WIN32)
    # The Windows build uses the library's header alone, with its defaults.
    find_path(HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
    target_include_directories(tolvaro_httplib SYSTEM INTERFACE ${HTTPLIB_INCLUDE_DIR})
    target_link_libraries(tolvaro_httplib INTERFACE ws2_32 Threads::Threads)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
    target_link_libraries(tolvaro_httplib INTERFACE PkgConfig::HTTPLIB Threads::Threads)
endif()
