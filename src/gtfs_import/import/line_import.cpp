#include "gtfs_import/import/line_import.h"

#include "config/config_file.h"
#include "config/walk_time.h"
#include "gtfs_import/feed/terminal_text.h"
#include "profile/error_numbers.h"

namespace kvapomer::gtfs {

namespace {

// The longest value a read of the file gives back whole.
constexpr qsizetype kLongestValue = keys::kReadBufferSize - 1;

LineWriteResult refused(const QString& message) {
    return {LineWrite::Refused, message};
}

// A value as a message repeats it: cut short, never inside a surrogate pair.
QString echo(const QString& text) {
    return QString::fromStdString(shortened(text.toStdString(), kEchoCharacters));
}

} // namespace

LineWriteResult writeLine(const QString& iniPath, const LineImport& import) {
    if (import.line.size() > kLongestValue) {
        return refused(QStringLiteral("Číslo linky má %1 znaků, konfigurační soubor jich vrátí "
                                      "nejvýše %2; zvolte kratší přes --line.")
                           .arg(import.line.size())
                           .arg(kLongestValue));
    }
    if (!isUsableLineName(import.line)) {
        return refused(QStringLiteral("Číslo linky „%1“ nelze uložit do konfiguračního souboru; "
                                      "zvolte jiné přes --line.")
                           .arg(echo(import.line)));
    }
    if (import.note.size() > kLongestValue) {
        return refused(QStringLiteral("Poznámka má %1 znaků, konfigurační soubor jich vrátí "
                                      "nejvýše %2; zvolte kratší přes --note.")
                           .arg(import.note.size())
                           .arg(kLongestValue));
    }
    if (!fitsCodePage(import.note) || import.note.contains(u'\n') || import.note.contains(u'\r')) {
        return refused(QStringLiteral("Poznámku „%1“ nelze uložit do konfiguračního souboru "
                                      "(znak mimo Windows-1250); zvolte jinou přes --note.")
                           .arg(echo(import.note)));
    }
    if (import.walkMin && !isWalkSetting(*import.walkMin)) {
        return refused(QStringLiteral("Cesta na zastávku %1 min je mimo rozsah 0 až %2 minut.")
                           .arg(*import.walkMin)
                           .arg(keys::kMaxWalkMin));
    }
    if (import.times.size() > keys::kMaxTimes) {
        return refused(QStringLiteral("Odjezdů je %1, linka jich pojme nejvýše %2.")
                           .arg(import.times.size())
                           .arg(keys::kMaxTimes));
    }
    SettingsInput input;
    input.line = import.line;
    input.note = import.note;
    input.times = import.times;
    if (const Result<void> check = checkSettings(input); !check) {
        return refused(QStringLiteral("Linku nelze uložit: %1.").arg(check.error().description));
    }
    if (import.live) {
        if (!import.dated) {
            return refused(
                QStringLiteral("Aktuální údaje má jen linka na každý den (bez --date)."));
        }
        if (const std::optional<QString> problem = liveAddressProblem(*import.live)) {
            return refused(*problem);
        }
    }
    const ConfigFile file(iniPath);
    if (!file.exists()) {
        return {LineWrite::NoFile,
                QStringLiteral("Konfigurační soubor %1 neexistuje.").arg(iniPath)};
    }
    const Result<void> result =
        file.writeLine({import.line, import.note, import.times, import.dated, import.walkMin,
                        import.lines, import.live},
                       import.activate);
    if (!result && result.error().number == error::kInvalidArgument) {
        return refused(QStringLiteral("Linku „%1“ by konfigurační soubor nevrátil beze změny; "
                                      "zvolte jiné číslo přes --line.")
                           .arg(echo(import.line)));
    }
    if (!result) {
        return {LineWrite::WriteFailed, QStringLiteral("Konfigurační soubor %1 nelze zapsat: %2.")
                                            .arg(iniPath, result.error().description)};
    }
    return {};
}

} // namespace kvapomer::gtfs
