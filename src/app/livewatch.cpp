#include "livewatch.h"

#include <QTimer>

#include "measure/datalog.h"
#include "measure/localclock.h"
#include "protocol/namedtimer.h"

namespace app {

LiveWatch::LiveWatch(QObject* parent)
    : QObject(parent), tick_(protocol::newNamedTimer(this, "liveWatch", kTickMs, false)) {
    connect(tick_, &QTimer::timeout, this, [this] {
        if (!aggregator_) return;
        if (auto row = aggregator_->closeIfOver(measure::localNow())) emit interval(*row);
    });
}

void LiveWatch::setAlarmThreshold(float thresholdMa) {
    if (tracker_)
        tracker_->setThreshold(thresholdMa);
    else
        tracker_.emplace(thresholdMa);
}

void LiveWatch::setIntervalSeconds(int seconds) {
    if (seconds <= 0) {
        aggregator_.reset();
        tick_->stop();
        return;
    }
    aggregator_.emplace(seconds);
    tick_->start();
}

void LiveWatch::take(const measure::Reading& reading) {
    if (aggregator_)
        if (auto row = aggregator_->add(reading)) emit interval(*row);
    if (tracker_)
        if (auto event = tracker_->add(reading)) emit alarm(*event);
}

void LiveWatch::finishInterval(const QDateTime& now) {
    if (aggregator_)
        if (auto row = aggregator_->finish(now)) emit interval(*row);
}

void LiveWatch::beginInterval(const QDateTime& now) {
    if (aggregator_) aggregator_->begin(now);
}

void LiveWatch::finishAlarm(const QDateTime& now) {
    if (tracker_)
        if (auto event = tracker_->finish(now)) emit alarm(*event);
}

QString alarmEventLine(const measure::AlarmEvent& e, float thresholdMa) {
    const auto ma = [](const std::optional<float>& v) {
        return v ? QString::fromLatin1(measure::valueMaText(*v)) + QStringLiteral(" mA")
                 : QStringLiteral("0L");
    };
    if (e.kind == measure::AlarmEvent::Kind::Start)
        return QStringLiteral("alarm start: %1 (threshold %2)").arg(ma(e.valueMa), ma(thresholdMa));
    return QStringLiteral("alarm end: %1, peak %2, after %3 s")
        .arg(e.atStop ? QStringLiteral("at the stop") : ma(e.valueMa), ma(e.peakMa),
             QString::fromLatin1(measure::secondsText(e.durationMs)));
}

}  // namespace app
