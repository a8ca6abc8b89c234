#pragma once
// The main window: start-up, the one-second tick, the alerts, the commands
// and the exit question.

#include "app/import_launcher.h"
#include "app/live_link.h"
#include "app/load_path.h"
#include "countdown/tick_schedule.h"
#include "main_window/program_state.h"
#include "main_window/slot_lines.h"
#include "main_window/walk_view.h"
#include "platform/desktop_notice.h"
#include "platform/platform.h"
#include "settings_window/settings_host.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QGroupBox;
class QMenu;
class QPushButton;
class QTimer;

namespace kvapomer {

class Announcer;
class ConfigFile;
class PanelIcon;

class Form1 : public QWidget, public SettingsHost {
    Q_OBJECT
public:
    explicit Form1(Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

    // The load handler: placement, credit line, start-up flags and the first
    // load. Returns false when the configuration could not be loaded and the
    // program is ending. Starts the clock tick on success.
    bool start();

    // Reloads everything from the configuration file. Returns false when the
    // load failed: the program is then ending and the caller must stop.
    bool LoadData();

    ProgramState& state() { return state_; }
    const ProgramState& state() const { return state_; }
    ConfigFile configFile() const;

    // The note on the line, as the main window shows it.
    QString noteText() const { return state_.note; }

    // What the settings window reads and may ask for.
    ProgramSnapshot snapshot() const override;
    bool reload() override { return LoadData(); }
    void ownWrite(const std::function<void()>& write) override;

    // Opens the settings window; the factory creates it on first use.
    using SettingsFactory = std::function<QWidget*(SettingsHost&)>;
    void setSettingsFactory(SettingsFactory factory) { settingsFactory_ = std::move(factory); }
    QWidget* settingsWindow() const { return settings_.data(); }

    // Where a minimised window's red warning goes (none: no notices).
    void setDesktopNotice(DesktopNotice* notice) { desktopNotice_ = notice; }

    // One clock tick (also run by tests without waiting for the timer).
    void tick();

    // Tick of the flash timer and of the bus-in-station timer.
    void flashTick();
    void stayTick();

    // The context menu (right click, the Menu key, Shift+F10), made on first use.
    QMenu* contextMenu();

    // Loads the configuration file when someone else has changed it and the
    // new version loads without a message; the tick runs it every second.
    void followConfigFile();

    // The status icon on the panel and its choice "Ikona na panelu".
    PanelIcon* panelIcon() const { return panelIcon_; }

    // "Vždy navrchu": kept above other windows; stored at once.
    bool stayOnTop() const { return stayOnTop_; }
    void setStayOnTop(bool on);

    // A second start from this folder asks for the window: un-minimised,
    // raised and activated. `token`: that start's activation token, if any.
    void bringToFront(const QByteArray& token = {});

    // Starts the import window (the helper program beside this one), with a
    // feed to open when given. One at a time.
    void openImport(const QString& feed = {});
    static QString importProgramName() { return ImportLauncher::programName(); }

    // The expanded view (`Frame4` with the large countdown and the
    // bus-in-station message), built when it is first needed.
    QWidget* expandedView();

    static QString normalTitle() { return kvapomer::normalTitle(); }
    static QString creditLine();
    static QString contactAddress();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void describeForScreenReaders();
    void applyReadingOrder();
    void placeWindow();
    void onTimer1();
    void openSettings();
    void openWalkDialog(); // walk_dialog.cpp
    void sendMail();
    void applyTick(const QDateTime& now);
    void showDay();
    QColor dayNoticeColour() const;
    void paintTick(const TickView& view);
    void applyLoaded(LoadPath::Loaded&& loaded);
    void fitHeading();
    void applyStayOnTop(bool on);
    void showContextMenu(const QPoint& globalPos);
    QPoint keyboardMenuPoint() const;
    bool settingsOpen() const;
    void settingsStateChanged();
    void queueSettingsCheck();
    // Live departures (form1_live.cpp).
    void followLive();
    QString creditOrLive(const QDateTime& now) const;
    void showBand(const QDateTime& now); // the credit line or the live data's words
    std::optional<std::vector<LiveDeparture>> liveDepartures(const QDateTime& now) const;
    void paintLive(const TickView& view, const QDateTime& now);

    Platform& platform_;
    ProgramState state_;
    TickSchedule schedule_;
    LoadPath loads_; // the file into the window, the day keeper, following the file
    bool shownOnce_ = false;
    QSize placedOuterSize_;
    SettingsFactory settingsFactory_;
    QPointer<QWidget> settings_;
    DesktopNotice* desktopNotice_ = nullptr;
    bool loading_ = false; // a load is showing its messages
    bool closed_ = false;  // the exit was confirmed
    bool stayOnTop_ = false;
    ImportLauncher import_;
    QMenu* menu_ = nullptr;
    QAction* importAction_ = nullptr;
    QAction* stayOnTopAction_ = nullptr;
    PanelIcon* panelIcon_ = nullptr; // the status icon on the desktop's panel

    bool busMessageShown_ = false;   // the bus-in-station message is on
    std::unique_ptr<LiveLink> live_; // made at start-up
    bool liveSlotsShown_ = false;    // the slots show live data
    std::optional<bool> wasLive_;    // what the screen reader last heard
    // How each slot was last coloured for live data; -1: to be set again.
    std::array<int, 4> slotLooks_{-1, -1, -1, -1};
    bool slotsLate_ = false;           // the walk's grey slot when the looks were set
    std::optional<QString> creditTip_; // the credit line's own tool tip

    QTimer* timer1_ = nullptr;
    QTimer* flashT_ = nullptr;
    QTimer* stayT_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QGroupBox* frame2_ = nullptr;
    QGroupBox* frame3_ = nullptr;
    QWidget* frame4_ = nullptr;
    QLabel* label1_ = nullptr;
    QFont headingFont_; // Label1's as laid out
    std::array<QLabel*, 4> label2_{};
    std::array<QLabel*, 4> label3_{};
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
    QLabel* label6_ = nullptr;
    QLabel* label7_ = nullptr;
    QLabel* label8_ = nullptr;
    QLabel* label9_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QWidget* mmControl1_ = nullptr;
    Announcer* announcer_ = nullptr;
    WalkView walkView_;
    std::optional<SlotLines> slotLines_; // the line of each slot (slot_lines.h)
};

} // namespace kvapomer
