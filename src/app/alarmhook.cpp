#include "alarmhook.h"

#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "measure/datalog.h"

#include <signal.h>
#include <unistd.h>

namespace app {
namespace {

// The command runs in a process group of its own: whatever it started goes with it. A process
// already gone has no id (0 would name our own group).
void KillGroup(const QProcess* process) {
    if (const qint64 pid = process->processId(); pid > 0) ::kill(-pid_t(pid), SIGKILL);
}

}  // namespace

AlarmHook::AlarmHook(const QString& command, std::function<QString()> meter, QObject* parent,
                     qsizetype mostWaiting)
    : QObject(parent),
      command_(command),
      meter_(std::move(meter)),
      limit_(new QTimer(this)),
      mostWaiting_(qMax<qsizetype>(mostWaiting, 3)) {
    limit_->setObjectName(QStringLiteral("alarmHookLimit"));
    limit_->setSingleShot(true);
    limit_->setInterval(kTimeLimitMs);
    connect(limit_, &QTimer::timeout, this, [this] {
        if (!process_) return;
        emit notice(QStringLiteral("the alarm command ran %1 s and was stopped: %2")
                        .arg(kTimeLimitMs / 1000)
                        .arg(command_));
        KillGroup(process_);
    });
}

AlarmHook::~AlarmHook() {
    if (process_) KillGroup(process_);
}

void AlarmHook::run(const measure::AlarmEvent& event) {
    using Kind = measure::AlarmEvent::Kind;
    waiting_.enqueue(event);
    // Past the bound, the oldest whole alarm (a start and its end) after the first waiting
    // event goes; a start still waiting for its end is never taken.
    for (qsizetype i = 1; waiting_.size() > mostWaiting_ && i + 1 < waiting_.size();) {
        if (waiting_[i].kind == Kind::Start && waiting_[i + 1].kind == Kind::End) {
            waiting_.remove(i, 2);
            ++leftOut_;
        } else {
            ++i;
        }
    }
    if (!running_) startNext();
}

void AlarmHook::startNext() {
    if (waiting_.isEmpty()) {
        if (leftOut_ > 0)
            emit notice(QStringLiteral("the alarm command could not keep up: %1 alarms that "
                                       "started and ended while it ran were left out: %2")
                            .arg(std::exchange(leftOut_, 0))
                            .arg(command_));
        emit idle();
        return;
    }
    const measure::AlarmEvent e = waiting_.dequeue();
    const auto ma = [](const std::optional<float>& v) {
        return v ? QString::fromLatin1(measure::ValueMaText(*v)) : QString();
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LEAKMETER_EVENT"), QString::fromLatin1(measure::AlarmEventName(e)));
    env.insert(QStringLiteral("LEAKMETER_VALUE_MA"), ma(e.valueMa));
    env.insert(QStringLiteral("LEAKMETER_PEAK_MA"), ma(e.peakMa));
    env.insert(QStringLiteral("LEAKMETER_TIME"),
               QString::fromLatin1(measure::IsoTimeWithOffset(e.time)));
    env.insert(QStringLiteral("LEAKMETER_METER"), meter_());

    process_ = new QProcess(this);
    process_->setProcessEnvironment(env);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] {
        const QByteArray out = process_->readAllStandardOutput();
        std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
        std::fflush(stderr);
    });
    connect(process_, &QProcess::finished, this, &AlarmHook::ended);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        emit notice(
            QStringLiteral("the alarm command could not start: %1").arg(process_->errorString()));
        ended();
    });
    running_ = true;
    process_->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command_});
    limit_->start();
}

void AlarmHook::ended() {
    limit_->stop();
    process_->disconnect(this);
    // Output still waiting in the pipe goes out first.
    const QByteArray rest = process_->readAllStandardOutput();
    std::fwrite(rest.constData(), 1, size_t(rest.size()), stderr);
    process_->deleteLater();
    process_ = nullptr;
    running_ = false;
    startNext();
}

}  // namespace app
