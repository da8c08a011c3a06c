#include "headless.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "measure/datalog.h"
#include "measure/historyreport.h"
#include "measure/liveseries.h"
#include "measure/localclock.h"
#include "measure/meterrecord.h"
#include "measure/reportfile.h"
#include "output/savecommands.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"
#include "signalwatch.h"

namespace app {

namespace {

void Say(const QString& text) {
    PrintStampedLine(QStringLiteral("leakmeter: ") + text);
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
        port_.setCommPort(options.portNumber);
        link_.SerialSettings.PortName = QStringLiteral("COM%1").arg(options.portNumber);
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
    QString portText() const {
        return QStringLiteral("%1 (%2)").arg(link_.SerialSettings.PortName, port_.deviceName());
    }

    void connectLink() {
        using protocol::DownloadFailure;
        using protocol::MeterLink;
        connect(&link_, &MeterLink::opened, this, [this] { Say(portText() + " open"); });
        connect(&port_, &serial::CommPort::openAdvice, this, &PrintStampedLine);
        connect(&link_, &MeterLink::advice, this, &PrintStampedLine);
        connect(&port_, &serial::CommPort::closedAfterError, this, [this](const QString& why) {
            outage_ = true;
            Say(QStringLiteral("%1 was lost (%2); it is opened again when it comes back")
                    .arg(portText(), why));
        });
        // Failed opens are explained by the port itself, once per change.
        connect(&link_, &MeterLink::settingsRefused, this,
                [](const QString& refused, const QString& kept) {
                    Say(QStringLiteral("the port does not take %1 and runs %2").arg(refused, kept));
                });
        connect(&link_, &MeterLink::handshakeAnswered, this, [this] {
            if (greeted_) return meterBack();
            greeted_ = true;
            Say(QStringLiteral("the meter answers on %1").arg(link_.SerialSettings.PortName));
            if (!options_.historyPath.isEmpty()) link_.RequestHistory();
        });
        connect(&link_, &MeterLink::meterFellSilent, this, [this] {
            outage_ = true;
            Say(QStringLiteral("the meter does not answer (设备无响应)"));
        });
        connect(&link_, &MeterLink::liveRecord, this, &HeadlessRun::onReading);
        connect(&link_, &MeterLink::groupCountAnswered, this, [this](int n) {
            if (options_.historyPath.isEmpty()) return;
            historyWatchdog_.stop();  // from here the download's own deadline applies
            if (n == 0) writeHistory();
        });
        connect(&link_, &MeterLink::historyData, this, [this] {
            if (!options_.historyPath.isEmpty()) writeHistory();
        });
        connect(&link_, &MeterLink::historyFailed, this, [this](DownloadFailure why) {
            if (options_.historyPath.isEmpty()) return;
            switch (why) {
                case DownloadFailure::CountMissing:
                    return finish(kHeadlessFailed,
                                  QStringLiteral("the meter did not answer the group count "
                                                 "request (接收历史数据失败)"));
                case DownloadFailure::CountGarbled:
                    return finish(kHeadlessFailed,
                                  QStringLiteral("the meter's group count reply was garbled "
                                                 "(接收组数失败); nothing was written"));
                case DownloadFailure::GroupsShort:
                    return finish(
                        kHeadlessFailed,
                        QStringLiteral("the stored groups stopped short (接收历史数据失败)"));
                case DownloadFailure::PortLost:
                    return finish(kHeadlessFailed,
                                  QStringLiteral("the stored groups stopped short: %1 was lost "
                                                 "(接收历史数据失败)")
                                      .arg(portText()));
            }
        });
    }

    // The end of an outage (a silence, a lost port): said once, when the meter answers.
    void meterBack() {
        if (!outage_) return;
        outage_ = false;
        Say(QStringLiteral("the meter answers again on %1").arg(portText()));
    }

    bool listenForSignals() {
        auto* watch = new SignalWatch(this);
        if (!watch->isWatching()) {
            Say(QStringLiteral("cannot watch for signals"));
            return false;
        }
        connect(watch, &SignalWatch::caught, this, [this](int sig) {
            // A logger's end is its normal end; a download cut short wrote nothing.
            if (options_.historyPath.isEmpty()) return finish(kHeadlessOk);
            finish(128 + sig,
                   QStringLiteral("stopped by SIG%1 before the stored groups were written")
                       .arg(QString::fromLatin1(sigabbrev_np(sig))));
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
            if (!log_.SyncIfDue()) return logFailed();
            sayLogNotice();
        });
        syncTimer_.start(1000);
        return true;
    }

    void onReading() {
        const std::optional<measure::MeterRecord> record =
            measure::RecordAt(link_.ReceiveBuffer, 0);
        if (!record || finished_) return;
        meterBack();
        if (options_.logPath == QLatin1String("-")) {
            if (!Print(measure::DataLogRow(*record, measure::LocalNow(), stdoutClock_.elapsed())))
                return finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
        } else if (!options_.logPath.isEmpty()) {
            if (!log_.Append(*record)) return logFailed();
            sayLogNotice();
        } else {
            const QString text = measure::ReadLiveRecord(*record).text;
            if (!Print((ReadingLine(measure::LocalNow(), text) + QLatin1Char('\n')).toUtf8()))
                return finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
        }
        ++readings_;
        if (options_.count && readings_ >= *options_.count) finish(kHeadlessOk);
    }

    // The log went on by itself (its file was moved, deleted or cut short): one line.
    void sayLogNotice() {
        if (const QString notice = log_.TakeNotice(); !notice.isEmpty()) Say(notice);
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
    bool outage_ = false;  // the meter went silent or the port was lost
    bool finished_ = false;
    int exitCode_ = kHeadlessOk;
};

}  // namespace

void PrintStampedLine(const QString& line) {
    const QString stamped =
        measure::LocalNow().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz  ")) + line;
    std::fprintf(stderr, "%s\n", stamped.toLocal8Bit().constData());
}

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
