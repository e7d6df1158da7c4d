#!/bin/bash
# Makes a Wine prefix that looks like the systems Tolvaro is made for: a
# Simplified Chinese locale (ANSI code page 936), the CJK font Debian ships
# standing in for the Chinese system fonts, and windows that hide at once
# without a window manager.
#
#   tools/windows/wineprefix.sh <prefix folder>
# Then run programs with the variables printed by `wineprefix.sh --env <prefix>`.
set -euo pipefail

if [ "${1:-}" = --env ]; then
    echo "WINEPREFIX=$2 WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8"
    exit 0
fi
prefix="$1"
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
wineboot -i >/dev/null 2>&1
for font in SimSun NSimSun 宋体 新宋体 "Microsoft YaHei" 微软雅黑 SimHei 黑体 Tahoma "MS Shell Dlg" \
    "MS Shell Dlg 2"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
        /d "Noto Sans CJK SC" /f >/dev/null 2>&1
done
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
