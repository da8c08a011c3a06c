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
// while it runs wait their turn in order, so an end always follows its start. What it prints
// goes to our stderr. It sees only descriptors 0 (/dev/null), 1 and 2 (both that output), and
// signals at their defaults.
//
// Each run leads a process group of its own: everything it starts, in the background too, is
// ended 30 s after the run started at the latest (SIGTERM 2 s before, then SIGKILL), whether
// or not the run itself has returned, and every group still alive when the hook goes.
//
// A command slower than the alarms come and go (a flapping alarm, a mail server that hangs)
// does not let the waiting events grow without end: past kMostWaiting, the oldest alarms that
// started and ended while the command was busy are left out, whole (a start never without its
// end), the first waiting event and the newest alarms kept; a line says how many as they go.
//
// When the run of the program ends (stop()), the events still waiting are not run, one line
// says how many starts and ends that leaves out, and the running command has 10 s more at most.

#include <QObject>
#include <QQueue>
#include <QString>
#include <functional>

#include "measure/alarmtracker.h"

class QProcess;

namespace app {

class ProcessGroups;

// How long the processes of a run of the command may live.
struct AlarmHookLimits {
    int runMs = 30000;   // after the run started
    int stopMs = 10000;  // after AlarmHook::stop()
    int termMs = 2000;   // SIGTERM goes this long before SIGKILL
};

class AlarmHook : public QObject {
    Q_OBJECT
  public:
    static constexpr qsizetype kMostWaiting = 100;

    // `meter` names the meter at the time of each event.
    AlarmHook(const QString& command, std::function<QString()> meter, QObject* parent,
              qsizetype mostWaiting = kMostWaiting, AlarmHookLimits limits = {});
    ~AlarmHook() override;

    // Runs the command for `event` now, or after the runs before it.
    void run(const measure::AlarmEvent& event);
    // The program's run ends: the waiting events are dropped (said), the running command ends
    // within its stopMs, and nothing runs after it.
    void stop();
    // A run is going or waiting.
    bool busy() const { return running_ || !waiting_.isEmpty(); }

  signals:
    // The last waiting run has ended.
    void idle();
    // One line for the user: a run that could not start or was killed, events left out.
    void notice(const QString& line);

  private:
    void startNext();
    void ended();
    void groupEnding(qint64 id);

    QString command_;
    std::function<QString()> meter_;
    QQueue<measure::AlarmEvent> waiting_;
    QProcess* process_ = nullptr;
    ProcessGroups* groups_;
    qsizetype mostWaiting_;
    AlarmHookLimits limits_;
    qint64 runningId_ = 0;  // the running command's process, its group's id
    bool running_ = false;
    bool stopping_ = false;
    bool leftoversSaid_ = false;  // processes a run left behind were ended
};

}  // namespace app
