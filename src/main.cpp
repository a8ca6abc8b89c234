// Kvapoměr: counts down to the next bus of the day.

#include "main_window/form1.h"
#include "platform/dbus_desktop_notice.h"
#include "platform/platform_choice.h"
#include "platform/qt_platform.h"
#include "platform/single_instance.h"
#include "settings_window/form2.h"
#include "ui_common/colours.h"
#include "ui_common/fonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <optional>

#include <unistd.h>

namespace {

// Qt's own texts (the text boxes' context menus) in Czech. Only the settings
// window shows any, so they are loaded when it first opens.
void installQtTranslations() {
    static QTranslator* const translator = [] {
        auto* loaded = new QTranslator(QCoreApplication::instance());
        if (loaded->load(QLocale(QLocale::Czech), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QApplication::installTranslator(loaded);
        }
        return loaded;
    }();
    Q_UNUSED(translator);
}

// The folder of this executable, before there is an application object.
QString executableFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    const QString file = QString::fromLocal8Bit(path, n);
    return file.left(file.lastIndexOf(u'/') + 1);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "kvapomer: no graphical display (DISPLAY is not set); "
                             "the program needs a desktop to show its window.\n");
        return 2;
    }
    // One copy per program folder: a second start only brings the running
    // copy's window to the front. Settled before the display is opened.
    kvapomer::SingleInstance instance(kvapomer::SingleInstance::socketPathFor(executableFolder()));
    if (instance.claim(qgetenv("XDG_ACTIVATION_TOKEN")) ==
        kvapomer::SingleInstance::Claim::Running) {
        return 0;
    }
    kvapomer::applyPlatformChoice();
    // The window repaints a few small labels every second. Through X shared
    // memory each such repaint costs a round trip to the X server (Qt waits
    // until the server has read the shared image before drawing into it
    // again), which wakes two threads; sending the few changed pixels over
    // the connection costs less. A setting of the user's own is kept.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
    std::optional<kvapomer::FontSetupAhead> fontSetup(std::in_place);
    QApplication app(argc, argv);
    fontSetup.reset();
    QApplication::setApplicationName(QStringLiteral("Kvapomer"));
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.orv.Kvapomer"));
    QApplication::setQuitOnLastWindowClosed(true);

    // The windows as a dark desktop shows them (Fusion with a dark palette),
    // for checking their colours where no dark desktop is at hand.
    if (qEnvironmentVariableIntValue("KVAPOMER_DARK_PALETTE") == 1) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(kvapomer::darkPalette());
    }

    kvapomer::QtClock clock;
    kvapomer::QtMessageBox messageBox;
    kvapomer::QtSoundOutput sound;
    kvapomer::QtShell shell;
    kvapomer::QtExeFolder exeFolder;
    kvapomer::QtScreen screen;
    kvapomer::QtProgramEnd programEnd;
    kvapomer::Platform platform{clock, messageBox, sound, shell, exeFolder, screen, programEnd};

    kvapomer::Form1 form1(platform);
    kvapomer::InstanceRequests requests(instance.listener());
    QObject::connect(&requests, &kvapomer::InstanceRequests::activationRequested, &form1,
                     &kvapomer::Form1::bringToFront);
    kvapomer::DbusDesktopNotice notice(QStringLiteral("Kvapoměr"),
                                       QStringLiteral("cz.orv.Kvapomer"));
    form1.setDesktopNotice(&notice);
    form1.setSettingsFactory([&platform](kvapomer::SettingsHost& host) -> QWidget* {
        installQtTranslations();
        return new kvapomer::Form2(host, platform);
    });
    if (!form1.start()) {
        return programEnd.ending() ? programEnd.status() : 1;
    }
    form1.show();
    const int status = QApplication::exec();
    return programEnd.ending() ? programEnd.status() : status;
}
