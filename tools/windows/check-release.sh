#!/bin/bash
# Checks the Windows release that `cmake --build <build> --target
# windows_release` made, under Wine in a fresh prefix of its own:
#   bash tools/windows/check-release.sh <windows build folder> [<.deb>]
#
#  - the zip holds tolvaro.exe, the demo engine, the read-me, the terms and
#    the notices; every library linked into a program has its notice entry,
#    every download its bill of materials and its line in SHA256SUMS
#    (tools/release/release.py check); the two programs are hardened
#    (tools/check-hardening.sh) and hold no folder of this machine; they are
#    stripped and need no DLL but Windows' own, and nothing
#    Windows has only from a newer version than the one claimed
#    (dist/windows/imports.txt; a file it reads no import from fails);
#    tolvaro.exe is a GUI program with its icon, manifest and version
#    resource, the engine a console program;
#  - what the README, the read-me, the manifest and the installer say about
#    the Windows versions agrees with cmake/common.cmake; the installer
#    refuses Windows 8.1 and a Windows 10 one build older than the minimum,
#    and the whole check runs on the minimum;
#  - the installer, silently for all users: the files, the Start-menu
#    shortcuts, the installed-programs entry; the program and the engine the
#    shortcuts start find rank 25 together; the installed program keeps its
#    settings in the user's application-data folder, not in its own; a copy
#    of it taken elsewhere is portable there; the silent uninstall leaves
#    nothing behind but those settings;
#  - the same with /D= into a folder of the user's choice, with the
#    installer's pages and silently over itself, whose folders the uninstall
#    removes; installed again into a folder the user made, which the
#    uninstall leaves with those above it; the installer for the current user
#    alone;
#  - the zip, unpacked into a scratch folder: its engine and program find
#    rank 25 as the read-me says, and TLV.INI stays beside the program;
#  - the relink kit, unpacked alone, holds none of Qt's files and names no
#    build folder; its relink.sh links both programs again against the
#    cache's Qt, and they find rank 25; the Qt source download holds Debian's
#    source package, the build script and the configure line;
#  - one version: project(VERSION), the .deb (default: the newest in
#    build-package/, as tools/check-package.sh makes it), the program's
#    version resource, the installer's own, its installed-programs entry and
#    the file names.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
[ $# -ge 1 ] && [ -f "$1/CMakeCache.txt" ] || {
    echo "usage: $0 <windows build folder> [<.deb>]" >&2
    exit 2
}
build="$(cd "$1" && pwd)"
sh "$root/tools/install-deps.sh" xvfb xdotool binutils
# Wine makes windows only on a display (else the program cannot be asked to
# close): without one, the check runs on a virtual one of its own.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a bash "$0" "$@"
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
# The oldest Windows the program claims to run on, as cmake/common.cmake
# states it: read from there, not from what the build made of it, so that the
# installer is held to the stated number.
minimum="$(sed -n 's/^set(TOLVARO_WINDOWS_MINIMUM \(10\.0\.[0-9]*\) .*/\1/p' "$root/cmake/common.cmake")"
[ -n "$minimum" ] || {
    echo "cmake/common.cmake states no TOLVARO_WINDOWS_MINIMUM of the form 10.0.<build>" >&2
    exit 2
}
zip="$build/tolvaro-$version-windows-x64.zip"
setup="$build/tolvaro-$version-setup.exe"
kit="$build/tolvaro-$version-relink-kit.zip"
qt_source="$build/tolvaro-$version-qt-source.zip"
deb="${2:-$(ls -t "$root"/build-package/tolvaro_*_amd64.deb 2>/dev/null | head -n1)}"

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
# Ends the check at once, when what follows cannot run.
stop() {
    echo "FAILED: $*" >&2
    exit 1
}
for file in "$zip" "$setup" "$kit" "$qt_source"; do
    [ -f "$file" ] || stop "$file is missing: build the target windows_release first"
done
[ -n "$deb" ] && [ -f "$deb" ] || stop "no .deb: build it with bash tools/check-package.sh, or name it"

work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
# No prompts to install Wine's .NET and HTML engines into the new prefix, and
# no menu entries in this machine's desktop for the shortcuts made in it.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A Windows folder as seen from here, from a variable's value under Wine.
folder() { winepath -u "$(wine cmd /c "echo %$1%" | tr -d '\r')"; }
# Waits up to 30 s for a condition (a shell command) to hold.
wait_until() {
    for _ in $(seq 300); do
        eval "$1" && return 0
        sleep 0.1
    done
    return 1
}
# One value of a registry key, as `reg query` prints it.
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
# Each function an .exe imports, as "DLL function" a line (DLL names in
# lower case; a function imported by number only as "#number").
imports() {
    x86_64-w64-mingw32-objdump -p "$1" | awk '
        /^\tDLL Name: / { dll = tolower($3); next }
        /^$/ { dll = "" }
        dll != "" && /^\t[0-9a-f]+[ \t]+[0-9]+ +[^ ]+$/ { print dll, $3 }
        dll != "" && /^\t[0-9a-f]+[ \t]+<none> +[0-9a-f]+$/ { print dll, "#" $3 }' | sort -u
}
# Holds what an .exe imports against dist/windows/imports.txt: every import
# listed there, none newer than the oldest Windows the program claims to run
# on ($minimum, a version number such as 10.0.17763). Every program imports
# something: reading no import is a failure, not a pass.
check_imports() {
    local dll name first listed found
    found="$(imports "$1")" || { fail "the imports of $(basename "$1") cannot be read"; return 0; }
    [ -n "$found" ] || { fail "no import read from $(basename "$1")"; return 0; }
    listed="$(sed 's/#.*//' "$root/dist/windows/imports.txt" | awk 'NF == 3 { print tolower($1), $2, $3 }')"
    while read -r dll name; do
        first="$(awk -v d="$dll" -v n="$name" '$1 == d && $2 == n { print $3 }' <<<"$listed")"
        if [ -z "$first" ]; then
            fail "$(basename "$1") imports $name from $dll, which dist/windows/imports.txt does not list"
        elif [ "$(printf '%s\n' "$first" "$minimum" | sort -V | tail -n1)" != "$minimum" ]; then
            fail "$(basename "$1") imports $name from $dll, which Windows has only from $first on, newer than $minimum"
        fi
    done <<<"$found"
}
# The version information of an .exe, one "name value" a line.
version_strings() {
    x86_64-w64-mingw32-windres -i "$1" -O rc | sed -n 's/^ *VALUE "\([A-Za-z]*\)", L\?"\(.*\)"$/\1 \2/p'
}

echo "== The programs and the claims about Windows"
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$zip")
shipped="GPL-3.0.txt LGPL-3.0.txt LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt tolvaro-demoengine.exe tolvaro.exe "
[ "$(cd "$work/zip" && ls | LC_ALL=C sort | tr '\n' ' ')" = "$shipped" ] ||
    fail "the zip holds $(cd "$work/zip" && ls | tr '\n' ' ')instead of $shipped"
exe="$work/zip/tolvaro.exe"
engine="$work/zip/tolvaro-demoengine.exe"
for program in "$exe" "$engine"; do
    headers="$(x86_64-w64-mingw32-objdump -p -h "$program")"
    ! grep -q ' \.debug_' <<<"$headers" || fail "$(basename "$program") still holds debug information"
    others="$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | grep -iE '^(lib|qt|zlib|curl)' || true)"
    [ -z "$others" ] || fail "$(basename "$program") needs DLLs that Windows does not have: $others"
    check_imports "$program"
done
# The protections a binary scan looks for, with a proof that the check finds
# them missing, and no folder of this machine in the programs.
deps="${TOLVARO_WINDOWS_DEPS:-$HOME/.cache/tolvaro/windows-deps}"
bash "$root/tools/check-hardening.sh" --self-test || fail "the hardening check does not tell a program without protections"
bash "$root/tools/check-hardening.sh" --windows-version "${minimum%.*}" --no-path "$root" --no-path "$build" \
    --no-path "$deps" --no-path "$(readlink -f "$deps")" "$exe" "$engine" || fail "the programs lack protections"
# The import check itself fails where it reads no import: on a program that
# imports nothing, and on a file that is no program.
printf '\t.globl start\nstart:\tret\n' | x86_64-w64-mingw32-as -o "$work/none.o"
x86_64-w64-mingw32-ld -e start -o "$work/none.exe" "$work/none.o"
for file in "$work/none.exe" "$zip"; do
    if (failures=0; check_imports "$file" 2>/dev/null; [ "$failures" = 0 ]); then
        fail "the import check passes $(basename "$file"), from which it reads no import"
    fi
done
grep -q '^Subsystem.*(Windows GUI)' <<<"$(x86_64-w64-mingw32-objdump -p "$exe")" ||
    fail "tolvaro.exe is not a GUI program"
grep -q '^Subsystem.*(Windows CUI)' <<<"$(x86_64-w64-mingw32-objdump -p "$engine")" ||
    fail "tolvaro-demoengine.exe is not a console program"
resources="$(x86_64-w64-mingw32-windres -i "$exe" -O rc)"
[ "$(grep -c 'RT_MANIFEST' <<<"$resources")" = 1 ] || fail "tolvaro.exe does not hold exactly one manifest"
for part in asInvoker PerMonitorV2 '>true/pm<' Microsoft.Windows.Common-Controls \
    8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    grep -qF -- "$part" <<<"$resources" || fail "the manifest of tolvaro.exe lacks $part"
done
# Windows 7, 8 and 8.1, which the program cannot run on.
for old in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
    1f676c76-80e1-4239-95bb-83d0f6d0da78; do
    ! grep -qF -- "$old" <<<"$resources" || fail "the manifest of tolvaro.exe names an older Windows ($old)"
done
[ "$(grep -c 'Element no' <<<"$resources")" = 6 ] || fail "the icon of tolvaro.exe does not hold six images"
version_strings "$exe" | grep -qx 'ProductName Tolvaro' || fail "tolvaro.exe does not name its product Tolvaro"
readme="$work/zip/README.txt"
[ "$(head -c3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] && grep -q $'\r$' "$readme" ||
    fail "README.txt is not UTF-8 with a byte-order mark and CR LF line ends"
# What the read-me, the README and the installer say: the minimum, and no
# older Windows.
grep -qF 'Windows 10（1809 版或更新）或 Windows 11，64 位' "$readme" &&
    grep -qF 'Windows 10 (version 1809 or later) or Windows 11, 64-bit' "$readme" ||
    fail "README.txt does not name Windows 10 1809 and Windows 11 as the systems the program runs on"
grep -qF 'Windows 10 (1809 and later) and Windows 11, 64-bit' "$root/README.md" ||
    fail "README.md does not name Windows 10 1809 and Windows 11 as the systems the program runs on"
claims="$(grep -nE 'Windows (XP|Vista|7|8)\b' "$root/README.md" "$readme" "$root/dist/windows/"* |
    grep -v '/imports\.txt:' || true)"
[ -z "$claims" ] || fail "older Windows are named: $claims"
[ "${minimum##*.}" = "$(sed -n 's/^!define MINIMUM_BUILD "\(.*\)"$/\1/p' "$build/dist/windows/tolvaro.nsi")" ] ||
    fail "the installer does not refuse Windows older than build ${minimum##*.}"
# The three steps at the top of the read-me, in Chinese first.
head -n 12 "$readme" | grep -q 'tolvaro-demoengine.exe' && head -n 12 "$readme" | grep -q '位置.*25' ||
    fail "README.txt does not open with the three steps to try the program with the demo engine"
# The link maps, the notices, the bills of materials and SHA256SUMS (tools/release).
"$root/tools/release/release.py" check "$build" "$version" || fail "the release's notices, bills of materials or SHA256SUMS"
echo "tolvaro.exe: $(stat -c %s "$exe") bytes; tolvaro-demoengine.exe $(stat -c %s "$engine");" \
    "zip $(stat -c %s "$zip"), installer $(stat -c %s "$setup")"

echo "== A fresh Wine prefix"
wineboot -i
# Hidden windows go at once, not after the 2 s a window manager would take.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
# The Windows Wine says it is, as Windows keeps it in the registry: a version
# (10.0) and a build (17763). Wine 8 reads CurrentVersion and
# CurrentBuildNumber there when no version is set for it under
# HKCU\Software\Wine; the names it offers there have no Windows 10 older than
# build 18362. A new prefix says Windows 7, which the installer would refuse:
# the check runs on the oldest Windows the program claims.
windows_version() {
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
    wine reg add "$key" /v CurrentVersion /d "$1" /f >/dev/null
    wine reg add "$key" /v CurrentBuildNumber /d "$2" /f >/dev/null
    wine reg add "$key" /v CurrentBuild /d "$2" /f >/dev/null
    wineserver -w
}
windows_version "${minimum%.*}" "${minimum##*.}"
# The browser the program opens the found page in: a script that notes the
# address.
printf '#!/bin/sh\necho "$1" >>"%s/opened.log"\n' "$work" >"$work/browser"
chmod +x "$work/browser"
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$work/browser" /f >/dev/null
appdata="$(folder APPDATA)"
localappdata="$(folder LOCALAPPDATA)"
programs="$(folder ProgramW6432)"
all_start="$(folder ProgramData)/Microsoft/Windows/Start Menu/Programs"
user_start="$appdata/Microsoft/Windows/Start Menu/Programs"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvaro'
user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvaro'
demo_link='Tolvaro 演示检索引擎.lnk'

# Starts a tolvaro.exe on the virtual display, waits until its settings file
# ($2) is there and ends the program as Windows does when asked to close it
# (taskkill without /F sends WM_CLOSE to its windows), which saves the
# settings. The request is repeated until the window is there to receive it.
run_session() {
    wine "$1" &
    local app=$!
    pids+=("$app")
    wait_until "[ -f '$2' ]" || { fail "$1 did not create $2"; kill "$app"; return 0; }
    close_program "$1" "$app"
}
close_program() {
    wait_until "wine taskkill /IM tolvaro.exe >/dev/null 2>&1; sleep 1; ! kill -0 $2 2>/dev/null" \
        || { fail "$1 did not end when asked"; kill "$2"; }
}
# Two sessions: the first creates the settings file, the second reads a page
# count written as 007 and saves it back as 7 when it closes.
check_settings() {
    run_session "$1" "$2"
    [ -f "$2" ] || return 0
    sed -i 's/^MaxPage=.*/MaxPage=007\r/' "$2"
    run_session "$1" "$2"
    grep -q '^MaxPage=7' "$2" || fail "$1 did not read $2 at the start or did not save it at the close"
}
# What a new user does: starts the demo engine ($1), then the program ($2)
# with the settings it ships with, and presses 检索. The site is on the third
# page, so exactly three pages are asked for (start 0, 10 and 20), the
# search ends there, with rank 25, and that page opens in the browser.
try_it() {
    local log="$work/engine.log" app
    rm -f "$work/opened.log"
    wine "$1" >"$log" 2>&1 &
    pids+=("$!")
    wait_until "grep -q listening '$log'" || { fail "$1 did not start listening: $(cat "$log")"; return 0; }
    wine "$2" &
    app=$!
    pids+=("$app")
    local window=""
    wait_until 'window="$(xdotool search --onlyvisible --class tolvaro.exe 2>/dev/null | head -n1)"; [ -n "$window" ]' ||
        { fail "the window of $2 did not appear"; kill "$app"; return 0; }
    sleep 1
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers alt+s
    wait_until "[ \$(grep -c '^GET /search' '$log') -ge 3 ]" || true
    sleep 2
    local asked
    asked="$(tr -d '\r' <"$log" | sed -n 's/^GET \/search?.*&start=\([0-9]*\)$/\1/p' | tr '\n' ' ')"
    [ "$asked" = "0 10 20 " ] || fail "$2 asked the demo engine for the pages '$asked' instead of start 0, 10 and 20"
    grep -q '^http://127\.0\.0\.1:8080/search?.*&start=20$' "$work/opened.log" 2>/dev/null ||
        fail "$2 did not open the third result page in the browser: $(cat "$work/opened.log" 2>/dev/null)"
    close_program "$2" "$app"
    wine taskkill /F /IM tolvaro-demoengine.exe >/dev/null 2>&1 || true
    wineserver -w
}
# The program a shortcut starts, as a path here.
shortcut_target() {
    winepath -u "$( { strings -a "$1"; strings -a -el "$1"; } | grep -m1 -iE '^[a-z]:\\.*\.exe$')"
}

# Every file and registry line of the prefix that names the program (none
# before the first install).
traces() {
    wineserver -w
    find "$WINEPREFIX/drive_c" -iname '*tolvaro*' | sort
    grep -i 'tolvaro' "$WINEPREFIX"/*.reg || true
}

echo "== Refused on a Windows older than $minimum"
# Windows 8.1, and Windows 10 one build before the minimum (the last release
# before 1809 was 1803, build 17134).
for old in "6.3 9600" "${minimum%.*} $((${minimum##*.} - 1))"; do
    windows_version $old
    status=0
    wine "$setup" /S || status=$?
    [ "$status" = 3 ] || fail "the installer did not refuse Windows $old: exit code $status"
done
windows_version "${minimum%.*}" "${minimum##*.}"
left="$(traces)"
[ -z "$left" ] || fail "the refused installer left traces: $left"

echo "== Installed for all users, on Windows $minimum"
wine "$setup" /S
installed="$programs/Tolvaro"
contents="${shipped}uninstall.exe "
[ "$(ls "$installed" 2>/dev/null | LC_ALL=C sort | tr '\n' ' ')" = "$contents" ] ||
    fail "$installed holds '$(ls "$installed" 2>/dev/null | tr '\n' ' ')' instead of $contents"
cmp -s "$exe" "$installed/tolvaro.exe" || fail "the installed tolvaro.exe is not the zip's"
cmp -s "$engine" "$installed/tolvaro-demoengine.exe" || fail "the installed demo engine is not the zip's"
for link in Tolvaro.lnk "$demo_link"; do
    [ -f "$all_start/$link" ] || fail "no Start-menu shortcut $link in $all_start"
done
winpath="$(reg_value "$key" InstallLocation)"
[ -n "$winpath" ] && [ "$(winepath -u "$winpath")" = "$installed" ] ||
    fail "the installed-programs entry gives '$winpath' as the installation folder"
for name in DisplayName DisplayVersion Publisher DisplayIcon UninstallString QuietUninstallString \
    EstimatedSize NoModify NoRepair; do
    [ -n "$(reg_value "$key" "$name")" ] || fail "the installed-programs entry has no $name"
done
[ "$(reg_value "$key" DisplayName)" = Tolvaro ] || fail "the installed-programs entry is not named Tolvaro"
installed_version="$(reg_value "$key" DisplayVersion)"

echo "== The installed program, from its Start-menu shortcuts"
settings="$appdata/Tolvaro/TLV.INI"
program="$(shortcut_target "$all_start/Tolvaro.lnk")"
[ "$program" = "$installed/tolvaro.exe" ] || fail "the shortcut Tolvaro.lnk starts '$program'"
demo="$(shortcut_target "$all_start/$demo_link")"
[ "$demo" = "$installed/tolvaro-demoengine.exe" ] || fail "the shortcut $demo_link starts '$demo'"
try_it "$demo" "$program"
check_settings "$program" "$settings"
[ ! -e "$installed/TLV.INI" ] || fail "the installed program wrote TLV.INI into $installed"

echo "== A copy of the installed program taken elsewhere is portable there"
copy="$WINEPREFIX/drive_c/scratch/copy"
mkdir -p "$copy"
cp "$installed/tolvaro.exe" "$copy/"
run_session "$copy/tolvaro.exe" "$copy/TLV.INI"

uninstall() { # uninstall <installed-programs key>
    # As the installed-programs list runs it: its quiet command, which hands
    # over to a copy of the uninstaller and returns; wineserver -w waits for it.
    local quiet
    quiet="$(reg_value "$1" QuietUninstallString)"
    eval "wine $(sed 's/\\/\\\\/g' <<<"$quiet")"
    wineserver -w
}

echo "== Uninstalled silently"
uninstall "$key"
[ ! -e "$installed" ] || fail "the uninstall left $installed: $(ls "$installed")"
[ ! -e "$all_start/Tolvaro.lnk" ] && [ ! -e "$all_start/$demo_link" ] ||
    fail "the uninstall left a Start-menu shortcut"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall left the installed-programs entry"
[ -f "$settings" ] || fail "the uninstall removed the user's settings"
rm -rf "$appdata/Tolvaro" "$copy"
left="$(traces)"
[ -z "$left" ] || fail "the uninstall left traces of the program: $left"

# An install for all users as a user makes it, with the installer's pages:
# each taken with Enter (the install mode offered, the folder shown, 安装 and
# 完成).
install_interactively() { # <command-line arguments>...
    wine "$setup" "$@" &
    local app=$! window=""
    pids+=("$app")
    wait_until 'window="$(xdotool search --onlyvisible --class "$(basename "$setup")" 2>/dev/null | head -n1)"; [ -n "$window" ]' ||
        { fail "the installer's window did not appear"; kill "$app"; return 0; }
    sleep 1
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers Return
    sleep 1
    xdotool key --clearmodifiers Return
    wait_until '[ -n "$(reg_value "$key" EstimatedSize)" ]' || true
    sleep 1
    xdotool key --clearmodifiers Return
    wait_until "! kill -0 $app 2>/dev/null" || { fail "the installer $* did not end after its last page"; kill "$app"; }
    wineserver -w
}

echo "== Installed into a folder of the user's choice (/D=), with the installer's pages, then silently over itself"
custom="$WINEPREFIX/drive_c/Apps/Tolvaro"
install_interactively '/D=C:\Apps\Tolvaro'
[ "$(ls "$custom" 2>/dev/null | LC_ALL=C sort | tr '\n' ' ')" = "$contents" ] ||
    fail "/D= with the installer's pages did not install into C:\\Apps\\Tolvaro: it holds '$(ls "$custom" 2>/dev/null | tr '\n' ' ')'"
[ ! -e "$installed" ] || fail "/D= with the installer's pages still installed into $installed"
# Again over itself, silently, as an update does: the folders the first
# install made stay the installer's to remove.
wine "$setup" /S '/D=C:\Apps\Tolvaro'
[ "$(ls "$custom" 2>/dev/null | LC_ALL=C sort | tr '\n' ' ')" = "$contents" ] ||
    fail "/D= did not install into C:\\Apps\\Tolvaro: it holds '$(ls "$custom" 2>/dev/null | tr '\n' ' ')'"
[ ! -e "$installed" ] || fail "/D= still installed into $installed"
[ "$(reg_value "$key" InstallLocation)" = 'C:\Apps\Tolvaro' ] ||
    fail "the installed-programs entry gives '$(reg_value "$key" InstallLocation)' as the folder"
# Installed there, it is the installed copy: the settings are each user's own.
check_settings "$custom/tolvaro.exe" "$settings"
[ ! -e "$custom/TLV.INI" ] || fail "the program installed into C:\\Apps\\Tolvaro wrote TLV.INI beside itself"
uninstall "$key"
[ ! -e "$WINEPREFIX/drive_c/Apps" ] || fail "the uninstall left the folders it made: $(find "$WINEPREFIX/drive_c/Apps")"
rm -rf "$appdata/Tolvaro"
left="$(traces)"
[ -z "$left" ] || fail "the uninstall from C:\\Apps\\Tolvaro left traces of the program: $left"

echo "== Installed again into a folder the user made: the uninstall leaves it and those above"
wine "$setup" /S '/D=C:\Apps\Tolvaro'
tools="$WINEPREFIX/drive_c/Tools"
mkdir -p "$tools/Tolvaro"
wine "$setup" /S '/D=C:\Tools\Tolvaro'
uninstall "$key"
[ -d "$tools/Tolvaro" ] && [ -z "$(ls -A "$tools/Tolvaro")" ] ||
    fail "the uninstall did not leave C:\\Tools\\Tolvaro, made by the user, empty and in place: $(find "$tools" 2>&1)"
# The first copy stays where it was installed: the installer moves no program.
rm -rf "$WINEPREFIX/drive_c/Apps" "$tools"
left="$(traces)"
[ -z "$left" ] || fail "the uninstall from C:\\Tools\\Tolvaro left traces of the program: $left"

echo "== Installed for the current user alone"
wine "$setup" /S /CurrentUser
user_installed="$localappdata/Programs/Tolvaro"
[ "$(ls "$user_installed" 2>/dev/null | LC_ALL=C sort | tr '\n' ' ')" = "$contents" ] ||
    fail "$user_installed holds '$(ls "$user_installed" 2>/dev/null | tr '\n' ' ')' instead of $contents"
for link in Tolvaro.lnk "$demo_link"; do
    [ -f "$user_start/$link" ] || fail "no Start-menu shortcut $link in $user_start"
done
[ "$(reg_value "$user_key" DisplayVersion)" = "$version" ] || fail "no installed-programs entry for the user"
! wine reg query "$key" >/dev/null 2>&1 || fail "the per-user install wrote an entry for all users"
uninstall "$user_key"
left="$(traces)"
[ -z "$left" ] || fail "the per-user uninstall left traces of the program: $left"

echo "== The zip, unpacked into a scratch folder: tried as a new user would, its settings beside it"
portable="$WINEPREFIX/drive_c/scratch/Tolvaro"
mkdir -p "$portable"
cp "$exe" "$engine" "$readme" "$portable/"
try_it "$portable/tolvaro-demoengine.exe" "$portable/tolvaro.exe"
[ -f "$portable/TLV.INI" ] || fail "the zip's program did not keep TLV.INI beside itself"
check_settings "$portable/tolvaro.exe" "$portable/TLV.INI"
[ ! -e "$appdata/Tolvaro" ] || fail "the zip's program wrote its settings into $appdata/Tolvaro"

echo "== The relink kit: both programs linked again from it alone against the cache's Qt"
qt="$(cd "$(sed -n 's/^Qt6_DIR:PATH=//p' "$build/CMakeCache.txt")/../../.." && pwd)"
unzip -q "$kit" -d "$work/kit"
relink="$work/kit/tolvaro-$version-relink-kit/relink.sh"
! grep -qF -e "$build" -e "$qt" -e "$(cd "$qt" && pwd -P)" "$relink" || fail "relink.sh names a folder of the build"
[ -z "$(find "$work/kit" -name 'libQt6*' -o -path '*/objects-*' -o -path '*/plugins/*')" ] || fail "the relink kit holds Qt's own files"
relinked="$WINEPREFIX/drive_c/scratch/relinked"
if sh "$relink" "$qt" "$relinked" >"$work/relink.log" 2>&1; then
    try_it "$relinked/tolvaro-demoengine.exe" "$relinked/tolvaro.exe"
    # Byte for byte the shipped programs: the release and the kit's relink.sh
    # stamp the same time, the commit's, and the Qt is the one the release used.
    for program in "$exe" "$engine"; do
        cmp -s "$program" "$relinked/$(basename "$program")" ||
            fail "$(basename "$program") linked again from the kit is not the program shipped"
    done
else
    fail "relink.sh did not link the programs again: $(tail -n 20 "$work/relink.log")"
fi
listing="$(unzip -Z1 "$qt_source")"
for part in '.dsc' '.orig.tar' '.debian.tar' 'qt-configure.txt' 'build-deps.sh'; do
    grep -qF -- "$part" <<<"$listing" || fail "the Qt source download holds no $part"
done

echo "== One version"
deb_version="$(dpkg-deb -f "$deb" Version)"
exe_version="$(version_strings "$exe" | sed -n 's/^ProductVersion //p' | sort -u | tr '\n' ' ')"
exe_file_version="$(version_strings "$exe" | sed -n 's/^FileVersion //p' | sort -u | tr '\n' ' ')"
setup_version="$(version_strings "$setup" | sed -n 's/^ProductVersion //p' | sort -u | tr '\n' ' ')"
while IFS='|' read -r what found; do
    printf '%-40s %s\n' "$what" "$found"
    [ "$found" = "$version" ] || fail "$what is '$found', not $version"
done <<EOF
project(VERSION)|$version
.deb control field|$deb_version
.deb file name|$(basename "$deb" | sed -n 's/^tolvaro_\(.*\)_amd64\.deb$/\1/p')
tolvaro.exe ProductVersion|${exe_version% }
tolvaro.exe FileVersion|${exe_file_version% }
installer ProductVersion|${setup_version% }
installed-programs entry DisplayVersion|$installed_version
EOF
printf '%-40s %s\n' "zip and installer file names" "$(basename "$zip") $(basename "$setup")"

if [ "$failures" -gt 0 ]; then
    echo "$failures Windows release checks failed" >&2
    exit 1
fi
echo "Windows release checks passed"
