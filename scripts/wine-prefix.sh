#!/usr/bin/env bash
# Creates the dedicated Wine prefix of the current mode with Chinese font
# substitutes, so the wizard's Chinese texts render under Xvfb. A prefix is
# marked ready only once it has been read back; one left half-made by an
# earlier run is made again from nothing.
set -euo pipefail
. "$(dirname "$0")/env.sh"
stamp="$WINEPREFIX/.vlsetup-ready"
[ -f "$stamp" ] && exit 0

fail() { echo "setup: creating the Wine prefix failed: $*" >&2; exit 1; }
# Runs one step; on failure shows its output and names it.
step() {
    local what=$1 out; shift
    if ! out=$("$@" 2>&1); then
        [ -z "$out" ] || printf '%s\n' "$out" | tail -n 20 >&2
        fail "$what"
    fi
}
wine_() { LC_ALL=$VL_WINE_LOCALE "$VL_WINE" "$@"; }

if [ -e "$WINEPREFIX" ]; then
    echo "setup: $WINEPREFIX was left half-made; making it again" >&2
    wineserver -k >/dev/null 2>&1 || true   # a server of the old prefix may still run
    rm -rf "$WINEPREFIX"
fi
mkdir -p "$VL_BUILD"
echo "setup: creating Wine prefix $WINEPREFIX ($VL_MODE_TEXT)" >&2
step "wineboot ($VL_WINE wineboot -i)" wine_ wineboot -i
step "waiting for wineserver after wineboot" wineserver -w
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail "wineboot left no drive_c/windows/system32"

# Wine links the user's shell folders (Desktop, Documents, ...) to the Linux
# home folder, which every prefix shares; shortcuts written by tests must stay
# inside this prefix.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
done

faces=('MS Shell Dlg' 'MS Shell Dlg 2' 'MS Sans Serif' 'SimSun' 'SimHei'
       'Microsoft YaHei' 'Tahoma' '宋体' '黑体' '华文细黑' '微软雅黑' '新宋体')
substitutes='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
reg="$WINEPREFIX/drive_c/vlsetup-fonts.reg"
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    for key in "$substitutes" 'HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements'; do
        printf '[%s]\r\n' "$key"
        for face in "${faces[@]}"; do
            printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
        done
        printf '\r\n'
    done
    # No crash dialogs in unattended runs: a crashing test must just fail.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
} | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } > "$reg"
# A UTF-16 file keeps the Chinese face names whatever the prefix's code page.
step "importing the font substitutes (regedit)" wine_ regedit /S 'C:\vlsetup-fonts.reg'
step "waiting for wineserver after regedit" wineserver -w
rm -f "$reg"

# Read back: regedit /S reports nothing, so the values themselves are checked.
out=$(wine_ reg query "$substitutes" /v 'SimSun' 2>&1) || fail "reading the font substitutes back (reg query): $out"
grep -q 'WenQuanYi Micro Hei' <<<"$out" || fail "the font substitute for SimSun was not written: $out"
out=$(wine_ reg query 'HKEY_CURRENT_USER\Software\Wine\WineDbg' /v ShowCrashDialog 2>&1) \
    || fail "reading ShowCrashDialog back (reg query): $out"
touch "$stamp"
