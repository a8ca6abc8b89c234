// The status icon on the panel: its pictures, the choice in the context menu,
// what it is given after each tick and what a click on it does.

#include "main_window/panel_icon.h"
#include "main_window_fixture.h"
#include "ui_common/colours.h"
#include "ui_common/panel_badge.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSystemTrayIcon>
#include <QTest>

#include <algorithm>
#include <map>
#include <utility>

namespace kvapomer::test {
namespace {

// ---------------------------------------------------------------- pictures

// The bounding box of the figures: the near-white pixels.
QRect figuresIn(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && c.red() > 200 && c.green() > 200 && c.blue() > 200) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// The colour most of the opaque pixels have.
QRgb mostOf(const QImage& image) {
    std::map<QRgb, int> count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255) {
                ++count[pixel];
            }
        }
    }
    return std::max_element(count.begin(), count.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

const QStringList kTexts{"1", "5", "10", "59", "99", "1h", "23h", "–"};

// A sheet for looking at: each size at its real pixels, magnified `zoom`
// times without smoothing, on a panel of `panel` colour.
QImage sheet(const QColor& panel, BadgeColour colour, const QList<int>& sizes, int zoom) {
    const int cell = (*std::max_element(sizes.begin(), sizes.end()) + 6) * zoom;
    QImage out(cell * int(kTexts.size()), cell * int(sizes.size()), QImage::Format_RGB32);
    out.fill(panel);
    QPainter p(&out);
    for (int row = 0; row < sizes.size(); ++row) {
        for (int column = 0; column < kTexts.size(); ++column) {
            QImage onPanel(sizes[row], sizes[row], QImage::Format_RGB32);
            onPanel.fill(panel);
            QPainter(&onPanel).drawImage(0, 0, panelBadge(kTexts[column], colour, sizes[row]));
            p.drawImage(QPoint(column * cell, row * cell),
                        onPanel.scaled(onPanel.size() * zoom, Qt::IgnoreAspectRatio,
                                       Qt::FastTransformation));
        }
    }
    return out;
}

TEST(PanelBadge, FiguresFitTheBadgeLargeAndCentredAtEverySize) {
    for (const int size : panelBadgeSizes()) {
        for (const BadgeColour colour : {BadgeColour::Green, BadgeColour::Red}) {
            for (const QString& text : kTexts) {
                const QImage badge = panelBadge(text, colour, size);
                ASSERT_EQ(badge.size(), QSize(size, size));
                const QRect figures = figuresIn(badge);
                const QString what = text + QStringLiteral(" at ") + QString::number(size);
                ASSERT_FALSE(figures.isEmpty()) << what.toStdString();
                // Inside the badge, off its edge.
                EXPECT_GE(figures.left(), 1) << what.toStdString();
                EXPECT_GE(figures.top(), 1) << what.toStdString();
                EXPECT_LE(figures.right(), size - 2) << what.toStdString();
                EXPECT_LE(figures.bottom(), size - 2) << what.toStdString();
                if (text != QStringLiteral("–")) {
                    // Figures read at a glance: half the badge tall, and
                    // two fifths where three of them share it.
                    EXPECT_GE(figures.height(), text.size() < 3 ? size / 2 : size * 2 / 5)
                        << what.toStdString();
                }
                const QPoint off = figures.center() - QPoint(size / 2, size / 2);
                EXPECT_LE(std::abs(off.x()), std::max(1, size / 12)) << what.toStdString();
                EXPECT_LE(std::abs(off.y()), std::max(1, size / 12)) << what.toStdString();
                // The badge is filled with its colour, its corners left clear.
                EXPECT_EQ(mostOf(badge), badgeFill(colour).rgb()) << what.toStdString();
                EXPECT_EQ(badge.pixelColor(0, 0).alpha(), 0) << what.toStdString();
            }
        }
    }
    for (const BadgeColour colour : {BadgeColour::Green, BadgeColour::Red}) {
        EXPECT_GE(contrastRatio(Qt::white, badgeFill(colour)), 6.0);
    }
    // The two colours tell apart for one who sees red and green alike only
    // by the figures; for everyone else they differ plainly.
    EXPECT_NE(badgeFill(BadgeColour::Green), badgeFill(BadgeColour::Red));

    // Pictures to look at, in the build folder: the panel sizes, and the
    // same at twice the scale.
    QDir().mkpath(QStringLiteral("panel_icon_shots"));
    for (const auto& [panelName, panel] : {std::pair{"light", QColor(0xef, 0xef, 0xef)},
                                           std::pair{"dark", QColor(0x2a, 0x2a, 0x2e)}}) {
        for (const auto& [colourName, colour] :
             {std::pair{"green", BadgeColour::Green}, std::pair{"red", BadgeColour::Red}}) {
            const QString name =
                QStringLiteral("panel_icon_shots/%1_%2").arg(panelName, colourName);
            EXPECT_TRUE(sheet(panel, colour, {16, 22, 32}, 4).save(name + QStringLiteral(".png")));
            EXPECT_TRUE(
                sheet(panel, colour, {32, 44, 64}, 2).save(name + QStringLiteral("_2x.png")));
        }
    }
}

// ---------------------------------------------------------------- the window

class PanelIconTest : public MainWindowTest {
protected:
    // Starts the window on `lines` with a desktop that has a panel (or not).
    void start(const QStringList& lines, bool panel = true) {
        writeConfig(lines);
        fake.exeFolder.folder = folder.path();
        form = std::make_unique<Form1>(fake.platform);
        form->panelIcon()->setAvailability([this] { return hasPanel; });
        hasPanel = panel;
        ASSERT_TRUE(form->start());
    }
    QStringList withKey(const QString& line) {
        QStringList lines = sampleConfig({"10:00", "10:30"});
        lines.insert(lines.indexOf(QStringLiteral("Stav=0")) + 1, line);
        return lines;
    }
    PanelIcon* icon() const { return form->panelIcon(); }
    QSystemTrayIcon* tray() const { return form->panelIcon()->trayIcon(); }
    QAction* choice() const {
        return form->contextMenu()->findChild<QAction*>(QStringLiteral("MenuTrayIcon"));
    }
    bool hasPanel = true;
};

TEST_F(PanelIconTest, ShowsTheSentenceAndTellsThePanelOnlyWhatChanged) {
    start(sampleConfig({"10:00", "10:30"}));
    EXPECT_EQ(tray(), nullptr); // nothing to show before the first tick
    tickAt(9, 50, 0);
    ASSERT_NE(tray(), nullptr);
    EXPECT_TRUE(tray()->isVisible());
    EXPECT_EQ(tray()->toolTip(), QStringLiteral("Autobus 150 odjíždí v 10:00, za 10 minut."));
    EXPECT_EQ(tray()->contextMenu(), form->contextMenu()); // the window's own menu
    EXPECT_FALSE(tray()->icon().isNull());
    EXPECT_EQ(icon()->iconUpdates(), 1);
    EXPECT_EQ(icon()->toolTipUpdates(), 1);

    for (int s = 1; s < 60; ++s) {
        tickAt(9, 50, s);
    }
    EXPECT_EQ(icon()->iconUpdates(), 1);
    EXPECT_EQ(icon()->toolTipUpdates(), 1);
    tickAt(9, 51, 0);
    EXPECT_EQ(icon()->iconUpdates(), 2);
    EXPECT_EQ(tray()->toolTip(), QStringLiteral("Autobus 150 odjíždí v 10:00, za 9 minut."));

    // Red as the red span begins, minimised or not; the window stays green.
    form->showMinimized();
    tickAt(9, 55, 0);
    const int before = icon()->iconUpdates();
    tickAt(9, 55, 1);
    EXPECT_EQ(icon()->iconUpdates(), before + 1);
    EXPECT_EQ(colourOf(label("Label5")), QColor(0, 128, 0));
    EXPECT_EQ(mostOf(tray()->icon().pixmap(32).toImage()), badgeFill(BadgeColour::Red).rgb());

    tickAt(10, 31, 0);
    EXPECT_EQ(tray()->toolTip(), QStringLiteral("Dnes už žádný autobus nejede."));
    EXPECT_EQ(mostOf(tray()->icon().pixmap(32).toImage()), badgeFill(BadgeColour::Green).rgb());
}

TEST_F(PanelIconTest, ChoiceInTheMenuIsStoredAloneAndComesBackAtStart) {
    start(sampleConfig({"10:00", "10:30"}));
    ASSERT_NE(choice(), nullptr);
    EXPECT_EQ(choice()->text(), QStringLiteral("Ikona na panelu"));
    EXPECT_TRUE(choice()->isCheckable());
    EXPECT_TRUE(choice()->isChecked()); // no key: on
    tickAt(9, 50, 0);
    ASSERT_NE(tray(), nullptr);

    const QByteArray before = configBytes();
    choice()->trigger();
    EXPECT_FALSE(icon()->chosen());
    EXPECT_EQ(tray(), nullptr);
    QByteArray expected = before;
    expected.replace("Stav=0\r\n", "Stav=0\r\nTrayIcon=0\r\n");
    EXPECT_EQ(configBytes(), expected);
    tickAt(9, 50, 1);
    EXPECT_EQ(tray(), nullptr);

    choice()->trigger();
    EXPECT_TRUE(icon()->chosen());
    expected.replace("TrayIcon=0", "TrayIcon=1");
    EXPECT_EQ(configBytes(), expected);
    tickAt(9, 50, 2);
    ASSERT_NE(tray(), nullptr);
    EXPECT_EQ(tray()->toolTip(), QStringLiteral("Autobus 150 odjíždí v 10:00, za 10 minut."));

    start(withKey(QStringLiteral("TrayIcon=0")));
    tickAt(9, 50, 0);
    EXPECT_EQ(tray(), nullptr);
    EXPECT_FALSE(choice()->isChecked());
    start(withKey(QStringLiteral("TrayIcon=yes")));
    tickAt(9, 50, 0);
    EXPECT_NE(tray(), nullptr);
    EXPECT_TRUE(choice()->isChecked());
}

TEST_F(PanelIconTest, ChoiceInTheMenuIsNotReloadedAndSomeoneElsesIsFollowed) {
    start(sampleConfig({"10:00", "10:30"}, QStringLiteral("1")));
    form->show();
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_FALSE(form->state().Expanded);
    tickAt(9, 50, 0);
    // A reload would bring the stored expanded view back.
    for (const bool on : {false, true}) {
        choice()->trigger();
        form->followConfigFile();
        EXPECT_FALSE(form->state().Expanded) << on;
        EXPECT_EQ(icon()->chosen(), on);
    }
    // Someone else's file, renamed over this one: its choice is taken.
    QStringList other = withKey(QStringLiteral("TrayIcon=0"));
    other.replaceInStrings(QStringLiteral("Stav=0"), QStringLiteral("Stav=1"));
    QSaveFile file(folder.file(QStringLiteral("kvapomern.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(fileBytes(other));
    ASSERT_TRUE(file.commit());
    form->followConfigFile();
    EXPECT_TRUE(form->state().Expanded);
    EXPECT_FALSE(icon()->chosen());
    EXPECT_FALSE(choice()->isChecked());
    tickAt(9, 50, 1);
    EXPECT_EQ(tray(), nullptr);
}

TEST_F(PanelIconTest, NoPanelNoIconUntilOneAppears) {
    start(sampleConfig({"10:00", "10:30"}), false);
    tickAt(9, 50, 0);
    tickAt(9, 50, 1);
    EXPECT_EQ(tray(), nullptr);
    EXPECT_TRUE(choice()->isChecked()); // the choice stays the user's
    EXPECT_EQ(configBytes(), fileBytes(sampleConfig({"10:00", "10:30"})));
    // A panel that comes later gets the icon with the next minute.
    hasPanel = true;
    tickAt(9, 50, 30);
    EXPECT_EQ(tray(), nullptr);
    tickAt(9, 51, 0);
    ASSERT_NE(tray(), nullptr);
    EXPECT_EQ(tray()->toolTip(), QStringLiteral("Autobus 150 odjíždí v 10:00, za 9 minut."));
}

TEST_F(PanelIconTest, ClickBringsAMinimisedOrCoveredWindowAndPutsAwayOneInFront) {
    start(sampleConfig({"10:00", "10:30"}));
    form->show();
    tickAt(9, 50, 0);
    form->showMinimized();
    ASSERT_TRUE(form->isMinimized());
    icon()->click();
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(form->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));

    icon()->click(); // in front and active: minimised
    EXPECT_TRUE(form->isMinimized());

    // Covered by another window: brought to the front, not minimised.
    icon()->click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::qWait(600); // long enough not to be the focus a click takes
    icon()->click();
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
}

} // namespace
} // namespace kvapomer::test
