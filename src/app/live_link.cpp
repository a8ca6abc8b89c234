#include "app/live_link.h"

#include "config/keys.h"
#include "profile/profile_store.h"

namespace kvapomer {

namespace {

int minuteOf(const QDate& serviceDate, int seconds, const QDate& today, const QTimeZone& zone) {
    const QDateTime at =
        QDateTime::fromSecsSinceEpoch(live::serviceDayStart(serviceDate, zone) + seconds, zone);
    const QTime time = at.time();
    return static_cast<int>(today.daysTo(at.date())) * 24 * 60 + time.hour() * 60 + time.minute();
}

LiveCall callOf(live::LiveState state) {
    switch (state) {
    case live::LiveState::Expected:
        return LiveCall::Expected;
    case live::LiveState::Skipped:
        return LiveCall::Skipped;
    case live::LiveState::Cancelled:
        return LiveCall::Cancelled;
    case live::LiveState::Timetable:
        break;
    }
    return LiveCall::Timetable;
}

} // namespace

std::vector<LiveDeparture> liveDepartures(const std::vector<live::ExpectedDeparture>& batch,
                                          const QDate& today, const QTimeZone& zone) {
    std::vector<LiveDeparture> result;
    result.reserve(batch.size());
    for (const live::ExpectedDeparture& d : batch) {
        const LiveCall state = callOf(d.state);
        const int scheduled = minuteOf(d.call.serviceDate, d.call.departure, today, zone);
        result.push_back({scheduled,
                          state == LiveCall::Expected
                              ? minuteOf(d.call.serviceDate, d.expected, today, zone)
                              : scheduled,
                          state, d.call.route});
    }
    return result;
}

LiveLink::LiveLink(QString program, live::ChildOptions timing, QObject* parent)
    : QObject(parent), program_(std::move(program)), timing_(std::move(timing)) {}

LiveLink::~LiveLink() = default;

void LiveLink::follow(const QString& ini, const QString& line, bool dated) {
    QString url;
    if (dated && !line.isEmpty()) {
        url = ReadIniValue(ini, line, keys::kLiveUrl, QString());
        if (url == QLatin1String(kUnknownValue)) {
            url.clear();
        }
    }
    if (url.isEmpty()) {
        if (client_) {
            client_.reset();
            Q_EMIT updated();
        }
        return;
    }
    if (client_ && ini == ini_ && line == line_ && url == url_) {
        return;
    }
    ini_ = ini;
    line_ = line;
    url_ = url;
    live::ChildOptions options = timing_;
    options.program = program_;
    options.arguments << QStringLiteral("--ini") << ini << QStringLiteral("--line") << line;
    client_ = std::make_unique<live::LiveClient>(options);
    ++batch_; // a new child: nothing of the last one counts
    connect(client_.get(), &live::LiveClient::updated, this, [this] {
        ++batch_;
        Q_EMIT updated();
    });
    client_->start();
    Q_EMIT updated();
}

std::optional<std::vector<LiveDeparture>> LiveLink::departures(const QDateTime& now) const {
    if (!client_ || !client_->liveAt(now.toSecsSinceEpoch())) {
        return std::nullopt;
    }
    if (converted_.batch != batch_ || converted_.day != now.date()) {
        converted_ = {batch_, now.date(),
                      liveDepartures(client_->snapshot().departures, now.date(),
                                     QTimeZone::systemTimeZone())};
    }
    return converted_.departures;
}

QString LiveLink::band(const QDateTime& now) const {
    if (!client_) {
        return {};
    }
    if (client_->liveAt(now.toSecsSinceEpoch())) {
        return QStringLiteral("Aktuální údaje z ") + client_->snapshot().liveAt;
    }
    const QString& reason = client_->snapshot().reason;
    return reason.isEmpty() ? QStringLiteral("Bez aktuálních údajů")
                            : QStringLiteral("Bez aktuálních údajů: ") + reason;
}

} // namespace kvapomer
