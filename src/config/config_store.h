#pragma once
// The configuration file kvapomern.ini and the only operations that touch it,
// plus the two records the program loads from it.
//
// The file is a Windows profile (INI) file in Windows-1250 (UTF-8 when it
// starts with the byte-order mark). It is read and written so that it stays
// interchangeable with files that Windows' own profile functions read and
// write. Every operation reads the file as it is at that moment; updates are
// atomic where the folder allows it and serialised between processes.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace kvapomer {

struct Timetable {
    QString Bus;       // the active line number, also its section name
    QStringList Times; // departure times hh:mm, indexes 0..LastIndex
    std::int16_t LastIndex = -1;
};

struct AlertSettings {
    std::int16_t RedAlertMin = 0;
    std::int16_t BlinkAlert = 0;  // seconds part of the flashing threshold
    std::int16_t BlinkAlertM = 0; // minutes part of the flashing threshold
    QString AlertWav;
    QString AlertON;
};

inline constexpr const char* kConfigFileName = "kvapomern.ini";
inline constexpr const char* kUnknownValue = "unknown value";
// A read returns at most this many characters minus one.
inline constexpr int kReadBufferSize = 700;

// Outcome of an update of the file. `number`/`description` name the failure
// in the style of the program's error titles.
struct [[nodiscard]] WriteResult {
    bool ok = true;
    int number = 0;
    QString description;
    explicit operator bool() const { return ok; }
};

// The configuration file in `folder` (the executable's folder).
QString ConfigFilePath(const QString& folder);

// Value of `key` in `section`: "unknown value" when the file, section or key
// is absent, `fallback` when the value is empty, at most 699 characters.
QString ReadIniValue(const QString& path, const QString& section, const QString& key,
                     const QString& fallback);

class ProfileDocument;

// The same, taken from a file already read: one parse serves every value of
// a load, so that all of them come from one version of the file.
QString ReadIniValue(const ProfileDocument& file, const QString& section, const QString& key,
                     const QString& fallback);

// Sets `key` in `section`, creating the file, section or key as needed.
WriteResult WriteIniValue(const QString& path, const QString& section, const QString& key,
                          const QString& value);

// Removes `section` with every line up to the next section header.
WriteResult DeleteIniSection(const QString& path, const QString& section);

} // namespace kvapomer
