# Cross-build for 64-bit Windows with Debian's mingw-w64 compilers (the posix
# thread model, which has the std::thread and std::mutex that Qt needs).
# The libraries come from the cache that tools/windows/build-deps.sh fills:
# $TOLVARO_WINDOWS_DEPS, else ~/.cache/tolvaro/windows-deps.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_RC_COMPILER ${triple}-windres)

if(DEFINED ENV{TOLVARO_WINDOWS_DEPS})
    set(TOLVARO_WINDOWS_DEPS "$ENV{TOLVARO_WINDOWS_DEPS}")
else()
    set(TOLVARO_WINDOWS_DEPS "$ENV{HOME}/.cache/tolvaro/windows-deps")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${triple} "${TOLVARO_WINDOWS_DEPS}")
set(CMAKE_PREFIX_PATH "${TOLVARO_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's tools (moc, rcc, uic) are the host's: Debian's Qt of the same version.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# Tests and tools run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
