#!/usr/bin/env bash
# Message round-trip of the request manager's thread, idle and while 20
# requests wait on a slow server on 127.0.0.1 (run by scripts/bench.sh).
set -euo pipefail
"$VL_SOURCE_DIR/scripts/wine-run.sh" "$VL_BIN_DIR/bench/bench_net.exe"
