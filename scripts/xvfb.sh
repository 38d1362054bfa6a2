# Sourced: starts a private Xvfb display and one persistent wineserver for the
# caller, and stops both when the caller exits.
vl_start_display() {
    local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    VL_XVFB_PID=$!
    read -r num <"$fifo"; rm -f "$fifo"
    export DISPLAY=":$num"
    # A warm wineserver saves the prefix start-up on every test program.
    LC_ALL=$VL_WINE_LOCALE wineserver -p
    LC_ALL=$VL_WINE_LOCALE "$VL_WINE" cmd /c exit >/dev/null 2>&1 || true
    trap vl_stop_display EXIT
}
vl_stop_display() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${VL_XVFB_PID:-}" ] && kill "$VL_XVFB_PID" 2>/dev/null || true
}
