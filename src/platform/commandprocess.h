#pragma once
// Running a command line the way the alarm command runs: through the system's shell, leading
// a process group of its own that everything it starts belongs to, with only the standard
// input, output and error of this program (never the serial port, the logs or anything else
// open here). The group can be looked for and ended as a whole: asked to end, then forced.

#include <QSet>
#include <QString>
#include <QtGlobal>

class QProcess;

namespace platform {

// Starts `commandLine` in `process` (its environment and channels set already) through the
// shell, as the leader of a new process group.
void startCommand(QProcess* process, const QString& commandLine);

// The groups of this program's session that still have a process which is not a zombie. A
// group id taken again by another session after ours died is never among them.
QSet<qint64> liveGroups();

// Asks every process of the group `id` to end (SIGTERM); false when none could be asked.
bool askGroupToEnd(qint64 id);
// Ends every process of the group `id` at once (SIGKILL).
void forceGroupToEnd(qint64 id);

}  // namespace platform
