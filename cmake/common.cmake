# Every target links tolvaro_common: language level, warnings and Qt hygiene.
add_library(tolvaro_common INTERFACE)
target_compile_features(tolvaro_common INTERFACE cxx_std_20)
target_compile_options(tolvaro_common INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(tolvaro_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_KEYWORDS)

# Windows: one self-contained program, needing no DLL beyond the system's own,
# for the Windows versions the Qt it links supports: Windows 10 from version
# 1809 (build 17763) on, and Windows 11, 64-bit. The installer refuses older
# ones, the read-me and the manifest say so, and the release check holds the
# program's imports against dist/windows/imports.txt and this minimum.
set(TOLVARO_WINDOWS_MINIMUM 10.0.17763 CACHE INTERNAL "The oldest Windows the program runs on")
if (WIN32)
    target_compile_definitions(tolvaro_common INTERFACE _WIN32_WINNT=0x0A00 WINVER=0x0A00)
    target_link_options(tolvaro_common INTERFACE -static -static-libgcc -static-libstdc++)
endif()

option(TOLVARO_WERROR "Treat warnings as errors" OFF)
if (TOLVARO_WERROR)
    target_compile_options(tolvaro_common INTERFACE -Werror)
endif()

option(TOLVARO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if (TOLVARO_SANITIZE)
    target_compile_options(tolvaro_common INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(tolvaro_common INTERFACE -fsanitize=address,undefined)
endif()

# Fuzz targets need clang's libFuzzer: configure with CXX=clang++-14.
option(TOLVARO_FUZZ "Build the fuzz targets (clang only)" OFF)
if (TOLVARO_FUZZ)
    target_compile_options(tolvaro_common INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(tolvaro_common INTERFACE -fsanitize=address,undefined)
endif()

# Hardening, for every build but the sanitizer and fuzz builds (whose
# instrumentation does its own checking and conflicts with it): a stack
# protector, the C library's checked forms of its copying functions (they need
# optimisation), control-flow marks at the start of each function, and on
# Linux the whole relocation table read-only once the program starts. Programs
# are position-independent and their stacks not executable by default, on both
# systems; tools/check-hardening.sh reads all of it back from the programs.
if (NOT TOLVARO_SANITIZE AND NOT TOLVARO_FUZZ)
    target_compile_options(tolvaro_common INTERFACE -fstack-protector-strong -fcf-protection)
    target_compile_definitions(tolvaro_common INTERFACE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    if (WIN32)
        # mingw-w64 keeps the stack check and the checked functions in libssp,
        # which the driver links when it is told of the stack protector. The
        # headers name the Windows the program really needs, and the program
        # says it knows of Remote Desktop sessions, so that no old
        # compatibility redirections are applied to it on a shared server.
        string(REGEX MATCH "^([0-9]+)\\.([0-9]+)" major_minor ${TOLVARO_WINDOWS_MINIMUM})
        target_link_options(tolvaro_common INTERFACE -fstack-protector-strong
            LINKER:--major-subsystem-version,${CMAKE_MATCH_1},--minor-subsystem-version,${CMAKE_MATCH_2}
            LINKER:--major-os-version,${CMAKE_MATCH_1},--minor-os-version,${CMAKE_MATCH_2}
            LINKER:--tsaware)
    else()
        target_link_options(tolvaro_common INTERFACE LINKER:-z,relro,-z,now)
    endif()
endif()

# The Debian package is built with Debian's own flags as well, the way
# Debian builds its packages: dpkg-buildflags with every hardening feature,
# taken as if from the environment (the build type's optimisation follows).
option(TOLVARO_DEBIAN_BUILDFLAGS "Also compile and link with dpkg-buildflags' flags (hardening=+all)" OFF)
if (TOLVARO_DEBIAN_BUILDFLAGS)
    foreach (kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                dpkg-buildflags --get ${kind}
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
            OUTPUT_VARIABLE ${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
            COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    string(APPEND CMAKE_CXX_FLAGS " ${CXXFLAGS} ${CPPFLAGS}")
    string(APPEND CMAKE_EXE_LINKER_FLAGS " ${LDFLAGS}")
endif()

# The same bytes from every build of a commit, in any folder, at any time:
# every time stamp a tool writes (rcc's resource times, the Windows header's
# that strip writes, the zip, the installer, the package) is the commit's
# time, and no folder of the build machine stays in the programs.
# Without git (a source tarball) the time is that of the newest changelog
# entry; SOURCE_DATE_EPOCH set by the caller wins over both. A new commit
# configures the build again, so that its time is taken.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if (epoch STREQUAL "")
    execute_process(COMMAND git log -1 --format=%ct
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND git rev-parse --path-format=absolute --git-path HEAD --git-path logs/HEAD
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE heads OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REPLACE "\n" ";" heads "${heads}")
    foreach (head IN LISTS heads)
        if (EXISTS ${head})
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${head})
        endif()
    endforeach()
endif()
if (epoch STREQUAL "")
    execute_process(COMMAND dpkg-parsechangelog -l ${PROJECT_SOURCE_DIR}/dist/debian/changelog -STimestamp
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if (NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No time for the build's time stamps: neither git nor dpkg-parsechangelog"
        " gave one; set SOURCE_DATE_EPOCH")
endif()
set(TOLVARO_SOURCE_DATE_EPOCH ${epoch} CACHE INTERNAL "The time every time stamp of the build carries")
set_property(GLOBAL PROPERTY RULE_LAUNCH_CUSTOM "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}")
# The source and build folders become ".", the Windows dependency cache
# (under the name given and the folder it links to) the fixed name its Qt was
# built for. Of two that match, the later one counts: the build folder may
# lie within the source folder.
set(prefix_maps ${PROJECT_SOURCE_DIR}=. ${PROJECT_BINARY_DIR}=.)
if (TOLVARO_WINDOWS_DEPS)
    file(REAL_PATH ${TOLVARO_WINDOWS_DEPS} deps_target)
    list(APPEND prefix_maps ${TOLVARO_WINDOWS_DEPS}=/opt/tolvaro-windows-deps
        ${deps_target}=/opt/tolvaro-windows-deps)
endif()
list(TRANSFORM prefix_maps PREPEND -ffile-prefix-map=)
target_compile_options(tolvaro_common INTERFACE ${prefix_maps})
if (WIN32)
    # The Windows header's time stamp is left 0 by the linker; the release's
    # strip writes the commit's time into it.
    target_link_options(tolvaro_common INTERFACE LINKER:--no-insert-timestamp)
endif()
