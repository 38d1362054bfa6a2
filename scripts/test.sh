#!/usr/bin/env bash
# Sets up when needed, builds, and runs every test: unit and integration tests
# under Wine through CTest, GUI tests on a private Xvfb display.
# Extra arguments go to ctest (for example -R engine or -L gui).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh"
. "$ROOT/scripts/env.sh"
echo "test.sh: $VL_MODE_TEXT ($VL_ARCH_WHY)"
. "$ROOT/scripts/xvfb.sh"

# Test builds report to this machine only.
"$ROOT/scripts/build.sh" --collect-host 127.0.0.1 --trap-ub
mkdir -p "$VL_SCREENSHOTS"
vl_start_display
cd "$VL_BUILD_TREE"
ctest --output-on-failure --timeout 600 -j2 "$@"
