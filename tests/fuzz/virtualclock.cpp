#include "virtualclock.h"

#include <QCoreApplication>
#include <QTimerEvent>

bool VirtualClock::advance(qint64 ms) {
    const qint64 until = now_ + ms;
    // More firings than this at one instant is a timer loop, not the link's timers.
    int firedAtNow = 0;
    for (;;) {
        QCoreApplication::sendPostedEvents();
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            const Timer& t = it->second;
            if (t.due <= until && (next == timers_.end() || t.due < next->second.due ||
                                   (t.due == next->second.due && t.order < next->second.order)))
                next = it;
        }
        if (next == timers_.end()) break;
        firedAtNow = next->second.due == now_ ? firedAtNow + 1 : 0;
        if (firedAtNow > 1000) return false;
        now_ = next->second.due;
        const int id = next->first;
        QObject* object = next->second.object;
        // The next period before the timer runs: its handler may stop it or start it again.
        next->second.due = now_ + qMax<qint64>(next->second.interval, 0);
        QTimerEvent event(id);
        QCoreApplication::sendEvent(object, &event);
    }
    now_ = until;
    QCoreApplication::sendPostedEvents();
    return true;
}

void VirtualClock::restart() {
    QCoreApplication::sendPostedEvents();
    if (timers_.empty()) now_ = 0, started_ = 0;
}

bool VirtualClock::processEvents(QEventLoop::ProcessEventsFlags) {
    emit awake();
    QCoreApplication::sendPostedEvents();
    return false;
}

void VirtualClock::registerTimer(int timerId, qint64 interval, Qt::TimerType timerType,
                                 QObject* object) {
    timers_[timerId] = {interval, timerType, object, now_ + interval, ++started_};
}

bool VirtualClock::unregisterTimer(int timerId) {
    return timers_.erase(timerId) > 0;
}

bool VirtualClock::unregisterTimers(QObject* object) {
    bool any = false;
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->second.object == object) {
            it = timers_.erase(it);
            any = true;
        } else {
            ++it;
        }
    }
    return any;
}

QList<QAbstractEventDispatcher::TimerInfo> VirtualClock::registeredTimers(QObject* object) const {
    QList<TimerInfo> list;
    for (const auto& [id, t] : timers_)
        if (t.object == object) list.append(TimerInfo(id, int(t.interval), t.type));
    return list;
}

int VirtualClock::remainingTime(int timerId) {
    const auto it = timers_.find(timerId);
    return it == timers_.end() ? -1 : int(qMax<qint64>(it->second.due - now_, 0));
}
