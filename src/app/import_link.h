#pragma once
// How the main window and the import window (`kvapomer-import --window`)
// speak to each other: the import window's options, and the lines the main
// window sends over the import window's standard input. Both programs use
// these names; nothing else spells them.

#include <QByteArray>

namespace kvapomer::import_link {

// The import tool, beside the main program.
inline constexpr char kProgram[] = "kvapomer-import";

// Its options: the window, the configuration file, a feed to open at once.
inline constexpr char kWindowOption[] = "--window";
inline constexpr char kIniOption[] = "--ini";
inline constexpr char kFeedOption[] = "--feed";
// The day keeper's refresh of the dated lines from their feeds.
inline constexpr char kRefreshOption[] = "--refresh";

// One line each, ended by "\n": whether the settings window is open (the
// import window does not save meanwhile).
inline constexpr char kSettingsOpen[] = "settings-open";
inline constexpr char kSettingsClosed[] = "settings-closed";

inline QByteArray settingsLine(bool open) {
    return QByteArray(open ? kSettingsOpen : kSettingsClosed) + '\n';
}

} // namespace kvapomer::import_link
