#include "localclock.h"

#include <QMutex>
#include <QMutexLocker>
#include <limits>
#include <utility>

#include "platform/localzone.h"

namespace measure {

LocalClockSources LocalClockSources::system() {
    return {[] { return QDateTime::currentMSecsSinceEpoch(); },
            [] { return platform::machineTimeZone(); }};
}

LocalClock::LocalClock(LocalClockSources sources) : sources_(std::move(sources)) {}

QDateTime LocalClock::now() {
    const qint64 utcMs = sources_.utcMs();
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, offsetAt(utcMs));
}

int LocalClock::offsetAt(qint64 utcMs) {
    // A clock set back is a reason to look again, as is the minute gone by.
    if (!asked_ || utcMs < askedAtMs_ || utcMs - askedAtMs_ >= kZoneCheckIntervalMs)
        askZone(utcMs);
    else if (utcMs < validFromMs_ || utcMs >= validUntilMs_)
        followZone(utcMs);
    return offset_;
}

void LocalClock::askZone(qint64 utcMs) {
    zone_ = sources_.zone();
    asked_ = true;
    askedAtMs_ = utcMs;
    if (zone_.isValid()) return followZone(utcMs);
    // A zone Qt cannot read: the C library's offset, taken again a minute later.
    offset_ = platform::machineOffsetAt(utcMs);
    validFromMs_ = utcMs;
    validUntilMs_ = utcMs + kZoneCheckIntervalMs;
}

// The offset at `utcMs` and how long it holds, from the zone already in hand.
void LocalClock::followZone(qint64 utcMs) {
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    offset_ = zone_.offsetFromUtc(utc);
    validFromMs_ = utcMs;
    const QTimeZone::OffsetData next = zone_.nextTransition(utc);
    validUntilMs_ =
        next.atUtc.isValid() ? next.atUtc.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
}

QDateTime localNow() {
    static QMutex mutex;
    static LocalClock clock;
    const QMutexLocker lock(&mutex);
    return clock.now();
}

}  // namespace measure
