#include "displaycheck.h"

#include <QFileInfo>
#include <QStringList>

namespace app {
namespace {

bool hasX11(const std::function<QString(const char*)>& env) {
    return !env("DISPLAY").isEmpty();
}

bool hasWayland(const std::function<QString(const char*)>& env) {
    if (!env("WAYLAND_DISPLAY").isEmpty()) return true;
    // Without WAYLAND_DISPLAY a Wayland client tries the session's default socket.
    const QString runtime = env("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/wayland-0"));
}

}  // namespace

bool displayAvailable(const QString& platform, const std::function<QString(const char*)>& env) {
    if (platform.trimmed().isEmpty()) {
#ifdef Q_OS_WIN
        return true;  // Qt's own platform there is the Windows desktop, always at hand
#else
        return hasX11(env) || hasWayland(env);
#endif
    }
    // "wayland;xcb": Qt tries each in turn.
    for (const QString& part : platform.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = part.section(QLatin1Char(':'), 0, 0).trimmed().toLower();
        if (name == QLatin1String("xcb")) {
            if (hasX11(env)) return true;
        } else if (name.startsWith(QLatin1String("wayland"))) {
            if (hasWayland(env)) return true;
        } else {
            return true;
        }
    }
    return false;
}

QString noDisplayText() {
    return QStringLiteral(
        "leakmeter: there is no display to show the window on (neither DISPLAY nor "
        "WAYLAND_DISPLAY is set); 'leakmeter --headless' logs the readings without one, "
        "'leakmeter --history FILE' downloads the stored groups");
}

}  // namespace app
