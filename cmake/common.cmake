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
