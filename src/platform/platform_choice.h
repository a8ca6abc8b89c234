#pragma once
// Which Qt platform plugin the program asks for, from the session it runs in.

#include <QByteArray>

namespace kvapomer {

// The display variables of the session, as the environment holds them.
struct SessionDisplays {
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM: the user's own choice
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray x11Display;     // DISPLAY
};

// The platform list to put into QT_QPA_PLATFORM, or empty to leave Qt's own
// choice. A Wayland session with XWayland runs through X11, where the window
// can place itself and a minimised window's title reaches the taskbar; Wayland
// stays the fallback. Where only Wayland is there it is asked for by name, so
// that Qt neither tries X11 nor warns about the session type.
QByteArray chosenPlatform(const SessionDisplays& session);

// Reads the environment and sets QT_QPA_PLATFORM when a choice is made. To be
// called before the application object is created.
void applyPlatformChoice();

} // namespace kvapomer
