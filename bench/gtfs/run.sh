#!/usr/bin/env bash
# The import on a city-sized feed: generates a GTFS zip with 5 million
# stop_times rows (once, into build/release/gtfs_bench), then imports one line
# from it, from the zip and from the unpacked folder, and reports the wall
# time and the peak memory (GNU time). Fails when the import takes 10 s or
# more or peaks at 200 MB or more.
# Usage: bench/gtfs/run.sh [trips] [stops per trip]   (default 100000 50)
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

status=0
for source in "$feed.zip" "$feed"; do
    ini=$work/kvapomern.ini
    cp resources/kvapomern.ini "$ini"
    report=$work/time.txt
    /usr/bin/time -v -o "$report" build/release/kvapomer-import "$source" Hlavní 100 \
        --direction 0 --date 2026-12-10 --ini "$ini"
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0;
                        for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$report")
    rss_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$report")
    printf '%-6s wall %6.2f s, peak memory %6.1f MB\n' "$([ -d "$source" ] && echo folder || echo zip)" \
        "$wall" "$(awk -v k="$rss_kb" 'BEGIN { print k / 1024 }')"
    if awk -v w="$wall" -v k="$rss_kb" 'BEGIN { exit !(w >= 10 || k >= 200 * 1024) }'; then
        echo "over the target (10 s, 200 MB)"
        status=1
    fi
done
exit $status
