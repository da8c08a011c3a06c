#pragma once
// An event dispatcher that keeps time itself: timers fire when advance() moves the clock past
// their time, never by the machine's clock, so minutes of the link's timers run in
// microseconds. Posted events (a port's queued close) are delivered at every step. For the
// fuzz targets, which drive the link through thousands of its timer periods per second.

#include <QAbstractEventDispatcher>
#include <map>

class VirtualClock : public QAbstractEventDispatcher {
    Q_OBJECT
  public:
    qint64 now() const { return now_; }
    // Back to time 0 when no timer runs, so that a run replays the same whatever ran before.
    void restart();
    // Delivers posted events, then fires every timer due up to now() + ms, in time order.
    // False when the timers kept firing without the clock moving (a timer of 0 ms that never
    // stops), which no timer of the link does.
    bool advance(qint64 ms);

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int timerId, qint64 interval, Qt::TimerType timerType,
                       QObject* object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject* object) override;
    QList<TimerInfo> registeredTimers(QObject* object) const override;
    int remainingTime(int timerId) override;
    void wakeUp() override {}
    void interrupt() override {}

  private:
    struct Timer {
        qint64 interval = 0;
        Qt::TimerType type = Qt::CoarseTimer;
        QObject* object = nullptr;
        qint64 due = 0;
        quint64 order = 0;  // timers due at one instant fire in the order they were started
    };
    std::map<int, Timer> timers_;
    qint64 now_ = 0;
    quint64 started_ = 0;
};
