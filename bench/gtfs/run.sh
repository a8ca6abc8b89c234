#!/usr/bin/env bash
# The import on a city-sized feed: generates a GTFS zip with 5 million
# stop_times rows (once, into build/release/gtfs_bench), then imports one line
# from it, from the zip and from the unpacked folder, both for one date
# (--date) and for every date of the feed (without --date: the departures of
# each date from today to the feed's end are worked out, today's written),
# and reports the wall time, the processor time and the peak memory (GNU
# time). Fails when an import takes 10 s or more per 5 million rows or peaks
# at 200 MB or more, or when the import of every date takes more than twice
# the processor time of the one-date import (processor time, as the wall
# time of a shared machine varies with its load). Then a line to a
# destination (--to) that three routes reach, from every route of the feed:
# it fails when it takes more than 1.3 times the processor time of the
# one-route import of every date.
# The generated calendar runs from 2026 to 2027: run it on a date in there.
# Usage: bench/gtfs/run.sh [trips] [stops per trip]   (default 100000 50;
#        300000 50 is a national feed of 15 million rows)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/deps
install_deps "${KVAPOMER_BENCH_PACKAGES[@]}"

trips=${1:-100000}
calls=${2:-50}
cmake --preset release >/dev/null
cmake --build --preset release --target kvapomer-import

work=build/release/gtfs_bench
feed=$work/feed_${trips}x${calls}
if [ ! -f "$feed.zip" ]; then
    echo "Generating $((trips * calls)) stop_times rows..."
    rm -rf "$feed" && mkdir -p "$feed"
    awk -v out="$feed" -v trips="$trips" -v calls="$calls" -f bench/gtfs/generate_feed.awk
    (cd "$feed" && zip -q -1 -r "../$(basename "$feed").zip" .)
fi
printf 'stop_times.txt: %s rows, %s MB unpacked, zip %s MB\n' \
    "$(($(wc -l <"$feed/stop_times.txt") - 1))" \
    "$(($(stat -c %s "$feed/stop_times.txt") / 1000000))" \
    "$(($(stat -c %s "$feed.zip") / 1000000))"

seconds=$(( (trips * calls + 4999999) / 5000000 * 10 ))
# Routes 112, 113 and 114 run from stop 100 to the stop this far along it
# (generate_feed.awk: route r runs along the stops from r * 7 on).
from="Zastávka 100, sever"
to="Zastávka $((100 + calls * 3 / 5)), sever"
status=0
for source in "$feed.zip" "$feed"; do
    kind=$([ -d "$source" ] && echo folder || echo zip)
    one_date_cpu=
    every_date_cpu=
    for mode in "one date" "every date" "to"; do
        args=("$source" Hlavní 100 --direction 0)
        [ "$mode" = "one date" ] && args+=(--date 2026-12-10)
        [ "$mode" = "to" ] && args=("$source" "$from" --to "$to")
        ini=$work/kvapomern.ini
        cp resources/kvapomern.ini "$ini"
        report=$work/time.txt
        /usr/bin/time -v -o "$report" build/release/kvapomer-import "${args[@]}" --ini "$ini"
        wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0;
                            for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$report")
        cpu=$(awk -F': ' '/(User|System) time/ { s += $2 } END { print s }' "$report")
        rss_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$report")
        printf '%-6s %-10s wall %6.2f s, processor %6.2f s, peak memory %6.1f MB\n' "$kind" \
            "$mode" "$wall" "$cpu" "$(awk -v k="$rss_kb" 'BEGIN { print k / 1024 }')"
        if awk -v w="$wall" -v k="$rss_kb" -v s="$seconds" \
            'BEGIN { exit !(w >= s || k >= 200 * 1024) }'; then
            echo "over the target ($seconds s, 200 MB)"
            status=1
        fi
        ratio=
        case $mode in
        "one date") one_date_cpu=$cpu ;;
        "every date")
            every_date_cpu=$cpu
            ratio=$(awk -v c="$cpu" -v o="$one_date_cpu" 'BEGIN { print c / o }')
            printf '%-6s every date / one date: processor %.2f times\n' "$kind" "$ratio"
            if awk -v r="$ratio" 'BEGIN { exit !(r > 2) }'; then
                echo "every date takes more than twice one date"
                status=1
            fi
            ;;
        "to")
            ratio=$(awk -v c="$cpu" -v o="$every_date_cpu" 'BEGIN { print c / o }')
            printf '%-6s to / every date: processor %.2f times\n' "$kind" "$ratio"
            if awk -v r="$ratio" 'BEGIN { exit !(r > 1.3) }'; then
                echo "the line to a destination takes more than 1.3 times the one-route import"
                status=1
            fi
            ;;
        esac
    done
done
exit $status
