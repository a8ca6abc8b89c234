#pragma once
// The import window started from the main window: one at a time, as a child
// that outlives the main program, told whether the settings window is open.

#include "app/child_process.h"

#include <QString>

class QMimeData;

namespace kvapomer {

class ImportLauncher {
public:
    // The import tool beside the main program in `folder`.
    static QString programName();
    static QString programIn(const QString& folder);

    // Starts the import window on the configuration file `ini`, with `feed`
    // to open when given, and tells it whether the settings window is open.
    // False when the program is missing or could not be started (nothing
    // runs then); true also when one runs already.
    bool open(const QString& folder, const QString& ini, const QString& feed, bool settingsOpen);
    // What the main window says when the program is missing.
    static QString missingMessage(const QString& folder);

    // Whether the import window still runs; an ended one is collected here.
    bool running() { return child_.running(); }

    // The settings window opened or closed: the import window is told.
    // False when nothing changed since it was last told.
    bool settingsChanged(bool open);

    // The one .zip file among dropped things, if that is what they are.
    static QString droppedFeed(const QMimeData* mime);

private:
    ChildProcess child_;
    bool settingsWereOpen_ = false; // as last told to the import window
};

} // namespace kvapomer
