#!/usr/bin/env bash
# Configures and builds everything with MinGW-w64; leaves VLSetup.exe in the
# output folder.
#   --payload FILE.7z     embed this archive instead of the default payload
#   --collect-host HOST   host name the install report goes to
#   --out DIR             where VLSetup.exe is left (default build/out)
#   --build-dir DIR       CMake build tree (default build/<arch>)
#   --trap-ub             trap on undefined behaviour in our code (the test build)
# VL_TREE=name in the environment selects build/tree-name and its own Wine prefix.
set -euo pipefail
. "$(dirname "$0")/env.sh"

payload="" host="collect.vellomar.com" out="$VL_OUT" bdir="" trap_ub=OFF
while [ $# -gt 0 ]; do
    case "$1" in
        --payload)      payload=$(realpath "$2"); shift 2 ;;
        --collect-host) host="$2"; shift 2 ;;
        --out)          out=$(realpath -m "$2"); shift 2 ;;
        --build-dir)    bdir=$(realpath -m "$2"); shift 2 ;;
        --trap-ub)      trap_ub=ON; shift ;;
        -h|--help)      sed -n '2,10p' "$0"; exit 0 ;;
        *) echo "build.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
[ -z "$payload" ] || [ -f "$payload" ] || { echo "build.sh: no such payload: $payload" >&2; exit 2; }
[ -n "$bdir" ] || bdir="$VL_BUILD_TREE"

if [ "$VL_ARCH" != i686 ]; then
    echo "build.sh: WARNING: building for x86_64 (no 32-bit Wine here); the shipped installer is the i686 build" >&2
fi

cmake -S "$VL_ROOT" -B "$bdir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$VL_ROOT/cmake/toolchain-$VL_ARCH-w64-mingw32.cmake" \
      -DVL_PAYLOAD="$payload" -DVL_COLLECT_HOST="$host" -DVL_OUT_DIR="$out" \
      -DVL_LZMA_DIR="$VL_LZMA_DIR" -DVL_SCREENSHOTS_DIR="$VL_SCREENSHOTS" -DVL_TRAP_UB="$trap_ub" >/dev/null
if ! cmake --build "$bdir" -- -j"$(nproc)" >"$bdir/build.log" 2>&1; then
    grep -v '^\[' "$bdir/build.log" | tail -n 60 >&2
    echo "build.sh: build failed (full log: $bdir/build.log)" >&2
    exit 1
fi
echo "build.sh: $out/VLSetup.exe" >&2
