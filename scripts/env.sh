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
# VL_TREE names a separate build tree and Wine prefix, so that several
# developers (or checkouts' runs) on one machine stay out of each other's way.
if [ -n "${VL_TREE:-}" ]; then
    VL_BUILD_TREE="$VL_BUILD/tree-$VL_TREE"
    export WINEPREFIX="$VL_BUILD/wineprefix-$VL_ARCH-$VL_TREE"
    VL_OUT="$VL_BUILD_TREE/out"
    VL_SCREENSHOTS="$VL_BUILD_TREE/screenshots"
else
    VL_BUILD_TREE="$VL_BUILD/$VL_ARCH"
    export WINEPREFIX="$VL_BUILD/wineprefix-$VL_ARCH"
    VL_OUT="$VL_BUILD/out"
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Gecko/Mono prompts, and no copies of test shortcuts into the Linux menus.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml,winemenubuilder.exe="}
export VL_ROOT VL_BUILD VL_CACHE VL_LZMA_DIR VL_SCREENSHOTS VL_ARCH VL_WINE VL_WINE_LOCALE VL_TREE VL_BUILD_TREE VL_OUT
