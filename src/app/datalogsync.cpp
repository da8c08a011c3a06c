#include "datalogsync.h"

#include <QTimer>

#include "protocol/namedtimer.h"

namespace app {

DataLogSync::DataLogSync(measure::DataLog& log, QObject* parent)
    : QObject(parent),
      log_(log),
      tick_(protocol::NewNamedTimer(this, "dataLogSync", kTickMs, false)) {
    connect(tick_, &QTimer::timeout, this, [this] { said(log_.SyncIfDue()); });
}

void DataLogSync::start() {
    tick_->start();
}

void DataLogSync::stop() {
    tick_->stop();
}

bool DataLogSync::append(const measure::Reading& reading) {
    return said(log_.Append(reading));
}

bool DataLogSync::appendRow(const QByteArray& row, const QDateTime& time) {
    return said(log_.AppendRow(row, time));
}

// Tells what the log did: failed (and stopped), or went on by itself.
bool DataLogSync::said(bool written) {
    if (!written) {
        tick_->stop();
        emit failed();
        return false;
    }
    if (const QString line = log_.TakeNotice(); !line.isEmpty()) emit notice(line);
    return true;
}

}  // namespace app
