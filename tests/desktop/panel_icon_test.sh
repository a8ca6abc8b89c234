#!/usr/bin/env bash
# Runs test_panel_desktop from the build folder given as $1 on a private Xvfb
# display with openbox, each case with a session bus of its own (no service
# files: only what the test starts answers): once with a StatusNotifierWatcher
# on the bus, once with none. Exits 77 (skipped) when a tool is missing.
set -uo pipefail

build=$(realpath "${1:?usage: panel_icon_test.sh BUILD_DIR}")
for tool in Xvfb openbox dbus-run-session dbus-daemon; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/deps installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kvapomer-panel.XXXXXX")
xvfb_pid= wm_pid=
cleanup() {
    local pid
    for pid in $wm_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=
for _ in $(seq 100); do
    display=$(tr -dc 0-9 <"$work/display")
    [ -n "$display" ] && break
    sleep 0.1
done
[ -n "$display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
DISPLAY=:$display openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1

cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:dir=$work</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/>
<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
CONF

status=0
for filter in PanelDesktopTest.WithAWatcher* PanelDesktopTest.NoPanel*; do
    env -u WAYLAND_DISPLAY -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION QT_QPA_PLATFORM=xcb \
        DISPLAY=":$display" KVAPOMER_STATUS_WATCHER="$build/kvapomer_status_watcher" \
        dbus-run-session --config-file="$work/bus.conf" -- \
        "$build/test_panel_desktop" --gtest_filter="$filter" || status=1
done
exit $status
