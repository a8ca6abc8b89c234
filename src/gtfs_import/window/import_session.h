#pragma once
// The import window's side of the import, without any widget: a feed read on
// a worker thread, the stop search as one types, the lines and directions
// that leave a place with their platforms, a preview of the departures of a
// date and of the days the line runs, and the save through the same use case
// as the command (import/import_line.h).
//
// Every question that reads the feed's files runs on one worker thread, one
// at a time (the feed's archive is read by one reader at a time); the
// interface thread only searches the stop index, which is never changed
// after the feed is read. A new question or cancel() abandons the one before:
// its answer is dropped, never shown.

#include "config/loader.h"
#include "gtfs_import/import/import_line.h"
#include "gtfs_import/queries/destination.h"
#include "gtfs_import/queries/feed.h"
#include "gtfs_import/queries/stop_lines.h"
#include "gtfs_import/queries/stop_search.h"

#include <QDate>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvapomer::gtfs {

// The lines serving each place whose row would read as another place's
// does, as its row names them: "Q90, Q91, Q92, …" (empty: none calls there).
using PlaceLines = std::unordered_map<const StopPlace*, QString>;

// A feed as the window holds it: the feed, its stop index, its stamp and the
// lines of its places of the same name.
class OpenFeed {
public:
    // Reads stops.txt and routes.txt and builds the index; when places share
    // a name, trips.txt and stop_times.txt for their lines. Throws FeedError.
    explicit OpenFeed(const QString& path);
    const Feed& feed() const { return feed_; }
    const StopIndex& index() const { return index_; }
    const FeedStamp& stamp() const { return stamp_; }
    const QString& path() const { return path_; }
    const PlaceLines& sameNamed() const { return sameNamed_; }

private:
    QString path_;
    FeedStamp stamp_; // taken before the feed is read
    Feed feed_;
    StopIndex index_;
    PlaceLines sameNamed_;
};

// A feed's text as the window shows it: printable, cut short.
QString shownText(const std::string& text);

// One row of the stop list: a place (a station or a stop of no station), or
// a platform of the station above it.
struct PlaceRow {
    const StopPlace* place = nullptr;
    const Stop* stop = nullptr; // the place's own stop, or the platform
    bool platform = false;
    QString text;
};

struct PlaceRows {
    std::vector<PlaceRow> rows;
    bool cut = false; // more places match than are listed
};

// The lines of the places of `index` whose rows would read the same as
// another place's. One pass over trips.txt and stop_times.txt when any do.
PlaceLines linesOfSameNamed(const Feed& feed, const StopIndex& index);

// The places whose names contain every word of `text` (case and diacritics
// ignored), each station followed by its platforms; at most `maxPlaces`. No
// two rows read the same: a place whose row would read as another's gets
// " – " + its lines (of `lines`) and its stop_code, platform_code or else
// stop_id in parentheses ("MAIN ST/ROOSEVELT AV – Q90 (501367)"); a platform
// whose row would read as another of its station's, its stop_id.
PlaceRows searchPlaces(const StopIndex& index, const QString& text, std::size_t maxPlaces = 200,
                       const PlaceLines& lines = {});
PlaceRows searchPlaces(const OpenFeed& feed, const QString& text, std::size_t maxPlaces = 200);

// The stops whose departures a row stands for: the place's calling stops, or
// the one platform.
std::vector<const Stop*> stopsOfRow(const PlaceRow& row);

// "150  Kačerov - Spořilov" for the list of lines.
QString routeText(const Route& route);

// The directions of `route` among `lines`, each with its platform.
std::vector<PlatformLine> directionsOf(const std::vector<PlatformLine>& lines, const Route* route);

// "směr Kačerov · nástupiště A" for the list of directions.
QString directionText(const PlatformLine& line);

// A line leaving one platform in one direction, or a line from a place to a
// destination, with every date's departures from `today` on.
struct Preview {
    StopPlace stop; // the platform, or the place of a line to a destination
    Route route;
    std::string direction; // as asked: the headsign, or direction_id without one
    DatedDepartures found;
    // A line to a destination: the destination, the routes asked for (none:
    // every route going there) and the routes going there among them.
    std::optional<StopPlace> to = std::nullopt;
    std::vector<Route> named = {};
    std::vector<Route> routes = {};
};

// Asks the feed. Throws FeedError.
Preview previewOf(const Feed& feed, const PlatformLine& line, std::chrono::sys_days today);
Preview previewTo(const Feed& feed, const StopPlace& stop, const StopPlace& to,
                  const std::vector<Route>& named, std::chrono::sys_days today);

// The first and last date of the preview's period.
std::chrono::sys_days periodFirst(const Preview& preview);
std::chrono::sys_days periodLast(const Preview& preview);

// The departures of `date` ("hh:mm"); empty for a date without service or
// outside the period.
QStringList departuresOn(const Preview& preview, std::chrono::sys_days date);

// The departures of `date` in one line as the preview shows them: "06:20  07:45",
// with the line of each for a line of several lines ("06:10 177, 06:20 150"),
// "nejede" for none.
QString departuresText(const Preview& preview, std::chrono::sys_days date);

// Which days the line runs, in one Czech line: the weekdays on which it mostly
// runs, then the dates that differ ("jede po–pá, so; nejede 2026-12-24;
// navíc 2026-12-27").
QString runningDays(const Preview& preview);

// What "Uložit" writes.
struct SaveChoice {
    QString line;
    QString note;
    bool oneDate = false;         // a plain line of `date` instead of a dated line
    std::chrono::sys_days date{}; // the chosen date
    // The walk from home to the stop in minutes (0 removes it); nothing
    // keeps the walk the line's section holds.
    std::optional<int> walkMin = std::nullopt;
    // A dated line's live address and key; an empty address keeps the line's own.
    QString liveUrl = {};
    QString liveToken = {};
};

// The line to write, as the command builds it (made active). Throws FeedError
// NoDepartures for a date without service, or a period without any.
ImportedLine lineToSave(const Preview& preview, const FeedStamp& stamp, const SaveChoice& choice,
                        std::chrono::sys_days today);

// The worker and what the window holds of the feed.
class ImportSession : public QObject {
    Q_OBJECT
public:
    using Today = std::function<std::chrono::sys_days()>;
    explicit ImportSession(QString ini, Today today, QObject* parent = nullptr);
    ~ImportSession() override;

    const QString& ini() const { return ini_; }
    std::chrono::sys_days today() const { return today_(); }

    // Reads the feed and remembers it in the file (Set/LastFeed);
    // feedOpened() or failed() follow.
    void openFeed(const QString& path);
    // Lines leaving the stops of `row`; linesReady() or failed() follow.
    void chooseRow(const PlaceRow& row);
    // The routes going from the place of `from` to the place of `to` (rows of
    // the stop search), destinationReady(); then the departures of them all,
    // previewReady(), or failed() saying why there are none (no route goes
    // there: noLineGoes).
    void chooseDestination(const PlaceRow& from, const PlaceRow& to);
    // The departures to the destination of `ticked` among routesTo() only;
    // previewReady() or failed() follow. None ticked: no preview.
    void chooseRoutesTo(const std::vector<Route>& ticked);
    // The departures of a line, and the file as it then is for the walks
    // its lines hold; previewReady() or failed() follow.
    void chooseLine(const PlatformLine& line);
    // The walk to propose for saving as `line`: the one the file's line of
    // that number holds (read with the preview), else 0.
    int proposedWalk(const QString& line) const;
    // Writes the line; saved() follows.
    void save(const SaveChoice& choice);
    // Abandons the question in progress.
    void cancel();

    bool busy() const { return busy_; }
    const OpenFeed* feed() const { return feed_.get(); }
    const std::vector<PlatformLine>& lines() const { return lines_; }
    const std::vector<Route>& routesTo() const { return routesTo_; }
    const Preview* preview() const { return preview_ ? &*preview_ : nullptr; }

Q_SIGNALS:
    // `what` says what the worker does, e.g. "Načítám jízdní řád…".
    void busyChanged(bool busy, const QString& what);
    void feedOpened();
    void linesReady();
    void destinationReady();
    void previewReady();
    void saved(bool ok, const QString& message);
    void failed(const QString& message);

private:
    // What a new choice of place or destination makes old.
    void forgetChoice();
    // Runs `work` on the worker; `done` with its result on this thread unless
    // abandoned meanwhile. A FeedError or other failure becomes failed().
    template <typename Work, typename Done> void start(const QString& what, Work work, Done done);

    QString ini_;
    Today today_;
    std::shared_ptr<const OpenFeed> feed_;
    std::vector<PlatformLine> lines_;
    // The chosen place and destination (of the feed), and the routes going there.
    std::optional<std::pair<StopPlace, StopPlace>> trip_;
    std::vector<Route> routesTo_;
    std::optional<Preview> preview_;
    ConfigSnapshot file_; // as read with the preview
    bool busy_ = false;
    std::shared_ptr<std::atomic<std::uint64_t>> ticket_;
    QThreadPool worker_; // last: waits for the worker before the rest goes
};

// What the main window says over the import window's standard input: lines
// "settings-open" and "settings-closed". Reads a pipe or socket without
// blocking; the end of the input means the main window is gone.
class ParentInput : public QObject {
    Q_OBJECT
public:
    explicit ParentInput(int fd, QObject* parent = nullptr);
    // Whether `fd` is a pipe or socket worth listening to (not a terminal, a
    // file or /dev/null).
    static bool listenable(int fd);

Q_SIGNALS:
    void settingsOpen(bool open);
    void ended();

private:
    void readAvailable();
    int fd_;
    QByteArray pending_;
    QSocketNotifier notifier_;
};

} // namespace kvapomer::gtfs
