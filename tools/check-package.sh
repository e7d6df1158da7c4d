#!/bin/bash
# Builds the Debian package as a release would (build-package/, with
# Debian's hardening flags), checks the protections of its programs
# (tools/check-hardening.sh), checks it with the validators the
# distributions use, unpacks it into a scratch root and runs the installed
# program from there:
#   bash tools/check-package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

sh tools/install-deps.sh desktop-file-utils appstream lintian dpkg-dev file

echo "== Package"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF \
    -DTOLVARO_DEBIAN_BUILDFLAGS=ON
cmake --build build-package -j"$(nproc)"
# cpack gives the package's own members the modes of the umask, which a
# release build sets as Debian's package builds do.
(cd build-package && umask 022 && cpack -G DEB)
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-package/CMakeCache.txt)"
deb="build-package/tolvaro_${version}_amd64.deb"

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
root="$work/root"
dpkg -x "$deb" "$root"
app_id=example.tolvaro.Tolvaro

echo "== Hardening of the programs, and no folder of this machine in them"
bash tools/check-hardening.sh --self-test
# tolvaro writes through no buffer of a size known when it is compiled, so it
# has no checked call to show; the demo engine, built alike, has.
bash tools/check-hardening.sh --no-path "$PWD" --no-checked-calls tolvaro \
    "$root/usr/bin/tolvaro" "$root/usr/bin/tolvaro-demoengine"

echo "== Validators"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
lintian --fail-on error "$deb"
# The notices in the package; its bill of materials and SHA256SUMS beside it.
[ -f "$root/usr/share/doc/tolvaro/THIRD-PARTY-NOTICES.txt" ] || { echo "FAILED: the package holds no notices" >&2; exit 1; }
tools/release/release.py check --platform linux build-package "$version"

# Waits up to 20 s for a condition (a shell command) to hold.
wait_until() {
    for _ in $(seq 200); do
        eval "$1" && return 0
        sleep 0.1
    done
    echo "FAILED: waited in vain for: $1" >&2
    return 1
}

# Starts the installed program headless as a user whose home is $1, waits
# until its settings file is there, asks it to end as the desktop does at the
# end of a session (SIGTERM: the program closes its window, which saves the
# settings) and fails unless it ends normally.
run_session() {
    mkdir -p "$1/config"
    HOME="$1" XDG_CONFIG_HOME="$1/config" QT_QPA_PLATFORM=offscreen "$root/usr/bin/tolvaro" &
    local app=$!
    pids+=("$app")
    wait_until "[ -e '$root/usr/bin/TLV.INI' ] || [ -e '$1/config/tolvaro/TLV.INI' ]"
    sleep 1
    kill -0 "$app" || { echo "FAILED: the installed program did not start" >&2; exit 1; }
    kill -TERM "$app"
    wait "$app" || { echo "FAILED: the installed program did not end normally" >&2; exit 1; }
}

echo "== Settings of the installed program"
# The program's folder is not the user's to write: the settings live in the
# user's own configuration folder, are created there at the first start,
# read back at the next start and saved there at the close. As root,
# writability is judged by the permission bits.
chmod a-w "$root/usr/bin"
home="$work/user"
settings="$home/config/tolvaro/TLV.INI"
run_session "$home"
grep -q '^MaxPage=20' "$settings" || { echo "FAILED: the first start did not write the defaults into $settings" >&2; exit 1; }
# The close saves what the start read: a keyword of the user's own comes back,
# and a page count written as 007 comes back as 7.
sed -i 's/^KeyWord=.*/KeyWord=tolvaro-check\r/; s/^MaxPage=.*/MaxPage=007\r/' "$settings"
run_session "$home"
grep -q '^KeyWord=tolvaro-check' "$settings" || { echo "FAILED: the next start did not read $settings back" >&2; exit 1; }
grep -q '^MaxPage=7' "$settings" || { echo "FAILED: the close did not save into $settings" >&2; exit 1; }
if [ -e "$root/usr/bin/TLV.INI" ]; then echo "FAILED: the program wrote into its own folder" >&2; exit 1; fi
echo "created, read back and saved in $settings"

echo "== The package installed, its program run by root"
# /usr/bin is root's to write, yet the installed program never writes there:
# root's settings go to root's own configuration folder, and the purge leaves
# nothing of the program in /usr.
apt-get install -y -q "./$deb" >/dev/null
root=/ # run_session starts $root/usr/bin/tolvaro
home="$work/root-home"
run_session "$home"
[ -f "$home/config/tolvaro/TLV.INI" ] || { echo "FAILED: root's settings are not in root's configuration folder" >&2; exit 1; }
[ ! -e /usr/bin/TLV.INI ] || { echo "FAILED: the installed program wrote /usr/bin/TLV.INI" >&2; exit 1; }
apt-get purge -y -q tolvaro >/dev/null
[ ! -e /usr/bin/tolvaro ] || { echo "FAILED: the purge left /usr/bin/tolvaro" >&2; exit 1; }
echo "package checks passed"
