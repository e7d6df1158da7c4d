# The HTTP server library under the demo engine and the tests' servers.
# Debian's cpp-httplib is a compiled library whose header has to see the same
# feature switches the library was built with; pkg-config hands over both.
include_guard(GLOBAL)

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)

add_library(tolvaro_httplib INTERFACE)
target_link_libraries(tolvaro_httplib INTERFACE PkgConfig::HTTPLIB Threads::Threads)
