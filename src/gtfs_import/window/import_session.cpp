#include "gtfs_import/window/import_session.h"

#include "app/import_link.h"
#include "config/config_file.h"
#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/terminal_text.h"

#include <QMetaObject>

#include <algorithm>
#include <array>
#include <cerrno>
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

} // namespace

OpenFeed::OpenFeed(const QString& path)
    : path_(path), stamp_(stampFeed(path.toStdString())),
      feed_(FeedSource::open(path.toStdString())), index_(feed_.stops()) {}

QString shownText(const std::string& text) {
    return qt(shortened(printable(text), kEchoCharacters));
}

PlaceRows searchPlaces(const StopIndex& index, const QString& text, std::size_t maxPlaces) {
    PlaceRows result;
    const std::vector<const StopPlace*> places = index.find(text.toStdString());
    result.cut = places.size() > maxPlaces;
    for (std::size_t i = 0; i < places.size() && i < maxPlaces; ++i) {
        const StopPlace* place = places[i];
        const Stop& stop = *place->stop;
        QString own = shownText(stop.name);
        if (stop.station) {
            own += QStringLiteral(" (stanice)");
        } else if (!stop.platformCode.empty()) {
            own += QStringLiteral(", nástupiště ") + shownText(stop.platformCode);
        }
        result.rows.push_back(PlaceRow{place, &stop, false, own});
        for (const Stop* platform : place->platforms) {
            QString text = platform->platformCode.empty()
                               ? shownText(platform->name) + QStringLiteral(" (") +
                                     shownText(platform->id) + u')'
                               : QStringLiteral("nástupiště ") + shownText(platform->platformCode);
            if (!platform->platformCode.empty() && platform->name != stop.name) {
                text += QStringLiteral(", ") + shownText(platform->name);
            }
            result.rows.push_back(PlaceRow{place, platform, true, QStringLiteral("    ") + text});
        }
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
            preview_.reset();
            Q_EMIT feedOpened();
        });
}

void ImportSession::chooseRow(const PlaceRow& row) {
    lines_.clear();
    preview_.reset();
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
