#pragma once
// The process groups of the commands this program starts. Each command leads a group of its
// own, and what it starts in the background (`sleep 1000 &`) stays in that group after the
// command itself has returned. Each group is ended by its deadline, whether or not its leader
// still runs: SIGTERM `termMs` before the deadline, SIGKILL at it. Groups still alive when this
// goes (the program exits) get SIGTERM, up to `termMs` to go, then SIGKILL.
//
// A group counts as alive while a process of this program's session that is not a zombie
// belongs to it, so a group id taken again by another session after ours died is never
// signalled.

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QSet>

class QTimer;

namespace app {

class ProcessGroups : public QObject {
    Q_OBJECT
  public:
    ProcessGroups(int termMs, QObject* parent);
    ~ProcessGroups() override;

    // The group led by process `id` ends `withinMs` from now at the latest.
    void add(qint64 id, int withinMs);
    // The group ends `withinMs` from now at the latest, if that is sooner than its deadline.
    void shorten(qint64 id, int withinMs);

  signals:
    // The group was still alive at its SIGTERM.
    void ending(qint64 id);

  private:
    struct Group {
        qint64 id;
        QDeadlineTimer deadline;
        bool termSent = false;
    };
    void act();
    void arm();

    QList<Group> groups_;
    QTimer* timer_;
    int termMs_;
};

}  // namespace app
