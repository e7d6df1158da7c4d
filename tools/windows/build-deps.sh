#!/bin/bash
# Builds what the Windows build of Tolvaro links against, from Debian's own
# source packages with Debian's mingw-w64 compilers: Qt (static, with the
# windows and offscreen platform plugins), zlib, libcurl on Schannel,
# GoogleTest and the HTTP server header the tests use.
#
# Everything lands in a cache folder outside the source tree, named by the
# versions it holds (default ~/.cache/tolvaro/windows-deps-<versions>), with
# ~/.cache/tolvaro/windows-deps pointing at the current one. A complete
# folder is left alone, so a second run costs seconds.
#
#   TOLVARO_WINDOWS_CACHE  parent folder of the caches (default ~/.cache/tolvaro)
#   TOLVARO_JOBS           parallel build jobs (default: the number of cores)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
jobs="${TOLVARO_JOBS:-$(nproc)}"

sh "$root/tools/install-deps.sh" g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 \
    ninja-build nsis dpkg-dev qt6-base-dev-tools locales zip unzip xvfb imagemagick

# The Chinese locale under which Wine's ANSI code page is 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

upstream() { dpkg-query -W -f='${source:Upstream-Version}' "$1" | sed 's/[+~].*//; s/\.dfsg.*//'; }
qt_version="$(upstream qt6-base-dev)"
curl_version="$(upstream libcurl4-openssl-dev)"
zlib_version="$(upstream zlib1g-dev)"
gtest_version="$(upstream googletest)"
httplib_version="$(upstream libcpp-httplib-dev)"

parent="${TOLVARO_WINDOWS_CACHE:-$HOME/.cache/tolvaro}"
name="windows-deps-qt$qt_version-curl$curl_version-zlib$zlib_version-gtest$gtest_version-httplib$httplib_version"
cache="$parent/$name"
mkdir -p "$parent"
ln -sfn "$name" "$parent/windows-deps"
if [ -f "$cache/complete" ]; then
    echo "Windows dependencies: $cache is complete"
    exit 0
fi

# Source packages need a deb-src entry for the mirror the machine uses.
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
    for f in /etc/apt/sources.list.d/*.sources; do
        grep -q '^Types: *deb$' "$f" || continue
        sed 's/^Types: *deb$/Types: deb-src/' "$f" >"/etc/apt/sources.list.d/tolvaro-src-$(basename "$f")"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/tolvaro-src.list
    fi
    apt-get update -q
fi

work="$cache.work"
rm -rf "$work"
mkdir -p "$work" "$cache"
cd "$work"
log() { echo "== $(date +%T) $*"; }

# Unpacks a source package without Debian's patches into folder $2. The
# newest version the mirror still serves is taken: a security archive may
# list a version whose files it no longer holds.
unpack() {
    local version
    for version in $(apt-cache showsrc "$1" | sed -n 's/^Version: *//p' | sort -ruV); do
        if apt-get source -q --download-only "$1=$version" >/dev/null 2>&1; then
            dpkg-source -x --skip-patches "$1_${version#*:}.dsc" "$2" >/dev/null
            return
        fi
    done
    echo "no source of $1 could be fetched" >&2
    exit 1
}

# The toolchain file the dependencies are built with; the project uses the
# same file (cmake/windows-toolchain.cmake) and finds the dependencies here.
toolchain="$root/cmake/windows-toolchain.cmake"
export TOLVARO_WINDOWS_DEPS="$cache"
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain"
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$cache")

log "zlib $zlib_version"
unpack zlib zlib-src
cmake -S zlib-src -B zlib-build "${common[@]}" >/dev/null
cmake --build zlib-build --target zlibstatic -j"$jobs" >/dev/null
install -D -m644 zlib-build/libzlibstatic.a "$cache/lib/libz.a"
install -D -m644 -t "$cache/include" zlib-src/zlib.h zlib-build/zconf.h

log "curl $curl_version"
unpack curl curl-src
cmake -S curl-src -B curl-build "${common[@]}" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DBUILD_CURL_EXE=OFF -DENABLE_MANUAL=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=ON \
    -DZLIB_INCLUDE_DIR="$cache/include" -DZLIB_LIBRARY="$cache/lib/libz.a" \
    -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF \
    -DUSE_NGHTTP2=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON >/dev/null
cmake --build curl-build -j"$jobs" >/dev/null
cmake --install curl-build >/dev/null

log "GoogleTest $gtest_version"
cmake -S /usr/src/googletest -B gtest-build "${common[@]}" -DBUILD_GMOCK=ON \
    -Dgtest_disable_pthreads=OFF >/dev/null
cmake --build gtest-build -j"$jobs" >/dev/null
cmake --install gtest-build >/dev/null

log "cpp-httplib $httplib_version (the header alone)"
unpack cpp-httplib httplib-src
install -D -m644 -t "$cache/include" httplib-src/httplib.h

log "Qt $qt_version (about 15 minutes on two cores)"
unpack qt6-base qt-src
# Upstream and security fixes only; Debian's packaging patches stay out.
for p in $(grep -v '^#' qt-src/debian/patches/series | grep -E '^(cve|upstream_|remove_privacy_breaches)' || true); do
    patch -d qt-src -p1 -s <"qt-src/debian/patches/$p"
done
mkdir qt-build
(cd qt-build && ../qt-src/configure -prefix "$cache" -xplatform win32-g++ -qt-host-path /usr \
    -release -static -static-runtime -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-feature-sql -no-feature-network -no-feature-printsupport \
    -no-feature-concurrent -no-feature-xml -no-feature-vulkan -no-feature-tabletevent \
    -qt-zlib -qt-pcre -qt-harfbuzz -qt-freetype -qt-libpng -qt-libjpeg \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >configure.log 2>&1) \
    || { tail -40 qt-build/configure.log; exit 1; }
cmake --build qt-build -j"$jobs" >qt-build/build.log 2>&1 || { tail -40 qt-build/build.log; exit 1; }
cmake --install qt-build >/dev/null

cd "$cache"
rm -rf "$work"
touch "$cache/complete"
log "Windows dependencies ready in $cache ($(du -sh "$cache" | cut -f1))"
