#include "datalogsync.h"

#include <QTimer>

#include "protocol/namedtimer.h"

namespace app {

DataLogSync::DataLogSync(measure::DataLog& log, QObject* parent)
    : QObject(parent),
      log_(log),
      tick_(protocol::newNamedTimer(this, "dataLogSync", kTickMs, false)) {
    connect(tick_, &QTimer::timeout, this, [this] { said(log_.syncIfDue()); });
}

void DataLogSync::start() {
    tick_->start();
}

void DataLogSync::stop() {
    tick_->stop();
}

bool DataLogSync::append(const measure::Reading& reading) {
    return said(log_.append(reading));
}

bool DataLogSync::appendRow(const QByteArray& row, const QDateTime& time) {
    return said(log_.appendRow(row, time));
}

// Tells what the log did: failed (and stopped), or went on by itself.
bool DataLogSync::said(bool written) {
    if (!written) {
        tick_->stop();
        emit failed();
        return false;
    }
    if (const QString line = log_.takeNotice(); !line.isEmpty()) emit notice(line);
    return true;
}

}  // namespace app
