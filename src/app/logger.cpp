// The headless logger: the readings of one meter on stdout (readable lines or CSV) or in a data
// log, until a signal, --duration or --count ends the run; messages on stderr.

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "headlessrun.h"
#include "porttexts.h"
#include "protocol/meterlink.h"

namespace app {

namespace {

class LoggerRun : public QObject {
    Q_OBJECT
  public:
    explicit LoggerRun(const HeadlessOptions& options)
        : options_(options), monitor_(options.monitor, this) {
        sayPortProblems(monitor_, this, [this] { outage_ = true; });
        connect(&monitor_.link(), &protocol::MeterLink::event, this, &LoggerRun::onEvent);
        connect(&monitor_, &Monitor::reading, this, &LoggerRun::onReading);
        connect(&monitor_, &Monitor::interval, this, &LoggerRun::onInterval);
        connect(&monitor_, &Monitor::alarm, this, [this](const measure::AlarmEvent& e) {
            say(alarmEventLine(e, *options_.monitor.watch.alarmMa));
        });
        connect(&monitor_, &Monitor::notice, this, &say);
        connect(&monitor_, &Monitor::logFailed, this, [this] {
            finish(kHeadlessFailed, QStringLiteral("data log %1 failed: %2")
                                        .arg(options_.logPath, monitor_.logError()));
        });
        // Once the reading's other receivers have it too.
        if (options.count) monitor_.setReadingLimit(*options.count);
        connect(
            &monitor_, &Monitor::readingLimitReached, this, [this] { finish(kHeadlessOk); },
            Qt::QueuedConnection);
    }

    bool start() {
        // A second signal does not wait for alarm commands still running.
        if (!endOnSignals(this, [this](int) {
                if (finished_) return QCoreApplication::exit(exitCode_);
                finish(kHeadlessOk);
            }))
            return false;
        if (!startOutput() || !startPublishing()) return false;
        monitor_.link().setMode(protocol::LinkMode::Live);
        monitor_.link().setRunning(true);
        if (options_.durationSec) {
            connect(&durationTimer_, &QTimer::timeout, this, [this] { finish(kHeadlessOk); });
            durationTimer_.setSingleShot(true);
            durationTimer_.start(int(qBound(0.0, *options_.durationSec * 1000.0, 2.0e9)));
        }
        monitor_.beginInterval();  // the first interval row starts here
        monitor_.start();
        return true;
    }

    int exitCode() const { return exitCode_; }

  private:
    bool toStdout() const { return options_.logPath == QLatin1String("-"); }

    void onEvent(const protocol::LinkEvent& e) {
        sayLinkEvent(e, monitor_);
        if (std::holds_alternative<protocol::HandshakeAnswered>(e)) {
            if (greeted_) return meterBack();
            greeted_ = true;
            say(QStringLiteral("the meter answers on %1")
                    .arg(PortName(monitor_.link().portNumber())));
        } else if (std::holds_alternative<protocol::MeterSilent>(e)) {
            outage_ = true;
            say(QStringLiteral("the meter does not answer (设备无响应)"));
        }
    }

    // The end of an outage (a silence, a lost port): said once, when the meter answers.
    void meterBack() {
        if (!outage_) return;
        outage_ = false;
        say(QStringLiteral("the meter answers again on %1").arg(monitor_.portText()));
    }

    bool startOutput() {
        if (toStdout()) {
            stdoutStartMs_ = monitor_.clock().steadyMs();  // elapsed_s counts from the header
            return printToStdout(monitor_.logHeader());
        }
        if (options_.logPath.isEmpty()) return true;
        if (!monitor_.startLog(options_.logPath)) {
            say(QStringLiteral("cannot log to %1: %2").arg(options_.logPath, monitor_.logError()));
            return false;
        }
        say(QStringLiteral("logging to %1").arg(QFileInfo(monitor_.logPath()).absoluteFilePath()));
        return true;
    }

    bool startPublishing() {
        if (!options_.monitor.mqtt) return true;
        QString error;
        if (!monitor_.startPublishing(&error)) {
            say(error);
            return false;
        }
        say(QStringLiteral("publishing to %1 as meter id %2")
                .arg(options_.monitor.mqtt->broker.url(), options_.monitor.mqtt->meterId));
        return true;
    }

    // A reading on stdout; the data log has its row from the engine already.
    void onReading(const measure::Reading& r) {
        if (finished_) return;
        meterBack();
        if (monitor_.intervals()) return;  // the row comes when its interval is over
        if (toStdout())
            print(measure::dataLogRow(r, r.steadyMs - stdoutStartMs_));
        else if (options_.logPath.isEmpty())
            print((readingLine(r.time, r.columns.reading) + QLatin1Char('\n')).toUtf8());
    }

    void onInterval(const measure::IntervalRow& row) {
        if (toStdout()) print(measure::intervalCsvRow(row));
    }

    // Also at the end: the interval cut short by it is printed.
    void print(const QByteArray& bytes) {
        if (stdoutClosed_ || printToStdout(bytes)) return;
        stdoutClosed_ = true;
        finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
    }

    // Ends the run: the engine's end (sign-off byte, log synced, "offline"), then the event
    // loop's once the alarm command has ended.
    void finish(int code, const QString& why = QString()) {
        if (finished_) return;
        finished_ = true;
        exitCode_ = code;
        if (!why.isEmpty()) say(why);
        durationTimer_.stop();
        if (!monitor_.finish() && code == kHeadlessOk) {
            say(QStringLiteral("data log %1: %2").arg(options_.logPath, monitor_.logError()));
            exitCode_ = kHeadlessFailed;
        }
        std::fflush(stdout);
        exitWhenIdle(monitor_, exitCode_);
    }

    HeadlessOptions options_;
    Monitor monitor_;
    QTimer durationTimer_;
    qint64 stdoutStartMs_ = 0;
    bool greeted_ = false;
    bool outage_ = false;  // the meter went silent or the port was lost
    bool stdoutClosed_ = false;
    bool finished_ = false;
    int exitCode_ = kHeadlessOk;
};

}  // namespace

int runLogger(const HeadlessOptions& options) {
    LoggerRun run(options);
    return execRun(run);
}

}  // namespace app

#include "logger.moc"
