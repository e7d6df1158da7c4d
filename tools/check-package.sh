#!/bin/bash
# Builds the Debian package as a release would (build-package/), checks it
# with the validators the distributions use, unpacks it into a scratch root
# and runs the installed program from there:
#   bash tools/check-package.sh
# The program has no command line and ends on SIGTERM without saving, so the
# settings check closes its window the way a user does: through the window
# manager (Alt+F4 under icewm on a virtual X server).
set -euo pipefail
cd "$(dirname "$0")/.."

sh tools/install-deps.sh desktop-file-utils appstream lintian dpkg-dev file xvfb icewm xdotool

echo "== Package"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build-package -j"$(nproc)"
(cd build-package && cpack -G DEB)
deb=build-package/tolvaro_1.0.0_amd64.deb

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

echo "== Validators"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml"
lintian --fail-on error "$deb"

# Waits up to 20 s for a condition (a shell command) to hold.
wait_until() {
    for _ in $(seq 200); do
        eval "$1" && return 0
        sleep 0.1
    done
    echo "FAILED: waited in vain for: $1" >&2
    return 1
}

echo "== The installed program starts"
# A first start writes the settings file, then shows the window.
home="$work/start"
mkdir -p "$home/config"
HOME="$home" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=offscreen "$root/usr/bin/tolvaro" &
app=$!
pids+=("$app")
wait_until '[ -e "$root/usr/bin/TLV.INI" ] || [ -e "$home/config/tolvaro/TLV.INI" ]'
sleep 1
kill -0 "$app" || { echo "FAILED: the installed program did not start" >&2; exit 1; }
kill "$app"
wait "$app" || true
rm -f "$root/usr/bin/TLV.INI"
echo "started"

echo "== Settings of the installed program"
# The program's folder is not the user's to write: the settings live in the
# user's own configuration folder, are saved there at the close and read back
# at the next start. As root, writability is judged by the permission bits.
chmod a-w "$root/usr/bin"
home="$work/user"
mkdir -p "$home/config"
settings="$home/config/tolvaro/TLV.INI"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
exec 3>&-
wait_until '[ -s "$work/display" ]'
export DISPLAY=":$(cat "$work/display")"
icewm >/dev/null 2>&1 &
pids+=("$!")

# Starts the installed program, runs the given xdotool keys in its window,
# and closes it with Alt+F4; fails unless the program ends normally.
run_session() {
    HOME="$home" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=xcb "$root/usr/bin/tolvaro" &
    local app=$!
    local window
    window="$(xdotool search --sync --onlyvisible --name Tolvaro | head -1)"
    xdotool windowactivate --sync "$window"
    if [ $# -gt 0 ]; then xdotool "$@"; fi
    xdotool key alt+F4
    wait "$app"
}

# First start: the per-user file holds the defaults. The keyword box has the
# focus; a new keyword is typed and the close saves it there.
run_session key ctrl+a type --delay 20 tolvaro-check
grep -q '^KeyWord=tolvaro-check' "$settings" || { echo "FAILED: the close did not save into $settings" >&2; exit 1; }
# Second start: the close saves the boxes as loaded, so the keyword is still
# there only when the start read it back.
run_session
grep -q '^KeyWord=tolvaro-check' "$settings" || { echo "FAILED: the next start did not read $settings back" >&2; exit 1; }
if [ -e "$root/usr/bin/TLV.INI" ]; then echo "FAILED: the program wrote into its own folder" >&2; exit 1; fi
echo "saved and read back in $settings"
echo "package checks passed"
