#include "gtfs_import/import/import_line.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/feed/terminal_text.h"
#include "gtfs_import/queries/stop_lines.h"

namespace kvapomer::gtfs {

namespace {

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A feed's or user's text as a message repeats it.
QString echo(const QString& text) {
    return qt(shortened(text.toStdString(), kEchoCharacters));
}

void choose(LineImport& line, const LineChoice& choice) {
    if (choice.line) {
        line.line = *choice.line;
    }
    if (choice.note) {
        line.note = *choice.note;
    }
    line.activate = choice.activate;
    line.walkMin = choice.walk;
}

} // namespace

QString lineNumberOf(const Route& route) {
    return qt(routeNumber(route));
}

QString noteToward(const Direction& direction) {
    // A headsign from the feed may hold anything; the note takes its words.
    const std::string headsign = withoutControls(direction.headsign);
    return headsign.empty() ? QString() : QStringLiteral("(směr ") + qt(headsign) + u')';
}

ImportedLine oneDateLine(const QStringList& times, const Direction& direction,
                         const StopPlace& stop, const Route& route, const LineChoice& choice) {
    ImportedLine imported;
    imported.stopName = qt(stop.stop->name);
    imported.line.line = lineNumberOf(route);
    imported.line.note = noteToward(direction);
    imported.line.times = times;
    choose(imported.line, choice);
    imported.summary = QStringLiteral("počet odjezdů %1").arg(times.size());
    return imported;
}

ImportedLine datedLine(const DatedDepartures& found, const FeedStamp& feed, const StopPlace& stop,
                       const Route& route, const std::string& direction,
                       std::chrono::sys_days today, const LineChoice& choice) {
    // The direction as the feed names it, so that a refresh finds it again.
    const std::string remembered = !direction.empty() ? direction : found.direction.headsign;
    const DatedSource source{feed.path, feed.modified, qt(stop.stop->id), qt(route.id),
                             qt(remembered)};
    std::optional<DatedLine> dated = datedLineOf(found, source, today);
    if (!dated) {
        throw FeedError(Problem::NoDepartures,
                        "Linka " + shortened(route.shortName, kEchoCharacters) + " ze zastávky " +
                            shortened(stop.stop->name, kEchoCharacters) +
                            " v jízdním řádu nejede.");
    }
    ImportedLine imported;
    imported.stopName = qt(stop.stop->name);
    imported.warnings = found.warnings;
    imported.line.line = lineNumberOf(route);
    imported.line.note = noteToward(found.direction);
    imported.line.times = timesText(dated->lists[static_cast<std::size_t>(dated->written)]);
    imported.summary = periodSummary(*dated);
    imported.line.dated = std::move(dated);
    choose(imported.line, choice);
    return imported;
}

ImportedLine importFromFeed(const ImportRequest& request, const LineChoice& choice) {
    // Taken before the feed is read: a feed replaced meanwhile counts as newer.
    const FeedStamp stamp = stampFeed(request.feed);
    const Feed feed(FeedSource::open(request.feed));
    const ImportPlace place = chooseForImport(feed, request.stop, request.route, request.direction);
    const StopPlace& stop = place.stop;
    const Route& route = place.route;
    if (request.date) {
        const Feed::Departures found =
            askInDirection(feed, stop, route, request.direction, [&](const std::string& d) {
                return feed.departures(stop, route, d, *request.date);
            });
        QStringList times;
        for (const std::string& t : found.times) {
            times << qt(t);
        }
        ImportedLine imported = oneDateLine(times, found.direction, stop, route, choice);
        imported.warnings = found.warnings;
        return imported;
    }
    const DatedDepartures found =
        askInDirection(feed, stop, route, request.direction, [&](const std::string& d) {
            return feed.datedDepartures(stop, route, d, request.today);
        });
    return datedLine(found, stamp, stop, route, request.direction, request.today, choice);
}

QString importReport(const ImportedLine& imported, const QString& ini) {
    const LineImport& line = imported.line;
    return QStringLiteral("Linka %1%2 ze zastávky %3: %4, zapsáno do %5%6.")
        .arg(echo(line.line),
             line.note.isEmpty() ? QString() : QStringLiteral(" ") + echo(line.note),
             echo(imported.stopName), imported.summary, ini,
             line.activate ? QStringLiteral(" jako aktivní linka") : QString());
}

} // namespace kvapomer::gtfs
