#!/usr/bin/env bash
# Idle cost of live departures: the release program with the same dated line,
# once without and once with a live address, side by side on one private Xvfb
# display with openbox. The address is a feed server on 127.0.0.1
# (live_feed_server.py) that stamps every answer with the present time, so
# the data stays live and the child polls every 30 s. Each run: 5 s to
# settle, then CPU time of all threads (schedstat) and voluntary context
# switches over KVAPOMER_BENCH_SECONDS (default 60), of the window's process
# and, with the address, of its kvapomer-live child apart; the runs alternate
# off, on, off, on. Prints each run and the ratios on / off.
#
#   bench/desktop/live_idle.sh [RELEASE_BUILD]
set -uo pipefail
here=$(realpath "$(dirname "$0")")
release=$(realpath "${1:-$here/../../build/release}")
seconds=${KVAPOMER_BENCH_SECONDS:-60}
for program in kvapomer kvapomer-import kvapomer-live; do
    [ -x "$release/$program" ] || { echo "build $program (release) first"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kvapomer-live-idle.XXXXXX")
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A line with a departure every half hour, all day, every day.
mkdir "$work/feed"
cd "$work/feed" || exit 1
printf 'agency_id,agency_name,agency_url,agency_timezone\nA,Dopravce,http://127.0.0.1/,Europe/Prague\n' >agency.txt
printf 'stop_id,stop_name,stop_lat,stop_lon\nS1,Výchozí,50.0,14.4\nS2,Konečná,50.1,14.5\n' >stops.txt
printf 'route_id,agency_id,route_short_name,route_type\nR1,A,150,3\n' >routes.txt
printf 'service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,start_date,end_date\nD,1,1,1,1,1,1,1,20200101,20991231\n' >calendar.txt
echo 'route_id,service_id,trip_id,trip_headsign,direction_id' >trips.txt
echo 'trip_id,arrival_time,departure_time,stop_id,stop_sequence' >stop_times.txt
for i in $(seq 0 47); do
    m=$((i * 30 + 10))
    printf 'R1,D,T%d,Konečná,0\n' "$i" >>trips.txt
    printf 'T%d,%02d:%02d:00,%02d:%02d:00,S1,1\n' "$i" $((m / 60)) $((m % 60)) $((m / 60)) $((m % 60)) >>stop_times.txt
    printf 'T%d,%02d:%02d:00,%02d:%02d:00,S2,2\n' "$i" $(((m + 9) / 60)) $(((m + 9) % 60)) \
        $(((m + 9) / 60)) $(((m + 9) % 60)) >>stop_times.txt
done
cd - >/dev/null || exit 1

python3 "$here/live_feed_server.py" "$work/port" 48 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/rt"

for state in off on; do
    mkdir -p "$work/$state"
    cp "$release/kvapomer" "$release/kvapomer-live" "$work/$state/"
    printf '[Main]\r\nBus=150\r\nAlertON=OFF\r\nAlertWav=alarm.wav\r\nRedAlertMin=5\r\nBlinkAlert=30\r\nBlinkAlertM=1\r\n[Set]\r\nStav=0\r\n' \
        >"$work/$state/kvapomern.ini"
    live=()
    [ $state = on ] && live=(--live "$url")
    "$release/kvapomer-import" "$work/feed" S1 R1 --ini "$work/$state/kvapomern.ini" --activate \
        "${live[@]}" >/dev/null 2>&1 || { echo "the import failed"; exit 1; }
done

source "$here/private_display.sh"
start_private_display "$work"
sleep 1

# Milliseconds on the CPU of all threads of the given processes (schedstat).
cpu() { for p in "$@"; do cat /proc/"$p"/task/*/schedstat 2>/dev/null; done | awk '{s += $1} END {printf "%d", s / 1000000}'; }
switches() { for p in "$@"; do cat /proc/"$p"/task/*/status 2>/dev/null; done | awk '/^voluntary_ctxt_switches/ {s += $2} END {print s + 0}'; }
declare -A total_cpu total_sw
child_cpu=0 child_sw=0
for state in off on off on; do
    "$work/$state/kvapomer" >/dev/null 2>&1 &
    pid=$!
    sleep 5
    child=$(pgrep -P "$pid" -x kvapomer-live)
    if [ $state = on ] && [ -z "$child" ]; then echo "no kvapomer-live child"; kill $pid; exit 1; fi
    c0=$(cpu $pid) s0=$(switches $pid)
    k0=$(cpu $child) j0=$(switches $child)
    sleep "$seconds"
    c1=$(cpu $pid) s1=$(switches $pid)
    k1=$(cpu $child) j1=$(switches $child)
    rss=$([ -n "$child" ] && awk '/^VmHWM/ {print $2}' /proc/"$child"/status)
    kill $pid; wait $pid 2>/dev/null
    ms=$((c1 - c0)) sw=$((s1 - s0))
    total_cpu[$state]=$((${total_cpu[$state]:-0} + ms))
    total_sw[$state]=$((${total_sw[$state]:-0} + sw))
    if [ $state = on ]; then
        child_cpu=$((child_cpu + k1 - k0)) child_sw=$((child_sw + j1 - j0))
        echo "live $state: window CPU ${ms} ms, ${sw} switches; child CPU $((k1 - k0)) ms, $((j1 - j0)) switches, peak ${rss} kB"
    else
        echo "live $state: window CPU ${ms} ms, ${sw} switches over ${seconds} s"
    fi
done
awk -v on="${total_cpu[on]}" -v off="${total_cpu[off]}" -v son="${total_sw[on]}" -v soff="${total_sw[off]}" \
    -v kc="$child_cpu" -v ks="$child_sw" \
    'BEGIN { printf "ratio on/off, the window: CPU %.2f, context switches %.2f (goal ≤ 1.1)\n", (off ? on / off : 0), (soff ? son / soff : 0);
             printf "ratio on/off, window and child: CPU %.2f, context switches %.2f\n", (off ? (on + kc) / off : 0), (soff ? (son + ks) / soff : 0) }'
