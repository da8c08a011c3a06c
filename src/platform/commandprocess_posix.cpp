#include "commandprocess.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace platform {

void startCommand(QProcess* process, const QString& commandLine) {
    const int openMax = int(std::clamp(::sysconf(_SC_OPEN_MAX), 3L, 1L << 20));
    process->setChildProcessModifier([openMax] {
        // Between fork and exec: async-signal-safe calls only.
        ::setpgid(0, 0);
        // Only 0, 1 and 2 reach the command; every other descriptor (the serial port, the
        // logs, the signal socket) closes at the exec. Qt's own pipe that reports a failed
        // exec is close-on-exec already, so it still works.
        if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
            for (int fd = 3; fd < openMax; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        // We ignore SIGPIPE; the command gets the default back (an ignore outlives exec).
        ::signal(SIGPIPE, SIG_DFL);
    });
    process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine});
}

QSet<qint64> liveGroups() {
    QSet<qint64> live;
    const qint64 session = ::getsid(0);
    DIR* proc = ::opendir("/proc");
    if (!proc) return live;
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(QLatin1String(entry->d_name)));
        if (!stat.open(QIODevice::ReadOnly)) continue;  // gone meanwhile
        // "pid (name) state ppid pgrp session ...": the name may hold blanks and brackets.
        const QByteArray line = stat.read(4096);
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0) continue;
        const QList<QByteArray> f = line.mid(close + 2).split(' ');
        if (f.size() < 4 || f[0] == "Z" || f[0] == "X") continue;
        if (f[3].toLongLong() == session) live.insert(f[2].toLongLong());
    }
    ::closedir(proc);
    return live;
}

bool askGroupToEnd(qint64 id) {
    return ::kill(-pid_t(id), SIGTERM) == 0;
}

void forceGroupToEnd(qint64 id) {
    ::kill(-pid_t(id), SIGKILL);
}

}  // namespace platform
