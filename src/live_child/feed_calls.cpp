#include "live_child/feed_calls.h"

#include "gtfs_import/feed/feed_error.h"
#include "gtfs_import/queries/destination.h"
#include "gtfs_import/queries/feed.h"

#include <QFile>

namespace kvapomer::live {

CallQuery queryOf(const DatedSource& source) {
    if (!source.to.isEmpty()) {
        return {source.feed, source.stop, source.routes, QString(), source.to};
    }
    return {source.feed, source.stop, {source.route}, source.direction};
}

Result<std::vector<ScheduledCall>> FeedCallSource::callsFor(QDate today) {
    try {
        gtfs::Feed feed(gtfs::FeedSource::open(QFile::encodeName(query_.feed).toStdString()));
        const gtfs::StopPlace stop = feed.findStop(query_.stop.toStdString());
        std::vector<gtfs::Route> routes;
        for (const QString& route : query_.routes) {
            routes.push_back(feed.findRoute(route.toStdString()));
        }
        const std::vector<gtfs::ScheduledDeparture> found =
            query_.to.isEmpty()
                ? feed.scheduledOn(stop, routes, query_.direction.toStdString(), toSysDays(today))
                : gtfs::scheduledTo(feed, stop, feed.findStop(query_.to.toStdString()), routes,
                                    toSysDays(today));
        zone_ = QByteArray::fromStdString(feed.timeZone());
        std::vector<ScheduledCall> calls;
        calls.reserve(found.size());
        for (const gtfs::ScheduledDeparture& d : found) {
            calls.push_back({QString::fromStdString(d.tripId), toQDate(d.serviceDay),
                             static_cast<quint32>(d.sequence), d.departure,
                             QString::fromStdString(d.route), QString::fromStdString(d.stopId)});
        }
        return calls;
    } catch (const gtfs::FeedError& e) {
        return Error{1, QString::fromUtf8(e.what())};
    } catch (const std::bad_alloc&) {
        return Error{7, QStringLiteral("Na jízdní řád linky nestačí paměť.")};
    }
}

} // namespace kvapomer::live
