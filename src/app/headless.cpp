#include "headless.h"

#include <QCoreApplication>
#include <cstdio>

#include "headlessrun.h"
#include "measure/localclock.h"
#include "porttexts.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"
#include "signalwatch.h"
#include "statustext.h"

namespace app {

void PrintStampedLine(const QString& line) {
    const QString stamped =
        measure::LocalNow().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz  ")) + line;
    std::fprintf(stderr, "%s\n", stamped.toLocal8Bit().constData());
}

QString ReadingLine(const QDateTime& time, const QString& reading) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("  ") +
           reading;
}

void Say(const QString& text) {
    PrintStampedLine(QStringLiteral("leakmeter: ") + text);
}

bool PrintToStdout(const QByteArray& bytes) {
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) ==
               size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

void SayPortProblems(Monitor& monitor, QObject* context, std::function<void()> lost) {
    // Failed opens are explained once per change.
    QObject::connect(
        &monitor.port(), &serial::CommPort::openProblem, context,
        [](const serial::OpenProblem& problem) { PrintStampedLine(OpenAdviceLine(problem)); });
    QObject::connect(&monitor.port(), &serial::CommPort::closedAfterError, context,
                     [&monitor, lost = std::move(lost)](const QString& why) {
                         lost();
                         Say(QStringLiteral("%1 was lost (%2); it is opened again when it comes "
                                            "back")
                                 .arg(monitor.portText(), why));
                     });
}

void SayLinkEvent(const protocol::LinkEvent& e, const Monitor& monitor) {
    if (const std::optional<QString> line = AdviceLine(e)) PrintStampedLine(*line);
    if (std::holds_alternative<protocol::PortOpened>(e))
        Say(monitor.portText() + QStringLiteral(" open"));
    if (const auto* refusal = std::get_if<protocol::SettingsRefused>(&e))
        Say(QStringLiteral("the port does not take %1 and runs %2")
                .arg(serial::LineSettingsText(refusal->refused),
                     serial::LineSettingsText(refusal->kept)));
}

bool EndOnSignals(QObject* context, std::function<void(int)> caught) {
    auto* watch = new SignalWatch(context);
    if (!watch->isWatching()) {
        Say(QStringLiteral("cannot watch for signals"));
        return false;
    }
    QObject::connect(watch, &SignalWatch::caught, context, std::move(caught));
    return true;
}

void ExitWhenIdle(Monitor& monitor, int code) {
    if (monitor.alarmCommandBusy())
        QObject::connect(&monitor, &Monitor::alarmCommandIdle, &monitor,
                         [code] { QCoreApplication::exit(code); });
    else
        QCoreApplication::exit(code);
}

int RunHeadless(const HeadlessOptions& options) {
    return options.historyPath.isEmpty() ? RunLogger(options) : RunDownload(options);
}

}  // namespace app
