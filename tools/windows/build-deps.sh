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
# The cache also keeps what a release must hand on with the programs: the
# source packages it was built from (sources/), their Debian versions
# (versions.txt), Qt's configure line and summary, and the notices and
# licence texts of every part (attributions/).
#
# Its code is built the way the programs are: hardened (stack protector,
# fortified functions, control-flow marks) and with no trace of where it was
# built: build and cache folders are mapped to fixed names, Qt's prefix is a
# fixed name, curl keeps no CA bundle path, and resource times come from the
# source package's changelog.
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
# Raised whenever the way the dependencies are built changes, so that a cache
# built the old way is never taken for a new one.
recipe=2
name="windows-deps-r$recipe-qt$qt_version-curl$curl_version-zlib$zlib_version-gtest$gtest_version-httplib$httplib_version"
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
rm -rf "$work" "$cache"
mkdir -p "$work" "$cache"
cd "$work"
log() { echo "== $(date +%T) $*"; }

# Unpacks a source package without Debian's patches into folder $2. The
# newest version the mirror still serves is taken: a security archive may
# list a version whose files it no longer holds.
# The source package's files stay in the cache: they are the corresponding
# source that a release offers beside the programs.
unpack() {
    local version
    for version in $(apt-cache showsrc "$1" | sed -n 's/^Version: *//p' | sort -ruV); do
        if apt-get source -q --download-only "$1=$version" >/dev/null 2>&1; then
            dpkg-source -x --skip-patches "$1_${version#*:}.dsc" "$2" >/dev/null
            echo "$1 $version" >>"$cache/versions.txt"
            mkdir -p "$cache/sources" "$cache/attributions/$1"
            mv "$1_"* "$cache/sources/"
            cp "$2/debian/copyright" "$cache/attributions/$1/debian-copyright"
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
: >"$cache/versions.txt"
hardening="-fstack-protector-strong -D_FORTIFY_SOURCE=2 -fcf-protection"
no_paths="-ffile-prefix-map=$work=/usr/src/tolvaro-windows-deps -ffile-prefix-map=$cache=/opt/tolvaro-windows-deps"
export CFLAGS="$hardening $no_paths" CXXFLAGS="$hardening $no_paths"
# Each part's resource and archive times come from its own changelog.
changelog_time() { dpkg-parsechangelog -l "$1/debian/changelog" -STimestamp; }
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain"
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$cache")

log "zlib $zlib_version"
unpack zlib zlib-src
export SOURCE_DATE_EPOCH="$(changelog_time zlib-src)"
cp zlib-src/LICENSE "$cache/attributions/zlib/" 2>/dev/null || cp zlib-src/README "$cache/attributions/zlib/"
cmake -S zlib-src -B zlib-build "${common[@]}" >/dev/null
cmake --build zlib-build --target zlibstatic -j"$jobs" >/dev/null
install -D -m644 zlib-build/libzlibstatic.a "$cache/lib/libz.a"
install -D -m644 -t "$cache/include" zlib-src/zlib.h zlib-build/zconf.h

log "curl $curl_version"
unpack curl curl-src
export SOURCE_DATE_EPOCH="$(changelog_time curl-src)"
cp curl-src/COPYING "$cache/attributions/curl/"
cmake -S curl-src -B curl-build "${common[@]}" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DBUILD_CURL_EXE=OFF -DENABLE_MANUAL=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=ON \
    -DZLIB_INCLUDE_DIR="$cache/include" -DZLIB_LIBRARY="$cache/lib/libz.a" \
    -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF \
    -DUSE_NGHTTP2=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none >/dev/null
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
cp httplib-src/LICENSE "$cache/attributions/cpp-httplib/"

log "Qt $qt_version (about 15 minutes on two cores)"
unpack qt6-base qt-src
export SOURCE_DATE_EPOCH="$(changelog_time qt-src)"
# Upstream and security fixes only; Debian's packaging patches stay out.
patches=$(grep -v '^#' qt-src/debian/patches/series | grep -E '^(cve|upstream_|remove_privacy_breaches)' || true)
for p in $patches; do
    patch -d qt-src -p1 -s <"qt-src/debian/patches/$p"
done
# Every qt_attribution.json with the licence files it names, and Qt's own
# licence texts: the notices of a release are made from these.
python3 - qt-src "$cache/attributions/qt6-base" <<'PY'
import json, pathlib, shutil, sys
src, dst = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
def keep(path):
    target = dst / path.relative_to(src)
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(path, target)
for f in sorted(src.glob("LICENSE*")) + sorted(src.glob("LICENSES/*")):
    if not f.is_file():
        continue
    keep(f)
for f in sorted(src.rglob("qt_attribution.json")):
    keep(f)
    data = json.loads(f.read_text(encoding="utf-8"), strict=False)
    for entry in data if isinstance(data, list) else [data]:
        names = entry.get("LicenseFiles") or [entry.get("LicenseFile", "")]
        for name in filter(None, names):
            if (f.parent / name).is_file():
                keep(f.parent / name)
PY
# The prefix is a fixed name, so no cache path is written into Qt; the files
# are installed into the cache all the same (-extprefix).
qt_configure=(-prefix /opt/tolvaro-windows-deps -extprefix "$cache" -xplatform win32-g++ -qt-host-path /usr
    -release -static -static-runtime -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-feature-sql -no-feature-network -no-feature-printsupport
    -no-feature-concurrent -no-feature-xml -no-feature-vulkan -no-feature-tabletevent
    -qt-zlib -qt-pcre -qt-harfbuzz -qt-freetype -qt-libpng -qt-libjpeg
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
mkdir qt-build
(cd qt-build && ../qt-src/configure "${qt_configure[@]}" >configure.log 2>&1) \
    || { tail -40 qt-build/configure.log; exit 1; }
{
    echo "# Qt $qt_version for Windows, as tools/windows/build-deps.sh of Tolvaro configures it"
    echo "# (<cache> is the folder it is installed into, <tolvaro> the source tree)."
    echo "export CFLAGS=\"$hardening\" CXXFLAGS=\"$hardening\" SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
    echo "# Patches applied from debian/patches: $(echo $patches)"
    echo "configure ${qt_configure[*]}"
} | sed "s|$cache|<cache>|g; s|$root|<tolvaro>|g" >"$cache/qt-configure.txt"
cp qt-build/config.summary "$cache/qt-config.summary"
cmake --build qt-build -j"$jobs" >qt-build/build.log 2>&1 || { tail -40 qt-build/build.log; exit 1; }
cmake --install qt-build >/dev/null

cd "$cache"
rm -rf "$work"
touch "$cache/complete"
log "Windows dependencies ready in $cache ($(du -sh "$cache" | cut -f1))"
