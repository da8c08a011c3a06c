#include "alarmhook.h"

#include <QProcess>
#include <cstdio>
#include <utility>

#include "measure/datalog.h"
#include "platform/commandprocess.h"
#include "processgroups.h"

namespace app {
namespace {

// "1 start", "2 ends".
QString counted(qsizetype n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString seconds(int ms) {
    return QString::number(ms / 1000.0);
}

}  // namespace

AlarmHook::AlarmHook(const QString& command, std::function<QString()> meter, QObject* parent,
                     qsizetype mostWaiting, AlarmHookLimits limits)
    : QObject(parent),
      command_(command),
      meter_(std::move(meter)),
      groups_(new ProcessGroups(limits.termMs, this)),
      mostWaiting_(qMax<qsizetype>(mostWaiting, 3)),
      limits_(limits) {
    connect(groups_, &ProcessGroups::ending, this, &AlarmHook::groupEnding);
}

// The groups go with this (their own destructor ends them); the running command's QProcess,
// a child, is deleted after them and finds its process ended.
AlarmHook::~AlarmHook() = default;

void AlarmHook::run(const measure::AlarmEvent& event) {
    using Kind = measure::AlarmEvent::Kind;
    if (stopping_) return;
    waiting_.enqueue(event);
    // Past the bound, the oldest whole alarm (a start and its end) after the first waiting
    // event goes; a start still waiting for its end is never taken.
    qsizetype leftOut = 0;
    for (qsizetype i = 1; waiting_.size() > mostWaiting_ && i + 1 < waiting_.size();) {
        if (waiting_[i].kind == Kind::Start && waiting_[i + 1].kind == Kind::End) {
            waiting_.remove(i, 2);
            ++leftOut;
        } else {
            ++i;
        }
    }
    if (leftOut > 0)
        emit notice(QStringLiteral("the alarm command could not keep up: %1 that started and "
                                   "ended while it ran %2 left out: %3")
                        .arg(counted(leftOut, "alarm", "alarms"),
                             QLatin1String(leftOut == 1 ? "was" : "were"), command_));
    if (!running_) startNext();
}

void AlarmHook::stop() {
    if (stopping_) return;
    stopping_ = true;
    qsizetype starts = 0;
    for (const measure::AlarmEvent& e : std::as_const(waiting_))
        starts += e.kind == measure::AlarmEvent::Kind::Start;
    const qsizetype ends = waiting_.size() - starts;
    waiting_.clear();
    if (starts + ends > 0)
        emit notice(
            QStringLiteral("at the stop, the alarm command was not run for %1 and %2 "
                           "that waited their turn: %3")
                .arg(counted(starts, "start", "starts"), counted(ends, "end", "ends"), command_));
    if (running_) groups_->shorten(runningId_, limits_.stopMs);
}

void AlarmHook::startNext() {
    if (waiting_.isEmpty()) {
        emit idle();
        return;
    }
    const measure::AlarmEvent e = waiting_.dequeue();
    const auto ma = [](const std::optional<float>& v) {
        return v ? QString::fromLatin1(measure::valueMaText(*v)) : QString();
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LEAKMETER_EVENT"), QString::fromLatin1(measure::alarmEventName(e)));
    env.insert(QStringLiteral("LEAKMETER_VALUE_MA"), ma(e.valueMa));
    env.insert(QStringLiteral("LEAKMETER_PEAK_MA"), ma(e.peakMa));
    env.insert(QStringLiteral("LEAKMETER_TIME"),
               QString::fromLatin1(measure::isoTimeWithOffset(e.time)));
    env.insert(QStringLiteral("LEAKMETER_METER"), meter_());

    auto* process = new QProcess(this);
    process_ = process;
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardOutput, this, [this] {
        const QByteArray out = process_->readAllStandardOutput();
        std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
        std::fflush(stderr);
    });
    connect(process, &QProcess::finished, this, &AlarmHook::ended);
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        emit notice(
            QStringLiteral("the alarm command could not start: %1").arg(process_->errorString()));
        ended();
    });
    running_ = true;
    runningId_ = 0;
    platform::startCommand(process, command_);
    if (process_ == process && process->processId() > 0) {
        runningId_ = process->processId();
        groups_->add(runningId_, limits_.runMs);
    }
}

void AlarmHook::ended() {
    process_->disconnect(this);
    // Output still waiting in the pipe goes out first.
    const QByteArray rest = process_->readAllStandardOutput();
    std::fwrite(rest.constData(), 1, size_t(rest.size()), stderr);
    process_->deleteLater();
    process_ = nullptr;
    running_ = false;
    startNext();
}

void AlarmHook::groupEnding(qint64 id) {
    if (running_ && id == runningId_) {
        emit notice(stopping_ ? QStringLiteral("the alarm command was stopped: the run ended "
                                               "(%1 s more at most): %2")
                                    .arg(seconds(limits_.stopMs), command_)
                              : QStringLiteral("the alarm command ran too long and was stopped "
                                               "(%1 s at most): %2")
                                    .arg(seconds(limits_.runMs), command_));
    } else if (!std::exchange(leftoversSaid_, true)) {
        emit notice(QStringLiteral("what the alarm command left running was stopped (%1 s after "
                                   "it started at most; said once): %2")
                        .arg(seconds(limits_.runMs), command_));
    }
}

}  // namespace app
