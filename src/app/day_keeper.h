#pragma once
// Keeps the active line right for the date: at every load, and on the first
// tick of each new date, a dated line gets the list of the day. At a load the
// file is brought to the date before it is read; at a new date the list comes
// from memory at once and the file is written in the background, so that no
// tick waits for the disk. Once a date, a feed newer than the line's data is
// imported again by the import tool in a child process, and the line is
// loaded again when it has finished.

#include "config/config_file.h"
#include "config/dated_line.h"
#include "config/day_notice.h"
#include "config/loader.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

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

    // The load: the active line of `file` brought to `date` first (one read,
    // and one update when its times need another list), then loaded from
    // the file as it then is; `loaded`, when given, receives the file as read.
    LoadResult load(const ConfigFile& file, const QDate& date, ConfigSnapshot* loaded = nullptr);
    // Whether the last load wrote the file (the list of the day into it).
    bool lastLoadWrote() const { return loadWrote_; }

    // Each tick, before the departures are chosen. On a new date the list of
    // the day is taken from memory and the file is written in the
    // background; once a date the feed is looked at. True when the list of
    // the day or the notice changed.
    bool onTick(const QDate& date);

    // The list of the day when the active line is dated (empty on a day
    // without service); nothing for a plain line, which runs on its times.
    const std::optional<QStringList>& todaysTimes() const { return todaysTimes_; }

    // The active line's dated data as loaded, if it is a dated line.
    const std::optional<DatedLine>& datedLine() const { return dated_; }

    // What the main window says about the day (empty: nothing).
    QString noticeText() const;
    bool noticeIsWarning() const;

Q_SIGNALS:
    // The file changed under the line (a refresh, another program): load again.
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
    PeriodState period_ = PeriodState::Inside;
    std::optional<QString> problem_;
    QDate feedCheckedOn_;
    QString importProgram_;
    QThreadPool pool_;
    bool loadWrote_ = false;
    bool jobRunning_ = false;
    bool jobAgain_ = false;
    QProcess* refresh_ = nullptr;
};

} // namespace kvapomer
