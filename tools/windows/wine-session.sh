# Sourced by the scripts that run Windows programs under Wine on a virtual
# display: makes a scratch folder ($work), a virtual X server and, in the
# scratch folder, a Wine prefix that looks like the systems Tolvaro is made
# for: a Simplified Chinese locale (ANSI code page 936), the CJK font Debian
# ships standing in for the Chinese system fonts, and windows that hide at
# once without a window manager. Exports what Wine needs and removes it all
# when the script ends.
work="$(mktemp -d)"
display=":$((100 + RANDOM % 200))"
wine_session_end() {
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    kill "${xvfb:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap wine_session_end EXIT

Xvfb "$display" -screen 0 1024x768x24 -br -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 DISPLAY="$display"
wineboot -i >/dev/null 2>&1
for font in SimSun NSimSun 宋体 新宋体 "Microsoft YaHei" 微软雅黑 SimHei 黑体 Tahoma "MS Shell Dlg" \
    "MS Shell Dlg 2"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
        /d "Noto Sans CJK SC" /f >/dev/null 2>&1
done
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
