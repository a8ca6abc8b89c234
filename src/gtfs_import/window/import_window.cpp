#include "gtfs_import/window/import_window.h"

#include "app/import_link.h"
#include "config/config_file.h"
#include "config/dated_keys.h"
#include "config/keys.h"
#include "ui_common/accessibility.h"
#include "ui_common/focus_ring.h"
#include "ui_common/svg_icon.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTextCharFormat>
#include <QVBoxLayout>

#include <ctime>

#include <unistd.h>

namespace kvapomer::gtfs {

using std::chrono::sys_days;

namespace {

constexpr const char* kTitle = "Načíst linku z jízdního řádu";
// How many places the list shows at most: enough to find one by scrolling.
constexpr std::size_t kShownPlaces = 200;

template <typename W>
W* named(W* widget, const char* objectName, const QString& accessible,
         const QString& description = {}) {
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessible);
    if (!description.isEmpty()) {
        widget->setAccessibleDescription(description);
    }
    return widget;
}

QLabel* caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

// A label of changing text: a screen reader reads the text itself, which says
// what it is ("Dnes (…): 06:20", "Platí … až …"), so it gets no name of its own.
QLabel* wrapping(const char* objectName) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(objectName));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString isoDate(sys_days date) {
    return toQDate(date).toString(Qt::ISODate);
}

sys_days localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return sys_days(
        std::chrono::year_month_day{std::chrono::year(local.tm_year + 1900),
                                    std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                    std::chrono::day(static_cast<unsigned>(local.tm_mday))});
}

} // namespace

ImportWindow::ImportWindow(const QString& ini, const QString& feed, ImportSession::Today today,
                           QWidget* parent)
    : QWidget(parent), session_(ini, std::move(today)) {
    announcer_ = new Announcer(this);
    build();
    connect(&session_, &ImportSession::busyChanged, this, &ImportWindow::busyChanged);
    connect(&session_, &ImportSession::feedOpened, this, [this] {
        QWidget* focus = focusWidget();
        if (!focus || focus == feedEdit_ || focus == chooseFile_ || focus == chooseFolder_ ||
            focus == cancel_) {
            searchEdit_->setFocus();
        }
        // The places of what is typed already; then what was read, which the
        // search would otherwise clear at once.
        search();
        searchTo();
        if (searchEdit_->text().trimmed().isEmpty()) {
            say(QStringLiteral("Jízdní řád načten: počet míst %1. Napište název zastávky.")
                    .arg(session_.feed()->index().places().size()),
                false);
        }
    });
    connect(&session_, &ImportSession::linesReady, this, &ImportWindow::linesReady);
    connect(&session_, &ImportSession::destinationReady, this, &ImportWindow::destinationReady);
    connect(&session_, &ImportSession::previewReady, this, &ImportWindow::previewReady);
    connect(&session_, &ImportSession::failed, this, [this](const QString& m) {
        saving_ = false;
        say(m, true);
        updateSave();
    });
    connect(&session_, &ImportSession::saved, this, [this](bool ok, const QString& m) {
        saving_ = false;
        say(m, !ok);
        updateSave();
    });
    const QString start = !feed.isEmpty() ? feed : ConfigFile(ini).lastFeed();
    if (!start.isEmpty()) {
        openFeed(start);
    } else {
        say(QStringLiteral("Vyberte jízdní řád GTFS: soubor .zip nebo složku s jeho soubory."),
            false);
    }
}

void ImportWindow::build() {
    setObjectName(QStringLiteral("ImportWindow"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(svgIcon(QStringLiteral(":/icons/clock.svg")));
    setAccessibleName(QString::fromUtf8(kTitle));

    feedEdit_ = named(new QLineEdit, "FeedPath", QStringLiteral("Jízdní řád"),
                      QStringLiteral("Cesta k jízdnímu řádu GTFS, soubor .zip nebo složka; "
                                     "Enter jej načte"));
    chooseFile_ = named(new QPushButton(QStringLiteral("&Vybrat…")), "ChooseFeed",
                        QStringLiteral("Vybrat soubor jízdního řádu"),
                        QStringLiteral("Otevře výběr souboru .zip"));
    chooseFolder_ = named(new QPushButton(QStringLiteral("Slo&žka…")), "ChooseFolder",
                          QStringLiteral("Vybrat složku jízdního řádu"),
                          QStringLiteral("Otevře výběr rozbalené složky"));
    progress_ = named(new QProgressBar, "Progress", QStringLiteral("Probíhá práce"));
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(160);
    busyText_ = new QLabel; // read as its text: "Načítám jízdní řád…"
    busyText_->setObjectName(QStringLiteral("BusyText"));
    cancel_ = named(new QPushButton(QStringLiteral("Zrušit")), "Cancel", QStringLiteral("Zrušit"),
                    QStringLiteral("Přestane čekat na jízdní řád"));
    searchEdit_ = named(new QLineEdit, "StopSearch", QStringLiteral("Zastávka"),
                        QStringLiteral("Část názvu zastávky; velikost písmen ani diakritika "
                                       "nerozhoduje"));
    searchEdit_->setPlaceholderText(QStringLiteral("např. kacerov"));
    searchEdit_->setClearButtonEnabled(true);
    stopList_ = named(new QListWidget, "Stops", QStringLiteral("Nalezená místa"),
                      QStringLiteral("Stanice s nástupišti a zastávky"));
    toSearch_ = named(new QLineEdit, "ToSearch", QStringLiteral("Kam"),
                      QStringLiteral("Nepovinné: část názvu cílové zastávky; pak se nabídnou "
                                     "všechny linky, které tam jedou"));
    toSearch_->setPlaceholderText(QStringLiteral("nepovinné, např. muzeum"));
    toSearch_->setClearButtonEnabled(true);
    toList_ = named(new QListWidget, "ToStops", QStringLiteral("Místa cíle"),
                    QStringLiteral("Stanice s nástupišti a zastávky, kam se jede"));
    routeList_ = named(new QListWidget, "Lines", QStringLiteral("Linky"),
                       QStringLiteral("Linky, které z vybraného místa odjíždějí"));
    directionList_ = named(new QListWidget, "Directions", QStringLiteral("Směr a nástupiště"),
                           QStringLiteral("Směry vybrané linky, každý s nástupištěm"));
    dateEdit_ = named(new QDateEdit, "Date", QStringLiteral("Den"),
                      QStringLiteral("Den, jehož odjezdy se ukazují"));
    dateEdit_->setCalendarPopup(true);
    dateEdit_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dateEdit_->setLocale(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    dateEdit_->setEnabled(false);
    todayText_ = wrapping("TodayDepartures");
    dayText_ = wrapping("DayDepartures");
    daysText_ = wrapping("RunningDays");
    lineEdit_ = named(new QLineEdit, "LineNumber", QStringLiteral("Číslo linky"),
                      QStringLiteral("Pod tímto číslem se linka uloží"));
    noteEdit_ = named(new QLineEdit, "Note", QStringLiteral("Poznámka"),
                      QStringLiteral("Poznámka k lince, například směr"));
    walk_ = named(new QSpinBox, "WalkMin", QStringLiteral("Cesta z domova na zastávku v minutách"),
                  QStringLiteral("Kvapoměr pak odpočítává, kdy vyrazit; 0 cestu odebere"));
    walk_->setRange(0, keys::kMaxWalkMin);
    oneDate_ = named(new QCheckBox(QStringLiteral("&Jen pro vybraný den")), "OneDate",
                     QStringLiteral("Jen pro vybraný den"),
                     QStringLiteral("Uloží jen odjezdy vybraného dne, stejné pro každý den"));
    liveUrl_ = named(new QLineEdit, "LiveUrl", QStringLiteral("Aktuální údaje (GTFS-Realtime)"),
                     QStringLiteral("Adresa aktuálních údajů dopravce, http:// nebo https://; "
                                    "prázdná ponechá adresu, kterou linka má"));
    liveToken_ = named(new QLineEdit, "LiveToken", QStringLiteral("Klíč"),
                       QStringLiteral("Přístupový klíč k adrese; v kvapomern.ini je uložen "
                                      "jako čitelný text"));
    liveToken_->setEchoMode(QLineEdit::Password);
    connect(oneDate_, &QCheckBox::toggled, this, [this](bool oneDate) {
        liveUrl_->setEnabled(!oneDate);
        liveToken_->setEnabled(!oneDate);
    });
    blocked_ = wrapping("SaveBlocked");
    blocked_->setText(QStringLiteral("Zavřete nejdřív okno Nastavení."));
    blocked_->hide();
    message_ = wrapping("Message");
    save_ = named(new QPushButton(QStringLiteral("&Uložit")), "Save", QStringLiteral("Uložit"),
                  QStringLiteral("Zapíše linku do kvapomern.ini jako aktivní"));
    close_ = named(new QPushButton(QStringLiteral("Zavřít")), "Close", QStringLiteral("Zavřít"));

    auto* feedRow = new QHBoxLayout;
    feedRow->addWidget(caption(QStringLiteral("Jízdní &řád:"), feedEdit_));
    feedRow->addWidget(feedEdit_, 1);
    feedRow->addWidget(chooseFile_);
    feedRow->addWidget(chooseFolder_);

    auto* busyRow = new QHBoxLayout;
    busyRow->addWidget(progress_);
    busyRow->addWidget(busyText_, 1);
    busyRow->addWidget(cancel_);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(caption(QStringLiteral("&Zastávka:"), searchEdit_));
    searchRow->addWidget(searchEdit_, 1);
    searchRow->addSpacing(12);
    searchRow->addWidget(caption(QStringLiteral("&Kam:"), toSearch_));
    searchRow->addWidget(toSearch_, 1);

    // Without a destination: places, their lines, a line's directions; with
    // one: places, the destination's places, the lines that go there. The
    // lists are the window's own children, so that the focus ring follows
    // them as the rows above and below come and go.
    lists_ = new QGridLayout;
    placesLabel_ = caption(QStringLiteral("&Místa:"), stopList_);
    toCaption_ = caption(QStringLiteral("Místa &cíle:"), toList_);
    directionCaption_ = caption(QStringLiteral("&Směr a nástupiště:"), directionList_);
    lists_->addWidget(placesLabel_, 0, 0);
    lists_->addWidget(toCaption_, 0, 1);
    lists_->addWidget(caption(QStringLiteral("&Linky:"), routeList_), 0, 2);
    lists_->addWidget(directionCaption_, 0, 3);
    lists_->addWidget(stopList_, 1, 0);
    lists_->addWidget(toList_, 1, 1);
    lists_->addWidget(routeList_, 1, 2);
    lists_->addWidget(directionList_, 1, 3);
    lists_->setColumnStretch(0, 4);
    lists_->setColumnStretch(2, 3);
    showColumns(false);

    auto* preview = new QGridLayout;
    preview->addWidget(caption(QStringLiteral("&Den:"), dateEdit_), 0, 0);
    preview->addWidget(dateEdit_, 0, 1, Qt::AlignLeft);
    preview->addWidget(todayText_, 1, 0, 1, 2);
    preview->addWidget(dayText_, 2, 0, 1, 2);
    preview->addWidget(daysText_, 3, 0, 1, 2);
    preview->setColumnStretch(1, 1);

    auto* line = new QGridLayout;
    line->addWidget(caption(QStringLiteral("Čí&slo linky:"), lineEdit_), 0, 0);
    line->addWidget(lineEdit_, 0, 1);
    line->addWidget(caption(QStringLiteral("&Poznámka:"), noteEdit_), 0, 2);
    line->addWidget(noteEdit_, 0, 3);
    auto* walkRow = new QHBoxLayout;
    walkRow->addWidget(caption(QStringLiteral("Cesta z domova na zastávku (min):"), walk_));
    walkRow->addWidget(walk_);
    walkRow->addStretch();
    line->addLayout(walkRow, 1, 0, 1, 4);
    line->addWidget(oneDate_, 2, 0, 1, 4);
    // A row of its own, as the walk's: the long caption leaves the columns above alone.
    auto* liveRow = new QHBoxLayout;
    liveRow->addWidget(caption(QStringLiteral("Aktuální údaje (GTFS-Realtime):"), liveUrl_));
    liveRow->addWidget(liveUrl_, 3);
    liveRow->addWidget(caption(QStringLiteral("Přís&tupový klíč:"), liveToken_));
    liveRow->addWidget(liveToken_, 2);
    line->addLayout(liveRow, 3, 0, 1, 4);
    line->setColumnStretch(1, 1);
    line->setColumnStretch(3, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(blocked_, 1);
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(feedRow);
    layout->addLayout(busyRow);
    layout->addLayout(searchRow);
    layout->addLayout(lists_, 1);
    layout->addLayout(preview);
    layout->addLayout(line);
    layout->addWidget(message_);
    layout->addLayout(buttons);

    chainFocus();

    for (QListWidget* list : {stopList_, toList_, routeList_, directionList_}) {
        // Long names wrap instead of hiding behind a scroll bar; the current
        // row is the chosen one, so it is always shown selected.
        list->setWordWrap(true);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(list, &QListWidget::currentItemChanged, list, [](QListWidgetItem* item) {
            if (item) {
                item->setSelected(true);
            }
        });
    }
    dateEdit_->setDate(toQDate(session_.today()));
    progress_->hide();
    busyText_->hide();
    cancel_->hide();
    save_->setEnabled(false);
    resize(760, 560);

    connect(feedEdit_, &QLineEdit::returnPressed, this, [this] { openFeed(feedEdit_->text()); });
    connect(chooseFile_, &QPushButton::clicked, this, &ImportWindow::chooseFile);
    connect(chooseFolder_, &QPushButton::clicked, this, &ImportWindow::chooseFolder);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        session_.cancel();
        saving_ = false;
        say(QStringLiteral("Zrušeno."), false);
        // The feed read before (if any) stays; its places are shown again.
        if (session_.feed() && places_.rows.empty()) {
            feedEdit_->setText(session_.feed()->path());
            search();
            say(QStringLiteral("Zrušeno."), false);
        }
        updateSave();
    });
    connect(searchEdit_, &QLineEdit::textChanged, this, &ImportWindow::search);
    connect(stopList_, &QListWidget::currentRowChanged, this, &ImportWindow::placeChosen);
    connect(toSearch_, &QLineEdit::textChanged, this, &ImportWindow::searchTo);
    connect(toList_, &QListWidget::currentRowChanged, this, &ImportWindow::destinationChosen);
    connect(routeList_, &QListWidget::currentRowChanged, this, &ImportWindow::routeChosen);
    connect(routeList_, &QListWidget::itemChanged, this, &ImportWindow::ticksChanged);
    connect(directionList_, &QListWidget::currentRowChanged, this, &ImportWindow::directionChosen);
    connect(dateEdit_, &QDateEdit::dateChanged, this, &ImportWindow::showDay);
    connect(lineEdit_, &QLineEdit::textChanged, this, &ImportWindow::proposeWalk);
    connect(walk_, &QSpinBox::valueChanged, this, [this] { walkChosen_ = true; });
    connect(save_, &QPushButton::clicked, this, &ImportWindow::save);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    // The focused control clearly ringed once the keyboard is used, as in
    // the program's other windows.
    new FocusRing(this);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void ImportWindow::openFeed(const QString& path) {
    if (path.trimmed().isEmpty()) {
        return;
    }
    feedEdit_->setText(path);
    stopList_->clear();
    places_ = {};
    toList_->clear();
    toPlaces_ = {};
    clearPreview();
    routeList_->clear();
    routes_.clear();
    message_->clear();
    session_.openFeed(path);
}

void ImportWindow::chooseFile() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Vyberte jízdní řád GTFS"), QFileInfo(feedEdit_->text()).path(),
        QStringLiteral("Jízdní řády GTFS (*.zip);;Všechny soubory (*)"));
    if (!path.isEmpty()) {
        openFeed(path);
    }
}

void ImportWindow::chooseFolder() {
    const QString path = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Vyberte složku s jízdním řádem GTFS"), feedEdit_->text());
    if (!path.isEmpty()) {
        openFeed(path);
    }
}

void ImportWindow::search() {
    if (!session_.feed()) {
        return;
    }
    // Whatever was asked about the places shown before is of no use now.
    if (session_.busy() && !saving_) {
        session_.cancel();
    }
    const QString text = searchEdit_->text();
    places_ =
        text.trimmed().isEmpty() ? PlaceRows{} : searchPlaces(*session_.feed(), text, kShownPlaces);
    {
        const QSignalBlocker block(stopList_);
        stopList_->clear();
        for (const PlaceRow& row : places_.rows) {
            stopList_->addItem(row.text);
        }
    }
    placesLabel_->setText(
        places_.cut ? QStringLiteral("&Místa (jen prvních %1, upřesněte):").arg(kShownPlaces)
                    : QStringLiteral("&Místa:"));
    routeList_->clear();
    clearPreview();
    if (!text.trimmed().isEmpty() && places_.rows.empty()) {
        say(QStringLiteral("Žádné místo, kde lze nastoupit, nemá v názvu „%1“.").arg(text), true);
    } else if (!saving_) {
        message_->clear();
    }
}

// The destination's places in the second column, or a line's directions in
// the last.
void ImportWindow::showColumns(bool destination) {
    toCaption_->setVisible(destination);
    toList_->setVisible(destination);
    directionCaption_->setVisible(!destination);
    directionList_->setVisible(!destination);
    lists_->setColumnStretch(1, destination ? 4 : 0);
    lists_->setColumnStretch(3, destination ? 0 : 4);
}

bool ImportWindow::toDestination() const {
    return !toSearch_->text().trimmed().isEmpty();
}

// The order of the controls follows the choice: with a destination, its
// field and places come between the places and the lines that go there.
// Without one, the field waits just before the stop's, out of the way.
void ImportWindow::chainFocus() {
    std::vector<QWidget*> chain{feedEdit_, chooseFile_, chooseFolder_, cancel_};
    if (toDestination()) {
        chain.insert(chain.end(), {searchEdit_, stopList_, toSearch_, toList_, routeList_});
    } else {
        chain.insert(chain.end(), {toSearch_, searchEdit_, stopList_, routeList_, directionList_});
    }
    chain.insert(chain.end(), {dateEdit_, lineEdit_, noteEdit_, walk_, oneDate_, liveUrl_,
                               liveToken_, save_, close_});
    for (std::size_t i = 1; i < chain.size(); ++i) {
        setTabOrder(chain[i - 1], chain[i]);
    }
}

// The destination's places, as the stop's are searched; a destination typed
// or cleared changes what the lines list.
void ImportWindow::searchTo() {
    const bool destination = toDestination();
    const bool changed = toList_->isHidden() == destination;
    if (changed) {
        showColumns(destination);
        chainFocus();
    }
    if (!session_.feed() || (!changed && !destination)) {
        return;
    }
    if (session_.busy() && !saving_) {
        session_.cancel();
    }
    const QString text = toSearch_->text();
    toPlaces_ = destination ? searchPlaces(*session_.feed(), text, kShownPlaces) : PlaceRows{};
    {
        const QSignalBlocker block(toList_);
        toList_->clear();
        for (const PlaceRow& row : toPlaces_.rows) {
            toList_->addItem(row.text);
        }
    }
    // The lines of the place chosen, as the new destination (or none) has them.
    placeChosen(stopList_->currentRow());
    if (destination && toPlaces_.rows.empty()) {
        say(QStringLiteral("Žádné místo nemá v názvu „%1“.").arg(text), true);
    }
}

void ImportWindow::placeChosen(int row) {
    {
        const QSignalBlocker block(routeList_);
        routeList_->clear();
    }
    routes_.clear();
    clearPreview();
    // What was said about the choice before is said no more.
    if (!saving_) {
        message_->clear();
    }
    if (row < 0 || static_cast<std::size_t>(row) >= places_.rows.size()) {
        return;
    }
    if (toDestination()) {
        askDestination();
        return;
    }
    session_.chooseRow(places_.rows[static_cast<std::size_t>(row)]);
}

void ImportWindow::destinationChosen(int) {
    placeChosen(stopList_->currentRow());
}

void ImportWindow::askDestination() {
    const int from = stopList_->currentRow();
    const int to = toList_->currentRow();
    if (from < 0 || to < 0 || static_cast<std::size_t>(from) >= places_.rows.size() ||
        static_cast<std::size_t>(to) >= toPlaces_.rows.size()) {
        return;
    }
    session_.chooseDestination(places_.rows[static_cast<std::size_t>(from)],
                               toPlaces_.rows[static_cast<std::size_t>(to)]);
}

// The lines going there, each ticked: every one of them goes into the line.
void ImportWindow::destinationReady() {
    const std::vector<Route>& routes = session_.routesTo();
    {
        const QSignalBlocker block(routeList_);
        routeList_->clear();
        for (const Route& route : routes) {
            auto* item = new QListWidgetItem(routeText(route), routeList_);
            item->setCheckState(Qt::Checked);
        }
    }
    walkChosen_ = false;
    lineEdit_->setText(lineNumberOf(routes));
}

// A line ticked or unticked: the departures of those ticked.
void ImportWindow::ticksChanged() {
    if (!toDestination()) {
        return;
    }
    std::vector<Route> ticked;
    const std::vector<Route>& routes = session_.routesTo();
    for (int i = 0; i < routeList_->count() && static_cast<std::size_t>(i) < routes.size(); ++i) {
        if (routeList_->item(i)->checkState() == Qt::Checked) {
            ticked.push_back(routes[static_cast<std::size_t>(i)]);
        }
    }
    clearDepartures();
    walkChosen_ = false;
    lineEdit_->setText(lineNumberOf(ticked));
    if (!saving_) {
        message_->clear();
    }
    if (ticked.empty()) {
        say(QStringLiteral("Zaškrtněte aspoň jednu linku."), false);
    }
    session_.chooseRoutesTo(ticked);
    updateSave();
}

void ImportWindow::linesReady() {
    routes_ = routesOf(session_.lines());
    const QSignalBlocker block(routeList_);
    routeList_->clear();
    for (const Route* route : routes_) {
        routeList_->addItem(routeText(*route));
    }
    if (routes_.empty()) {
        say(QStringLiteral("Odtud žádná linka neodjíždí."), true);
    }
}

void ImportWindow::routeChosen(int row) {
    if (toDestination()) {
        return; // the lines are ticked, not chosen one by one
    }
    clearPreview();
    if (!saving_) {
        message_->clear();
    }
    if (row < 0 || static_cast<std::size_t>(row) >= routes_.size()) {
        return;
    }
    directions_ = directionsOf(session_.lines(), routes_[static_cast<std::size_t>(row)]);
    {
        const QSignalBlocker block(directionList_);
        for (const PlatformLine& line : directions_) {
            directionList_->addItem(directionText(line));
        }
    }
    if (directions_.size() == 1) {
        directionList_->setCurrentRow(0);
    }
}

void ImportWindow::directionChosen(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= directions_.size()) {
        return;
    }
    const PlatformLine& line = directions_[static_cast<std::size_t>(row)];
    walkChosen_ = false;
    lineEdit_->setText(lineNumberOf(*line.route));
    noteEdit_->setText(noteToward(line.direction));
    todayText_->clear();
    dayText_->clear();
    daysText_->clear();
    dateEdit_->setEnabled(false);
    session_.chooseLine(line);
    updateSave();
}

void ImportWindow::previewReady() {
    const Preview& preview = *session_.preview();
    noteEdit_->setText(noteToward(preview.found.direction));
    const sys_days today = session_.today();
    const sys_days first = periodFirst(preview);
    const sys_days last = periodLast(preview);
    todayText_->setText(
        QStringLiteral("Dnes (%1): %2").arg(isoDate(today), departuresText(preview, today)));
    daysText_->setText(QStringLiteral("Platí %1 až %2; %3")
                           .arg(isoDate(first), isoDate(last), runningDays(preview)));
    {
        const QSignalBlocker block(dateEdit_);
        dateEdit_->setDateRange(toQDate(first), toQDate(last));
        dateEdit_->setDate(toQDate(std::clamp(today, first, last)));
    }
    // Days without service are grey in the calendar.
    QCalendarWidget* calendar = dateEdit_->calendarWidget();
    calendar->setDateTextFormat(QDate(), QTextCharFormat());
    QTextCharFormat idle;
    idle.setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    idle.setFontStrikeOut(true);
    for (sys_days d = first; d <= last; d += std::chrono::days(1)) {
        if (departuresOn(preview, d).isEmpty()) {
            calendar->setDateTextFormat(toQDate(d), idle);
        }
    }
    dateEdit_->setEnabled(true);
    proposeWalk();
    showDay();
    updateSave();
}

// The walk the file's line of the number typed holds, until the user sets one.
void ImportWindow::proposeWalk() {
    if (walkChosen_) {
        return;
    }
    const QSignalBlocker block(walk_);
    walk_->setValue(session_.proposedWalk(lineEdit_->text()));
}

void ImportWindow::showDay() {
    const Preview* preview = session_.preview();
    if (!preview) {
        return;
    }
    const sys_days date = toSysDays(dateEdit_->date());
    // Today's departures are shown above already.
    dayText_->setText(
        date == session_.today()
            ? QString()
            : QStringLiteral("Dne %1: %2").arg(isoDate(date), departuresText(*preview, date)));
    dayText_->setVisible(!dayText_->text().isEmpty());
}

void ImportWindow::save() {
    if (!save_->isEnabled() || saving_) {
        return;
    }
    saving_ = true;
    session_.save({lineEdit_->text(), noteEdit_->text(), oneDate_->isChecked(),
                   toSysDays(dateEdit_->date()), walk_->value(), liveUrl_->text().trimmed(),
                   liveToken_->text().trimmed()});
}

void ImportWindow::busyChanged(bool busy, const QString& what) {
    progress_->setVisible(busy);
    busyText_->setVisible(busy);
    busyText_->setText(what);
    cancel_->setVisible(busy);
}

void ImportWindow::setSettingsOpen(bool open) {
    if (open && !settingsOpen_) {
        announcer_->announce(blocked_->text());
    }
    settingsOpen_ = open;
    blocked_->setVisible(open);
    updateSave();
}

void ImportWindow::say(const QString& message, bool error) {
    message_->setText(message);
    // What a save or a failed read says is heard at once, wherever the focus is.
    announcer_->announce(message);
    QPalette p = message_->palette();
    p.setColor(QPalette::WindowText,
               error ? QColor(0xA0, 0, 0) : palette().color(QPalette::WindowText));
    message_->setPalette(p);
}

void ImportWindow::clearPreview() {
    {
        const QSignalBlocker block(directionList_);
        directionList_->clear();
    }
    directions_.clear();
    clearDepartures();
    // What was proposed for another line must not be saved with this one.
    walkChosen_ = false;
    lineEdit_->clear();
    noteEdit_->clear();
    updateSave();
}

void ImportWindow::clearDepartures() {
    todayText_->clear();
    dayText_->clear();
    daysText_->clear();
    dateEdit_->setEnabled(false);
}

void ImportWindow::updateSave() {
    // Kept enabled while a save runs (a second press waits for it), so that
    // the focus stays on the button.
    const bool ready = session_.preview() &&
                       (session_.preview()->to.has_value() || directionList_->currentRow() >= 0);
    save_->setEnabled(ready && !settingsOpen_);
}

std::optional<WindowOptions> windowOptions(const std::vector<std::string>& args,
                                           std::ostream& err) {
    WindowOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == import_link::kWindowOption) {
            continue;
        }
        if ((a == import_link::kIniOption || a == import_link::kFeedOption) &&
            i + 1 < args.size()) {
            (a == import_link::kIniOption ? options.ini : options.feed) =
                QString::fromLocal8Bit(args[++i]);
            continue;
        }
        err << "S volbou --window zadejte nejvýše --ini SOUBOR a --feed FEED (viz --help).\n";
        return std::nullopt;
    }
    return options;
}

int runImportWindow(const WindowOptions& options, const QString& defaultIni) {
    const QString ini = options.ini.isEmpty() ? defaultIni : options.ini;
    ImportWindow window(ini, options.feed, localToday);
    std::unique_ptr<ParentInput> parent;
    if (ParentInput::listenable(STDIN_FILENO)) {
        parent = std::make_unique<ParentInput>(STDIN_FILENO);
        QObject::connect(parent.get(), &ParentInput::settingsOpen, &window,
                         &ImportWindow::setSettingsOpen);
        // Without the main window there is no settings window either.
        QObject::connect(parent.get(), &ParentInput::ended, &window,
                         [&window] { window.setSettingsOpen(false); });
    }
    window.show();
    return QApplication::exec();
}

} // namespace kvapomer::gtfs
