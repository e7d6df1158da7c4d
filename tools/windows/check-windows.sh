#!/bin/bash
# Runs the real tolvaro.exe under Wine, with its windows on a virtual display,
# as a user of a Chinese Windows system would:
#   - a portable copy in a folder with a Chinese name makes TLV.INI beside
#     itself with the defaults in code page 936; a keyword typed into the
#     window is saved when the window closes and read at the next start;
#   - the end of the Windows session closes the window and saves the settings;
#   - the same program under the Programs folder keeps its settings in the
#     user's application-data folder and writes nothing beside itself.
#
#   tools/windows/check-windows.sh [build folder]   (default build-windows)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build-windows}" && pwd)"
sh "$root/tools/install-deps.sh" xvfb xdotool

. "$root/tools/windows/wine-session.sh"
drive="$WINEPREFIX/drive_c"
appdata="$drive/users/$(id -un)/AppData/Roaming"

quiet() { "$@" >/dev/null 2>&1; }
fail() { echo "FAIL: $*" >&2; exit 1; }
waitFor() { # waitFor <what> <test command...>
    local what="$1"; shift
    for _ in $(seq 150); do "$@" && return 0; sleep 0.2; done
    fail "$what"
}
# Wine runs the program in the process it starts as.
start() {
    wine "$1" >/dev/null 2>&1 &
    program=$!
    waitFor "the window of $1 appears" quiet xdotool search --onlyvisible --class 'tolvaro.exe'
    sleep 1
}
ended() { ! kill -0 "$program" 2>/dev/null; }
# Without /f, taskkill asks the program's windows to close, as their close button does.
closeWindow() { wine taskkill /im tolvaro.exe >/dev/null 2>&1; waitFor "the program ends" ended; }
endSession() { wineboot --end-session >/dev/null 2>&1 || true; waitFor "the program ends with the session" ended; }
entry() { iconv -f GBK -t UTF-8 "$1" | tr -d '\r' | sed -n "s/^$2=//p"; }

echo "== A portable copy keeps its settings beside itself, in code page 936"
portable="$drive/工具"
mkdir -p "$portable"
cp "$build/tolvaro.exe" "$portable/"
start "C:\\工具\\tolvaro.exe"
waitFor "TLV.INI is made beside the program" test -f "$portable/TLV.INI"
printf '[APPLICATION]\r\nKeyWord=网站排名查询\r\nMaxPage=20\r\nKeyUrl=http://www.example.com/\r\n' \
    | iconv -f UTF-8 -t GBK | cmp - "$portable/TLV.INI" || fail "the first start writes the defaults in code page 936"
# The keyword box has the focus at the start.
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 'rank check'
closeWindow
[ "$(entry "$portable/TLV.INI" KeyWord)" = "rank check" ] || fail "the typed keyword is saved at the close"

echo "== The next start reads them; the end of the session saves them"
start "C:\\工具\\tolvaro.exe"
sleep 1
# Changed behind the program's back: the end of the session writes what the window holds.
sed -i 's/^KeyWord=.*/KeyWord=changed\r/' "$portable/TLV.INI"
endSession
[ "$(entry "$portable/TLV.INI" KeyWord)" = "rank check" ] || fail "the end of the session saves the settings"

echo "== An installed copy keeps them in the user's application-data folder"
installed="$drive/Program Files/Tolvaro"
mkdir -p "$installed"
cp "$build/tolvaro.exe" "$installed/"
printf '[APPLICATION]\r\nKeyWord=shipped\r\nMaxPage=3\r\n' >"$installed/TLV.INI"
start "C:\\Program Files\\Tolvaro\\tolvaro.exe"
waitFor "TLV.INI is made in the application-data folder" test -f "$appdata/Tolvaro/TLV.INI"
closeWindow
[ "$(entry "$appdata/Tolvaro/TLV.INI" KeyWord)" = shipped ] || fail "the user's file is seeded from the shipped one"
[ "$(entry "$installed/TLV.INI" KeyWord)" = shipped ] && [ "$(ls "$installed")" = "TLV.INI
tolvaro.exe" ] || fail "nothing is written beside the installed program"

echo "All Windows checks passed."
