#!/bin/bash
# Takes the Windows screenshots of the README: tolvaro.exe and the demo
# engine under Wine, with the windows platform plugin on a virtual X server,
# driven by the keyboard. Wine draws the windows' frames itself, as Windows
# would (its own frame buttons are Wine's drawing). Needs a Windows build
# (cmake --preset windows) and xvfb, xdotool, x11-utils and imagemagick:
#   bash docs/screenshots/take-windows-screenshots.sh [windows build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build-windows}" && pwd)"
out="$root/docs/screenshots"
. "$root/tools/windows/wine-session.sh"
program="$WINEPREFIX/drive_c/Tolvaro"
mkdir -p "$program"
cp "$build/tolvaro.exe" "$program/"
printf '[APPLICATION]\r\nKeyWord=电力\r\nMaxPage=5\r\nKeyUrl=http://www.tolvaro-demo.example/\r\nSearchHost=127.0.0.1:18080\r\n' \
    | iconv -f utf-8 -t cp936 >"$program/TLV.INI"

engine() {
    wine "$build/tools/tolvaro-demoengine.exe" --port 18080 --latency 300 \
        --site http://www.tolvaro-demo.example/ --quiet "$@" >/dev/null 2>&1 &
    sleep 1
}
engine
wine 'C:\Tolvaro\tolvaro.exe' >/dev/null 2>&1 &
window=$(xdotool search --sync --onlyvisible --class tolvaro.exe | head -1)
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || true
crop=$(xwininfo -id "$window" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { printf "%dx%d+%d+%d", w, h, x, y }')
xdotool key alt+s
sleep 0.6
import -window root "$work/searching.png"
sleep 3
import -window root "$work/main.png"
xdotool key alt+a
sleep 1.5
import -window root "$work/about.png"
xdotool key Return
# An engine whose results end after 24: the fourth page lists none.
wine taskkill /F /IM tolvaro-demoengine.exe >/dev/null 2>&1
engine --results 24
xdotool key alt+s
sleep 3
import -window root "$work/no-results.png"

convert "$work/main.png" -crop "$crop" +repage "$out/windows-main-window.png"
convert "$work/searching.png" -crop "$crop" +repage "$out/windows-searching.png"
convert "$work/no-results.png" -crop "$crop" +repage "$out/windows-no-results.png"
# The About window opens centred over the main window; the shot shows both.
convert "$work/about.png" -crop "$(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 }
    END { printf "%dx%d+0+0", w, h }')" +repage -trim +repage "$out/windows-about-window.png"
