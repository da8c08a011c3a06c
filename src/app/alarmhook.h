#pragma once
// The user's command for alarm events (--on-alarm CMD), run through /bin/sh -c with the event
// in its environment:
//
//   LEAKMETER_EVENT     start | end
//   LEAKMETER_VALUE_MA  the reading's value in mA, empty for an overload (0L)
//   LEAKMETER_PEAK_MA   the alarm's peak in mA, empty when it was an overload
//   LEAKMETER_TIME      the reading's time, as the data log writes it
//   LEAKMETER_METER     the meter: "COM1 (/dev/ttyUSB0)"
//
// The command never holds up the readings: it runs beside them, one at a time; events that come
// while it runs wait their turn in order, so an end always follows its start. A run still going
// after 30 s is killed with everything it started. What it prints goes to our stderr.
//
// A command slower than the alarms come and go (a flapping alarm, a mail server that hangs)
// does not let the waiting events grow without end: past kMostWaiting, the oldest alarms that
// started and ended while the command was busy are left out, whole (a start never without its
// end), the first waiting event and the newest alarms kept; one line says how many.

#include <QObject>
#include <QQueue>
#include <QString>
#include <functional>

#include "measure/alarmtracker.h"

class QProcess;
class QTimer;

namespace app {

class AlarmHook : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTimeLimitMs = 30000;
    static constexpr qsizetype kMostWaiting = 100;

    // `meter` names the meter at the time of each event.
    AlarmHook(const QString& command, std::function<QString()> meter, QObject* parent,
              qsizetype mostWaiting = kMostWaiting);
    ~AlarmHook() override;

    // Runs the command for `event` now, or after the runs before it.
    void run(const measure::AlarmEvent& event);
    // A run is going or waiting.
    bool busy() const { return running_ || !waiting_.isEmpty(); }

  signals:
    // The last waiting run has ended.
    void idle();
    // One line for the user: a run that could not start or was killed.
    void notice(const QString& line);

  private:
    void startNext();
    void ended();

    QString command_;
    std::function<QString()> meter_;
    QQueue<measure::AlarmEvent> waiting_;
    QProcess* process_ = nullptr;
    QTimer* limit_;
    qsizetype mostWaiting_;
    qsizetype leftOut_ = 0;  // alarms left out since the command was last idle
    bool running_ = false;
};

}  // namespace app
