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

void printStampedLine(const QString& line) {
    const QString stamped =
        measure::localNow().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz  ")) + line;
    std::fprintf(stderr, "%s\n", stamped.toLocal8Bit().constData());
}

QString readingLine(const QDateTime& time, const QString& reading) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("  ") +
           reading;
}

void say(const QString& text) {
    printStampedLine(QStringLiteral("leakmeter: ") + text);
}

bool printToStdout(const QByteArray& bytes) {
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) ==
               size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

void sayPortProblems(Monitor& monitor, QObject* context, std::function<void()> lost) {
    // Failed opens are explained once per change.
    QObject::connect(
        &monitor.port(), &serial::CommPort::openProblem, context,
        [](const serial::OpenProblem& problem) { printStampedLine(openAdviceLine(problem)); });
    QObject::connect(&monitor.port(), &serial::CommPort::closedAfterError, context,
                     [&monitor, lost = std::move(lost)](const QString& why) {
                         lost();
                         say(QStringLiteral("%1 was lost (%2); it is opened again when it comes "
                                            "back")
                                 .arg(monitor.portText(), why));
                     });
}

void sayLinkEvent(const protocol::LinkEvent& e, const Monitor& monitor) {
    if (const std::optional<QString> line = adviceLine(e)) printStampedLine(*line);
    if (std::holds_alternative<protocol::PortOpened>(e))
        say(monitor.portText() + QStringLiteral(" open"));
    if (const auto* refusal = std::get_if<protocol::SettingsRefused>(&e))
        say(QStringLiteral("the port does not take %1 and runs %2")
                .arg(serial::lineSettingsText(refusal->refused),
                     serial::lineSettingsText(refusal->kept)));
}

bool endOnSignals(QObject* context, std::function<void(int)> caught) {
    auto* watch = new SignalWatch(context);
    if (!watch->isWatching()) {
        say(QStringLiteral("cannot watch for signals"));
        return false;
    }
    QObject::connect(watch, &SignalWatch::caught, context, std::move(caught));
    return true;
}

void exitWhenIdle(Monitor& monitor, int code) {
    if (monitor.alarmCommandBusy())
        QObject::connect(&monitor, &Monitor::alarmCommandIdle, &monitor,
                         [code] { QCoreApplication::exit(code); });
    else
        QCoreApplication::exit(code);
}

int runHeadless(const HeadlessOptions& options) {
    return options.historyPath.isEmpty() ? runLogger(options) : runDownload(options);
}

}  // namespace app
