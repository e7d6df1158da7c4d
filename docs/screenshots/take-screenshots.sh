#!/bin/bash
# Takes the README's screenshots: the program and the demo engine under a
# virtual X server, driven by the keyboard. Needs xvfb, imagemagick, xdotool
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
printf '[APPLICATION]\r\nKeyWord=电力\r\nMaxPage=5\r\nKeyUrl=http://www.tolvaro-demo.example/\r\nSearchHost=127.0.0.1:18080\r\n' \
    | iconv -f utf-8 -t cp936 >"$work/TLV.INI"
mkdir "$work/icewm"
printf 'TitleFontNameXft="Noto Sans CJK SC:size=9"\nShowTaskBar=0\n' >"$work/icewm/preferences"

cat >"$work/session.sh" <<SESSION
#!/bin/bash
set -u
cd "$work"
ICEWM_PRIVCFG="$work/icewm" icewm >/dev/null 2>&1 & wm=\$!
"$build/tools/tolvaro-demoengine" --port 18080 --latency 300 --site http://www.tolvaro-demo.example/ --quiet >/dev/null & engine=\$!
sleep 1
./tolvaro & app=\$!
sleep 2
xdotool windowactivate --sync "\$(xdotool search --name Tolvaro | head -1)"
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
xvfb-run -a -s "-screen 0 1024x768x24" "$work/session.sh"

# The main window opens centred on the 1024 x 768 screen.
crop=522x245+250+251
convert "$work/shot-main.png" -crop $crop +repage "$out/main-window.png"
convert "$work/shot-searching.png" -crop $crop +repage "$out/searching.png"
convert "$work/shot-about.png" -crop $crop +repage "$out/about-window.png"
