#pragma once
// Keeps the active line right for the date: at every load, and on the first
// tick of each new date, a dated line gets the list of the day. At a load the
// file is brought to the date before it is read; at a new date the list comes
// from memory at once and the file is written in the background, so that no
// tick waits for the disk. Once a date, a feed newer than the line's data is
// imported again by the import tool in a child process, and the line is
// loaded again when it has finished.

#include "config/config_file.h"
#include "config/loader.h"
#include "config/records.h"
#include "timetable/dated_line.h"
#include "timetable/day_notice.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <optional>

class QProcess;

namespace kvapomer {

class DayKeeper : public QObject {
    Q_OBJECT
public:
    explicit DayKeeper(QObject* parent = nullptr);
    ~DayKeeper() override; // waits for a write under way

    // The import tool run for a refresh (nothing set: no refreshes).
    void setImportProgram(const QString& program) { importProgram_ = program; }

    // Whether a load's result may replace what the window shows.
    using LoadAccept = std::function<bool(const LoadResult&)>;
    struct DayLoad {
        LoadResult result;
        ConfigSnapshot snapshot; // the file as read
        bool accepted = true;    // false: refused; nothing of it kept, nothing written
        bool wrote = false;      // the load wrote the list of the day into the file
    };
    // The load: the active line of `file` brought to `date` first (one read,
    // and one update when its times need another list), then loaded from
    // the file as it then is. A version `accept` refuses leaves the keeper
    // as it was and the file unwritten.
    DayLoad load(const ConfigFile& file, const QDate& date, const LoadAccept& accept = {});

    // Each tick, before the departures are chosen. On a new date the list of
    // the day is taken from memory and the file is written in the
    // background; once a date the feed is looked at. True when the list of
    // the day or the notice changed.
    bool onTick(const QDate& date);

    // The list of the day when the active line is dated (empty on a day
    // without service); nothing for a plain line, which runs on its times.
    const std::optional<QStringList>& todaysTimes() const { return todaysTimes_; }

    // What the countdown runs on: the loaded line, or a dated line's list of
    // the day (empty on a day without service).
    Timetable todaysTimetable(const Timetable& loaded) const;

    // The active line's dated data as loaded, if it is a dated line.
    const std::optional<DatedLine>& datedLine() const { return dated_; }

    // What the main window says about the day (empty: nothing).
    QString noticeText() const;
    bool noticeIsWarning() const;

Q_SIGNALS:
    // The file changed under the line (a refresh, another program): follow
    // it as any change of someone else's.
    void reloadWanted();
    // The notice changed on its own (a refresh failed or the feed went missing).
    void noticeChanged();

private:
    struct JobResult;
    void adopt(const std::optional<DatedLine>& dated, const QDate& date);
    void startJob();
    DayFacts facts() const;
    void finishJob(const JobResult& result);
    void startRefresh();
    void refreshEnded(int exitCode, bool crashed);

    QString path_;
    QString line_;
    QDate date_;
    std::optional<DatedLine> dated_;
    std::optional<QStringList> todaysTimes_;
    DepartureLines todaysLines_; // of todaysTimes_, for a dated line of several lines
    DepartureLines plainLines_;  // of a plain line of several lines, as loaded
    PeriodState period_ = PeriodState::Inside;
    std::optional<QString> problem_;
    QDate feedCheckedOn_;
    QString importProgram_;
    QThreadPool pool_;
    bool jobRunning_ = false;
    bool jobAgain_ = false;
    QProcess* refresh_ = nullptr;
};

} // namespace kvapomer
