#include "gtfs_import/import_command.h"

#include "gtfs_import/feed.h"
#include "gtfs_import/feed_error.h"
#include "gtfs_import/line_import.h"
#include "gtfs_import/stop_lines.h"
#include "gtfs_import/stop_search.h"

#include <QString>
#include <QStringList>

#include <charconv>
#include <optional>

namespace kvapomer::gtfs {

namespace {

const char* const kHelp =
    "Použití:\n"
    "  kvapomer-import FEED STOP ROUTE [--direction SMĚR] [--date RRRR-MM-DD]\n"
    "                  [--line ČÍSLO] [--note TEXT] [--activate] [--ini SOUBOR]\n"
    "  kvapomer-import FEED --list-stops TEXT\n"
    "  kvapomer-import FEED --list-routes STOP\n"
    "  kvapomer-import FEED --list-directions STOP ROUTE\n"
    "\n"
    "Naplní jízdní řád jedné linky v kvapomern.ini odjezdy z jízdního řádu GTFS\n"
    "(zip nebo rozbalená složka) pro jednu zastávku, linku, směr a den.\n"
    "\n"
    "  FEED               jízdní řád GTFS: soubor .zip nebo složka se soubory .txt\n"
    "  STOP               id zastávky nebo její název (název stanice zahrnuje\n"
    "                     všechna její nástupiště); velikost písmen nerozhoduje;\n"
    "                     má-li název více zastávek, platí ta, ze které linka\n"
    "                     (daným směrem) odjíždí\n"
    "  ROUTE              id linky nebo její číslo (route_short_name)\n"
    "  --direction SMĚR   cílová zastávka (trip_headsign) nebo direction_id;\n"
    "                     nutné, jede-li linka ze zastávky více směry\n"
    "  --date RRRR-MM-DD  den, jehož odjezdy se zapíší (výchozí: dnes); odjezdy po\n"
    "                     půlnoci patří do téhož seznamu (25:10 je 01:10)\n"
    "  --line ČÍSLO       číslo linky v kvapomern.ini (výchozí: číslo linky)\n"
    "  --note TEXT        poznámka k lince (výchozí: \"(směr \" + cíl + \")\")\n"
    "  --activate         nastaví linku jako aktivní (Main/Bus)\n"
    "  --ini SOUBOR       konfigurační soubor (výchozí: kvapomern.ini vedle programu)\n"
    "  --list-stops TEXT  vypíše zastávky, jejichž název obsahuje TEXT (velikost\n"
    "                     písmen ani diakritika nerozhoduje), stanice s nástupišti\n"
    "  --list-routes STOP vypíše linky, které zastávkou projíždějí\n"
    "  --list-directions STOP ROUTE  vypíše směry linky ze zastávky\n"
    "  --help             tato nápověda\n"
    "\n"
    "Běžící Kvapoměr načte nové časy při příštím načtení souboru.\n"
    "\n"
    "Návratové kódy:\n"
    "  0  hotovo\n"
    "  2  chybné argumenty\n"
    "  3  jízdní řád chybí, je poškozený nebo nemá správný tvar\n"
    "  4  zastávka, linka nebo směr neexistuje\n"
    "  5  název odpovídá více zastávkám, linkám nebo směrům (jsou vypsány,\n"
    "     zastávky s linkami a směry, které z nich odjíždějí)\n"
    "  6  v zadaný den odtud linka nejede\n"
    "  7  konfigurační soubor linku neuloží (číslo linky, poznámka, počet časů)\n"
    "  8  konfigurační soubor neexistuje nebo jej nelze zapsat\n";

struct Options {
    bool help = false;
    std::vector<std::string> positional;
    std::string listMode; // "--list-stops", "--list-routes", "--list-directions"
    std::vector<std::string> listArgs;
    std::optional<std::string> direction, date, line, note, ini;
    bool activate = false;
};

struct UsageError {
    std::string message;
};

Options parse(const std::vector<std::string>& args) {
    Options o;
    const auto value = [&](std::size_t& i) -> std::string {
        if (i + 1 >= args.size()) {
            throw UsageError{"Volbě " + args[i] + " chybí hodnota."};
        }
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--list-stops" || a == "--list-routes" || a == "--list-directions") {
            if (!o.listMode.empty()) {
                throw UsageError{"Zadejte jen jednu z voleb --list-*."};
            }
            o.listMode = a;
            o.listArgs.push_back(value(i));
            if (a == "--list-directions") {
                o.listArgs.push_back(value(i));
            }
        } else if (a == "--direction") {
            o.direction = value(i);
        } else if (a == "--date") {
            o.date = value(i);
        } else if (a == "--line") {
            o.line = value(i);
        } else if (a == "--note") {
            o.note = value(i);
        } else if (a == "--ini") {
            o.ini = value(i);
        } else if (a == "--activate") {
            o.activate = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"Neznámá volba " + a + " (viz --help)."};
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

std::chrono::year_month_day parseDate(const std::string& text) {
    unsigned year = 0, month = 0, day = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    const auto part = [&](unsigned& v, std::size_t digits, bool last) {
        const auto r = std::from_chars(p, end, v);
        const bool ok = r.ec == std::errc() && static_cast<std::size_t>(r.ptr - p) == digits &&
                        (last ? r.ptr == end : r.ptr != end && *r.ptr == '-');
        p = r.ptr + (last ? 0 : 1);
        return ok;
    };
    if (part(year, 4, false) && part(month, 2, false) && part(day, 2, true)) {
        const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(year)),
                                               std::chrono::month(month), std::chrono::day(day)};
        if (date.ok()) {
            return date;
        }
    }
    throw UsageError{"Neplatné datum „" + text + "“; zadejte je jako RRRR-MM-DD."};
}

int exitStatus(Problem problem) {
    switch (problem) {
    case Problem::BadFeed:
        return kExitBadFeed;
    case Problem::NotFound:
        return kExitNotFound;
    case Problem::Ambiguous:
        return kExitAmbiguous;
    case Problem::NoDepartures:
        return kExitNoDepartures;
    }
    return kExitBadFeed;
}

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

int list(const Feed& feed, const Options& o, std::ostream& out, std::ostream& err) {
    const StopIndex index(feed.stops());
    if (o.listMode == "--list-stops") {
        const std::vector<const StopPlace*> places = index.find(o.listArgs[0]);
        if (places.empty()) {
            err << "Žádná zastávka nemá v názvu „" << o.listArgs[0] << "“.\n";
            return kExitNotFound;
        }
        const auto print = [&](const Stop& s, const char* indent) {
            out << indent << s.id << '\t' << s.name;
            if (s.station) {
                out << "\t(stanice)";
            } else if (!s.platformCode.empty()) {
                out << "\tnástupiště " << s.platformCode;
            }
            out << '\n';
        };
        for (const StopPlace* p : places) {
            print(*p->stop, "");
            for (const Stop* platform : p->platforms) {
                print(*platform, "  ");
            }
        }
        return kExitOk;
    }
    const StopGroup stop = chooseStop(feed, index, o.listArgs[0], nullptr, {});
    if (o.listMode == "--list-routes") {
        for (const Route& r : feed.routesAt(stop)) {
            out << r.id << '\t' << r.shortName << '\t' << r.longName << '\n';
        }
        return kExitOk;
    }
    const Route route = feed.findRoute(o.listArgs[1]);
    for (const Direction& d : feed.directionsAt(stop, route)) {
        out << d.id << '\t' << d.headsign << '\n';
    }
    return kExitOk;
}

// The departures in `direction` as typed; a headsign typed without its
// diacritics ("kacerov") is looked up among the directions there.
Feed::Departures departuresTo(const Feed& feed, const StopGroup& stop, const Route& route,
                              const std::string& direction, std::chrono::year_month_day date) {
    try {
        return feed.departures(stop, route, direction, date);
    } catch (const FeedError& e) {
        if (e.problem() != Problem::NotFound || direction.empty()) {
            throw;
        }
        const std::string folded = foldForSearch(direction);
        for (const Direction& d : feed.directionsAt(stop, route)) {
            if (foldForSearch(d.headsign) == folded) {
                return feed.departures(stop, route, d.headsign, date);
            }
        }
        throw;
    }
}

int import(const Feed& feed, const Options& o, const CommandEnvironment& env, std::ostream& err) {
    const std::chrono::year_month_day date = o.date ? parseDate(*o.date) : env.today;
    // A name that no place has is reported before an unknown route; a name
    // that several places have is settled by the route and direction.
    const StopIndex index(feed.stops());
    std::optional<StopGroup> chosen;
    try {
        chosen = chooseStop(feed, index, o.positional[1], nullptr, {});
    } catch (const FeedError& e) {
        if (e.problem() != Problem::Ambiguous) {
            throw;
        }
    }
    const Route route = feed.findRoute(o.positional[2]);
    const StopGroup stop =
        chosen ? *chosen
               : chooseStop(feed, index, o.positional[1], &route, o.direction.value_or(""));
    const Feed::Departures found = departuresTo(feed, stop, route, o.direction.value_or(""), date);

    LineImport line;
    line.line = qt(o.line.value_or(route.shortName.empty() ? route.id : route.shortName));
    line.note = o.note ? qt(*o.note)
                : found.direction.headsign.empty()
                    ? QString()
                    : QStringLiteral("(směr ") + qt(found.direction.headsign) + u')';
    for (const std::string& t : found.times) {
        line.times << qt(t);
    }
    line.activate = o.activate;
    const QString ini = qt(o.ini.value_or(env.defaultIni));
    const LineWriteResult written = writeLine(ini, line);
    switch (written.outcome) {
    case LineWrite::Written:
        break;
    case LineWrite::Refused:
        err << written.message.toStdString() << '\n';
        return kExitRefused;
    case LineWrite::NoFile:
    case LineWrite::WriteFailed:
        err << written.message.toStdString() << '\n';
        return kExitConfigFile;
    }
    err << QStringLiteral("Linka %1%2 ze zastávky %3: počet odjezdů %4, zapsáno do %5%6.")
               .arg(line.line, line.note.isEmpty() ? QString() : QStringLiteral(" ") + line.note,
                    qt(stop.name))
               .arg(line.times.size())
               .arg(ini, o.activate ? QStringLiteral(" jako aktivní linka") : QString())
               .toStdString()
        << '\n';
    return kExitOk;
}

} // namespace

int runImportCommand(const std::vector<std::string>& args, const CommandEnvironment& env,
                     std::ostream& out, std::ostream& err) {
    try {
        const Options o = parse(args);
        if (o.help) {
            out << kHelp;
            return kExitOk;
        }
        const std::size_t wanted = o.listMode.empty() ? 3 : 1;
        if (o.positional.size() != wanted) {
            throw UsageError{o.listMode.empty()
                                 ? "Zadejte jízdní řád, zastávku a linku (viz --help)."
                                 : "Zadejte jízdní řád a jednu volbu --list-* (viz --help)."};
        }
        if (o.date) {
            parseDate(*o.date); // a bad date is a usage error before the feed is read
        }
        const Feed feed(FeedSource::open(o.positional[0]));
        return o.listMode.empty() ? import(feed, o, env, err) : list(feed, o, out, err);
    } catch (const UsageError& e) {
        err << e.message << '\n';
        return kExitUsage;
    } catch (const FeedError& e) {
        err << e.what() << '\n';
        return exitStatus(e.problem());
    }
}

} // namespace kvapomer::gtfs
