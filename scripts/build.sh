#!/usr/bin/env bash
# Configures and builds everything with MinGW-w64; leaves VLSetup.exe in the
# output folder.
#   --payload FILE.7z     embed this archive instead of the default payload
#   --collect-host HOST   host name the install report goes to
#   --out DIR             where the shipped (i686) VLSetup.exe is left (default build/out)
#   --build-dir DIR       CMake build tree of the tests (default build/<arch>)
# VL_TREE=name in the environment selects build/tree-name-<arch> and its own Wine prefix.
# Where the tests run the x86_64 build (see README), the i686 installer is built
# as well, so that a change that breaks the shipped build fails here too.
set -euo pipefail
. "$(dirname "$0")/env.sh"

payload="" host="collect.vellomar.com" out="$VL_SHIP_OUT" bdir=""
while [ $# -gt 0 ]; do
    case "$1" in
        --payload)      payload=$(realpath "$2"); shift 2 ;;
        --collect-host) host="$2"; shift 2 ;;
        --out)          out=$(realpath -m "$2"); shift 2 ;;
        --build-dir)    bdir=$(realpath -m "$2"); shift 2 ;;
        -h|--help)      sed -n '2,11p' "$0"; exit 0 ;;
        *) echo "build.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
[ -z "$payload" ] || [ -f "$payload" ] || { echo "build.sh: no such payload: $payload" >&2; exit 2; }
[ -n "$bdir" ] || bdir="$VL_BUILD_TREE"

# configure_and_build ARCH TREE OUT [TARGET...]
configure_and_build() {
    local arch=$1 tree=$2 outdir=$3; shift 3
    mkdir -p "$tree"
    cmake -S "$VL_ROOT" -B "$tree" -G Ninja \
          -DCMAKE_TOOLCHAIN_FILE="$VL_ROOT/cmake/toolchain-$arch-w64-mingw32.cmake" \
          -DVL_PAYLOAD="$payload" -DVL_COLLECT_HOST="$host" -DVL_OUT_DIR="$outdir" \
          -DVL_LZMA_DIR="$VL_LZMA_DIR" -DVL_SCREENSHOTS_DIR="$VL_SCREENSHOTS" >"$tree/configure.log" 2>&1 \
        || { tail -n 40 "$tree/configure.log" >&2; echo "build.sh: configuring the $arch build failed (log: $tree/configure.log)" >&2; exit 1; }
    if ! cmake --build "$tree" -- -j"$(nproc)" "$@" >"$tree/build.log" 2>&1; then
        grep -v '^\[' "$tree/build.log" | tail -n 60 >&2
        echo "build.sh: the $arch build failed (full log: $tree/build.log)" >&2
        exit 1
    fi
}

if [ "$VL_ARCH" = i686 ]; then
    configure_and_build i686 "$bdir" "$out"
    echo "build.sh: $out/VLSetup.exe" >&2
else
    configure_and_build x86_64 "$bdir" "$VL_OUT"
    echo "build.sh: $VL_OUT/VLSetup.exe (x86_64, for the tests under 64-bit Wine)" >&2
    configure_and_build i686 "$VL_SHIP_TREE" "$out" VLSetup
    echo "build.sh: $out/VLSetup.exe (i686, the shipped installer)" >&2
fi
