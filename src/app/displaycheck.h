#pragma once
// Whether the window can be shown at all. Without a display Qt's window-system plugin
// aborts the program with a message about plugins; checked first, the user is told in one
// line that there is no display and that the headless logger runs without one.

#include <QString>
#include <functional>

namespace app {

// `platform`: the -platform argument or QT_QPA_PLATFORM (empty: Qt's default, which needs
// X11 or Wayland); `env` reads an environment variable. False only when every platform
// asked for needs a display server and none is there; an unknown platform (offscreen, vnc,
// eglfs ...) is left to Qt.
bool displayAvailable(const QString& platform, const std::function<QString(const char*)>& env);

// The line said when there is none.
QString noDisplayText();

}  // namespace app
