#!/usr/bin/env bash
# Builds and runs the benchmarks: every bench/*.sh and bench/*.py, each
# printing its own figures. Benchmarks never run as part of scripts/test.sh.
#   scripts/bench.sh [name-filter]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh"
. "$ROOT/scripts/env.sh"
echo "bench.sh: $VL_MODE_TEXT ($VL_ARCH_WHY)"
. "$ROOT/scripts/xvfb.sh"
"$ROOT/scripts/build.sh" --collect-host 127.0.0.1
vl_start_display
export VL_BIN_DIR="$VL_BUILD_TREE" VL_OUT_DIR="$VL_OUT" VL_SOURCE_DIR="$ROOT" \
       PYTHONPATH="$ROOT/tests/e2e" PYTHONDONTWRITEBYTECODE=1
for b in "$ROOT"/bench/*.sh "$ROOT"/bench/*.py; do
    [ -e "$b" ] || continue
    case "$(basename "$b")" in *"${1:-}"*) ;; *) continue ;; esac
    echo "== $(basename "$b")"
    case "$b" in
        *.py) python3 "$b" ;;
        *)    bash "$b" ;;
    esac
done
