#pragma once
// The main window's live departures: a kvapomer-live child runs while the
// active line is a dated line with a live address, and none otherwise (a
// line without one opens no connection and starts no process). Its batches
// become the countdown's expected departures and the words of the band
// below the window.

#include "countdown/live_departures.h"
#include "live/live_client.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kvapomer {

class LiveLink : public QObject {
    Q_OBJECT
public:
    // `program` is kvapomer-live; `timing` its watchdog and restart pause
    // (its arguments come before --ini and --line).
    explicit LiveLink(QString program, live::ChildOptions timing = {}, QObject* parent = nullptr);
    ~LiveLink() override;

    // After every load: the child for the active line `line` of `ini` when
    // `dated` and its section has LiveUrl; else none. Reads the line's key
    // names only, never the key itself (the child reads it).
    void follow(const QString& ini, const QString& line, bool dated);
    bool active() const { return client_ != nullptr; }

    // The expected departures while the data is live at `now`; nothing
    // otherwise (the timetable then counts).
    std::optional<std::vector<LiveDeparture>> departures(const QDateTime& now) const;

    // "Aktuální údaje z 06:10:35" while live, "Bez aktuálních údajů" when
    // not, with the reason the child gave ("Bez aktuálních údajů: Server
    // není dostupný."); empty when not active.
    QString band(const QDateTime& now) const;

Q_SIGNALS:
    void updated();

private:
    QString program_;
    live::ChildOptions timing_;
    QString ini_, line_, url_;
    std::unique_ptr<live::LiveClient> client_;
    // The last batch in minutes of its day: the tick asks every second, the
    // batch changes every 30 s.
    struct Converted {
        int batch = -1;
        QDate day;
        std::vector<LiveDeparture> departures;
    };
    int batch_ = 0;
    mutable Converted converted_;
};

// The departures of a batch as minutes from the midnight of `today`, their
// service days counted from noon minus 12 hours in `zone`.
std::vector<LiveDeparture> liveDepartures(const std::vector<live::ExpectedDeparture>& batch,
                                          const QDate& today, const QTimeZone& zone);

} // namespace kvapomer
