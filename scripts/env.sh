# Shared settings for the project's scripts; sourced, never run.
VL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VL_BUILD="$VL_ROOT/build"
VL_CACHE="$VL_ROOT/.cache"
VL_LZMA_DIR="$VL_CACHE/lzma-sdk"
VL_SCREENSHOTS="$VL_BUILD/screenshots"

# 32-bit Wine is the target; without it everything builds and runs as x86_64
# under wine64 (see README).
if [ -z "${VL_ARCH:-}" ]; then
    if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
        VL_ARCH=i686
    else
        VL_ARCH=x86_64
    fi
fi
if [ "$VL_ARCH" = i686 ]; then
    export WINEARCH=win32
    VL_WINE=wine
else
    export WINEARCH=win64
    VL_WINE=wine64
    command -v wine64 >/dev/null 2>&1 || VL_WINE=wine
fi
# Windows programs see a Simplified Chinese system (code page 936); the
# scripts' own tools keep the caller's locale.
VL_WINE_LOCALE=zh_CN.UTF-8
export WINEPREFIX="$VL_BUILD/wineprefix-$VL_ARCH"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export VL_ROOT VL_BUILD VL_CACHE VL_LZMA_DIR VL_SCREENSHOTS VL_ARCH VL_WINE VL_WINE_LOCALE
