#include "headless.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "measure/datalog.h"
#include "measure/historyreport.h"
#include "measure/liveseries.h"
#include "measure/meterrecord.h"
#include "measure/reportfile.h"
#include "output/savecommands.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"

namespace app {

namespace {

int g_signalFds[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[1], &c, 1);
}

void Say(const QString& line) {
    std::fprintf(stderr, "leakmeter: %s\n", line.toLocal8Bit().constData());
}

// stdout takes whole lines or rows, each flushed at once, so a reader of a pipe sees every
// reading as it comes. False when stdout is gone (a closed pipe).
bool Print(const QByteArray& bytes) {
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) ==
               size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

class HeadlessRun : public QObject {
  public:
    explicit HeadlessRun(const HeadlessOptions& options) : options_(options), link_(port_) {
        port_.setPortMap(options.ports);
        serial::SetDefaultSerialSettings(link_.SerialSettings);
        connectLink();
    }

    bool start() {
        if (!listenForSignals()) return false;
        if (options_.historyPath.isEmpty() && !startOutput()) return false;
        if (options_.historyPath.isEmpty()) {
            link_.MonitorMode = 1;
            link_.RunState = 1;
        } else {
            link_.MonitorMode = 2;
            // A meter that does not answer at all, or not to the count request.
            historyWatchdog_.setSingleShot(true);
            connect(&historyWatchdog_, &QTimer::timeout, this, [this] {
                finish(kHeadlessFailed,
                       QStringLiteral("the meter did not answer within 5 s on %1 (%2)")
                           .arg(link_.SerialSettings.PortName, port_.deviceName()));
            });
            historyWatchdog_.start(5000);
        }
        if (options_.durationSec) {
            connect(&durationTimer_, &QTimer::timeout, this, [this] { finish(kHeadlessOk); });
            durationTimer_.setSingleShot(true);
            durationTimer_.start(int(qBound(0.0, *options_.durationSec * 1000.0, 2.0e9)));
        }
        link_.OpenSerialPort();
        link_.SendHandshake();
        return true;
    }

    int exitCode() const { return exitCode_; }

  private:
    void connectLink() {
        using protocol::MeterLink;
        connect(&link_, &MeterLink::opened, this, [this] {
            Say(QStringLiteral("%1 (%2) open")
                    .arg(link_.SerialSettings.PortName, port_.deviceName()));
        });
        // Failed opens are explained by the port itself, once per change.
        connect(&link_, &MeterLink::settingsRefused, this,
                [](const QString& refused, const QString& kept) {
                    Say(QStringLiteral("the port does not take %1 and runs %2").arg(refused, kept));
                });
        connect(&link_, &MeterLink::handshakeAnswered, this, [this] {
            if (greeted_) return;
            greeted_ = true;
            Say(QStringLiteral("the meter answers on %1").arg(link_.SerialSettings.PortName));
            if (!options_.historyPath.isEmpty()) link_.RequestHistory();
        });
        connect(&link_, &MeterLink::meterFellSilent, this,
                [] { Say(QStringLiteral("the meter does not answer (设备无响应)")); });
        connect(&link_, &MeterLink::liveRecord, this, &HeadlessRun::onReading);
        connect(&link_, &MeterLink::groupCountAnswered, this, [this](int n) {
            if (options_.historyPath.isEmpty()) return;
            historyWatchdog_.stop();  // from here the download's own deadline applies
            if (n == 0) writeHistory();
        });
        connect(&link_, &MeterLink::historyData, this, [this] {
            if (!options_.historyPath.isEmpty()) writeHistory();
        });
        connect(&link_, &MeterLink::historyFailed, this, [this] {
            if (!options_.historyPath.isEmpty())
                finish(kHeadlessFailed,
                       QStringLiteral("the stored groups stopped short (接收历史数据失败)"));
        });
    }

    bool listenForSignals() {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) {
            Say(QStringLiteral("cannot watch for signals"));
            return false;
        }
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
        ::signal(SIGPIPE, SIG_IGN);
        auto* notifier = new QSocketNotifier(g_signalFds[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(g_signalFds[0], &c, 1);
            finish(kHeadlessOk);
        });
        return true;
    }

    bool startOutput() {
        if (options_.logPath == QLatin1String("-")) {
            stdoutClock_.start();  // elapsed_s counts from the header
            return Print(measure::DataLogHeader());
        }
        if (options_.logPath.isEmpty()) return true;
        if (!log_.Start(options_.logPath)) {
            Say(QStringLiteral("cannot log to %1: %2").arg(options_.logPath, log_.ErrorString()));
            return false;
        }
        Say(QStringLiteral("logging to %1").arg(QFileInfo(options_.logPath).absoluteFilePath()));
        // Rows reach the disk also while no reading comes.
        connect(&syncTimer_, &QTimer::timeout, this, [this] {
            if (!log_.SyncIfDue()) logFailed();
        });
        syncTimer_.start(1000);
        return true;
    }

    void onReading() {
        const std::optional<measure::MeterRecord> record =
            measure::RecordAt(link_.ReceiveBuffer, 0);
        if (!record || finished_) return;
        if (options_.logPath == QLatin1String("-")) {
            if (!Print(measure::DataLogRow(*record, QDateTime::currentDateTime(),
                                           stdoutClock_.elapsed())))
                return finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
        } else if (!options_.logPath.isEmpty()) {
            if (!log_.Append(*record)) return logFailed();
        } else {
            const QString text = measure::ReadLiveRecord(*record).text;
            if (!Print(
                    (ReadingLine(QDateTime::currentDateTime(), text) + QLatin1Char('\n')).toUtf8()))
                return finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
        }
        ++readings_;
        if (options_.count && readings_ >= *options_.count) finish(kHeadlessOk);
    }

    void logFailed() {
        finish(kHeadlessFailed,
               QStringLiteral("data log %1 failed: %2").arg(options_.logPath, log_.ErrorString()));
    }

    void writeHistory() {
        const QString path = options_.historyPath;
        const bool csv =
            QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
        const int groups = link_.StoredGroupCount;
        QString error;
        bool written = false;
        if (csv) {
            written = measure::WriteReportFile(
                path, QString::fromUtf8(measure::HistoryCsv(link_.ReceiveBuffer, groups)), &error);
        } else {
            // The same bytes as the window's report save of a fresh download.
            written = measure::WriteReportFile(
                path,
                output::ReportFileText(measure::BuildHistoryReport(link_.ReceiveBuffer, groups)),
                &error);
        }
        if (!written)
            return finish(kHeadlessFailed, QStringLiteral("cannot write %1: %2").arg(path, error));
        Say(QStringLiteral("%1 stored groups written to %2").arg(groups).arg(path));
        finish(kHeadlessOk);
    }

    // Ends the run: the sign-off byte, the log synced, then the event loop ends.
    void finish(int code, const QString& why = QString()) {
        if (finished_) return;
        finished_ = true;
        exitCode_ = code;
        if (!why.isEmpty()) Say(why);
        link_.SignOff();
        link_.StopTimers();
        durationTimer_.stop();
        historyWatchdog_.stop();
        syncTimer_.stop();
        if (log_.IsRunning() && !log_.Stop() && code == kHeadlessOk) {
            Say(QStringLiteral("data log %1: %2").arg(options_.logPath, log_.ErrorString()));
            exitCode_ = kHeadlessFailed;
        }
        std::fflush(stdout);
        port_.close();
        QCoreApplication::exit(exitCode_);
    }

    HeadlessOptions options_;
    serial::CommPort port_;
    protocol::MeterLink link_;
    measure::DataLog log_;
    QTimer durationTimer_, historyWatchdog_, syncTimer_;
    QElapsedTimer stdoutClock_;
    int readings_ = 0;
    bool greeted_ = false;
    bool finished_ = false;
    int exitCode_ = kHeadlessOk;
};

}  // namespace

QString ReadingLine(const QDateTime& time, const QString& reading) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral("  ") +
           reading;
}

int RunHeadless(const HeadlessOptions& options) {
    HeadlessRun run(options);
    if (!run.start()) return kHeadlessFailed;
    const int code = QCoreApplication::exec();
    return code == 0 ? run.exitCode() : code;
}

}  // namespace app
