# Shared settings for the project's scripts; sourced, never run.
VL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VL_BUILD="$VL_ROOT/build"
VL_CACHE="$VL_ROOT/.cache"
VL_LZMA_DIR="$VL_CACHE/lzma-sdk"
VL_SCREENSHOTS="$VL_BUILD/screenshots"

# The Wine loaders. Debian's /usr/bin/wine always starts the 32-bit loader once
# wine32 is installed, so 64-bit Wine is started directly, with WINELOADER
# pointing at it for the processes it starts in turn.
VL_WINE32=/usr/lib/wine/wine
VL_WINE64=/usr/lib/wine/wine64
# Where scripts/setup.sh records the mode this machine runs in, so that the
# tests read it instead of probing again.
VL_MODE_FILE="$VL_BUILD/wine-mode"

# Prints "i686" when 32-bit Windows programs run here, else "x86_64" and why.
# Decided by running the 32-bit loader: an installed wine32 proves nothing on a
# kernel that cannot execute i386 code.
vl_probe_arch() {
    local err
    if [ ! -x "$VL_WINE32" ]; then
        printf 'x86_64\t32-bit Wine is not installed\n'
    elif err=$("$VL_WINE32" --version 2>&1 >/dev/null); then
        printf 'i686\t32-bit Wine runs here\n'
    else
        printf 'x86_64\tthis machine cannot execute i386 code (%s)\n' "$(echo "$err" | head -n1)"
    fi
}

# VL_ARCH in the environment forces a mode; otherwise the recorded one is used,
# and without a record the machine is probed.
if [ -n "${VL_ARCH:-}" ]; then
    # A script started by another keeps its caller's reason.
    VL_ARCH_WHY=${VL_ARCH_WHY:-"forced by VL_ARCH=$VL_ARCH"}
else
    if [ -f "$VL_MODE_FILE" ]; then
        IFS=$'\t' read -r VL_ARCH VL_ARCH_WHY <"$VL_MODE_FILE"
    else
        IFS=$'\t' read -r VL_ARCH VL_ARCH_WHY < <(vl_probe_arch)
    fi
fi
case "$VL_ARCH" in
    i686)
        export WINEARCH=win32
        VL_WINE=$VL_WINE32
        VL_MODE_TEXT="i686 under 32-bit Wine"
        unset WINELOADER ;;
    x86_64)
        export WINEARCH=win64
        VL_WINE=$VL_WINE64
        export WINELOADER=$VL_WINE64
        VL_MODE_TEXT="x86_64 under 64-bit Wine" ;;
    *)
        echo "env.sh: VL_ARCH must be i686 or x86_64, not '$VL_ARCH'" >&2
        return 1 2>/dev/null || exit 1 ;;
esac
# Windows programs see a Simplified Chinese system (code page 936); the
# scripts' own tools keep the caller's locale.
VL_WINE_LOCALE=zh_CN.UTF-8
# VL_TREE names a separate set of build trees and a Wine prefix, so that several
# developers (or checkouts' runs) on one machine stay out of each other's way.
# The shipped installer is the i686 build (VL_SHIP_*); an x86_64 tree serves the
# tests of a machine that cannot run it and keeps its installer inside the tree.
if [ -n "${VL_TREE:-}" ]; then
    vl_tree_base="$VL_BUILD/tree-$VL_TREE-"
    export WINEPREFIX="$VL_BUILD/wineprefix-$VL_ARCH-$VL_TREE"
    VL_SCREENSHOTS="$VL_BUILD/tree-$VL_TREE-screenshots"
    VL_SHIP_OUT="${vl_tree_base}i686/out"
else
    vl_tree_base="$VL_BUILD/"
    export WINEPREFIX="$VL_BUILD/wineprefix-$VL_ARCH"
    VL_SHIP_OUT="$VL_BUILD/out"
fi
VL_BUILD_TREE="$vl_tree_base$VL_ARCH"
VL_SHIP_TREE="${vl_tree_base}i686"
if [ "$VL_ARCH" = i686 ]; then
    VL_OUT=$VL_SHIP_OUT
else
    VL_OUT="$VL_BUILD_TREE/out"
fi
unset vl_tree_base
export WINEDEBUG=${WINEDEBUG:--all}
# No Gecko/Mono prompts, and no copies of test shortcuts into the Linux menus.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml,winemenubuilder.exe="}
export VL_ROOT VL_BUILD VL_CACHE VL_LZMA_DIR VL_SCREENSHOTS VL_ARCH VL_ARCH_WHY VL_MODE_TEXT \
       VL_WINE VL_WINE_LOCALE VL_TREE VL_BUILD_TREE VL_OUT VL_SHIP_TREE VL_SHIP_OUT
