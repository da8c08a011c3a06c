#include "livewatch.h"

#include <QTimer>

#include "measure/datalog.h"
#include "measure/localclock.h"
#include "protocol/namedtimer.h"

namespace app {

LiveWatch::LiveWatch(QObject* parent)
    : QObject(parent), tick_(protocol::NewNamedTimer(this, "liveWatch", kTickMs, false)) {
    connect(tick_, &QTimer::timeout, this, [this] {
        if (!aggregator_) return;
        if (auto row = aggregator_->CloseIfOver(measure::LocalNow())) emit interval(*row);
    });
}

void LiveWatch::setAlarmThreshold(float thresholdMa) {
    if (tracker_)
        tracker_->SetThreshold(thresholdMa);
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
        if (auto row = aggregator_->Add(reading)) emit interval(*row);
    if (tracker_)
        if (auto event = tracker_->Add(reading)) emit alarm(*event);
}

void LiveWatch::finishInterval(const QDateTime& now) {
    if (aggregator_)
        if (auto row = aggregator_->Finish(now)) emit interval(*row);
}

void LiveWatch::beginInterval(const QDateTime& now) {
    if (aggregator_) aggregator_->Begin(now);
}

void LiveWatch::finishAlarm(const QDateTime& now) {
    if (tracker_)
        if (auto event = tracker_->Finish(now)) emit alarm(*event);
}

QString AlarmEventLine(const measure::AlarmEvent& e, float thresholdMa) {
    const auto ma = [](const std::optional<float>& v) {
        return v ? QString::fromLatin1(measure::ValueMaText(*v)) + QStringLiteral(" mA")
                 : QStringLiteral("0L");
    };
    if (e.kind == measure::AlarmEvent::Kind::Start)
        return QStringLiteral("alarm start: %1 (threshold %2)").arg(ma(e.valueMa), ma(thresholdMa));
    return QStringLiteral("alarm end: %1, peak %2, after %3 s")
        .arg(e.atStop ? QStringLiteral("at the stop") : ma(e.valueMa), ma(e.peakMa),
             QString::fromLatin1(measure::SecondsText(e.durationMs)));
}

}  // namespace app
