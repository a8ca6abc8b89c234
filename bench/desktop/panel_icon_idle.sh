#!/usr/bin/env bash
# Idle cost of the status icon: the release program with "Ikona na panelu"
# off and on, side by side on one private Xvfb display with openbox and one
# private session bus on which a StatusNotifierWatcher runs (the test's own,
# from the dev build), so that the icon is really registered and drawn. Each
# run: 5 s to settle, then CPU time of all threads (schedstat) and
# voluntary context switches over KVAPOMER_BENCH_SECONDS (default 60); the
# runs alternate off, on, off, on. Prints each run and the ratio on / off.
# (A thread that ends during a run takes its switches out of the count.)
#
#   bench/desktop/panel_icon_idle.sh [RELEASE_BUILD] [DEV_BUILD]
set -uo pipefail
root=$(realpath "$(dirname "$0")/../..")
release=$(realpath "${1:-$root/build/release}")
dev=$(realpath "${2:-$root/build/dev}")
seconds=${KVAPOMER_BENCH_SECONDS:-60}
[ -x "$release/kvapomer" ] && [ -x "$dev/kvapomer_status_watcher" ] ||
    { echo "build kvapomer (release) and kvapomer_status_watcher (dev) first"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kvapomer-panel-idle.XXXXXX")
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

source "$root/bench/desktop/private_display.sh"
start_private_display "$work"
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:dir=$work</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/>
<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
CONF
dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile --print-address=4 4>"$work/bus" \
    >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/bus" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/bus")
"$dev/kvapomer_status_watcher" >"$work/watcher.log" 2>/dev/null &
pids+=($!)
sleep 1

# The next departure hours away: the idle state.
later=$(date -d '+5 hours' +%H:%M)
[ "$later" \> "$(date +%H:%M)" ] || later=23:59
for state in off on; do
    mkdir -p "$work/$state"
    cp "$release/kvapomer" "$work/$state/"
    key=$([ $state = off ] && printf 'TrayIcon=0\r\n')
    printf '[Main]\r\nBus=150\r\nAlertON=OFF\r\nAlertWav=alarm.wav\r\nRedAlertMin=5\r\nBlinkAlert=30\r\nBlinkAlertM=1\r\n[Set]\r\nStav=0\r\n%s[150]\r\nDescription=(smer)\r\nt0=%s\r\nNumberOfTimes=1\r\n' \
        "$key" "$later" >"$work/$state/kvapomern.ini"
done

# Nanoseconds on the CPU, all threads (schedstat: finer than the clock ticks of stat).
cpu() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%d", s / 1000000}'; }
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {s += $2} END {print s}'; }
declare -A total_cpu total_sw
for state in off on off on; do
    "$work/$state/kvapomer" >/dev/null 2>&1 &
    pid=$!
    sleep 5
    c0=$(cpu $pid) s0=$(switches $pid)
    sleep "$seconds"
    c1=$(cpu $pid) s1=$(switches $pid)
    kill $pid; wait $pid 2>/dev/null
    ms=$(( c1 - c0 ))
    sw=$(( s1 - s0 ))
    total_cpu[$state]=$(( ${total_cpu[$state]:-0} + ms ))
    total_sw[$state]=$(( ${total_sw[$state]:-0} + sw ))
    echo "icon $state: CPU ${ms} ms over ${seconds} s, ${sw} voluntary context switches"
done
echo "icons registered with the watcher (one per run with the icon on): $(grep -c '^item' "$work/watcher.log")"
awk -v on="${total_cpu[on]}" -v off="${total_cpu[off]}" -v son="${total_sw[on]}" -v soff="${total_sw[off]}" \
    'BEGIN { printf "ratio on/off: CPU %.2f, context switches %.2f\n", (off ? on / off : 0), (soff ? son / soff : 0) }'
