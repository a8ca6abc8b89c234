#include "gtfs_import/cli/import_command.h"

#include "config/keys.h"
#include "gtfs_import/cli/refresh.h"
#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/terminal_text.h"
#include "gtfs_import/import/import_line.h"
#include "gtfs_import/queries/destination.h"
#include "gtfs_import/queries/feed.h"
#include "gtfs_import/queries/stop_lines.h"
#include "gtfs_import/queries/stop_search.h"

#include <QString>
#include <QStringList>

#include <charconv>
#include <exception>
#include <new>
#include <optional>

namespace kvapomer::gtfs {

namespace {

const char* const kHelp =
    "Použití:\n"
    "  kvapomer-import FEED STOP ROUTE [--direction SMĚR] [--date RRRR-MM-DD]\n"
    "                  [--line ČÍSLO] [--note TEXT] [--walk MIN] [--activate]\n"
    "                  [--ini SOUBOR] [--live ADRESA [--live-token KLÍČ]]\n"
    "  kvapomer-import FEED STOP --to STOP2 [--route ROUTE]... [--date RRRR-MM-DD]\n"
    "                  [--line ČÍSLO] [--note TEXT] [--walk MIN] [--activate]\n"
    "                  [--ini SOUBOR] [--live ADRESA [--live-token KLÍČ]]\n"
    "  kvapomer-import --refresh [--ini SOUBOR]\n"
    "  kvapomer-import FEED --list-stops TEXT\n"
    "  kvapomer-import FEED --list-routes STOP [--to STOP2]\n"
    "  kvapomer-import FEED --list-directions STOP ROUTE\n"
    "  kvapomer-import --window [--ini SOUBOR] [--feed FEED]\n"
    "\n"
    "Naplní jízdní řád jedné linky v kvapomern.ini odjezdy z jízdního řádu GTFS\n"
    "(zip nebo rozbalená složka) pro jednu zastávku, linku a směr: bez --date\n"
    "na každý den, jaký jízdní řád obsahuje (nejvýše 400 dní), a Kvapoměr pak\n"
    "každý den ukazuje odjezdy toho dne; s --date jen odjezdy toho dne.\n"
    "\n"
    "  FEED               jízdní řád GTFS: soubor .zip nebo složka se soubory .txt\n"
    "  STOP               id zastávky nebo její název (název stanice zahrnuje\n"
    "                     všechna její nástupiště); velikost písmen nerozhoduje;\n"
    "                     má-li název více zastávek, platí ta, ze které linka\n"
    "                     (daným směrem) odjíždí\n"
    "  ROUTE              id linky nebo její číslo (route_short_name)\n"
    "  --direction SMĚR   cílová zastávka (trip_headsign) nebo direction_id;\n"
    "                     nutné, jede-li linka ze zastávky více směry\n"
    "  --date RRRR-MM-DD  jen odjezdy toho dne, jako pevný seznam na každý den\n"
    "                     (bez --date: každý den jeho vlastní odjezdy); spoje po\n"
    "                     půlnoci se počítají ke dni, kdy skutečně jedou (25:10\n"
    "                     pátečního spoje je 01:10 v sobotu)\n"
    "  --to STOP2         cíl cesty: všechny odjezdy ze STOP spojů, které pak\n"
    "                     zastaví ve STOP2 (s výstupem), všech linek v jednom\n"
    "                     seznamu; u každého odjezdu se pamatuje jeho linka\n"
    "  --route ROUTE      s --to jen tato linka (lze zadat víckrát)\n"
    "  --line ČÍSLO       číslo linky v kvapomern.ini (výchozí: číslo linky;\n"
    "                     s --to čísla linek spojená \"+\", např. 150+177)\n"
    "  --note TEXT        poznámka k lince (výchozí: \"(směr \" + cíl + \")\";\n"
    "                     s --to \"(směr \" + název STOP2 + \")\")\n"
    "  --walk MIN         cesta z domova na zastávku v minutách, 0 až 120: Kvapoměr\n"
    "                     pak odpočítává, kdy vyrazit; 0 ji odebere; bez --walk\n"
    "                     zůstane lince, jak byla\n"
    "  --activate         nastaví linku jako aktivní (Main/Bus)\n"
    "  --ini SOUBOR       konfigurační soubor (výchozí: kvapomern.ini vedle programu)\n"
    "  --live ADRESA      adresa aktuálních údajů dopravce (GTFS-Realtime, http://\n"
    "                     nebo https://); jen bez --date. Kvapoměr pak ukazuje\n"
    "                     odjezdy podle nich. Bez --live zůstane adresa, kterou\n"
    "                     linka už má\n"
    "  --live-token KLÍČ  přístupový klíč k té adrese; v kvapomern.ini je uložen\n"
    "                     jako čitelný text\n"
    "  --list-stops TEXT  vypíše zastávky, jejichž název obsahuje TEXT (velikost\n"
    "                     písmen ani diakritika nerozhoduje), stanice s nástupišti\n"
    "  --list-routes STOP vypíše linky, které zastávkou projíždějí (s --to jen\n"
    "                     ty, které jedou do STOP2)\n"
    "  --list-directions STOP ROUTE  vypíše směry linky ze zastávky\n"
    "  --refresh          znovu naimportuje každou linku na každý den ze\n"
    "                     zapamatovaného jízdního řádu, zastávky, linky a směru\n"
    "  --window           otevře okno, ve kterém se linka vybere myší: zastávka,\n"
    "                     linka, směr s nástupištěm a náhled odjezdů; --feed\n"
    "                     jízdní řád (výchozí: naposledy načtený)\n"
    "  --help             tato nápověda\n"
    "\n"
    "Běžící Kvapoměr načte nové časy sám do dvou sekund. Linku na každý den\n"
    "obnoví sám, když je soubor jízdního řádu na téže cestě novější.\n"
    "\n"
    "Návratové kódy:\n"
    "  0  hotovo\n"
    "  2  chybné argumenty\n"
    "  3  jízdní řád chybí, je poškozený, nemá správný tvar nebo je příliš velký\n"
    "  4  zastávka, linka nebo směr neexistuje (s --to: linka z --route tam nejede)\n"
    "  5  název odpovídá více zastávkám, linkám nebo směrům (jsou vypsány,\n"
    "     zastávky s linkami a směry, které z nich odjíždějí)\n"
    "  6  v zadaný den (bez --date: v žádný den) odtud linka nejede\n"
    "  7  konfigurační soubor linku neuloží (číslo linky, poznámka, počet časů)\n"
    "  8  konfigurační soubor neexistuje nebo jej nelze zapsat\n";

struct Options {
    bool help = false;
    std::vector<std::string> positional;
    std::string listMode; // "--list-stops", "--list-routes", "--list-directions"
    std::vector<std::string> listArgs;
    std::optional<std::string> direction, date, line, note, walk, ini, to, live, liveToken;
    std::vector<std::string> routes;
    bool activate = false;
    bool refresh = false;
};

struct UsageError {
    std::string message;
};

Options parse(const std::vector<std::string>& args) {
    Options o;
    const auto value = [&](std::size_t& i) -> std::string {
        if (i + 1 >= args.size()) {
            throw UsageError{"Volbě " + shortened(args[i], kEchoCharacters) + " chybí hodnota."};
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
        } else if (a == "--to") {
            o.to = value(i);
        } else if (a == "--route") {
            o.routes.push_back(value(i));
        } else if (a == "--date") {
            o.date = value(i);
        } else if (a == "--line") {
            o.line = value(i);
        } else if (a == "--note") {
            o.note = value(i);
        } else if (a == "--walk") {
            o.walk = value(i);
        } else if (a == "--ini") {
            o.ini = value(i);
        } else if (a == "--live") {
            o.live = value(i);
        } else if (a == "--live-token") {
            o.liveToken = value(i);
        } else if (a == "--activate") {
            o.activate = true;
        } else if (a == "--refresh") {
            o.refresh = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"Neznámá volba " + shortened(a, kEchoCharacters) + " (viz --help)."};
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
    throw UsageError{"Neplatné datum „" + shortened(text, kEchoCharacters) +
                     "“; zadejte je jako RRRR-MM-DD."};
}

// Minutes of the walk to the stop: a whole number 0..kMaxWalkMin, digits only.
int parseWalk(const std::string& text) {
    int minutes = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, minutes);
    if (text.empty() || text.front() < '0' || text.front() > '9' || r.ec != std::errc() ||
        r.ptr != end || minutes > keys::kMaxWalkMin) {
        throw UsageError{"Neplatná cesta na zastávku „" + shortened(text, kEchoCharacters) +
                         "“; zadejte celé číslo minut 0 až " + std::to_string(keys::kMaxWalkMin) +
                         "."};
    }
    return minutes;
}

} // namespace

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// A listing's row: its fields apart by tabs, each shown safely.
void row(std::ostream& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (const std::string_view field : fields) {
        out << (first ? "" : "\t") << printable(field);
        first = false;
    }
    out << '\n';
}

int list(const Feed& feed, const Options& o, std::ostream& out, std::ostream& err) {
    const StopIndex index(feed.stops());
    if (o.listMode == "--list-stops") {
        const std::vector<const StopPlace*> places = index.find(o.listArgs[0]);
        if (places.empty()) {
            say(err,
                "Žádná zastávka nemá v názvu „" + shortened(o.listArgs[0], kEchoCharacters) + "“.");
            return kExitNotFound;
        }
        const auto print = [&](const Stop& s, const std::string& indent) {
            if (s.station) {
                row(out, {indent + s.id, s.name, "(stanice)"});
            } else if (!s.platformCode.empty()) {
                row(out, {indent + s.id, s.name, "nástupiště " + s.platformCode});
            } else {
                row(out, {indent + s.id, s.name});
            }
        };
        for (const StopPlace* p : places) {
            print(*p->stop, "");
            for (const Stop* platform : p->platforms) {
                print(*platform, "  ");
            }
        }
        return kExitOk;
    }
    const StopPlace stop = chooseStop(feed, index, o.listArgs[0], nullptr, {});
    if (o.listMode == "--list-routes" && o.to) {
        for (const Route& r : routesTo(feed, stop, chooseStop(feed, index, *o.to, nullptr, {}))) {
            row(out, {r.id, r.shortName, r.longName});
        }
        return kExitOk;
    }
    if (o.listMode == "--list-routes") {
        for (const Route& r : routesLeaving(feed, stop)) {
            row(out, {r.id, r.shortName, r.longName});
        }
        return kExitOk;
    }
    const Route route = feed.findRoute(o.listArgs[1]);
    for (const Direction& d : feed.directionsAt(stop, route)) {
        row(out, {d.id, d.headsign});
    }
    return kExitOk;
}

int import(const Options& o, const CommandEnvironment& env, std::ostream& err) {
    ImportRequest request{
        o.positional[0],          o.positional[1], o.to ? std::string() : o.positional[2],
        o.direction.value_or(""), std::nullopt,    std::chrono::sys_days(env.today),
        o.to.value_or(""),        o.routes};
    if (o.date) {
        request.date = parseDate(*o.date);
    }
    LineChoice choice;
    if (o.line) {
        choice.line = qt(*o.line);
    }
    if (o.note) {
        choice.note = qt(*o.note);
    }
    if (o.walk) {
        choice.walk = parseWalk(*o.walk);
    }
    choice.activate = o.activate;
    ImportedLine imported = importFromFeed(request, choice);
    if (o.live) {
        imported.line.live = LiveAddress{qt(*o.live), qt(o.liveToken.value_or(""))};
    }
    for (const std::string& warning : imported.warnings) {
        say(err, warning);
    }
    const QString ini = qt(o.ini.value_or(env.defaultIni));
    if (const int status = writeStatus(writeLine(ini, imported.line), err); status != kExitOk) {
        return status;
    }
    say(err, importReport(imported, ini).toStdString());
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
        if (o.refresh) {
            if (!o.positional.empty() || !o.listMode.empty() || o.date || o.direction || o.line ||
                o.note || o.walk || o.activate || o.to || !o.routes.empty() || o.live ||
                o.liveToken) {
                throw UsageError{"S volbou --refresh zadejte nejvýše --ini (viz --help)."};
            }
            return refreshDatedLines(qt(o.ini.value_or(env.defaultIni)),
                                     std::chrono::sys_days(env.today), err);
        }
        if (o.to && o.direction) {
            throw UsageError{"S volbou --to nezadávejte --direction: cíl cesty je STOP2."};
        }
        if (!o.routes.empty() && (!o.to || !o.listMode.empty())) {
            throw UsageError{"Volbu --route zadejte jen s --to (viz --help)."};
        }
        if (o.to && !o.listMode.empty() && o.listMode != "--list-routes") {
            throw UsageError{"S volbou --to lze vypsat jen --list-routes (viz --help)."};
        }
        const std::size_t wanted = !o.listMode.empty() ? 1 : o.to ? 2 : 3;
        if (o.positional.size() != wanted) {
            throw UsageError{!o.listMode.empty()
                                 ? "Zadejte jízdní řád a jednu volbu --list-* (viz --help)."
                             : o.to ? "Zadejte jízdní řád a zastávku, cíl přes --to (viz --help)."
                                    : "Zadejte jízdní řád, zastávku a linku (viz --help)."};
        }
        // A bad date or walk is a usage error before the feed is read.
        if (o.date) {
            parseDate(*o.date);
        }
        if (o.walk) {
            parseWalk(*o.walk);
        }
        if (o.liveToken && !o.live) {
            throw UsageError{"Volba --live-token patří k volbě --live."};
        }
        if (o.live && (o.date || !o.listMode.empty())) {
            throw UsageError{"Aktuální údaje (--live) má jen linka na každý den, bez --date."};
        }
        if (o.live) {
            if (const std::optional<QString> problem =
                    liveAddressProblem({qt(*o.live), qt(o.liveToken.value_or(""))})) {
                throw UsageError{problem->toStdString()};
            }
        }
        if (o.listMode.empty()) {
            return import(o, env, err);
        }
        const Feed feed(FeedSource::open(o.positional[0]));
        return list(feed, o, out, err);
    } catch (const UsageError& e) {
        say(err, e.message);
        return kExitUsage;
    } catch (const FeedError& e) {
        // Feed text in it is shown safely already; a listing keeps its lines.
        sayLines(err, e.what());
        return exitStatusFor(e.problem());
    } catch (const std::bad_alloc&) {
        say(err, kOutOfMemoryMessage);
        return kExitBadFeed;
    } catch (...) {
        say(err, kUnexpectedMessage);
        return kExitBadFeed;
    }
}

} // namespace kvapomer::gtfs
