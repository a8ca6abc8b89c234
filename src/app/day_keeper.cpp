#include "app/day_keeper.h"

#include "app/import_link.h"

#include "config/dated_day.h"
#include "timetable/day_notice.h"
#include "timetable/feed_time.h"

#include <QProcess>

namespace kvapomer {

namespace {

QString refreshProblem(int exitCode) {
    switch (exitCode) {
    case 3:
        return QStringLiteral("Nový jízdní řád nelze přečíst.");
    case 4:
    case 5:
        return QStringLiteral("Linka v novém jízdním řádu chybí.");
    case 6:
        return QStringLiteral("V novém jízdním řádu linka nejede.");
    default:
        return QStringLiteral("Jízdní řád nelze obnovit (chyba %1).").arg(exitCode);
    }
}

} // namespace

struct DayKeeper::JobResult {
    QDate date;
    QString line;
    DaySync sync;
    bool accepted = true; // the file held the line the keeper holds
    enum class Feed { Same, Newer, Missing, Unknown } feed = Feed::Unknown;
};

DayKeeper::DayKeeper(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
}

DayKeeper::~DayKeeper() {
    pool_.waitForDone();
}

DayKeeper::DayLoad DayKeeper::load(const ConfigFile& file, const QDate& date,
                                   const LoadAccept& accept) {
    DayLoad out;
    const auto acceptable = [&](const ConfigFile::DaySyncResult&, const ConfigSnapshot& synced) {
        return !accept || accept(loadConfiguration(synced));
    };
    // When the update fails, the day's list is shown from memory and the
    // next load tries again.
    const ConfigFile::DaySyncResult synced =
        file.syncToDate(toSysDays(date), out.snapshot, acceptable);
    out.result = loadConfiguration(out.snapshot);
    out.accepted = synced.accepted;
    if (!out.accepted) {
        return out;
    }
    out.wrote = synced.written && synced.sync.changed;
    path_ = file.path();
    line_ = synced.line;
    plainLines_ = synced.sync.lines;
    adopt(synced.sync.dated, date);
    return out;
}

void DayKeeper::adopt(const std::optional<DatedLine>& dated, const QDate& date) {
    dated_ = dated;
    date_ = date;
    if (!dated_) {
        todaysTimes_.reset();
        period_ = PeriodState::Inside;
        return;
    }
    const DayChoice choice = chooseDay(*dated_, toSysDays(date));
    todaysTimes_ = timesText(dated_->lists[static_cast<std::size_t>(choice.list)]);
    todaysLines_ = dated_->linesOf(choice.list);
    period_ = choice.period;
}

bool DayKeeper::onTick(const QDate& date) {
    bool changed = false;
    if (date != date_) {
        const std::optional<QStringList> before = todaysTimes_;
        const QString noticeBefore = noticeText();
        adopt(dated_, date);
        changed = todaysTimes_ != before || noticeText() != noticeBefore;
    }
    // Once a date (the first tick after start-up included): the day's list
    // into the file unless it holds it already, and a look at the feed.
    if (dated_ && feedCheckedOn_ != date_) {
        feedCheckedOn_ = date_;
        startJob();
    }
    return changed;
}

void DayKeeper::startJob() {
    if (!dated_) {
        return;
    }
    if (jobRunning_) {
        jobAgain_ = true;
        return;
    }
    jobRunning_ = true;
    const QString path = path_;
    const QDate date = date_;
    const QString line = line_;
    const DatedLine held = *dated_;
    pool_.start([this, path, date, line, held] {
        JobResult result;
        result.date = date;
        // The day's write only into the version the keeper holds: any other
        // is loaded first, or refused and left alone.
        const auto same = [&](const ConfigFile::DaySyncResult& planned, const ConfigSnapshot&) {
            return planned.line == line && !planned.sync.madePlain && planned.sync.dated &&
                   sameTimetable(*planned.sync.dated, held);
        };
        ConfigSnapshot snapshot;
        const ConfigFile::DaySyncResult synced =
            ConfigFile(path).syncToDate(toSysDays(date), snapshot, same);
        result.line = synced.line;
        result.sync = synced.sync;
        result.accepted = synced.accepted;
        if (result.accepted) {
            const std::optional<QDateTime> modified = feedModified(held.source.feed);
            result.feed = !modified                          ? JobResult::Feed::Missing
                          : *modified > held.source.feedTime ? JobResult::Feed::Newer
                                                             : JobResult::Feed::Same;
        }
        // The keeper outlives the pool's work: its destructor waits for it.
        QMetaObject::invokeMethod(
            this, [this, result] { finishJob(result); }, Qt::QueuedConnection);
    });
}

void DayKeeper::finishJob(const JobResult& result) {
    jobRunning_ = false;
    if (!result.accepted || result.line != line_ || !dated_ ||
        !sameTimetable(*result.sync.dated, *dated_)) {
        Q_EMIT reloadWanted(); // the file is not what the window shows
    } else {
        dated_->written = result.sync.dated->written;
    }
    const QString before = noticeText();
    switch (result.feed) {
    case JobResult::Feed::Missing:
        problem_ = QStringLiteral("Jízdní řád nelze obnovit: soubor chybí.");
        break;
    case JobResult::Feed::Newer:
        startRefresh();
        break;
    case JobResult::Feed::Same:
        problem_.reset();
        break;
    case JobResult::Feed::Unknown:
        break;
    }
    if (noticeText() != before) {
        Q_EMIT noticeChanged();
    }
    if (jobAgain_) {
        jobAgain_ = false;
        startJob();
    }
}

void DayKeeper::startRefresh() {
    if (refresh_ || importProgram_.isEmpty()) {
        return;
    }
    refresh_ = new QProcess(this);
    refresh_->setStandardOutputFile(QProcess::nullDevice());
    refresh_->setStandardErrorFile(QProcess::nullDevice());
    connect(refresh_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        refreshEnded(code, status == QProcess::CrashExit);
    });
    connect(refresh_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            refreshEnded(-1, true);
        }
    });
    refresh_->start(importProgram_, {QString::fromLatin1(import_link::kRefreshOption),
                                     QString::fromLatin1(import_link::kIniOption), path_});
}

void DayKeeper::refreshEnded(int exitCode, bool crashed) {
    refresh_->deleteLater();
    refresh_ = nullptr;
    const QString before = noticeText();
    if (!crashed && exitCode == 0) {
        problem_.reset();
        Q_EMIT reloadWanted();
        return;
    }
    problem_ = exitCode < 0 ? QStringLiteral("Jízdní řád nelze obnovit: chybí kvapomer-import.")
               : crashed    ? QStringLiteral("Obnova jízdního řádu selhala.")
                            : refreshProblem(exitCode);
    if (noticeText() != before) {
        Q_EMIT noticeChanged();
    }
}

Timetable DayKeeper::todaysTimetable(const Timetable& loaded) const {
    Timetable today = loaded;
    if (todaysTimes_) {
        today.Times = *todaysTimes_;
        today.LastIndex = static_cast<std::int16_t>(todaysTimes_->size() - 1);
        today.Lines = todaysLines_;
    } else if (plainLines_.of.size() == static_cast<std::size_t>(loaded.Times.size())) {
        today.Lines = plainLines_;
    }
    return today;
}

QString DayKeeper::noticeText() const {
    return dayNotice(facts()).text;
}

bool DayKeeper::noticeIsWarning() const {
    return dayNotice(facts()).warning;
}

DayFacts DayKeeper::facts() const {
    DayFacts f;
    f.dated = dated_.has_value();
    if (dated_) {
        f.period = period_;
        f.first = dated_->first;
        f.last = dated_->last();
        f.noService = todaysTimes_ && todaysTimes_->isEmpty();
        f.problem = problem_;
    }
    return f;
}

} // namespace kvapomer
