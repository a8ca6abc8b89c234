#include "gtfs_import/window/import_session.h"

#include "app/import_link.h"
#include "config/config_file.h"
#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/terminal_text.h"

#include <QMetaObject>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <new>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace kvapomer::gtfs {

using std::chrono::days;
using std::chrono::sys_days;

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// A message for the window: every line of it shown safely.
QString shownMessage(const std::string& message) {
    QStringList lines;
    std::size_t start = 0;
    while (start <= message.size()) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        if (end > start) {
            lines << qt(printable(std::string_view(message).substr(start, end - start)));
        }
        start = end + 1;
    }
    return lines.join(u'\n');
}

QString isoDate(sys_days date) {
    return toQDate(date).toString(Qt::ISODate);
}

bool runs(const DatedDepartures& found, std::size_t day) {
    return !found.lists[found.days[day]].empty();
}

// Up to five dates, then how many more.
QString someDates(const std::vector<sys_days>& dates) {
    constexpr std::size_t kShown = 5;
    QStringList texts;
    for (std::size_t i = 0; i < dates.size() && i < kShown; ++i) {
        texts << isoDate(dates[i]);
    }
    QString text = texts.join(QStringLiteral(", "));
    if (dates.size() > kShown) {
        text += QStringLiteral(" a další (%1)").arg(dates.size() - kShown);
    }
    return text;
}

// How many lines a row names of a place's lines.
constexpr int kRowLines = 3;

// The rows of `which` that read the same as another of them.
std::vector<std::size_t> repeatedRows(const std::vector<PlaceRow>& rows,
                                      const std::vector<std::size_t>& which) {
    std::map<QString, int> count;
    for (const std::size_t i : which) {
        ++count[rows[i].text];
    }
    std::vector<std::size_t> result;
    std::copy_if(which.begin(), which.end(), std::back_inserter(result),
                 [&](std::size_t i) { return count[rows[i].text] > 1; });
    return result;
}

// Rows of `which` told apart: `more(row, step)` appended to each that reads as
// another, step 0 first, then step 1 to those still alike; a number last, so
// that none reads the same even in a feed that repeats its ids.
void tellApart(std::vector<PlaceRow>& rows, const std::vector<std::size_t>& which,
               const std::function<QString(const PlaceRow&, int)>& more) {
    std::vector<std::size_t> alike = repeatedRows(rows, which);
    if (alike.empty()) {
        return;
    }
    std::map<std::size_t, QString> plain;
    for (const std::size_t i : alike) {
        plain[i] = rows[i].text;
    }
    for (int step = 0; step < 2 && !alike.empty(); ++step) {
        for (const std::size_t i : alike) {
            rows[i].text = plain[i] + more(rows[i], step);
        }
        alike = repeatedRows(rows, which);
    }
    for (int n = 2; !alike.empty(); alike = repeatedRows(rows, which)) {
        for (std::size_t k = 1; k < alike.size(); ++k) {
            rows[alike[k]].text += QStringLiteral(" [%1]").arg(n++);
        }
    }
}

} // namespace

OpenFeed::OpenFeed(const QString& path)
    : path_(path), stamp_(stampFeed(path.toStdString())),
      feed_(FeedSource::open(path.toStdString())), index_(feed_.stops()),
      sameNamed_(linesOfSameNamed(feed_, index_)) {}

QString shownText(const std::string& text) {
    return qt(shortened(printable(text), kEchoCharacters));
}

namespace {

// A place's own row: its name, and what kind of place it is.
QString placeText(const Stop& stop) {
    QString own = shownText(stop.name);
    if (stop.station) {
        own += QStringLiteral(" (stanice)");
    } else if (!stop.platformCode.empty()) {
        own += QStringLiteral(", nástupiště ") + shownText(stop.platformCode);
    }
    return own;
}

} // namespace

PlaceLines linesOfSameNamed(const Feed& feed, const StopIndex& index) {
    std::map<QString, std::vector<const StopPlace*>> byText;
    for (const StopPlace& place : index.places()) {
        byText[placeText(*place.stop)].push_back(&place);
    }
    std::vector<const StopPlace*> places;
    std::vector<std::vector<const Stop*>> groups;
    for (const auto& [text, named] : byText) {
        if (named.size() > 1) {
            for (const StopPlace* place : named) {
                places.push_back(place);
                groups.push_back(callingStops(*place));
            }
        }
    }
    PlaceLines result;
    if (places.empty()) {
        return result;
    }
    const std::vector<std::vector<const Route*>> routes = routesCalling(feed, groups);
    for (std::size_t i = 0; i < places.size(); ++i) {
        QStringList names;
        for (const Route* route : routes[i]) {
            if (names.size() == kRowLines) {
                names << QStringLiteral("…");
                break;
            }
            names << shownText(std::string(routeNumber(*route)));
        }
        result.emplace(places[i], names.join(QStringLiteral(", ")));
    }
    return result;
}

PlaceRows searchPlaces(const OpenFeed& feed, const QString& text, std::size_t maxPlaces) {
    return searchPlaces(feed.index(), text, maxPlaces, feed.sameNamed());
}

PlaceRows searchPlaces(const StopIndex& index, const QString& text, std::size_t maxPlaces,
                       const PlaceLines& lines) {
    PlaceRows result;
    const std::vector<const StopPlace*> places = index.find(text.toStdString());
    result.cut = places.size() > maxPlaces;
    std::vector<std::size_t> placeRows;
    std::vector<std::vector<std::size_t>> platformRows;
    for (std::size_t i = 0; i < places.size() && i < maxPlaces; ++i) {
        const StopPlace* place = places[i];
        const Stop& stop = *place->stop;
        placeRows.push_back(result.rows.size());
        platformRows.emplace_back();
        result.rows.push_back(PlaceRow{place, &stop, false, placeText(stop)});
        for (const Stop* platform : place->platforms) {
            QString text = platform->platformCode.empty()
                               ? shownText(platform->name) + QStringLiteral(" (") +
                                     shownText(platform->id) + u')'
                               : QStringLiteral("nástupiště ") + shownText(platform->platformCode);
            if (!platform->platformCode.empty() && platform->name != stop.name) {
                text += QStringLiteral(", ") + shownText(platform->name);
            }
            platformRows.back().push_back(result.rows.size());
            result.rows.push_back(PlaceRow{place, platform, true, QStringLiteral("    ") + text});
        }
    }
    tellApart(result.rows, placeRows, [&lines](const PlaceRow& row, int step) {
        const Stop& stop = *row.stop;
        const auto served = lines.find(row.place);
        const QString named = served == lines.end() ? QString() : served->second;
        // A platform's code is in its row already.
        const std::string& code = step == 0 && !stop.code.empty() ? stop.code : stop.id;
        return (named.isEmpty() ? QString() : QStringLiteral(" – ") + named) +
               QStringLiteral(" (") + shownText(code) + u')';
    });
    for (const std::vector<std::size_t>& platforms : platformRows) {
        tellApart(result.rows, platforms, [](const PlaceRow& row, int) {
            return QStringLiteral(" (") + shownText(row.stop->id) + u')';
        });
    }
    return result;
}

std::vector<const Stop*> stopsOfRow(const PlaceRow& row) {
    return row.platform ? std::vector<const Stop*>{row.stop} : callingStops(*row.place);
}

QString routeText(const Route& route) {
    const QString name = shownText(std::string(routeNumber(route)));
    return route.longName.empty() ? name : name + QStringLiteral("  ") + shownText(route.longName);
}

std::vector<PlatformLine> directionsOf(const std::vector<PlatformLine>& lines, const Route* route) {
    std::vector<PlatformLine> result;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(result),
                 [route](const PlatformLine& l) { return l.route == route; });
    return result;
}

QString directionText(const PlatformLine& line) {
    const Direction& d = line.direction;
    const QString toward = !d.headsign.empty() ? QStringLiteral("směr ") + shownText(d.headsign)
                           : !d.id.empty()     ? QStringLiteral("směr č. ") + shownText(d.id)
                                               : QStringLiteral("jediný směr");
    const Stop& p = *line.platform;
    const QString from = !p.platformCode.empty()
                             ? QStringLiteral("nástupiště ") + shownText(p.platformCode)
                             : shownText(p.name) + QStringLiteral(" (") + shownText(p.id) + u')';
    return toward + QStringLiteral(" · ") + from;
}

Preview previewOf(const Feed& feed, const PlatformLine& line, sys_days today) {
    Preview preview;
    preview.stop = feed.findStop(line.platform->id);
    preview.route = *line.route;
    preview.direction =
        !line.direction.headsign.empty() ? line.direction.headsign : line.direction.id;
    preview.found = feed.datedDepartures(preview.stop, preview.route, preview.direction, today);
    return preview;
}

Preview previewTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                  const std::vector<Route>& named, sys_days today) {
    DeparturesTo found = datedDeparturesTo(feed, stop, to, named, today);
    Preview preview;
    preview.stop = stop;
    preview.to = to;
    preview.named = named;
    preview.routes = std::move(found.routes);
    preview.found = std::move(found.dated);
    return preview;
}

sys_days periodFirst(const Preview& preview) {
    return preview.found.first;
}

sys_days periodLast(const Preview& preview) {
    const std::size_t count = preview.found.days.size();
    return preview.found.first + days(count == 0 ? 0 : static_cast<int>(count) - 1);
}

QStringList departuresOn(const Preview& preview, sys_days date) {
    return timesText(listOn(preview.found, date));
}

QString departuresText(const Preview& preview, sys_days date) {
    const QStringList times = departuresOn(preview, date);
    if (times.isEmpty()) {
        return QStringLiteral("nejede");
    }
    const DatedDepartures& found = preview.found;
    if (found.lineNames.isEmpty()) {
        return times.join(QStringLiteral("  "));
    }
    // departuresOn found the date inside the period.
    const DepartureLines lines =
        found.linesOf(found.days[static_cast<std::size_t>((date - found.first).count())]);
    QStringList shown;
    for (qsizetype i = 0; i < times.size(); ++i) {
        shown << times[i] + u' ' + qt(printable(lines.nameAt(i).toStdString()));
    }
    return shown.join(QStringLiteral(", "));
}

QString runningDays(const Preview& preview) {
    const DatedDepartures& found = preview.found;
    static const std::array<QString, 7> names{
        QStringLiteral("po"), QStringLiteral("út"), QStringLiteral("st"), QStringLiteral("čt"),
        QStringLiteral("pá"), QStringLiteral("so"), QStringLiteral("ne")};
    std::array<int, 7> running{}, idle{};
    const auto weekdayOf = [&](std::size_t day) {
        return std::chrono::weekday(found.first + days(day)).iso_encoding() - 1;
    };
    for (std::size_t day = 0; day < found.days.size(); ++day) {
        ++(runs(found, day) ? running : idle)[weekdayOf(day)];
    }
    std::array<bool, 7> mostly{};
    for (std::size_t w = 0; w < 7; ++w) {
        mostly[w] = running[w] > 0 && running[w] >= idle[w];
    }
    std::vector<sys_days> without, extra;
    for (std::size_t day = 0; day < found.days.size(); ++day) {
        const bool usual = mostly[weekdayOf(day)];
        if (usual != runs(found, day)) {
            (usual ? without : extra).push_back(found.first + days(day));
        }
    }
    // Weekdays in a row of three or more read as a span: "po–pá".
    QStringList spans;
    for (std::size_t w = 0; w < 7;) {
        if (!mostly[w]) {
            ++w;
            continue;
        }
        std::size_t end = w;
        while (end + 1 < 7 && mostly[end + 1]) {
            ++end;
        }
        if (end - w >= 2) {
            spans << names[w] + u'–' + names[end];
        } else {
            for (std::size_t i = w; i <= end; ++i) {
                spans << names[i];
            }
        }
        w = end + 1;
    }
    QStringList parts;
    if (spans.isEmpty()) {
        return extra.empty() ? QStringLiteral("nejede v žádný den")
                             : QStringLiteral("jede jen ") + someDates(extra);
    }
    parts << QStringLiteral("jede ") + spans.join(QStringLiteral(", "));
    if (!without.empty()) {
        parts << QStringLiteral("nejede ") + someDates(without);
    }
    if (!extra.empty()) {
        parts << QStringLiteral("navíc ") + someDates(extra);
    }
    return parts.join(QStringLiteral("; "));
}

ImportedLine lineToSave(const Preview& preview, const FeedStamp& stamp, const SaveChoice& choice,
                        sys_days today) {
    const LineChoice chosen{choice.line, choice.note, true, choice.walkMin};
    if (preview.to) {
        const DeparturesTo found{preview.found, preview.routes};
        return choice.oneDate
                   ? oneDateLineTo(departuresOnDate(found, preview.stop, *preview.to, choice.date),
                                   preview.stop, *preview.to, chosen)
                   : datedLineTo(found, stamp, preview.stop, *preview.to, preview.named, today,
                                 chosen);
    }
    if (!choice.oneDate) {
        ImportedLine line = datedLine(preview.found, stamp, preview.stop, preview.route,
                                      preview.direction, today, chosen);
        if (!choice.liveUrl.isEmpty()) {
            line.line.live = LiveAddress{choice.liveUrl, choice.liveToken};
        }
        return line;
    }
    const QStringList times = departuresOn(preview, choice.date);
    if (times.isEmpty()) {
        throw FeedError(Problem::NoDepartures,
                        "Linka " + shortened(preview.route.shortName, kEchoCharacters) +
                            " ze zastávky " + shortened(preview.stop.stop->name, kEchoCharacters) +
                            " dne " + isoDate(choice.date).toStdString() + " nejede.");
    }
    return oneDateLine(times, preview.found.direction, preview.stop, preview.route, chosen);
}

ImportSession::ImportSession(QString ini, Today today, QObject* parent)
    : QObject(parent), ini_(std::move(ini)), today_(std::move(today)),
      ticket_(std::make_shared<std::atomic<std::uint64_t>>(0)) {
    worker_.setMaxThreadCount(1);
}

ImportSession::~ImportSession() {
    ++*ticket_; // whatever still waits is skipped
}

template <typename Work, typename Done>
void ImportSession::start(const QString& what, Work work, Done done) {
    const std::uint64_t ticket = ++*ticket_;
    busy_ = true;
    Q_EMIT busyChanged(true, what);
    auto current = ticket_;
    worker_.start([this, ticket, current, work = std::move(work), done = std::move(done)]() {
        if (*current != ticket) {
            return; // abandoned before it began
        }
        using Result = decltype(work());
        std::shared_ptr<Result> result;
        QString error;
        try {
            result = std::make_shared<Result>(work());
        } catch (const FeedError& e) {
            error = shownMessage(e.what());
        } catch (const std::bad_alloc&) {
            error = QString::fromUtf8(kOutOfMemoryMessage);
        } catch (...) {
            error = QString::fromUtf8(kUnexpectedMessage);
        }
        if (*current != ticket) {
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, ticket, current, done, result, error]() {
                if (*current != ticket) {
                    return; // cancelled while the answer was on its way
                }
                busy_ = false;
                Q_EMIT busyChanged(false, QString());
                if (result) {
                    done(std::move(*result));
                } else {
                    Q_EMIT failed(error);
                }
            },
            Qt::QueuedConnection);
    });
}

void ImportSession::openFeed(const QString& path) {
    start(
        QStringLiteral("Načítám jízdní řád…"),
        [path, ini = ini_] {
            auto opened = std::make_shared<const OpenFeed>(path);
            // Remembered for the next time; a file that cannot keep it loses nothing.
            (void)ConfigFile(ini).storeLastFeed(opened->stamp().path);
            return std::shared_ptr<const OpenFeed>(std::move(opened));
        },
        [this](std::shared_ptr<const OpenFeed> opened) {
            feed_ = std::move(opened);
            lines_.clear();
            trip_.reset();
            routesTo_.clear();
            preview_.reset();
            Q_EMIT feedOpened();
        });
}

void ImportSession::forgetChoice() {
    lines_.clear();
    trip_.reset();
    routesTo_.clear();
    preview_.reset();
}

void ImportSession::chooseRow(const PlaceRow& row) {
    forgetChoice();
    std::shared_ptr<const OpenFeed> feed = feed_;
    if (!feed) {
        return;
    }
    start(
        QStringLiteral("Hledám linky, které odtud odjíždějí…"),
        [feed, stops = stopsOfRow(row)] { return linesLeaving(feed->feed(), stops); },
        [this](std::vector<PlatformLine> lines) {
            lines_ = std::move(lines);
            Q_EMIT linesReady();
        });
}

void ImportSession::chooseDestination(const PlaceRow& from, const PlaceRow& to) {
    forgetChoice();
    std::shared_ptr<const OpenFeed> feed = feed_;
    if (!feed) {
        return;
    }
    struct Found {
        std::pair<StopPlace, StopPlace> trip;
        std::vector<Route> routes;
        std::optional<Preview> preview;
        QString none; // why there is no preview
        ConfigSnapshot file;
    };
    start(
        QStringLiteral("Hledám linky, které odtud jedou do cíle…"),
        [feed, from = from.stop->id, to = to.stop->id, today = today_(), ini = ini_] {
            // Found again by id, with every stop of the place, as the command does.
            const Feed& f = feed->feed();
            Found found{{f.findStop(from), f.findStop(to)}, {}, {}, {}, {}};
            const auto& [stop, destination] = found.trip;
            found.routes = gtfs::routesTo(f, stop, destination);
            if (found.routes.empty()) {
                found.none = shownMessage(noLineGoes(stop, destination));
                return found;
            }
            try {
                found.preview = previewTo(f, stop, destination, {}, today);
                found.file = takeSnapshot(ini);
            } catch (const FeedError& e) {
                if (e.problem() != Problem::NoDepartures) {
                    throw;
                }
                found.none = shownMessage(e.what());
            }
            return found;
        },
        [this](Found found) {
            trip_ = std::move(found.trip);
            routesTo_ = std::move(found.routes);
            Q_EMIT destinationReady();
            if (found.preview) {
                preview_ = std::move(found.preview);
                file_ = std::move(found.file);
                Q_EMIT previewReady();
            } else {
                Q_EMIT failed(found.none);
            }
        });
}

void ImportSession::chooseRoutesTo(const std::vector<Route>& ticked) {
    preview_.reset();
    std::shared_ptr<const OpenFeed> feed = feed_;
    if (!feed || !trip_ || ticked.empty()) {
        cancel();
        return;
    }
    // All of them: every route going there, as the command without --route.
    const std::vector<Route> named =
        ticked.size() == routesTo_.size() ? std::vector<Route>{} : ticked;
    start(
        QStringLiteral("Načítám odjezdy…"),
        [feed, trip = *trip_, named, today = today_(), ini = ini_] {
            Preview preview = previewTo(feed->feed(), trip.first, trip.second, named, today);
            return std::make_pair(std::move(preview), takeSnapshot(ini));
        },
        [this](std::pair<Preview, ConfigSnapshot> chosen) {
            preview_ = std::move(chosen.first);
            file_ = std::move(chosen.second);
            Q_EMIT previewReady();
        });
}

void ImportSession::chooseLine(const PlatformLine& line) {
    preview_.reset();
    std::shared_ptr<const OpenFeed> feed = feed_;
    if (!feed) {
        return;
    }
    start(
        QStringLiteral("Načítám odjezdy…"),
        [feed, line, today = today_(), ini = ini_] {
            Preview preview = previewOf(feed->feed(), line, today);
            return std::make_pair(std::move(preview), takeSnapshot(ini));
        },
        [this](std::pair<Preview, ConfigSnapshot> chosen) {
            preview_ = std::move(chosen.first);
            file_ = std::move(chosen.second);
            Q_EMIT previewReady();
        });
}

int ImportSession::proposedWalk(const QString& line) const {
    return preview_ ? ConfigFile::walkMinIn(file_, line) : 0;
}

void ImportSession::save(const SaveChoice& choice) {
    if (!preview_ || !feed_) {
        return;
    }
    ImportedLine line;
    try {
        line = lineToSave(*preview_, feed_->stamp(), choice, today_());
    } catch (const FeedError& e) {
        Q_EMIT saved(false, shownMessage(e.what()));
        return;
    }
    start(
        QStringLiteral("Ukládám linku…"),
        [ini = ini_, line = line.line] { return writeLine(ini, line); },
        [this, line](const LineWriteResult& written) {
            if (written.outcome != LineWrite::Written) {
                Q_EMIT saved(false, qt(printable(written.message.toStdString())));
                return;
            }
            Q_EMIT saved(true, qt(printable(importReport(line, ini_).toStdString())));
        });
}

void ImportSession::cancel() {
    ++*ticket_;
    if (busy_) {
        busy_ = false;
        Q_EMIT busyChanged(false, QString());
    }
}

ParentInput::ParentInput(int fd, QObject* parent)
    : QObject(parent), fd_(fd), notifier_(fd, QSocketNotifier::Read) {
    connect(&notifier_, &QSocketNotifier::activated, this, &ParentInput::readAvailable);
}

bool ParentInput::listenable(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

void ParentInput::readAvailable() {
    char buffer[512];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
        return;
    }
    if (n <= 0) {
        notifier_.setEnabled(false);
        Q_EMIT ended();
        return;
    }
    pending_.append(buffer, n);
    qsizetype end = 0;
    while ((end = pending_.indexOf('\n')) >= 0) {
        const QByteArray line = pending_.left(end).trimmed();
        pending_.remove(0, end + 1);
        if (line == import_link::kSettingsOpen) {
            Q_EMIT settingsOpen(true);
        } else if (line == import_link::kSettingsClosed) {
            Q_EMIT settingsOpen(false);
        }
    }
    if (pending_.size() > 4096) {
        pending_.clear(); // no line of ours is that long
    }
}

} // namespace kvapomer::gtfs
