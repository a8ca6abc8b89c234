#pragma once
// The settings window: edits the line number, the note, the list of times and
// the alert thresholds, and saves them.

#include "platform/platform.h"
#include "settings_window/settings_host.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace kvapomer {

class ConfigFile;
struct SettingsInput;

class Form2 : public QWidget {
    Q_OBJECT
public:
    Form2(SettingsHost& host, Platform& platform, QWidget* parent = nullptr);
    ~Form2() override;

    static QString title();

    // The line number that was active when the window was loaded.
    const QString& openingBus() const { return openingBus_; }

    // The window's contents as a save would write them.
    SettingsInput settingsInput() const;

    // One tick of Timer1 (also run by tests without waiting for the timer).
    void timer1Tick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLayout();
    void FillSettings();
    ConfigFile configFile() const;
    void onText1Changed();
    bool lineWouldLoad(const QString& line) const;
    void onCommand1();
    void onCommand2();
    void onCommand3();
    void onCommand4();
    void SaveSettings();

    SettingsHost& host_;
    Platform& platform_;
    QString openingBus_;
    QString filledLine_; // the line number and the list of the latest filling
    QStringList filledTimes_;
    bool centred_ = false;

    QTimer* timer1_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QCheckBox* check2_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
    QPushButton* command4_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QGroupBox* frame2_ = nullptr;
    QGroupBox* frame3_ = nullptr;
    QGroupBox* frame4_ = nullptr;
    QGroupBox* frame5_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QLineEdit* text3_ = nullptr;
    QLineEdit* text4_ = nullptr;
    QLineEdit* text5_ = nullptr;
    QLineEdit* text6_ = nullptr;
    QLineEdit* text7_ = nullptr;
    QListWidget* list1_ = nullptr;
};

} // namespace kvapomer
