# Every target links tolvaro_common: language level, warnings and Qt hygiene.
add_library(tolvaro_common INTERFACE)
target_compile_features(tolvaro_common INTERFACE cxx_std_20)
target_compile_options(tolvaro_common INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(tolvaro_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_KEYWORDS)

# Windows: one self-contained program for Windows 7 and later, needing no DLL
# beyond the system's own.
if (WIN32)
    target_compile_definitions(tolvaro_common INTERFACE _WIN32_WINNT=0x0601 WINVER=0x0601)
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
