#include "datalogsync.h"

#include <QTimer>

#include "protocol/meterlink.h"

namespace app {

DataLogSync::DataLogSync(measure::DataLog& log, QObject* parent)
    : QObject(parent),
      log_(log),
      tick_(protocol::NewNamedTimer(this, "dataLogSync", kTickMs, false)) {
    connect(tick_, &QTimer::timeout, this, [this] {
        if (!log_.SyncIfDue()) {
            tick_->stop();
            emit failed();
            return;
        }
        sayNotice();
    });
}

void DataLogSync::start() {
    tick_->start();
}

void DataLogSync::stop() {
    tick_->stop();
}

bool DataLogSync::append(const measure::MeterRecord& record) {
    if (!log_.Append(record)) {
        tick_->stop();
        emit failed();
        return false;
    }
    sayNotice();
    return true;
}

void DataLogSync::sayNotice() {
    if (const QString line = log_.TakeNotice(); !line.isEmpty()) emit notice(line);
}

}  // namespace app
