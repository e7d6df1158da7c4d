#!/bin/bash
# Takes the README's screenshots: the program and the demo engine under a
# virtual X server, driven by the keyboard, once at 100 % and once at 200 %
# scale (files ending in -200). Needs xvfb, imagemagick, xdotool, x11-utils
# and icewm (whose title bars honour the windows' frame hints), besides a
# build of the program and of the demo engine:
#   bash docs/screenshots/take-screenshots.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="$root/docs/screenshots"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cp "$build/tolvaro" "$work/"

# The session takes the scale as QT_SCALE_FACTOR takes it and the point size
# of the window manager's titles (the window manager itself is not scaled, so
# its title bars keep their height); it notes where the main window's frame
# lies.
cat >"$work/session.sh" <<SESSION
#!/bin/bash
set -u
cd "$work"
export QT_SCALE_FACTOR=\$1
mkdir -p icewm
printf 'TitleFontNameXft="Noto Sans CJK SC:size=%s"\nShowTaskBar=0\n' \$2 >icewm/preferences
ICEWM_PRIVCFG="$work/icewm" icewm >/dev/null 2>&1 & wm=\$!
"$build/tools/tolvaro-demoengine" --port 18080 --latency 300 --site http://www.tolvaro-demo.example/ --quiet >/dev/null & engine=\$!
sleep 1
./tolvaro & app=\$!
sleep 2
window=\$(xdotool search --onlyvisible --name Tolvaro | head -1)
xdotool windowactivate --sync "\$window"
# The frame is the window manager's window that holds the program's window.
frame=\$window
root=\$(xwininfo -root | awk '/Window id:/ { print \$4 }')
while parent=\$(xwininfo -tree -id "\$frame" | awk '/Parent window id:/ { print \$4 }') \\
    && [ "\$parent" != "\$root" ]; do
    frame=\$parent
done
xwininfo -id "\$frame" | awk '/Absolute upper-left X:/ { x = \$4 } /Absolute upper-left Y:/ { y = \$4 }
    /Width:/ { w = \$2 } /Height:/ { h = \$2 } END { printf "%dx%d+%d+%d", w, h, x, y }' >crop
sleep 0.5
xdotool key alt+s
sleep 0.5
import -window root shot-searching.png
sleep 3
import -window root shot-main.png
xdotool key alt+a
sleep 1.5
import -window root shot-about.png
xdotool key Return
sleep 0.5
xdotool key alt+F4
wait \$app
kill \$engine \$wm
SESSION
chmod +x "$work/session.sh"

# Each shot shows the main window with its frame (and the About window, which
# opens over it).
for pass in "1 9 1024x768 " "2 12 2048x1536 -200"; do
    read -r scale points screen suffix <<<"$pass"
    printf '[APPLICATION]\r\nKeyWord=电力\r\nMaxPage=5\r\nKeyUrl=http://www.tolvaro-demo.example/\r\nSearchHost=127.0.0.1:18080\r\n' \
        | iconv -f utf-8 -t cp936 >"$work/TLV.INI"
    xvfb-run -a -s "-screen 0 ${screen}x24" "$work/session.sh" "$scale" "$points"
    crop="$(cat "$work/crop")"
    convert "$work/shot-main.png" -crop "$crop" +repage "$out/main-window$suffix.png"
    convert "$work/shot-searching.png" -crop "$crop" +repage "$out/searching$suffix.png"
    convert "$work/shot-about.png" -crop "$crop" +repage "$out/about-window$suffix.png"
done
