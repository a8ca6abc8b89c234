#include "main_window/form1.h"

#include "config/config_file.h"
#include "config/loader.h"
#include "countdown/countdown_tick.h"
#include "countdown/sound_request.h"
#include "countdown/spoken.h"
#include "ui_common/accessibility.h"
#include "ui_common/classic_look.h"
#include "ui_common/colours.h"
#include "ui_common/focus_ring.h"
#include "ui_common/fonts.h"
#include "ui_common/svg_icon.h"
#include "ui_common/window_ties.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cmath>

namespace kvapomer {

namespace {

constexpr int kStartUpGapTwips = 400;
// Layout colour of the bus-in-station message (0x00BBGGRR).
constexpr std::uint32_t kDarkRed = 192;

QColor platformColour(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QColor platformColour(AlertColour colour) {
    return platformColour(static_cast<std::uint32_t>(colour));
}

// The designed colour on a light desktop; one that stays readable on a dark
// one. Only the text colour is the control's own: the rest follows the window.
void setTextColour(QWidget* w, const QColor& designed) {
    QPalette own;
    own.setResolveMask(0);
    own.setColor(QPalette::WindowText, textColourFor(designed, w->window()->palette()));
    w->setPalette(own);
}

const QColor kBlue(0, 0, 255);

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                  const QFont& font, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(font);
    label->setAlignment(alignment);
    return label;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QRect& geometry, const QString& title,
                     const QFont& font) {
    auto* frame = new ClassicFrame(title, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(geometry);
    frame->setFont(font);
    frame->setFlat(false);
    return frame;
}

// The one .zip file among dropped things, if that is what they are.
QString droppedFeed(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) {
        return {};
    }
    const QUrl url = mime->urls().constFirst();
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    return path.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive) && QFileInfo(path).isFile()
               ? path
               : QString();
}

QByteArray settingsLine(bool open) {
    return open ? QByteArrayLiteral("settings-open\n") : QByteArrayLiteral("settings-closed\n");
}

QTimer* makeTimer(QObject* parent, const char* name, int interval) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

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
    connect(&dayKeeper_, &DayKeeper::reloadWanted, this, [this] {
        if (!platform_.programEnd.ending()) {
            LoadData();
        }
    });
    connect(&dayKeeper_, &DayKeeper::noticeChanged, this, &Form1::showDay);
}

Form1::~Form1() {
    delete settings_.data();
}

void Form1::buildLayout() {
    const QFont sans = designFont(QStringLiteral("MS Sans Serif"), 8.25);
    const QFont sansBold = designFont(QStringLiteral("MS Sans Serif"), 8.25, true);

    stayT_ = makeTimer(this, "StayT", 10500);
    connect(stayT_, &QTimer::timeout, this, &Form1::stayTick);

    // Sound goes through the platform; this placeholder keeps the control's
    // place in the layout and is never shown.
    mmControl1_ = new QWidget(this);
    mmControl1_->setObjectName(QStringLiteral("MMControl1"));
    mmControl1_->setGeometry(twips(1140, 2220, 3540, 330));
    mmControl1_->hide();

    command1_ = new QPushButton(QStringLiteral("Zvětšit"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setGeometry(twips(60, 1920, 1035, 375));
    command1_->setToolTip(QStringLiteral("Zvětšit / Zmenšit čas odpočtu"));
    command1_->setFont(sans);
    connect(command1_, &QPushButton::clicked, this, [this] { state_.Expanded = !state_.Expanded; });

    flashT_ = makeTimer(this, "FlashT", 500);
    connect(flashT_, &QTimer::timeout, this, &Form1::flashTick);

    frame3_ =
        makeFrame(this, "Frame3", twips(120, 1020, 4455, 855), QStringLiteral("Příjezdy :"), sans);
    frame3_->setToolTip(QStringLiteral("Časy příjezdů autobusů"));
    command2_ = new QPushButton(QStringLiteral("Nastavení"), frame3_);
    command2_->setObjectName(QStringLiteral("Command2"));
    command2_->setGeometry(twips(3480, 180, 915, 615));
    command2_->setToolTip(QStringLiteral("Nastavení programu a časů"));
    command2_->setFont(designFont(QStringLiteral("Arial Narrow"), 9.75));
    connect(command2_, &QPushButton::clicked, this, &Form1::openSettings);

    const QString nextTip = QStringLiteral("Čas příjezdu následujícího autobusu");
    auto departureLabel = [&](int index, const QRect& geometry, const QString& tip, bool first) {
        const QByteArray name = "Label3_" + QByteArray::number(index);
        QLabel* label = makeLabel(frame3_, name.constData(), geometry, QString(),
                                  first ? sansBold : sans, Qt::AlignHCenter | Qt::AlignTop);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
        label->setToolTip(tip);
        if (first) {
            setTextColour(label, platformColour(AlertColour::Green));
        }
        label3_[static_cast<std::size_t>(index)] = label;
    };
    auto numberLabel = [&](int index, const QRect& geometry) {
        const QByteArray name = "Label2_" + QByteArray::number(index);
        label2_[static_cast<std::size_t>(index)] =
            makeLabel(frame3_, name.constData(), geometry,
                      QString::number(index + 1) + QStringLiteral(". :"), sans);
    };
    numberLabel(3, twips(1860, 540, 255, 195));
    departureLabel(0, twips(420, 240, 1155, 255),
                   QStringLiteral("Čas, ve který přijede odpočítávaný autobus"), true);
    departureLabel(1, twips(420, 480, 1155, 255), nextTip, false);
    departureLabel(2, twips(2160, 240, 1155, 255), nextTip, false);
    numberLabel(0, twips(120, 300, 255, 195));
    numberLabel(1, twips(120, 600, 255, 195));
    numberLabel(2, twips(1860, 300, 255, 195));
    departureLabel(3, twips(2160, 480, 1155, 255), nextTip, false);
    // In the departure list too, earlier controls lie in front of later ones.
    const QList<QWidget*> listFrontToBack{command2_,  label2_[3], label3_[0],
                                          label3_[1], label3_[2], label2_[0],
                                          label2_[1], label2_[2], label3_[3]};
    for (auto it = listFrontToBack.rbegin(); it != listFrontToBack.rend(); ++it) {
        (*it)->raise();
    }

    frame2_ = makeFrame(this, "Frame2", twips(60, 360, 2235, 615),
                        QStringLiteral("Aktuální čas : "), sans);
    frame2_->setToolTip(QStringLiteral("Aktuální čas v PC"));
    label4_ = makeLabel(frame2_, "Label4", twips(60, 240, 2055, 315), QString(),
                        designFont(QStringLiteral("Courier New"), 14.25, true),
                        Qt::AlignHCenter | Qt::AlignTop);
    label4_->setToolTip(QStringLiteral("Aktuální čas v PC"));

    frame1_ = makeFrame(this, "Frame1", twips(2340, 360, 2235, 615),
                        QStringLiteral("Čas do příjezdu autobusu :"), sans);
    label5_ = makeLabel(frame1_, "Label5", twips(120, 240, 1995, 315), QString(),
                        designFont(QStringLiteral("MS Sans Serif"), 12, true),
                        Qt::AlignHCenter | Qt::AlignTop);
    label5_->setToolTip(QStringLiteral("Čas za jak dlouho přijede nejbližší autobus"));
    setTextColour(label5_, platformColour(AlertColour::Red));

    timer1_ = makeTimer(this, "Timer1", TickSchedule::kPeriodMs);
    timer1_->setSingleShot(true);
    connect(timer1_, &QTimer::timeout, this, &Form1::onTimer1);

    label7_ =
        makeLabel(this, "Label7", twips(3600, 120, 1035, 195), QStringLiteral("(směr Kačerov)"),
                  designFont(QStringLiteral("Small Fonts"), 6.75));
    setTextColour(label7_, kBlue);
    label6_ = makeLabel(this, "Label6", twips(1080, 1920, 3525, 375), QString(), sans,
                        Qt::AlignHCenter | Qt::AlignTop);
    label6_->setToolTip(QStringLiteral("Klikni pro zaslání mailíku..."));
    label6_->setCursor(Qt::PointingHandCursor);
    label6_->setMouseTracking(true);
    label6_->installEventFilter(this);
    setTextColour(label6_, kBlue);
    label1_ =
        makeLabel(this, "Label1", twips(1080, 0, 2475, 315), QStringLiteral("Příjezdy BUS č.150"),
                  designFont(QStringLiteral("MS Sans Serif"), 12, true));
    setTextColour(label1_, kBlue);

    // Earlier controls lie in front of later ones where they overlap; the
    // expanded view, built on first use, goes in front of them all.
    const QList<QWidget*> frontToBack{command1_, frame3_, frame2_, frame1_,
                                      label7_,   label6_, label1_};
    for (auto it = frontToBack.rbegin(); it != frontToBack.rend(); ++it) {
        (*it)->raise();
    }

    command1_->setFocusPolicy(Qt::StrongFocus);
    command2_->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(command1_, command2_);

    describeForScreenReaders();
    new FocusRing(this);
}

// Names, descriptions and the reading order: the heading, the clock, the
// four departures, the countdown, the note, the credit line and the button.
void Form1::describeForScreenReaders() {
    frame2_->setAccessibleName(QStringLiteral("Aktuální čas"));
    frame3_->setAccessibleName(QStringLiteral("Příjezdy"));
    frame1_->setAccessibleName(QStringLiteral("Čas do příjezdu autobusu"));
    label5_->setAccessibleName(QStringLiteral("Zbývající čas"));
    for (std::size_t k = 0; k < label3_.size(); ++k) {
        label3_[k]->setAccessibleName(departureSlotName(static_cast<int>(k) + 1, QString()));
    }
    announcer_ = new Announcer(this);
    setReadingOrder(frame2_, {label4_});
    setReadingOrder(frame1_, {label5_});
    // The numbers "1. :" to "4. :" are part of the departures' names.
    setReadingOrder(frame3_, {label3_[0], label3_[1], label3_[2], label3_[3], command2_});
    applyReadingOrder();
}

void Form1::applyReadingOrder() {
    QList<QWidget*> order{label1_, frame2_, frame3_, frame1_};
    if (frame4_) {
        order << frame4_;
    }
    order << label7_ << label6_ << command1_ << announcer_;
    setReadingOrder(this, order);
}

QWidget* Form1::expandedView() {
    if (frame4_) {
        return frame4_;
    }
    // Its faces are registered only now: nothing else uses them.
    registerApplicationFonts();

    frame4_ = makeFrame(this, "Frame4", twips(60, 0, 4575, 1875), QString(),
                        designFont(QStringLiteral("MS Serif"), 8.25, true));
    // The expanded view lies over the whole upper band and hides it.
    frame4_->setAutoFillBackground(true);
    frame4_->hide();
    label9_ = makeLabel(
        frame4_, "Label9", twips(60, 1260, 4455, 555), QStringLiteral("Autobus je ve stanici !!!"),
        designFont(QStringLiteral("Tahoma"), 21.75), Qt::AlignHCenter | Qt::AlignTop);
    shrinkToFit(label9_, label9_->text(), label9_->width());
    label9_->setAutoFillBackground(true); // drawn over the lower part of the countdown
    setTextColour(label9_, platformColour(kDarkRed));
    label9_->setVisible(busMessageShown_);
    label8_ = makeLabel(frame4_, "Label8", twips(120, 300, 4395, 1395), QStringLiteral("00:00:00"),
                        designFont(QStringLiteral("Tahoma"), 48, true));
    label8_->setToolTip(QStringLiteral("Čas do příjezdu autobusu"));
    shrinkToFit(label8_, QStringLiteral("00:00:00"), label8_->width());
    label8_->setVisible(!state_.countdown.countdownHidden);
    label9_->raise();

    frame4_->setAccessibleName(QStringLiteral("Zvětšený pohled"));
    label8_->setAccessibleName(QStringLiteral("Zbývající čas ve zvětšeném pohledu"));
    label8_->setAccessibleDescription(label5_->accessibleDescription());
    setReadingOrder(frame4_, {label8_, label9_});
    applyReadingOrder();
    return frame4_;
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
    dayKeeper_.setImportProgram(platform_.exeFolder.path() + QStringLiteral("/kvapomer-import"));
    if (!LoadData()) {
        return false;
    }
    const QTime now = platform_.clock.now();
    timer1_->start(TickSchedule::kPeriodMs - now.msec() + TickSchedule::kMarginMs);
    return true;
}

bool Form1::LoadData() {
    // Stamped before the read: a change in between is seen again, never missed.
    const FileStamp stamp = stampOf(configFile().path());
    // A dated line gets the list of the day before it is read.
    ConfigSnapshot snapshot;
    LoadResult result = dayKeeper_.load(configFile(), platform_.clock.current().date(), &snapshot);
    loading_ = true;
    for (const LoadMessage& message : result.messages) {
        platform_.messageBox.show(message.text, message.title, MessageStyle::Error);
    }
    loading_ = false;
    if (result.status != LoadStatus::Loaded) {
        timer1_->stop();
        flashT_->stop();
        stayT_->stop();
        platform_.programEnd.endNow(1);
        return false;
    }
    applyLoaded(std::move(result.config), ConfigFile::stayOnTopIn(snapshot));
    showsVersion(stamp);
    return true;
}

void Form1::applyLoaded(LoadedConfig&& config, bool stayOnTop) {
    state_.timetable = std::move(config.timetable);
    state_.alerts = std::move(config.alerts);
    if (config.expand) {
        state_.Expanded = true;
    }
    state_.heading = config.heading;
    state_.note = config.note;
    label1_->setText(state_.heading);
    label7_->setText(state_.note);
    applyStayOnTop(stayOnTop);
    showDay();
}

void Form1::followConfigFile() {
    if (loading_ || closed_ || platform_.programEnd.ending()) {
        return;
    }
    const QString path = configFile().path();
    const FileStamp stamp = stampOf(path);
    if (follower_.check(stamp, settingsOpen()) != ConfigFollower::Step::Load) {
        return;
    }
    // Through the day keeper, as at start-up: a dated line shows the list of
    // the day.
    ConfigSnapshot snapshot;
    LoadResult result = dayKeeper_.load(configFile(), platform_.clock.current().date(), &snapshot);
    // A half-written edit or a bad value: keep what is shown, say nothing,
    // and try again when the file changes next.
    if (!ConfigFollower::loadsCleanly(result)) {
        follower_.refused(stamp);
        return;
    }
    applyLoaded(std::move(result.config), ConfigFile::stayOnTopIn(snapshot));
    showsVersion(stamp);
}

// The window shows the file read after `stamp` was taken; the list of the
// day that the load itself wrote into it is no news to load again.
void Form1::showsVersion(const FileStamp& stamp) {
    follower_.loaded(stamp);
    if (dayKeeper_.lastLoadWrote()) {
        follower_.wrote(stamp, stampOf(configFile().path()));
    }
}

void Form1::ownWrite(const std::function<void()>& write) {
    const QString path = configFile().path();
    const FileStamp before = stampOf(path);
    write();
    follower_.wrote(before, stampOf(path));
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

QString Form1::importProgramName() {
    return QStringLiteral("kvapomer-import");
}

void Form1::openImport(const QString& feed) {
    if (import_.running()) {
        return;
    }
    const QString folder = platform_.exeFolder.path();
    const QString program = QDir(folder).filePath(importProgramName());
    QStringList arguments{QStringLiteral("--window"), QStringLiteral("--ini"), configFile().path()};
    if (!feed.isEmpty()) {
        arguments << QStringLiteral("--feed") << feed;
    }
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable() || !import_.start(program, arguments)) {
        platform_.messageBox.show(QStringLiteral("Nebyl nalezen program ") + importProgramName() +
                                      QStringLiteral(", který načítá linky z jízdního řádu. "
                                                     "Patří do složky programu:\n") +
                                      QDir::toNativeSeparators(folder),
                                  QStringLiteral("Orv Kvapomer"), MessageStyle::Error);
        return;
    }
    settingsWereOpen_ = settingsOpen();
    import_.send(settingsLine(settingsWereOpen_));
}

QMenu* Form1::contextMenu() {
    if (menu_) {
        return menu_;
    }
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("ContextMenu"));
    importAction_ = menu_->addAction(QStringLiteral("Načíst linku z jízdního řádu…"), this,
                                     [this] { openImport(); });
    importAction_->setObjectName(QStringLiteral("MenuImport"));
    menu_->addAction(QStringLiteral("Cesta na zastávku…"), this, &Form1::openWalkDialog)
        ->setObjectName(QStringLiteral("MenuWalk"));
    stayOnTopAction_ = menu_->addAction(QStringLiteral("Vždy navrchu"));
    stayOnTopAction_->setObjectName(QStringLiteral("MenuStayOnTop"));
    stayOnTopAction_->setCheckable(true);
    stayOnTopAction_->setChecked(stayOnTop_);
    connect(stayOnTopAction_, &QAction::triggered, this, &Form1::setStayOnTop);
    QAction* settings = menu_->addAction(QStringLiteral("Nastavení"), this, &Form1::openSettings);
    settings->setObjectName(QStringLiteral("MenuSettings"));
    menu_->addSeparator();
    QAction* exit = menu_->addAction(QStringLiteral("Konec"), this, [this] { close(); });
    exit->setObjectName(QStringLiteral("MenuExit"));
    // One import window at a time.
    connect(menu_, &QMenu::aboutToShow, this,
            [this] { importAction_->setEnabled(!import_.running()); });
    return menu_;
}

void Form1::showContextMenu(const QPoint& globalPos) {
    contextMenu()->popup(globalPos);
}

// Where a menu opened from the keyboard appears: on the focused button.
QPoint Form1::keyboardMenuPoint() const {
    const QWidget* focus = focusWidget();
    return mapToGlobal(focus && isAncestorOf(focus) ? focus->mapTo(this, focus->rect().center())
                                                    : QPoint(width() / 4, height() / 2));
}

void Form1::contextMenuEvent(QContextMenuEvent* event) {
    showContextMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                : keyboardMenuPoint());
    event->accept();
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // Shift+F10 opens the context menu as the Menu key does.
    if ((event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) ||
        (event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier)) {
        showContextMenu(keyboardMenuPoint());
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFeed(event->mimeData()).isEmpty() && !import_.running()) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    const QString feed = droppedFeed(event->mimeData());
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
    if (open == settingsWereOpen_) {
        return;
    }
    settingsWereOpen_ = open;
    if (import_.running()) {
        import_.send(settingsLine(open));
    }
    if (!open) {
        followConfigFile();
    }
}

// The list the countdown runs on, and what is said about the day in place
// of the credit line while it lasts.
void Form1::showDay() {
    state_.today = state_.timetable;
    if (const std::optional<QStringList>& times = dayKeeper_.todaysTimes()) {
        state_.today.Times = *times;
        state_.today.LastIndex = static_cast<std::int16_t>(times->size() - 1);
    }
    const QString notice = dayKeeper_.noticeText();
    label6_->setText(notice.isEmpty() ? creditLine() : notice);
    setTextColour(label6_, dayNoticeColour());
}

// A warning about the day in red; the credit line and a quieter notice blue.
QColor Form1::dayNoticeColour() const {
    return dayKeeper_.noticeIsWarning() ? QColor(255, 0, 0) : kBlue;
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
    if (dayKeeper_.onTick(now.date())) {
        showDay();
    }
    const ClockSample sample = ClockSample::from(now.time());
    state_.clock = sample;
    const bool minimised = windowState().testFlag(Qt::WindowMinimized);
    const TickView view =
        countdownTick(sample, state_.today, state_.alerts, minimised, state_.countdown);
    state_.countdown = view.state;
    paintTick(view);
}

// Shows one tick's value, in the order the tick's effects happen.
void Form1::paintTick(const TickView& view) {
    for (std::size_t k = 0; k < label3_.size(); ++k) {
        if (label3_[k]->text() != view.slots[k]) {
            label3_[k]->setText(view.slots[k]);
            label3_[k]->setAccessibleName(
                departureSlotName(static_cast<int>(k) + 1, view.slots[k]));
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
