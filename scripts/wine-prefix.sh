#!/usr/bin/env bash
# Creates the dedicated Wine prefix (32-bit where possible) with Chinese font
# substitutes, so the wizard's Chinese texts render under Xvfb.
set -euo pipefail
. "$(dirname "$0")/env.sh"
stamp="$WINEPREFIX/.vlsetup-ready"
[ -f "$stamp" ] && exit 0

if [ "$VL_ARCH" != i686 ]; then
    echo "setup: WARNING: 32-bit Wine is missing; using a 64-bit prefix and an x86_64 build" >&2
fi
mkdir -p "$VL_BUILD"
echo "setup: creating Wine prefix $WINEPREFIX" >&2
LC_ALL=$VL_WINE_LOCALE "$VL_WINE" wineboot -i >/dev/null 2>&1 || true
wineserver -w || true

# Wine links the user's shell folders (Desktop, Documents, ...) to the Linux
# home folder, which every prefix shares; shortcuts written by tests must stay
# inside this prefix.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
done

reg="$WINEPREFIX/drive_c/vlsetup-fonts.reg"
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    for key in 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
               'HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements'; do
        printf '[%s]\r\n' "$key"
        for face in 'MS Shell Dlg' 'MS Shell Dlg 2' 'MS Sans Serif' 'SimSun' 'SimHei' \
                    'Microsoft YaHei' 'Tahoma' '宋体' '黑体' '华文细黑' '微软雅黑' '新宋体'; do
            printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
        done
        printf '\r\n'
    done
    # No crash dialogs in unattended runs: a crashing test must just fail.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
} | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } > "$reg"
# A UTF-16 file keeps the Chinese face names whatever the prefix's code page.
LC_ALL=$VL_WINE_LOCALE "$VL_WINE" regedit /S 'C:\vlsetup-fonts.reg' >/dev/null 2>&1 || true
wineserver -w || true
rm -f "$reg"
touch "$stamp"
