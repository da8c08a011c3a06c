#pragma once
// Alarm events from the live readings, for whoever is not looking at the window.
//
// An alarm starts with the first reading whose magnitude reaches the threshold (>=, as the
// window's lamp compares) or that is an overload (0L), and ends with the first reading below
// the threshold. ERROR readings, and readings that never came, neither start nor end one. The
// lamp has its own rule (any reading of the chart's window at or above the threshold, looked
// at once a second); the events follow every reading.
//
// Each start and end is an event with its time, the reading's value, the peak so far and how
// long the alarm has lasted. They are written as rows of an events file beside the data log:
//
//   time,event,value_mA,peak_mA,duration_s
//   2026-12-08T03:12:07.517+01:00,start,42,42,0.000
//   2026-12-08T03:12:19.017+01:00,end,12.5,-171900,11.500
//
// An alarm still running when the run ends is ended by the stop: an end at the stop's time
// without a value (no reading ended it), so no file is left with a start and never its end.

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <optional>

#include "reading.h"

namespace measure {

struct AlarmEvent {
    enum class Kind { Start, End };
    Kind kind = Kind::Start;
    QDateTime time;                // local time of the reading that started or ended it
    std::optional<float> valueMa;  // that reading's signed value; none for an overload
    std::optional<float> peakMa;   // the alarm's reading of largest magnitude, signed; none
                                   // when an overload was among them (the peak is off scale)
    qint64 durationMs = 0;         // since the start; 0 for a start
    bool atStop = false;           // an end that the end of the run made, not a reading
};

class AlarmTracker {
  public:
    explicit AlarmTracker(float thresholdMa) : thresholdMa_(thresholdMa) {}

    // A new threshold applies from the next reading on, to a running alarm too.
    void setThreshold(float thresholdMa) { thresholdMa_ = thresholdMa; }
    float threshold() const { return thresholdMa_; }
    bool active() const { return active_; }

    // The next reading; the event it makes (at the reading's time), if any.
    std::optional<AlarmEvent> add(const Reading& reading);
    // The run ends at `time`: the end of an alarm still running, with the peak and the
    // duration so far.
    std::optional<AlarmEvent> finish(const QDateTime& time);

  private:
    float thresholdMa_;
    bool active_ = false;
    QDateTime startedAt_;
    std::optional<float> peakMa_;
    bool peakOverload_ = false;
};

// The events file's header, CR LF included.
QByteArray alarmEventsHeader();
// The event's row, CR LF included.
QByteArray alarmEventRow(const AlarmEvent& event);
// "start" or "end".
QByteArray alarmEventName(const AlarmEvent& event);
// Where the events of the data log at `logPath` go: "readings.csv" gives "readings.events.csv";
// a name without ".csv" gets ".events.csv" added.
QString alarmEventsPath(const QString& logPath);
// Adds the event's row to the events file of the data log at `logPath` (made, header first,
// when new) and syncs it to the disk. False, with the reason in `error`, when it cannot.
bool appendAlarmEvent(const QString& logPath, const AlarmEvent& event, QString* error);

}  // namespace measure

Q_DECLARE_METATYPE(measure::AlarmEvent)
