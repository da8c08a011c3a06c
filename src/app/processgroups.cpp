#include "processgroups.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <limits>

#include "platform/commandprocess.h"

namespace app {

using platform::liveGroups;

ProcessGroups::ProcessGroups(int termMs, QObject* parent)
    : QObject(parent), timer_(new QTimer(this)), termMs_(termMs) {
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &ProcessGroups::act);
}

ProcessGroups::~ProcessGroups() {
    QSet<qint64> left;
    const QSet<qint64> live = liveGroups();
    for (const Group& g : std::as_const(groups_))
        if (live.contains(g.id) && platform::askGroupToEnd(g.id)) left.insert(g.id);
    const QDeadlineTimer grace(termMs_);
    while (!left.isEmpty() && !grace.hasExpired()) {
        QThread::msleep(10);
        left.intersect(liveGroups());
    }
    for (const qint64 id : std::as_const(left)) platform::forceGroupToEnd(id);
}

void ProcessGroups::add(qint64 id, int withinMs) {
    if (id <= 0) return;  // 0 and below would name our own group or every process
    // A process id is given again only once no group of that id is left: an earlier group of
    // the same id has gone, whatever its deadline.
    groups_.removeIf([id](const Group& g) { return g.id == id; });
    groups_.append({id, QDeadlineTimer(withinMs)});
    arm();
}

void ProcessGroups::shorten(qint64 id, int withinMs) {
    const QDeadlineTimer sooner(withinMs);
    for (Group& g : groups_)
        if (g.id == id && sooner < g.deadline) g.deadline = sooner;
    arm();
}

void ProcessGroups::act() {
    const QSet<qint64> live = liveGroups();
    QList<Group> kept;
    QList<qint64> terminated;
    for (Group g : std::as_const(groups_)) {
        if (!live.contains(g.id)) continue;
        if (g.deadline.hasExpired()) {
            platform::forceGroupToEnd(g.id);
            continue;
        }
        if (!g.termSent && g.deadline.remainingTime() <= termMs_) {
            platform::askGroupToEnd(g.id);
            g.termSent = true;
            terminated.append(g.id);
        }
        kept.append(g);
    }
    groups_ = kept;
    arm();
    for (const qint64 id : std::as_const(terminated)) emit ending(id);
}

// The timer goes off at the next SIGTERM or SIGKILL due.
void ProcessGroups::arm() {
    if (groups_.isEmpty()) return timer_->stop();
    qint64 next = std::numeric_limits<qint64>::max();
    for (const Group& g : std::as_const(groups_))
        next = std::min(next, g.deadline.remainingTime() - (g.termSent ? 0 : termMs_));
    timer_->start(int(std::clamp<qint64>(next, 0, INT_MAX)));
}

}  // namespace app
