#pragma once
// What the live readings say beyond themselves: alarm events and interval rows. The engine
// hands every reading to one LiveWatch and acts on its two signals (the events file, the alarm
// command, the interval log, the broker).

#include <QObject>
#include <QString>
#include <optional>

#include "measure/alarmtracker.h"
#include "measure/alarmvalue.h"
#include "measure/intervallog.h"

class QTimer;

namespace app {

struct WatchOptions {
    std::optional<float> alarmMa;  // --alarm: watch for alarms from the start
    QString onAlarm;               // --on-alarm: the command run for each event
    int intervalSec = 0;           // --interval: one row per interval; 0 is one per reading
    QString meterName;             // LEAKMETER_METER for the command; empty: the port's name
    std::optional<measure::AlarmBoxEntry> alarmBox;  // --alarm as the window's alarm box shows it
};

class LiveWatch : public QObject {
    Q_OBJECT
  public:
    // While intervals are on, a tick once a second (the timer "liveWatch") closes an interval
    // whose end has passed without a reading.
    static constexpr int kTickMs = 1000;

    explicit LiveWatch(QObject* parent);

    // Alarms are watched for from the first threshold on; a new one applies from the next
    // reading.
    void setAlarmThreshold(float thresholdMa);
    bool alarms() const { return tracker_.has_value(); }
    // Interval rows of `seconds` (1..3600); 0 turns them off.
    void setIntervalSeconds(int seconds);
    bool intervals() const { return aggregator_.has_value(); }

    // The next live reading.
    void take(const measure::Reading& reading);
    // The running interval's row, cut short at `now` (a log or a run ending).
    void finishInterval(const QDateTime& now);
    // A log or a run starts at `now`: the first interval row starts there.
    void beginInterval(const QDateTime& now);
    // The run ends at `now`: an alarm still running ends there (its end event, no value).
    void finishAlarm(const QDateTime& now);

  signals:
    void alarm(const measure::AlarmEvent& event);
    void interval(const measure::IntervalRow& row);

  private:
    std::optional<measure::AlarmTracker> tracker_;
    std::optional<measure::IntervalAggregator> aggregator_;
    QTimer* tick_;
};

// One line about an event for stderr: "alarm start: 42 mA (threshold 30 mA)",
// "alarm end: 12.5 mA, peak 0L, after 11.500 s", "alarm end: at the stop, peak 42 mA, after
// 3.000 s".
QString alarmEventLine(const measure::AlarmEvent& event, float thresholdMa);

}  // namespace app
