// The alarm command on Windows: `cmd.exe /c` with the command line as the user wrote it, in a
// job object of its own that everything it starts belongs to. The process is created suspended
// and put into its job before it runs a single instruction, so nothing it starts escapes the
// job. A group is the job, named by the id of the process that leads it; ending it ends every
// process in it. The jobs end with this program as well (kill on close), even if it crashes.

#include <windows.h>

#include <QHash>
#include <QProcess>

#include "commandprocess.h"

namespace platform {
namespace {

QHash<qint64, HANDLE>& jobs() {
    static QHash<qint64, HANDLE> jobs;
    return jobs;
}

HANDLE newJob() {
    const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (!job) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

void forget(qint64 id) {
    if (const HANDLE job = jobs().take(id)) ::CloseHandle(job);
}

}  // namespace

void startCommand(QProcess* process, const QString& commandLine) {
    PROCESS_INFORMATION* started = nullptr;
    process->setCreateProcessArgumentsModifier([&started](QProcess::CreateProcessArguments* args) {
        args->flags |= CREATE_SUSPENDED | CREATE_NO_WINDOW;
        started = args->processInformation;
    });
    const QString shell = qEnvironmentVariable("ComSpec", QStringLiteral("cmd.exe"));
    process->setNativeArguments(QStringLiteral("/d /s /c \"%1\"").arg(commandLine));
    process->start(shell, {});
    process->setCreateProcessArgumentsModifier({});
    if (!started || process->state() == QProcess::NotRunning) return;
    const qint64 id = process->processId();
    const HANDLE job = newJob();
    if (job && ::AssignProcessToJobObject(job, started->hProcess)) {
        forget(id);  // an earlier group of the same id has gone
        jobs().insert(id, job);
    } else if (job) {
        ::CloseHandle(job);
    }
    ::ResumeThread(started->hThread);
}

QSet<qint64> liveGroups() {
    QSet<qint64> live;
    for (auto it = jobs().begin(); it != jobs().end();) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
        if (::QueryInformationJobObject(it.value(), JobObjectBasicAccountingInformation, &info,
                                        sizeof info, nullptr) &&
            info.ActiveProcesses > 0) {
            live.insert(it.key());
            ++it;
        } else {
            ::CloseHandle(it.value());
            it = jobs().erase(it);
        }
    }
    return live;
}

// A job has no gentle request to end: its processes have no console of ours to be sent
// Ctrl+Break, and most have no window to close. Asked is ended.
bool askGroupToEnd(qint64 id) {
    const HANDLE job = jobs().value(id);
    return job && ::TerminateJobObject(job, 1);
}

void forceGroupToEnd(qint64 id) {
    if (const HANDLE job = jobs().value(id)) ::TerminateJobObject(job, 1);
}

}  // namespace platform
