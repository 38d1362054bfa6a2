#!/usr/bin/env bash
# Builds VLSetup.exe and starts it under Wine: on $DISPLAY when there is one,
# otherwise on a private Xvfb, saving a screenshot under build/screenshots/.
# This development build sends its install report to 127.0.0.1 only.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
"$ROOT/scripts/setup.sh"
. "$ROOT/scripts/env.sh"
echo "run.sh: $VL_MODE_TEXT ($VL_ARCH_WHY)"
"$ROOT/scripts/build.sh" --collect-host 127.0.0.1 --trap-ub
exe="$VL_OUT/VLSetup.exe"

if [ -n "${DISPLAY:-}" ]; then
    LC_ALL=$VL_WINE_LOCALE exec "$VL_WINE" "$exe"
fi

. "$ROOT/scripts/xvfb.sh"
vl_start_display
mkdir -p "$VL_SCREENSHOTS"
LC_ALL=$VL_WINE_LOCALE "$VL_WINE" "$exe" &
pid=$!
sleep "${VL_RUN_SECONDS:-6}"
shot="$VL_SCREENSHOTS/run.png"
import -window root "$shot"
echo "run.sh: no display: the installer ran on a private Xvfb; screenshot: $shot"
kill "$pid" 2>/dev/null || true
