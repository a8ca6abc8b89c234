#include "gtfs_import/cli/refresh.h"

#include "config/config_file.h"
#include "gtfs_import/cli/exit_status.h"
#include "gtfs_import/feed/terminal_text.h"
#include "gtfs_import/import/import_line.h"

#include <QFileInfo>

#include <sstream>

namespace kvapomer::gtfs {

namespace {

// A feed's or user's text as a message repeats it.
QString echo(const QString& text) {
    return QString::fromStdString(shortened(text.toStdString(), kEchoCharacters));
}

} // namespace

int refreshDatedLines(const QString& ini, std::chrono::sys_days today, std::ostream& err) {
    if (!QFileInfo(ini).isFile()) {
        say(err, QStringLiteral("Konfigurační soubor %1 neexistuje.").arg(ini).toStdString());
        return kExitConfigFile;
    }
    int first = kExitOk;
    const std::vector<DatedSection> lines = ConfigFile(ini).datedLines();
    for (const DatedSection& dated : lines) {
        const QString& section = dated.line;
        int status = kExitOk;
        const std::string name = section.toStdString();
        try {
            const DatedSource& source = dated.dated.source;
            ImportRequest request{source.feed.toStdString(),
                                  source.stop.toStdString(),
                                  source.route.toStdString(),
                                  source.direction.toStdString(),
                                  std::nullopt,
                                  today,
                                  source.to.toStdString(),
                                  {}};
            for (const QString& route : source.routes) {
                request.routes.push_back(route.toStdString());
            }
            const ImportedLine imported = importFromFeed(request, {section, dated.note, false});
            std::ostringstream message;
            status = writeStatus(writeLine(ini, imported.line), message);
            if (status == kExitOk) {
                say(err, QStringLiteral("Linka %1: %2, obnoveno.")
                             .arg(echo(section), imported.summary)
                             .toStdString());
            } else {
                // writeStatus's message: one line already, safe to repeat.
                err << "Linka " << printable(name) << ": " << message.str();
            }
        } catch (const FeedError& e) {
            sayLines(err, "Linka " + shortened(name, kEchoCharacters) + ": " + e.what());
            status = exitStatusFor(e.problem());
        }
        if (first == kExitOk) {
            first = status;
        }
    }
    if (lines.empty()) {
        say(err, QStringLiteral("V souboru %1 není žádná linka z jízdního řádu pro každý den.")
                     .arg(ini)
                     .toStdString());
    }
    return first;
}

} // namespace kvapomer::gtfs
