#pragma once
// The import window: a line from the operator's feed, chosen with the mouse
// or the keyboard and written into kvapomern.ini as the active line. It only
// shows what ImportSession answers; every question to the feed runs there.

#include "gtfs_import/window/import_session.h"

#include <QWidget>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

class QCheckBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace kvapomer {
class Announcer;
}

namespace kvapomer::gtfs {

class ImportWindow : public QWidget {
    Q_OBJECT
public:
    // `feed` empty: the feed read last (kept in `ini`), if any.
    ImportWindow(const QString& ini, const QString& feed, ImportSession::Today today,
                 QWidget* parent = nullptr);

    ImportSession& session() { return session_; }

public Q_SLOTS:
    // The main window's settings window opened or closed: its "Zpátky" would
    // write the old line back, so nothing is saved meanwhile.
    void setSettingsOpen(bool open);

private:
    void build();
    void openFeed(const QString& path);
    void chooseFile();
    void chooseFolder();
    void search();
    void searchTo();
    void placeChosen(int row);
    void destinationChosen(int row);
    void askDestination();
    void linesReady();
    void destinationReady();
    void ticksChanged();
    // A destination typed: the lines of the place that go there.
    bool toDestination() const;
    void chainFocus();
    void showColumns(bool destination);
    void routeChosen(int row);
    void directionChosen(int row);
    void previewReady();
    void showDay();
    void save();
    void busyChanged(bool busy, const QString& what);
    void say(const QString& message, bool error);
    void clearPreview();
    void clearDepartures();
    void updateSave();
    void proposeWalk();

    ImportSession session_;
    PlaceRows places_;
    PlaceRows toPlaces_;
    std::vector<const Route*> routes_;
    std::vector<PlatformLine> directions_;
    bool settingsOpen_ = false;
    bool saving_ = false;
    bool walkChosen_ = false; // the user set the walk: no longer proposed

    QLineEdit* feedEdit_ = nullptr;
    QPushButton* chooseFile_ = nullptr;
    QPushButton* chooseFolder_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* busyText_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QLabel* placesLabel_ = nullptr;
    QListWidget* stopList_ = nullptr;
    QLineEdit* toSearch_ = nullptr;
    QLabel* toCaption_ = nullptr;
    QListWidget* toList_ = nullptr;
    QLabel* directionCaption_ = nullptr;
    QGridLayout* lists_ = nullptr;
    QListWidget* routeList_ = nullptr;
    QListWidget* directionList_ = nullptr;
    QDateEdit* dateEdit_ = nullptr;
    QLabel* todayText_ = nullptr;
    QLabel* dayText_ = nullptr;
    QLabel* daysText_ = nullptr;
    QLineEdit* lineEdit_ = nullptr;
    QLineEdit* noteEdit_ = nullptr;
    QSpinBox* walk_ = nullptr;
    QCheckBox* oneDate_ = nullptr;
    QLineEdit* liveUrl_ = nullptr;
    QLineEdit* liveToken_ = nullptr;
    QLabel* blocked_ = nullptr;
    QLabel* message_ = nullptr;
    Announcer* announcer_ = nullptr; // what a screen reader hears at once
    QPushButton* save_ = nullptr;
    QPushButton* close_ = nullptr;
};

// The arguments of `kvapomer-import --window [--ini FILE] [--feed ZIP|FOLDER]`
// (after the program's name); nothing, after a Czech line on `err`, when
// they are wrong.
struct WindowOptions {
    QString ini; // empty: the default
    QString feed;
};
std::optional<WindowOptions> windowOptions(const std::vector<std::string>& args, std::ostream& err);

// Shows the window until it is closed, listening to the main window over
// standard input when that is a pipe or socket. Returns the exit status.
int runImportWindow(const WindowOptions& options, const QString& defaultIni);

} // namespace kvapomer::gtfs
