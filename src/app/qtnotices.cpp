#include "qtnotices.h"

#include <QString>
#include <QtGlobal>

namespace app {

namespace {

QtMessageHandler previous = nullptr;

// Qt falls back to a folder of its own when the session has no runtime folder (a start
// outside a desktop session, sudo, a service) and says so on every start.
bool onlyForQt(const QString& message) {
    return message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

void Filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && onlyForQt(message)) return;
    previous(type, context, message);  // Qt hands back its default handler at least
}

}  // namespace

void QuietenQtNotices() {
    previous = qInstallMessageHandler(Filter);
}

}  // namespace app
