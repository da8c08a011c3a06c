#include "namedtimer.h"

#include <QTimer>

namespace protocol {

QTimer* newNamedTimer(QObject* parent, const char* name, int intervalMs, bool running) {
    auto* t = new QTimer(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(intervalMs);
    t->setTimerType(Qt::PreciseTimer);
    if (running) t->start();
    return t;
}

}  // namespace protocol
