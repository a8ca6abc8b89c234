# Writes a city-sized GTFS feed into the folder `out`: 200 routes, 2000 stops
# (one station with two platforms among them), `trips` trips of `calls`
# stops each, so trips * calls stop_times rows; weekday and weekend services,
# a removed holiday, trips past midnight and a few frequency-based trips.
# Usage: awk -v out=DIR -v trips=100000 -v calls=50 -f generate_feed.awk
function time_text(s) {
    return sprintf("%02d:%02d:%02d", int(s / 3600), int(s / 60) % 60, s % 60)
}
BEGIN {
    routes = 200; stops = 2000
    f = out "/agency.txt"
    print "agency_id,agency_name,agency_url,agency_timezone" > f
    print "A,Městská doprava,https://example.org,Europe/Prague" > f
    f = out "/stops.txt"
    print "stop_id,stop_name,stop_lat,stop_lon,location_type,parent_station,wheelchair_boarding" > f
    print "HL,Hlavní,50.08,14.43,1,,1" > f
    for (s = 0; s < stops; s++) {
        parent = s < 2 ? "HL" : ""
        name = s < 2 ? "Hlavní" : "\"Zastávka " s ", sever\""
        printf "S%d,%s,%.5f,%.5f,0,%s,1\n", s, name, 50 + s / 10000, 14 + s / 10000, parent > f
    }
    f = out "/routes.txt"
    print "route_id,agency_id,route_short_name,route_long_name,route_type" > f
    for (r = 0; r < routes; r++) {
        printf "R%d,A,%d,Linka %d,3\n", r, 100 + r, 100 + r > f
    }
    f = out "/calendar.txt"
    print "service_id,monday,tuesday,wednesday,thursday,friday,saturday,sunday,start_date,end_date" > f
    print "WD,1,1,1,1,1,0,0,20260101,20271231" > f
    print "WE,0,0,0,0,0,1,1,20260101,20271231" > f
    f = out "/calendar_dates.txt"
    print "service_id,date,exception_type" > f
    print "WD,20261224,2" > f
    print "WE,20261224,1" > f
    trips_file = out "/trips.txt"
    times_file = out "/stop_times.txt"
    freq_file = out "/frequencies.txt"
    print "route_id,service_id,trip_id,trip_headsign,direction_id,shape_id" > trips_file
    print "trip_id,arrival_time,departure_time,stop_id,stop_sequence,pickup_type,drop_off_type,shape_dist_traveled" > times_file
    print "trip_id,start_time,end_time,headway_secs" > freq_file
    per_route = int(trips / routes)
    for (t = 0; t < trips; t++) {
        r = t % routes
        j = int(t / routes)
        direction = j % 2
        service = (j % 4 < 3) ? "WD" : "WE"
        # route r runs along stops r*7 ... r*7+calls-1; stop S0 (platform of
        # the station) is on every tenth route
        first = (r % 10 == 0) ? 0 : (r * 7) % stops
        last = (first + calls - 1) % stops
        headsign = direction ? "Zastávka " first ", sever" : "Zastávka " last ", sever"
        printf "R%d,%s,T%d,\"%s\",%d,SH%d\n", r, service, t, headsign, direction, r > trips_file
        start = 4 * 3600 + int(j * (21 * 3600) / per_route) # the last ones run past midnight
        for (k = 0; k < calls; k++) {
            stop = direction ? (first + calls - 1 - k) % stops : (first + k) % stops
            s = time_text(start + k * 90)
            printf "T%d,%s,%s,S%d,%d,0,0,%.1f\n", t, s, s, stop, k + 1, k * 412.5 > times_file
        }
        if (j == 0) {
            printf "T%d,%s,%s,600\n", t, time_text(start), time_text(start + 3600) > freq_file
        }
    }
}
