#!/usr/bin/env bash
# Runs a Windows program in the project's Wine prefix (CTest's emulator).
. "$(dirname "$0")/env.sh"
LC_ALL=$VL_WINE_LOCALE exec "$VL_WINE" "$@"
