// kvapomer-import: fills a line's timetable in kvapomern.ini from a GTFS feed.

#include "app/import_link.h"
#include "config/config_file.h"
#include "gtfs_import/cli/import_command.h"
#include "gtfs_import/window/import_window.h"

#include <QApplication>
#include <QCoreApplication>

#include <algorithm>
#include <string_view>

#include <ctime>
#include <iostream>
#include <new>

int main(int argc, char** argv) {
    using namespace kvapomer::gtfs;
    // The command answers every failure with a Czech line of its own; this is
    // for what could fail around it, so that nothing ends in an abort.
    try {
        if (std::any_of(argv + 1, argv + argc, [](const char* a) {
                return std::string_view(a) == kvapomer::import_link::kWindowOption;
            })) {
            const std::optional<WindowOptions> options =
                windowOptions(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
            if (!options) {
                return kExitUsage;
            }
            QApplication app(argc, argv);
            return runImportWindow(
                *options, kvapomer::ConfigFilePath(QCoreApplication::applicationDirPath()));
        }
        QCoreApplication app(argc, argv);
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        const CommandEnvironment env{
            kvapomer::ConfigFilePath(QCoreApplication::applicationDirPath()).toStdString(),
            std::chrono::year_month_day{std::chrono::year(local.tm_year + 1900),
                                        std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                                        std::chrono::day(static_cast<unsigned>(local.tm_mday))}};
        return runImportCommand(std::vector<std::string>(argv + 1, argv + argc), env, std::cout,
                                std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << kOutOfMemoryMessage << '\n';
    } catch (...) {
        std::cerr << kUnexpectedMessage << '\n';
    }
    return kExitBadFeed;
}
