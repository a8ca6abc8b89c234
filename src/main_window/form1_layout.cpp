// The main window's controls as the layout table gives them, their names
// for screen readers and reading order, and the expanded view.

#include "countdown/spoken.h"
#include "main_window/form1.h"
#include "main_window/main_look.h"
#include "ui_common/accessibility.h"
#include "ui_common/classic_look.h"
#include "ui_common/colours.h"
#include "ui_common/focus_ring.h"
#include "ui_common/fonts.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace kvapomer {

namespace main_look {

QColor platformColour(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QColor platformColour(AlertColour colour) {
    return platformColour(static_cast<std::uint32_t>(colour));
}

void setTextColour(QWidget* w, const QColor& designed) {
    QPalette own;
    own.setResolveMask(0);
    own.setColor(QPalette::WindowText, textColourFor(designed, w->window()->palette()));
    w->setPalette(own);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text,
                  const QFont& font, Qt::Alignment alignment) {
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

QTimer* makeTimer(QObject* parent, const char* name, int interval) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

} // namespace main_look

using namespace main_look;

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
    headingFont_ = label1_->font();

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

} // namespace kvapomer
