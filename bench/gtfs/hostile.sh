#!/usr/bin/env bash
# kvapomer-import against feeds made to hurt it, as the release build runs
# them: each case's exit code, its message and its peak memory (GNU time).
# The feeds are generated into build/release/gtfs_hostile (once; not kept in
# the repository): one CSV field of 1 GiB in a zip of a few MB, millions of
# stops, 260 000 stops of one name, millions of trips of one route or of trips
# calling at one stop, an archive naming 20 000 files, damaged compressed
# data, escapes and bidirectional controls in names, a line break in a
# headsign, a 100 000-character note, and a frequency of one second over 1000
# hours. Fails when a case peaks at 200 MB or more, runs 120 s or more, or
# prints more than one line of message.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/deps
install_deps

cmake --preset release >/dev/null
cmake --build --preset release --target kvapomer-import
import=$PWD/build/release/kvapomer-import
city=$PWD/tests/data/gtfs/city
work=$PWD/build/release/gtfs_hostile
mkdir -p "$work"
cd "$work"

# zip_with FEED NAME: the city feed as FEED.zip with NAME read from standard
# input instead of the city's file.
zip_with() {
    local feed=$1 name=$2
    rm -f "$feed.zip"
    zip -q -1 -X "$feed.zip" - # the entry is called "-" ...
    printf '@ -\n@=%s\n' "$name" | zipnote -w "$feed.zip" # ... until renamed
    (cd "$city" && zip -q -X "$work/$feed.zip" $(ls | grep -vx "$name"))
}

generate() {
    [ -f field.zip ] || { printf 'stop_id,stop_name\nSPO,'; head -c 1073741824 /dev/zero |
        tr '\0' x; echo; } | zip_with field stops.txt
    [ -f stops.zip ] || awk 'BEGIN { print "stop_id,stop_name,parent_station";
        for (i = 0; i < 3000000; i++) printf "S%d,Zastávka číslo %d,P%d\n", i, i, i % 1000 }' |
        zip_with stops stops.txt
    [ -f twins.zip ] || awk 'BEGIN { print "stop_id,stop_name"; n = sprintf("%080d", 0);
        for (i = 0; i < 260000; i++) printf "S%d,%s\n", i, n }' | zip_with twins stops.txt
    [ -f trips.zip ] || awk 'BEGIN { print "route_id,service_id,trip_id,trip_headsign,direction_id";
        for (i = 0; i < 5000000; i++) printf "L150,WD,X%d,Kačerov,1\n", i }' |
        zip_with trips trips.txt
    [ -f calls.zip ] || awk 'BEGIN { print "trip_id,arrival_time,departure_time,stop_id,stop_sequence";
        for (i = 0; i < 5000000; i++) printf "X%d,06:00:00,06:00:00,SPO,1\n", i }' |
        zip_with calls stop_times.txt
    [ -f frequencies.zip ] || awk 'BEGIN { print "trip_id,start_time,end_time,headway_secs";
        for (i = 0; i < 200; i++) print "T1,00:00:00,999:59:59,1" }' |
        zip_with frequencies frequencies.txt
    if [ ! -f crowded.zip ]; then
        rm -rf crowded && mkdir crowded && (cd crowded && seq 20000 | xargs touch)
        (cd "$city" && zip -q -X "$work/crowded.zip" *)
        (cd crowded && zip -q -X -r "$work/crowded.zip" .)
        rm -rf crowded
    fi
    sed 's/^SPO,"Spořilov, sídliště"/SPO,"Spořilov\x1b]0;TITLE\x07\x1b[2J\x1b[41m\xe2\x80\xae\xff"/' \
        "$city/stops.txt" | zip_with names stops.txt
    sed 's/^Kačerov,T/"Kačerov\r\nMetro\x1b[31m",T/' "$city/trips.txt" | zip_with headsigns trips.txt
    # Damaged: 32 bytes of stops.txt's compressed data overwritten.
    cp names.zip damaged.zip
    local at
    at=$(grep -obUa 'stops.txt' damaged.zip | head -n 1 | cut -d: -f1)
    head -c 32 /dev/zero | tr '\0' '\377' |
        dd of=damaged.zip bs=1 seek=$((at + 9 + 8)) conv=notrunc status=none
}
echo "Generating the feeds (once)..."
generate

status=0
run() {
    local name=$1
    shift
    cp "$OLDPWD/resources/kvapomern.ini" kvapomern.ini
    local before rc=0
    before=$(sha256sum kvapomern.ini)
    timeout 120 /usr/bin/time -v -o time.txt "$import" "$@" --ini kvapomern.ini \
        >out.txt 2>err.txt || rc=$?
    local kb lines file
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' time.txt 2>/dev/null || true)
    lines=$(wc -l <err.txt)
    file=$([ "$before" = "$(sha256sum kvapomern.ini)" ] && echo same || echo written)
    printf '%-22s exit %3s  peak %7.1f MB  file %-7s  %s\n' "$name" "$rc" \
        "$(awk -v k="${kb:-0}" 'BEGIN { print k / 1024 }')" "$file" "$(head -c 160 err.txt | head -n 1)"
    if [ "$rc" -eq 124 ] || [ -z "$kb" ] || [ "$kb" -ge $((200 * 1024)) ] || [ "$lines" -gt 1 ]; then
        echo "  over the target (200 MB, 120 s, one line)"
        status=1
    fi
}
run "1 GiB field" field.zip SPO 150
run "3 million stops" stops.zip SPO 150
run "260 000 of a name" twins.zip "$(printf '%080d' 0)" 150
run "5 million trips" trips.zip SPO 150
run "5 million calls" calls.zip --list-routes SPO
run "20 000 files" crowded.zip SPO 150
run "damaged data" damaged.zip SPO 150
run "escapes in a name" names.zip --list-stops spořilov
run "escapes, imported" names.zip SPO 150 --date 2026-12-12
run "line break" headsigns.zip ROZ 150 --direction 1 --date 2026-12-10
run "100 000-char note" names.zip SPO 150 --note "$(head -c 100000 /dev/zero | tr '\0' x)"
run "1 s frequency" frequencies.zip ROZ 150 --direction 1 --date 2026-12-10
exit $status
