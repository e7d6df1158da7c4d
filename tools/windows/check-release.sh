#!/bin/bash
# Checks the Windows release that `cmake --build <build> --target
# windows_release` made, under Wine in a fresh prefix of its own:
#   bash tools/windows/check-release.sh <windows build folder> [<.deb>]
#
#  - tolvaro.exe: a GUI program, stripped, needing no DLL but Windows' own,
#    with its icon, manifest and version resource;
#  - the installer, silently for all users: the files, the Start-menu
#    shortcut, the installed-programs entry; the installed program keeps its
#    settings in the user's application-data folder, not in its own; the
#    silent uninstall leaves nothing behind but those settings;
#  - the installer for the current user alone, and its uninstall;
#  - the zip: its program run from a scratch folder keeps TLV.INI beside it;
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
# Wine makes windows only on a display (else the program cannot be asked to
# close): without one, the check runs on a virtual one of its own.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a bash "$0" "$@"
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
zip="$build/tolvaro-$version-windows-x64.zip"
setup="$build/tolvaro-$version-setup.exe"
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
for file in "$zip" "$setup"; do
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
# The version information of an .exe, one "name value" a line.
version_strings() {
    x86_64-w64-mingw32-windres -i "$1" -O rc | sed -n 's/^ *VALUE "\([A-Za-z]*\)", L\?"\(.*\)"$/\1 \2/p'
}

echo "== The program"
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$zip")
[ "$(cd "$work/zip" && ls | sort | tr '\n' ' ')" = "README.txt tolvaro.exe " ] ||
    fail "the zip holds $(cd "$work/zip" && ls | tr '\n' ' ')instead of README.txt and tolvaro.exe"
exe="$work/zip/tolvaro.exe"
headers="$(x86_64-w64-mingw32-objdump -p -h "$exe")"
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || fail "tolvaro.exe is not a GUI program"
! grep -q ' \.debug_' <<<"$headers" || fail "tolvaro.exe still holds debug information"
others="$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | grep -iE '^(lib|qt|zlib|curl)' || true)"
[ -z "$others" ] || fail "tolvaro.exe needs DLLs that Windows does not have: $others"
resources="$(x86_64-w64-mingw32-windres -i "$exe" -O rc)"
[ "$(grep -c 'RT_MANIFEST' <<<"$resources")" = 1 ] || fail "tolvaro.exe does not hold exactly one manifest"
for part in asInvoker PerMonitorV2 '>true/pm<' Microsoft.Windows.Common-Controls \
    35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
    1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    grep -qF -- "$part" <<<"$resources" || fail "the manifest of tolvaro.exe lacks $part"
done
[ "$(grep -c 'Element no' <<<"$resources")" = 6 ] || fail "the icon of tolvaro.exe does not hold six images"
version_strings "$exe" | grep -qx 'ProductName Tolvaro' || fail "tolvaro.exe does not name its product Tolvaro"
[ "$(head -c3 "$work/zip/README.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] && grep -q $'\r$' "$work/zip/README.txt" ||
    fail "README.txt is not UTF-8 with a byte-order mark and CR LF line ends"
echo "tolvaro.exe: $(stat -c %s "$exe") bytes; zip $(stat -c %s "$zip"), installer $(stat -c %s "$setup")"

echo "== A fresh Wine prefix"
wineboot -i
# Hidden windows go at once, not after the 2 s a window manager would take.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
wineserver -w
appdata="$(folder APPDATA)"
localappdata="$(folder LOCALAPPDATA)"
programs="$(folder ProgramW6432)"
all_start="$(folder ProgramData)/Microsoft/Windows/Start Menu/Programs"
user_start="$appdata/Microsoft/Windows/Start Menu/Programs"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvaro'
user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvaro'

# Starts a tolvaro.exe on the virtual display, waits until its settings file
# ($2) is there and ends the program as Windows does when asked to close it
# (taskkill without /F sends WM_CLOSE to its windows), which saves the
# settings. The request is repeated until the window is there to receive it.
run_session() {
    wine "$1" &
    local app=$!
    pids+=("$app")
    wait_until "[ -f '$2' ]" || { fail "$1 did not create $2"; kill "$app"; return 0; }
    wait_until "wine taskkill /IM tolvaro.exe >/dev/null 2>&1; sleep 1; ! kill -0 $app 2>/dev/null" \
        || { fail "$1 did not end when asked"; kill "$app"; }
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

# Every file and registry line of the prefix that names the program (none
# before the first install).
traces() {
    wineserver -w
    find "$WINEPREFIX/drive_c" -iname '*tolvaro*' | sort
    grep -i 'tolvaro' "$WINEPREFIX"/*.reg || true
}

echo "== Installed for all users"
wine "$setup" /S
installed="$programs/Tolvaro"
[ "$(ls "$installed" 2>/dev/null | sort | tr '\n' ' ')" = "tolvaro.exe uninstall.exe " ] ||
    fail "$installed holds '$(ls "$installed" 2>/dev/null | tr '\n' ' ')' instead of tolvaro.exe and uninstall.exe"
cmp -s "$exe" "$installed/tolvaro.exe" || fail "the installed tolvaro.exe is not the zip's"
[ -f "$all_start/Tolvaro.lnk" ] || fail "no Start-menu shortcut in $all_start"
winpath="$(reg_value "$key" InstallLocation)"
[ -n "$winpath" ] && [ "$(winepath -u "$winpath")" = "$installed" ] ||
    fail "the installed-programs entry gives '$winpath' as the installation folder"
for name in DisplayName DisplayVersion Publisher DisplayIcon UninstallString QuietUninstallString \
    EstimatedSize NoModify NoRepair; do
    [ -n "$(reg_value "$key" "$name")" ] || fail "the installed-programs entry has no $name"
done
[ "$(reg_value "$key" DisplayName)" = Tolvaro ] || fail "the installed-programs entry is not named Tolvaro"
installed_version="$(reg_value "$key" DisplayVersion)"

echo "== The installed program"
settings="$appdata/Tolvaro/TLV.INI"
check_settings "$installed/tolvaro.exe" "$settings"
[ ! -e "$installed/TLV.INI" ] || fail "the installed program wrote TLV.INI into $installed"

echo "== Uninstalled silently"
# As the installed-programs list runs it: its quiet command, which hands
# over to a copy of the uninstaller and returns; wineserver -w waits for it.
quiet="$(reg_value "$key" QuietUninstallString)"
eval "wine $(sed 's/\\/\\\\/g' <<<"$quiet")"
wineserver -w
[ ! -e "$installed" ] || fail "the uninstall left $installed: $(ls "$installed")"
[ ! -e "$all_start/Tolvaro.lnk" ] || fail "the uninstall left the Start-menu shortcut"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall left the installed-programs entry"
[ -f "$settings" ] || fail "the uninstall removed the user's settings"
rm -rf "$appdata/Tolvaro"
left="$(traces)"
[ -z "$left" ] || fail "the uninstall left traces of the program: $left"

echo "== Installed for the current user alone"
wine "$setup" /S /CurrentUser
user_installed="$localappdata/Programs/Tolvaro"
[ -f "$user_installed/tolvaro.exe" ] || fail "no tolvaro.exe in $user_installed"
[ -f "$user_start/Tolvaro.lnk" ] || fail "no Start-menu shortcut in $user_start"
[ "$(reg_value "$user_key" DisplayVersion)" = "$version" ] || fail "no installed-programs entry for the user"
! wine reg query "$key" >/dev/null 2>&1 || fail "the per-user install wrote an entry for all users"
quiet="$(reg_value "$user_key" QuietUninstallString)"
eval "wine $(sed 's/\\/\\\\/g' <<<"$quiet")"
left="$(traces)"
[ -z "$left" ] || fail "the per-user uninstall left traces of the program: $left"

echo "== The zip's program, from a scratch folder"
portable="$WINEPREFIX/drive_c/scratch/Tolvaro"
mkdir -p "$portable"
cp "$exe" "$portable/"
check_settings "$portable/tolvaro.exe" "$portable/TLV.INI"
[ ! -e "$appdata/Tolvaro" ] || fail "the zip's program wrote its settings into $appdata/Tolvaro"

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
