#include "gtfs_import/dated_import.h"

#include "config/config_file.h"
#include "config/dated_day.h"
#include "gtfs_import/feed_error.h"
#include "gtfs_import/import_command.h"
#include "gtfs_import/line_import.h"
#include "gtfs_import/stop_lines.h"
#include "gtfs_import/terminal_text.h"
#include "timetable/feed_time.h"

#include <QFileInfo>

#include <algorithm>
#include <sstream>

namespace kvapomer::gtfs {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// A feed's or user's text as a message repeats it.
QString echo(const QString& text) {
    return qt(shortened(text.toStdString(), kEchoCharacters));
}

// The feed's departures on every date from `today`, as a dated line to write.
// Throws FeedError.
DatedImport readDated(const std::string& feedPath, const std::string& stopArg,
                      const std::string& routeArg, const std::string& direction,
                      std::chrono::sys_days today) {
    // Taken before the feed is read: a feed replaced meanwhile counts as newer.
    const FeedStamp stamp = stampFeed(feedPath);
    const Feed feed(FeedSource::open(feedPath));
    const ImportPlace place = chooseForImport(feed, stopArg, routeArg, direction);
    const StopGroup& stop = place.stop;
    const Route& route = place.route;
    const DatedDepartures found =
        askInDirection(feed, stop, route, direction, [&](const std::string& d) {
            return feed.datedDepartures(stop, route, d, today);
        });
    return datedImportOf(found, stamp, stop, route, direction, today);
}

} // namespace

FeedStamp stampFeed(const std::string& feedPath) {
    FeedStamp stamp;
    stamp.path = QFileInfo(qt(feedPath)).absoluteFilePath();
    stamp.modified = feedModified(stamp.path).value_or(QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    return stamp;
}

QString lineNumberOf(const Route& route) {
    return qt(route.shortName.empty() ? route.id : route.shortName);
}

QString noteToward(const Direction& direction) {
    // A headsign from the feed may hold anything; the note takes its words.
    const std::string headsign = withoutControls(direction.headsign);
    return headsign.empty() ? QString() : QStringLiteral("(směr ") + qt(headsign) + u')';
}

DatedImport datedImportOf(const DatedDepartures& found, const FeedStamp& feed,
                          const StopGroup& stop, const Route& route, const std::string& direction,
                          std::chrono::sys_days today) {
    // The direction as the feed names it, so that a refresh finds it again.
    const std::string remembered = !direction.empty() ? direction : found.direction.headsign;
    const DatedSource source{feed.path, feed.modified, qt(stop.id), qt(route.id), qt(remembered)};
    std::optional<DatedLine> dated = datedLineOf(found, source, today);
    if (!dated) {
        throw FeedError(Problem::NoDepartures,
                        "Linka " + shortened(route.shortName, kEchoCharacters) + " ze zastávky " +
                            shortened(stop.name, kEchoCharacters) + " v jízdním řádu nejede.");
    }
    DatedImport imported;
    imported.stopName = qt(stop.name);
    imported.warnings = found.warnings;
    imported.line.line = lineNumberOf(route);
    imported.line.note = noteToward(found.direction);
    imported.line.times = timesText(dated->lists[static_cast<std::size_t>(dated->written)]);
    imported.line.dated = std::move(dated);
    return imported;
}

std::optional<DatedLine> datedLineOf(const DatedDepartures& found, const DatedSource& source,
                                     std::chrono::sys_days today) {
    DatedLine line;
    static_cast<DatedLists&>(line) = found;
    line.source = source;
    if (!fitToLimits(line)) {
        return std::nullopt;
    }
    const std::optional<int> written = firstListToWrite(line, today);
    if (!written) {
        return std::nullopt;
    }
    line.written = *written;
    return line;
}

QString periodSummary(const DatedLine& line) {
    // Days without service have a list of their own, which is no timetable.
    const auto count = static_cast<int>(std::count_if(line.lists.begin(), line.lists.end(),
                                                      [](const DayList& l) { return !l.empty(); }));
    const bool idleDays = count < static_cast<int>(line.lists.size());
    // Czech counts: 1 jízdní řád, 2 až 4 různé jízdní řády, 5 a více různých jízdních řádů.
    const QString lists = count == 1  ? QStringLiteral("1 jízdní řád")
                          : count < 5 ? QStringLiteral("%1 různé jízdní řády").arg(count)
                                      : QStringLiteral("%1 různých jízdních řádů").arg(count);
    return QStringLiteral("%1%2, platí %3 až %4")
        .arg(lists, idleDays ? QStringLiteral(" a dny bez spojů") : QString(),
             toQDate(line.first).toString(Qt::ISODate), toQDate(line.last()).toString(Qt::ISODate));
}

int importDatedLine(const DatedRequest& request, std::ostream& err) {
    DatedImport imported;
    try {
        imported = readDated(request.feed, request.stop, request.route,
                             request.direction.value_or(""), request.today);
    } catch (const FeedError& e) {
        sayLines(err, e.what());
        return exitStatusFor(e.problem());
    }
    for (const std::string& warning : imported.warnings) {
        say(err, warning);
    }
    LineImport& line = imported.line;
    if (request.line) {
        line.line = qt(*request.line);
    }
    if (request.note) {
        line.note = qt(*request.note);
    }
    line.activate = request.activate;
    if (const int status = writeStatus(writeLine(request.ini, line), err); status != kExitOk) {
        return status;
    }
    say(err, QStringLiteral("Linka %1%2 ze zastávky %3: %4, zapsáno do %5%6.")
                 .arg(echo(line.line),
                      line.note.isEmpty() ? QString() : QStringLiteral(" ") + echo(line.note),
                      echo(imported.stopName), periodSummary(*line.dated), request.ini,
                      request.activate ? QStringLiteral(" jako aktivní linka") : QString())
                 .toStdString());
    return kExitOk;
}

int refreshDatedLines(const QString& ini, std::chrono::sys_days today, std::ostream& err) {
    if (!QFileInfo(ini).isFile()) {
        say(err, QStringLiteral("Konfigurační soubor %1 neexistuje.").arg(ini).toStdString());
        return kExitConfigFile;
    }
    int first = kExitOk;
    const std::vector<DatedSection> lines = ConfigFile(ini).datedLines();
    for (const DatedSection& dated : lines) {
        const QString& section = dated.line;
        int status = kExitOk;
        const std::string name = section.toStdString();
        try {
            const DatedSource& source = dated.dated.source;
            DatedImport imported =
                readDated(source.feed.toStdString(), source.stop.toStdString(),
                          source.route.toStdString(), source.direction.toStdString(), today);
            LineImport& line = imported.line;
            line.line = section;
            line.note = dated.note;
            std::ostringstream message;
            status = writeStatus(writeLine(ini, line), message);
            if (status == kExitOk) {
                say(err, QStringLiteral("Linka %1: %2, obnoveno.")
                             .arg(echo(section), periodSummary(*line.dated))
                             .toStdString());
            } else {
                // writeStatus's message: one line already, safe to repeat.
                err << "Linka " << printable(name) << ": " << message.str();
            }
        } catch (const FeedError& e) {
            sayLines(err, "Linka " + shortened(name, kEchoCharacters) + ": " + e.what());
            status = exitStatusFor(e.problem());
        }
        if (first == kExitOk) {
            first = status;
        }
    }
    if (lines.empty()) {
        say(err, QStringLiteral("V souboru %1 není žádná linka z jízdního řádu pro každý den.")
                     .arg(ini)
                     .toStdString());
    }
    return first;
}

} // namespace kvapomer::gtfs
