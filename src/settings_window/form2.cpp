#include "settings_window/form2.h"

#include "config/config_file.h"
#include "settings_window/typing_limit.h"
#include "ui_common/accessibility.h"
#include "ui_common/classic_look.h"
#include "ui_common/focus_ring.h"
#include "ui_common/fonts.h"
#include "ui_common/svg_icon.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <initializer_list>

namespace kvapomer {

namespace {

const QString kFrame5Tip =
    QStringLiteral("Nastavení času, při kterém zbývající čas začne blikat...");
const QString kFrame4Tip = QStringLiteral("Nastavení času, při kterém zbývající čas zčervená...");

template <typename W>
W* place(W* widget, const char* name, const QRect& geometry, const QString& tip = {}) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    if (!tip.isEmpty()) {
        widget->setToolTip(tip);
    }
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
              const QString& tip = {}) {
    auto* l = place(new QLabel(text, parent), name, geometry, tip);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QLineEdit* textBox(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                   const QString& tip = {}, int limit = 0) {
    auto* e = place(new QLineEdit(text, parent), name, geometry, tip);
    if (limit > 0) {
        limitTyping(e, limit);
    }
    return e;
}

// hh or mm as the time boxes must hold it: exactly two ASCII digits.
std::optional<int> twoDigits(const QString& text) {
    if (text.size() != 2) {
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
    }
    return (text[0].unicode() - u'0') * 10 + (text[1].unicode() - u'0');
}

} // namespace

Form2::Form2(SettingsHost& host, Platform& platform, QWidget* parent)
    : QWidget(parent), host_(host), platform_(platform) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setWindowTitle(title());
    setWindowIcon(svgIcon(QStringLiteral(":/icons/settings.svg")));
    setFont(designFont(QStringLiteral("MS Sans Serif"), 8.25));
    setFixedSize(422, 213);
    buildLayout();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(200);
    connect(timer1_, &QTimer::timeout, this, &Form2::timer1Tick);
    timer1_->start();

    connect(text1_, &QLineEdit::textChanged, this, &Form2::onText1Changed);
    connect(command1_, &QPushButton::clicked, this, &Form2::onCommand1);
    connect(command2_, &QPushButton::clicked, this, &Form2::onCommand2);
    connect(command3_, &QPushButton::clicked, this, &Form2::onCommand3);
    connect(command4_, &QPushButton::clicked, this, &Form2::onCommand4);

    command1_->setFocus();

    openingBus_ = host_.snapshot().timetable.Bus;
    FillSettings();
}

Form2::~Form2() = default;

ConfigFile Form2::configFile() const {
    return ConfigFile(ConfigFilePath(platform_.exeFolder.path()));
}

QString Form2::title() {
    return QStringLiteral("Časy příjezdů autobusů (nastavení)");
}

void Form2::buildLayout() {
    check2_ = place(new QCheckBox(QStringLiteral("Synchronizovat čas z Internetu"), this), "Check2",
                    twips(3540, 1980, 2715, 195),
                    QStringLiteral("Je-li aktivní, tak program, při svém spuštění, se pokusí "
                                   "synchronizovat čas Vašeho PC z Internetu. (Tato funkce nemusí "
                                   "fungovat korekně na některých firemních sítích)."));
    check2_->setChecked(false);
    check2_->setEnabled(false);
    command2_ = place(new QPushButton(QStringLiteral("Zpátky"), this), "Command2",
                      twips(4980, 2700, 1155, 375), QStringLiteral("Konec bez uložení..."));

    frame5_ = place(new ClassicFrame(QStringLiteral("Alarm 2 :"), this), "Frame5",
                    twips(3480, 960, 2835, 915), kFrame5Tip);
    text6_ = textBox(frame5_, "Text6", twips(1800, 240, 315, 315), QStringLiteral("T6"), {}, 2);
    text7_ = textBox(frame5_, "Text7", twips(840, 240, 315, 315), QStringLiteral("T7"), {}, 2);
    QLabel* label8 =
        label(frame5_, "Label8", twips(2160, 300, 555, 195), QStringLiteral("sekund"), kFrame5Tip);
    QLabel* label7 = label(frame5_, "Label7", twips(1200, 300, 555, 315),
                           QStringLiteral("minut a "), kFrame5Tip);
    QLabel* label6 = label(frame5_, "Label6", twips(1020, 600, 1515, 195),
                           QStringLiteral("před příjezdem."), kFrame5Tip);
    QLabel* label5 =
        label(frame5_, "Label5", twips(60, 300, 735, 255), QStringLiteral("Upozornit"), kFrame5Tip);

    frame4_ = place(new ClassicFrame(QStringLiteral("Alarm 1 : "), this), "Frame4",
                    twips(3480, 60, 2835, 855), kFrame4Tip);
    check1_ = place(new QCheckBox(QStringLiteral("Upozornit zvukem"), frame4_), "Check1",
                    twips(180, 480, 1635, 315), QStringLiteral("Aktivace hlasového varování."));
    text5_ = textBox(frame4_, "Text5", twips(840, 180, 375, 315), QStringLiteral("T5"), {}, 2);
    QLabel* label4 = label(frame4_, "Label4", twips(1260, 240, 1515, 255),
                           QStringLiteral("minut před příjezdem"), kFrame4Tip);
    QLabel* label3 =
        label(frame4_, "Label3", twips(60, 240, 795, 255), QStringLiteral("Upozornit"), kFrame4Tip);

    frame3_ = place(new ClassicFrame(QStringLiteral("Časy příjezdů :"), this), "Frame3",
                    twips(120, 720, 3315, 2355));
    text4_ = textBox(frame3_, "Text4", twips(2220, 540, 315, 255), QStringLiteral("00"),
                     QStringLiteral("Minuty"), 2);
    text3_ = textBox(frame3_, "Text3", twips(1740, 540, 315, 255), QStringLiteral("00"),
                     QStringLiteral("Hodiny"), 2);
    command4_ = place(new QPushButton(QStringLiteral("Odebrat"), frame3_), "Command4",
                      twips(1680, 1800, 1275, 375), QStringLiteral("Odebrat vybraný čas"));
    command4_->setEnabled(false);
    command3_ = place(new QPushButton(QStringLiteral("Přidat"), frame3_), "Command3",
                      twips(1680, 1260, 1275, 375), QStringLiteral("Přidat vložený čas"));
    list1_ = place(new QListWidget(frame3_), "List1", twips(120, 240, 1275, 2010),
                   QStringLiteral("Seznam příjezdů autobusu"));
    list1_->setSortingEnabled(true);
    list1_->setSelectionMode(QAbstractItemView::SingleSelection);
    QLabel* label2 =
        label(frame3_, "Label2", twips(1500, 240, 1515, 315), QStringLiteral("Nový čas [hh:mm] :"),
              QStringLiteral("Vložení nového času"));
    QLabel* label1 = label(frame3_, "Label1", twips(2100, 540, 75, 255), QStringLiteral(":"));

    frame2_ = place(new ClassicFrame(QStringLiteral("Poznámka : "), this), "Frame2",
                    twips(1500, 60, 1935, 615));
    text2_ = textBox(frame2_, "Text2", twips(120, 240, 1695, 285), QStringLiteral("text2"),
                     QStringLiteral("Směr autobusu, či jiná poznámka"));

    frame1_ = place(new ClassicFrame(QStringLiteral("Číslo autobusu : "), this), "Frame1",
                    twips(60, 60, 1395, 615));
    text1_ = textBox(frame1_, "Text1", twips(420, 240, 675, 285), QStringLiteral("Text1"),
                     QStringLiteral("Číslo autobusu"));

    command1_ = place(new QPushButton(QStringLiteral("Uložit"), this), "Command1",
                      twips(3600, 2700, 1155, 375), QStringLiteral("Uložit změny do databáze"));

    // Where siblings overlap, the one listed first above stands in front.
    const auto raiseInTurn = [](std::initializer_list<QWidget*> widgets) {
        for (QWidget* w : widgets) {
            w->raise();
        }
    };
    raiseInTurn({label1, label2, list1_, command3_, command4_, text3_, text4_});
    raiseInTurn({label3, label4, text5_, check1_});
    raiseInTurn({label5, label6, label7, label8, text7_, text6_});
    raiseInTurn({command1_, frame1_, frame2_, frame3_, frame4_, frame5_, command2_, check2_});

    // Tab goes the way the window is filled in: line, note, the new time and
    // its button, the list and its button, the alerts, then save and back.
    const std::initializer_list<QWidget*> focusOrder = {
        command1_, command2_, text1_, text2_, text3_, text4_,  command3_,
        list1_,    command4_, text5_, text7_, text6_, check1_, check2_};
    QWidget* previous = nullptr;
    for (QWidget* w : focusOrder) {
        if (previous) {
            setTabOrder(previous, w);
        }
        previous = w;
    }

    shrinkRowsToFit(findChildren<QLabel*>());
    fitIndicatorToHeight(check1_);
    fitIndicatorToHeight(check2_);
    wrapLongToolTips(this);

    // What a screen reader says of each field: its own name (not its frame's
    // caption) and the words of the labels around it.
    frame1_->setAccessibleName(QStringLiteral("Číslo autobusu"));
    frame2_->setAccessibleName(QStringLiteral("Poznámka"));
    frame3_->setAccessibleName(QStringLiteral("Časy příjezdů"));
    frame4_->setAccessibleName(QStringLiteral("Alarm 1"));
    frame5_->setAccessibleName(QStringLiteral("Alarm 2"));
    text1_->setAccessibleName(QStringLiteral("Číslo autobusu (linky)"));
    text2_->setAccessibleName(QStringLiteral("Poznámka k lince"));
    text3_->setAccessibleName(QStringLiteral("Hodina odjezdu"));
    text3_->setAccessibleDescription(QStringLiteral("Nový čas, hodiny (00 až 23)"));
    text4_->setAccessibleName(QStringLiteral("Minuta odjezdu"));
    text4_->setAccessibleDescription(QStringLiteral("Nový čas, minuty (00 až 59)"));
    command3_->setAccessibleName(QStringLiteral("Přidat čas"));
    list1_->setAccessibleName(QStringLiteral("Seznam časů odjezdů"));
    command4_->setAccessibleName(QStringLiteral("Odebrat vybraný čas"));
    text5_->setAccessibleName(QStringLiteral("Alarm 1, minuty"));
    text5_->setAccessibleDescription(
        QStringLiteral("Upozornit tolik minut před příjezdem: zbývající čas zčervená"));
    text7_->setAccessibleName(QStringLiteral("Alarm 2, minuty"));
    text7_->setAccessibleDescription(
        QStringLiteral("Minuty před příjezdem, od kterých zbývající čas bliká"));
    text6_->setAccessibleName(QStringLiteral("Alarm 2, sekundy"));
    text6_->setAccessibleDescription(
        QStringLiteral("Sekundy před příjezdem, od kterých zbývající čas bliká"));
    label2->setBuddy(text3_);
    label1->setBuddy(text4_);
    label3->setBuddy(text5_);
    label4->setBuddy(text5_);
    label5->setBuddy(text7_);
    label7->setBuddy(text7_);
    label8->setBuddy(text6_);
    label6->setBuddy(text6_);
    // Read in Tab order; the labels' words are in their fields' names.
    setReadingOrder(frame1_, {text1_});
    setReadingOrder(frame2_, {text2_});
    setReadingOrder(frame3_, {label2, text3_, text4_, command3_, list1_, command4_});
    setReadingOrder(frame4_, {text5_, check1_});
    setReadingOrder(frame5_, {text7_, text6_});
    setReadingOrder(this,
                    {frame1_, frame2_, frame3_, frame4_, frame5_, check2_, command1_, command2_});
    new FocusRing(this);
}

void Form2::keyPressEvent(QKeyEvent* event) {
    // Escape leaves as the frame's close button does: nothing saved, nothing
    // written back.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form2::showEvent(QShowEvent* event) {
    if (!centred_ && !event->spontaneous()) {
        centred_ = true;
        const QSize screen = platform_.screen.size();
        QSize outer = frameGeometry().size();
        if (outer.width() < width() || outer.height() < height()) {
            outer = size();
        }
        move((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
    }
    QWidget::showEvent(event);
}

void Form2::FillSettings() {
    const QPointer<Form2> self(this);
    list1_->clear();
    const ProgramSnapshot before = host_.snapshot();
    const Timetable& timetable = before.timetable;
    for (int i = 0; i <= timetable.LastIndex && i < timetable.Times.size(); ++i) {
        list1_->addItem(timetable.Times[i]);
    }
    filledLine_ = timetable.Bus;
    filledTimes_.clear();
    for (int i = 0; i < list1_->count(); ++i) {
        filledTimes_.push_back(list1_->item(i)->text());
    }
    if (list1_->count() > 0) {
        list1_->setCurrentRow(0);
    }
    // A real change of the line number runs the line switch, which may fill
    // the window again before this filling goes on.
    text1_->setText(timetable.Bus);
    if (!self || platform_.programEnd.ending()) {
        return;
    }
    const ProgramSnapshot now = host_.snapshot();
    text2_->setText(now.note);
    const AlertSettings& alerts = now.alerts;
    check1_->setChecked(alerts.AlertON == u"ON");
    text5_->setText(QString::number(alerts.RedAlertMin));
    text7_->setText(QString::number(alerts.BlinkAlertM));
    text6_->setText(QString::number(alerts.BlinkAlert));
}

// Whether making `line` the active line would load: the loader would stop the
// program on a line without a usable count or on broken global settings.
bool Form2::lineWouldLoad(const QString& line) const {
    return configFile().canSwitchToLine(line);
}

void Form2::onText1Changed() {
    const QString line = text1_->text();
    const ConfigFile file = configFile();
    if (!lineWouldLoad(line)) {
        return;
    }
    if (!file.activateLine(line)) {
        return;
    }
    const QPointer<Form2> self(this);
    if (!host_.reload() || !self) {
        return;
    }
    FillSettings();
}

void Form2::onCommand3() {
    const std::optional<int> hours = twoDigits(text3_->text());
    const std::optional<int> minutes = twoDigits(text4_->text());
    if (!hours || !minutes || *hours > 23 || *minutes > 59) {
        return;
    }
    list1_->addItem(text3_->text() + u':' + text4_->text());
}

void Form2::onCommand4() {
    const QList<QListWidgetItem*> selected = list1_->selectedItems();
    const int k = selected.isEmpty() ? -1 : list1_->row(selected.first());
    if (k >= 0) {
        delete list1_->takeItem(k);
    }
    if (list1_->count() > 0) {
        if (k >= 0 && k < list1_->count()) {
            list1_->setCurrentRow(k);
        } else {
            list1_->clearSelection();
        }
    }
}

void Form2::timer1Tick() {
    command4_->setEnabled(!list1_->selectedItems().isEmpty());
}

SettingsInput Form2::settingsInput() const {
    SettingsInput input;
    input.line = text1_->text();
    input.note = text2_->text();
    input.times.reserve(list1_->count());
    for (int i = 0; i < list1_->count(); ++i) {
        input.times.push_back(list1_->item(i)->text());
    }
    input.alertOn = check1_->isChecked();
    input.redAlertMin = text5_->text();
    input.blinkAlert = text6_->text();
    input.blinkAlertM = text7_->text();
    input.filledLine = filledLine_;
    input.filledTimes = filledTimes_;
    return input;
}

void Form2::onCommand1() {
    const MessageAnswer answer =
        platform_.messageBox.show(QStringLiteral("Opravdu chcete uložit toto nastavení?"),
                                  QStringLiteral("Uložit?"), MessageStyle::QuestionYesNo);
    if (answer == MessageAnswer::Yes) {
        SaveSettings();
    }
}

void Form2::SaveSettings() {
    const SettingsInput input = settingsInput();
    const Result<void> result = configFile().saveSettings(input);
    if (!result) {
        platform_.messageBox.show(QStringLiteral("Chyba při ukládání"), result.error().text(),
                                  MessageStyle::Error);
        return;
    }
    const QPointer<Form2> self(this);
    if (!host_.reload() || !self) {
        return;
    }
    close();
}

void Form2::onCommand2() {
    // A failed write is silent here, as every plain file write is.
    host_.ownWrite([this] { static_cast<void>(configFile().activateLine(openingBus_)); });
    close();
}

} // namespace kvapomer
