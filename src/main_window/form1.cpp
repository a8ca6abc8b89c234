#include "main_window/form1.h"

#include "config/config_file.h"
#include "config/loader.h"
#include "countdown/countdown_tick.h"
#include "countdown/sound_request.h"
#include "countdown/spoken.h"
#include "main_window/main_look.h"
#include "main_window/panel_icon.h"
#include "ui_common/accessibility.h"
#include "ui_common/colours.h"
#include "ui_common/fonts.h"
#include "ui_common/svg_icon.h"
#include "ui_common/window_ties.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cmath>

namespace kvapomer {

using namespace main_look;

namespace {

constexpr int kStartUpGapTwips = 400;
} // namespace

Form1::Form1(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      platform_(platform) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Nahrávám data..."));
    setWindowIcon(svgIcon(QStringLiteral(":/icons/clock.svg")));
    setFont(designFont(QStringLiteral("MS Serif"), 8.25));
    setFixedSize(312, 154);
    setMouseTracking(true);
    setAcceptDrops(true); // a timetable feed dropped here opens the import window
    buildLayout();
    panelIcon_ = new PanelIcon(
        this, [this] { return contextMenu(); },
        [this](bool on) { ownWrite([&] { static_cast<void>(configFile().storeTrayIcon(on)); }); });
    slotLines_.emplace(label3_);
    // The file changed under the line: loaded as any change of someone else's.
    connect(&loads_.dayKeeper(), &DayKeeper::reloadWanted, this, &Form1::followConfigFile);
    connect(&loads_.dayKeeper(), &DayKeeper::noticeChanged, this, &Form1::showDay);
}

Form1::~Form1() {
    delete settings_.data();
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        // A desktop that turns dark (or light) gets the colours that read on it.
        for (QLabel* label : {label1_, label7_}) {
            setTextColour(label, kBlue);
        }
        setTextColour(label6_, dayNoticeColour());
        setTextColour(label3_[0], platformColour(AlertColour::Green));
        walkView_.recolour({label3_, frame1_, label5_, label8_, label9_});
        slotLooks_.fill(-1); // the live colours resolved again on the next tick
        setTextColour(label5_, platformColour(state_.countdown.colour));
        if (frame4_) {
            setTextColour(label8_, platformColour(state_.countdown.colour));
            setTextColour(label9_, platformColour(kDarkRed));
        }
    }
}

QString Form1::contactAddress() {
    return QStringLiteral("orv@example.com");
}

QString Form1::creditLine() {
    return QStringLiteral("© Orv 2005–2026, ") + contactAddress();
}

ConfigFile Form1::configFile() const {
    return ConfigFile(ConfigFilePath(platform_.exeFolder.path()));
}

ProgramSnapshot Form1::snapshot() const {
    // The settings window edits the list the window counts down, or, on a
    // day without service, the one the file holds.
    ProgramSnapshot s{state_.timetable, state_.alerts, state_.note};
    if (!state_.today.Times.isEmpty()) {
        s.timetable.Times = state_.today.Times;
        s.timetable.LastIndex = state_.today.LastIndex;
    }
    return s;
}

void Form1::placeWindow() {
    const QSize screen = platform_.screen.size();
    const QSize outer = frameGeometry().size();
    placedOuterSize_ = outer;
    const int gap = static_cast<int>(std::lround(double(kStartUpGapTwips) / kTwipsPerPixel));
    move(screen.width() - outer.width(), screen.height() - outer.height() - gap);
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        // The window manager adds its frame only once the window is mapped;
        // place the window again by its real outer size as soon as that is known.
        QTimer::singleShot(250, this, [this] {
            if (frameGeometry().size() != placedOuterSize_) {
                placeWindow();
            }
        });
    }
}

bool Form1::start() {
    placeWindow();
    label6_->setText(creditLine());
    state_.Expanded = false;
    state_.countdown.SoundArmed = true;
    loads_.dayKeeper().setImportProgram(ImportLauncher::programIn(platform_.exeFolder.path()));
    if (!LoadData()) {
        return false;
    }
    const QTime now = platform_.clock.now();
    timer1_->start(TickSchedule::kPeriodMs - now.msec() + TickSchedule::kMarginMs);
    return true;
}

bool Form1::LoadData() {
    // A dated line gets the list of the day before it is read.
    LoadPath::Loaded loaded = loads_.load(configFile(), platform_.clock.current().date());
    loading_ = true;
    for (const LoadMessage& message : loaded.result.messages) {
        platform_.messageBox.show(message.text, message.title, MessageStyle::Error);
    }
    loading_ = false;
    if (loaded.result.status != LoadStatus::Loaded) {
        timer1_->stop();
        flashT_->stop();
        stayT_->stop();
        platform_.programEnd.endNow(1);
        return false;
    }
    applyLoaded(std::move(loaded));
    return true;
}

void Form1::applyLoaded(LoadPath::Loaded&& loaded) {
    LoadedConfig& config = loaded.result.config;
    state_.timetable = std::move(config.timetable);
    state_.alerts = std::move(config.alerts);
    if (config.expand) {
        state_.Expanded = true;
    }
    state_.heading = config.heading;
    state_.note = config.note;
    label1_->setText(state_.heading);
    label7_->setText(state_.note);
    applyStayOnTop(loaded.stayOnTop);
    panelIcon_->setChosen(loaded.trayIcon);
    followLive();
    showDay();
}

// A line of several lines: its heading ("Příjezdy BUS č.150+177") set
// smaller until it ends before the note; a line of one line keeps the
// heading as laid out.
void Form1::fitHeading() {
    label1_->setFont(headingFont_);
    if (!state_.today.Lines.empty()) {
        shrinkToFit(label1_, label1_->text(), label1_->width());
    }
}

void Form1::followConfigFile() {
    if (loading_ || closed_ || platform_.programEnd.ending()) {
        return;
    }
    std::optional<LoadPath::Loaded> loaded =
        loads_.follow(configFile(), platform_.clock.current().date(), settingsOpen());
    if (loaded) {
        applyLoaded(std::move(*loaded));
    }
}

void Form1::ownWrite(const std::function<void()>& write) {
    loads_.ownWrite(configFile().path(), write);
}

void Form1::setStayOnTop(bool on) {
    applyStayOnTop(on);
    // A failed write is silent, as every plain file write is.
    ownWrite([&] { static_cast<void>(configFile().storeStayOnTop(on)); });
}

void Form1::applyStayOnTop(bool on) {
    if (stayOnTopAction_) {
        stayOnTopAction_->setChecked(on);
    }
    if (stayOnTop_ == on) {
        return;
    }
    stayOnTop_ = on;
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (QWindow* window = windowHandle()) {
        // Changed on the native window itself: setting the widget's flags
        // would hide the window and show it anew, minimised state lost.
        overrideWindowFlags(flags);
        window->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

void Form1::bringToFront(const QByteArray& token) {
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        // The compositor lets a window take the focus with the token of the
        // start that asked for it.
        qputenv("XDG_ACTIVATION_TOKEN", token);
    }
    restoreMinimised(this);
}

void Form1::openImport(const QString& feed) {
    const QString folder = platform_.exeFolder.path();
    if (!import_.open(folder, configFile().path(), feed, settingsOpen())) {
        platform_.messageBox.show(ImportLauncher::missingMessage(folder),
                                  QStringLiteral("Orv Kvapomer"), MessageStyle::Error);
    }
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!ImportLauncher::droppedFeed(event->mimeData()).isEmpty() && !import_.running()) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    const QString feed = ImportLauncher::droppedFeed(event->mimeData());
    if (feed.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    openImport(feed);
}

bool Form1::settingsOpen() const {
    return settings_ && settings_->isVisible();
}

void Form1::queueSettingsCheck() {
    QMetaObject::invokeMethod(this, &Form1::settingsStateChanged, Qt::QueuedConnection);
}

// The import window must not save while the settings window is open, whose
// save or "Zpátky" would write its older copy back; and a change of the file
// seen meanwhile is loaded once it has closed.
void Form1::settingsStateChanged() {
    const bool open = settingsOpen();
    if (import_.settingsChanged(open) && !open) {
        followConfigFile();
    }
}

// The list the countdown runs on, and what is said about the day in place
// of the credit line while it lasts.
void Form1::showDay() {
    state_.today = loads_.dayKeeper().todaysTimetable(state_.timetable);
    fitHeading();
    const QString notice = loads_.dayKeeper().noticeText();
    label6_->setText(notice.isEmpty() ? creditOrLive(platform_.clock.current()) : notice);
    panelIcon_->setDayNotice(notice);
    setTextColour(label6_, dayNoticeColour());
}

// A warning about the day in red; the credit line and a quieter notice blue.
QColor Form1::dayNoticeColour() const {
    return loads_.dayKeeper().noticeIsWarning() ? QColor(255, 0, 0) : kBlue;
}

void Form1::onTimer1() {
    if (platform_.programEnd.ending()) {
        return;
    }
    const QDateTime now = platform_.clock.current();
    const TickSchedule::Decision decision = schedule_.onFire(now.time());
    timer1_->start(decision.delayMs);
    if (decision.tick) {
        // Before the tick, so that the tick already shows a new version.
        followConfigFile();
        import_.running(); // collects an import window that has ended
        applyTick(now);
    }
}

void Form1::tick() {
    applyTick(platform_.clock.current());
}

void Form1::applyTick(const QDateTime& now) {
    // The first tick of a new date (midnight, a resume, a clock change)
    // takes the day's list before it chooses departures.
    if (loads_.dayKeeper().onTick(now.date())) {
        showDay();
    }
    const ClockSample sample = ClockSample::from(now.time());
    state_.clock = sample;
    const bool minimised = windowState().testFlag(Qt::WindowMinimized);
    const std::optional<std::vector<LiveDeparture>> live = liveDepartures(now);
    const TickView view = countdownTick(sample, state_.today, state_.alerts, minimised,
                                        state_.countdown, live ? &*live : nullptr);
    state_.countdown = view.state;
    paintTick(view);
    paintLive(view, now);
    panelIcon_->show(view, state_.alerts);
}

// Shows one tick's value, in the order the tick's effects happen.
void Form1::paintTick(const TickView& view) {
    for (std::size_t k = 0; k < label3_.size(); ++k) {
        if (label3_[k]->text() != view.slots[k] ||
            label3_[k]->accessibleName() != view.slotNames[k]) {
            label3_[k]->setText(view.slots[k]);
            label3_[k]->setAccessibleName(view.slotNames[k]);
        }
    }
    if (view.busInStationStarts) {
        busMessageShown_ = true;
        if (label9_) {
            label9_->show();
        }
        if (!stayT_->isActive()) {
            stayT_->start();
        }
    }

    if (view.alertStepRan) {
        setTextColour(label5_, platformColour(view.colour));
        if (view.playSound) {
            PlayAlertSound(state_.alerts, platform_.exeFolder.path(), platform_.sound);
        }
        if (view.desktopNoticeDue && desktopNotice_) {
            desktopNotice_->show(view.notice.summary, view.notice.body);
        }
        if (view.flashing) {
            if (!flashT_->isActive()) {
                flashT_->start();
            }
        } else {
            flashT_->stop();
            if (view.reshowCountdown) {
                label5_->show();
                if (label8_) {
                    label8_->show();
                }
            }
        }
    }
    label5_->setText(view.countdownText);
    setAccessibleDescriptionIfChanged(label5_, view.sentence);
    if (!view.announcement.isEmpty()) {
        announcer_->announce(view.announcement);
    }

    if (view.title && windowTitle() != *view.title) {
        setWindowTitle(*view.title);
    }

    // Read as a time, never with the blank of the blinking colon.
    setAccessibleNameIfChanged(label4_, view.spokenClock);
    label4_->setText(view.clockText);

    if (state_.Expanded) {
        command1_->setText(QStringLiteral("Zmenšit"));
        expandedView()->show();
        setAccessibleDescriptionIfChanged(label8_, view.sentence);
        label8_->setText(view.countdownText);
        setTextColour(label8_, platformColour(state_.countdown.colour));
    } else {
        command1_->setText(QStringLiteral("Zvětšit"));
        if (frame4_) {
            frame4_->hide();
        }
    }
    walkView_.paint(view, {label3_, frame1_, label5_, label8_, label9_});
    slotLines_->paint(view, frame4_);
}

void Form1::flashTick() {
    const bool minimised = windowState().testFlag(Qt::WindowMinimized);
    const FlashView view = kvapomer::flashTick(minimised, state_.countdown);
    state_.countdown = view.state;
    label5_->setVisible(view.countdownVisible);
    if (label8_) {
        label8_->setVisible(view.countdownVisible);
    }
    if (view.title) {
        setWindowTitle(*view.title);
    }
}

void Form1::stayTick() {
    busMessageShown_ = false;
    if (label9_) {
        label9_->hide();
    }
    stayT_->stop();
}

void Form1::openSettings() {
    if (settings_ && settings_->isVisible()) {
        // Visible but minimised by the window manager: the user cannot see it.
        if (settings_->isMinimized()) {
            restoreMinimised(settings_);
        }
        return;
    }
    if (settings_) {
        // A closed settings window is unloaded: the next opening starts afresh.
        settings_->deleteLater();
        settings_.clear();
    }
    if (!settingsFactory_) {
        return;
    }
    QWidget* created = settingsFactory_(*this);
    if (platform_.programEnd.ending()) {
        delete created;
        return;
    }
    settings_ = created;
    if (settings_) {
        makeTransientFor(settings_, this);
        settings_->installEventFilter(this);
        connect(settings_, &QObject::destroyed, this, &Form1::queueSettingsCheck);
        settings_->show();
        settingsStateChanged();
    }
}

void Form1::sendMail() {
    const QString target = QStringLiteral("mailto:") + contactAddress() +
                           QStringLiteral("?Subject=") +
                           QString::fromLatin1(QUrl::toPercentEncoding(windowTitle()));
    platform_.shell.open(target);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (platform_.programEnd.ending()) {
        event->accept();
        return;
    }
    const MessageAnswer answer =
        platform_.messageBox.show(QStringLiteral("Opravdu chcete skončit?"),
                                  QStringLiteral("Orv Kvapomer"), MessageStyle::QuestionOkCancel);
    if (answer == MessageAnswer::Cancel) {
        event->ignore();
        return;
    }
    closed_ = true;
    // A failed write of the view state is silent, as every plain file write is.
    ownWrite([this] { static_cast<void>(configFile().storeViewState(state_.Expanded)); });
    if (settings_) {
        settings_->close();
        delete settings_.data();
    }
    timer1_->stop();
    flashT_->stop();
    stayT_->stop();
    event->accept();
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    // Only the window's own background turns the credit line back to normal.
    if (childAt(event->position().toPoint()) == nullptr) {
        QFont f = label6_->font();
        if (f.bold()) {
            f.setBold(false);
            label6_->setFont(f);
        }
    }
    QWidget::mouseMoveEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == settings_.data() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
         event->type() == QEvent::Close)) {
        queueSettingsCheck();
    }
    if (watched == label6_) {
        if (event->type() == QEvent::MouseMove) {
            QFont f = label6_->font();
            if (!f.bold()) {
                f.setBold(true);
                label6_->setFont(f);
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                label6_->rect().contains(mouse->position().toPoint())) {
                sendMail();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kvapomer
