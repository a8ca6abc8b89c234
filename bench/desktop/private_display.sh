# Sourced by the desktop benchmarks: a private Xvfb display with openbox.
# start_private_display WORK starts both (their pids added to the caller's
# `pids`, which its cleanup ends), and exports DISPLAY.
start_private_display() {
    local work=$1 display=
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        display=$(tr -dc 0-9 <"$work/display")
        [ -n "$display" ] && break
        sleep 0.1
    done
    export DISPLAY=:$display
    unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION
    openbox >/dev/null 2>&1 &
    pids+=($!)
}
