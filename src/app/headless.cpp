#include "headless.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "alarmhook.h"
#include "datalogsync.h"
#include "measure/datalog.h"
#include "measure/historyreport.h"
#include "measure/liveseries.h"
#include "measure/localclock.h"
#include "measure/meterrecord.h"
#include "measure/reportfile.h"
#include "porttexts.h"
#include "protocol/meterlink.h"
#include "publish/mqttpublisher.h"
#include "serial/commport.h"
#include "signalwatch.h"
#include "statustext.h"

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
    Q_OBJECT
  public:
    explicit HeadlessRun(const HeadlessOptions& options) : options_(options), link_(port_) {
        port_.setPortMap(options.ports);
        port_.setCommPort(options.portNumber);
        connectLink();
        connectWatch();
    }

    bool start() {
        if (!listenForSignals()) return false;
        if (options_.historyPath.isEmpty() && !startOutput()) return false;
        if (options_.historyPath.isEmpty() && options_.mqtt && !startPublisher()) return false;
        if (options_.historyPath.isEmpty()) {
            link_.setMode(protocol::LinkMode::Live);
            link_.setRunning(true);
        } else {
            link_.setMode(protocol::LinkMode::History);
            // A meter that does not answer at all, or not to the count request.
            historyWatchdog_.setSingleShot(true);
            connect(&historyWatchdog_, &QTimer::timeout, this, [this] {
                finish(kHeadlessFailed,
                       QStringLiteral("the meter did not answer within 5 s on %1").arg(portText()));
            });
            historyWatchdog_.start(5000);
        }
        if (options_.durationSec) {
            connect(&durationTimer_, &QTimer::timeout, this, [this] { finish(kHeadlessOk); });
            durationTimer_.setSingleShot(true);
            durationTimer_.start(int(qBound(0.0, *options_.durationSec * 1000.0, 2.0e9)));
        }
        watch_->beginInterval(measure::LocalNow());  // the first interval row starts here
        link_.OpenSerialPort();
        link_.SendHandshake();
        return true;
    }

    int exitCode() const { return exitCode_; }

  private:
    QString portText() const { return PortAndDevice(link_.portNumber(), port_.deviceName()); }

    void connectLink() {
        using protocol::MeterLink;
        connect(&link_, &MeterLink::event, this, &HeadlessRun::onEvent);
        connect(&link_, &MeterLink::liveReading, this, &HeadlessRun::onReading);
        connect(&link_, &MeterLink::groupsReceived, this,
                [this](const QList<measure::MeterRecord>& groups) {
                    if (!options_.historyPath.isEmpty()) writeHistory(groups);
                });
        // Failed opens are explained once per change.
        connect(
            &port_, &serial::CommPort::openProblem, this,
            [](const serial::OpenProblem& problem) { PrintStampedLine(OpenAdviceLine(problem)); });
        connect(&port_, &serial::CommPort::closedAfterError, this, [this](const QString& why) {
            outage_ = true;
            Say(QStringLiteral("%1 was lost (%2); it is opened again when it comes back")
                    .arg(portText(), why));
        });
    }

    // Alarm events go to stderr, the events file beside a data log and the alarm command;
    // interval rows go where the rows go.
    void connectWatch() {
        const WatchOptions& o = options_.watch;
        if (o.alarmMa) watch_->setAlarmThreshold(*o.alarmMa);
        watch_->setIntervalSeconds(o.intervalSec);
        if (o.intervalSec) log_.SetHeader(measure::IntervalLogHeader());
        if (!o.onAlarm.isEmpty()) {
            hook_ = new AlarmHook(
                o.onAlarm,
                [this] {
                    return options_.watch.meterName.isEmpty() ? portText()
                                                              : options_.watch.meterName;
                },
                this);
            connect(hook_, &AlarmHook::notice, this, &Say);
        }
        connect(watch_, &LiveWatch::alarm, this, [this](const measure::AlarmEvent& e) {
            Say(AlarmEventLine(e, *options_.watch.alarmMa));
            QString error;
            if (log_.IsRunning() && !measure::AppendAlarmEvent(log_.PathAt(e.time), e, &error))
                Say(QStringLiteral("cannot write the alarm events beside %1: %2")
                        .arg(log_.Path(), error));
            if (hook_) hook_->run(e);
        });
        connect(watch_, &LiveWatch::interval, this, [this](const measure::IntervalRow& row) {
            if (options_.logPath == QLatin1String("-")) {
                if (!Print(measure::IntervalCsvRow(row)))
                    finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
            } else if (log_.IsRunning()) {
                logSync_->appendRow(measure::IntervalCsvRow(row), row.start);
            }
        });
    }

    void onEvent(const protocol::LinkEvent& e) {
        const bool downloading = !options_.historyPath.isEmpty();
        if (const std::optional<QString> line = AdviceLine(e)) PrintStampedLine(*line);
        std::visit(
            protocol::Overloaded{
                [this](const protocol::PortOpened&) { Say(portText() + QStringLiteral(" open")); },
                [this](const protocol::SettingsRefused& refusal) {
                    Say(QStringLiteral("the port does not take %1 and runs %2")
                            .arg(serial::LineSettingsText(refusal.refused),
                                 serial::LineSettingsText(refusal.kept)));
                },
                [this, downloading](const protocol::HandshakeAnswered&) {
                    if (greeted_) return meterBack();
                    greeted_ = true;
                    Say(QStringLiteral("the meter answers on %1")
                            .arg(PortName(link_.portNumber())));
                    if (downloading) link_.RequestHistory();
                },
                [this](const protocol::MeterSilent&) {
                    outage_ = true;
                    Say(QStringLiteral("the meter does not answer (设备无响应)"));
                },
                [this, downloading](const protocol::GroupCount& count) {
                    if (!downloading) return;
                    historyWatchdog_.stop();  // from here the download's own deadline applies
                    if (count.count == 0) writeHistory({});
                },
                [this, downloading](const protocol::DownloadFailed& failed) {
                    if (downloading) finish(kHeadlessFailed, DownloadFailureText(failed.failure));
                },
                [](const auto&) {},
            },
            e);
    }

    QString DownloadFailureText(protocol::DownloadFailure why) const {
        using protocol::DownloadFailure;
        switch (why) {
            case DownloadFailure::CountMissing:
                return QStringLiteral(
                    "the meter did not answer the group count request (接收历史数据失败)");
            case DownloadFailure::CountGarbled:
                return QStringLiteral(
                    "the meter's group count reply was garbled (接收组数失败); nothing was "
                    "written");
            case DownloadFailure::GroupsShort:
                break;
            case DownloadFailure::PortLost:
                return QStringLiteral(
                           "the stored groups stopped short: %1 was lost (接收历史数据失败)")
                    .arg(portText());
        }
        return QStringLiteral("the stored groups stopped short (接收历史数据失败)");
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
            // A second signal does not wait for alarm commands still running.
            if (finished_) return QCoreApplication::exit(exitCode_);
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
            return Print(log_.Header());
        }
        if (options_.logPath.isEmpty()) return true;
        if (!log_.Start(options_.logPath)) {
            Say(QStringLiteral("cannot log to %1: %2").arg(options_.logPath, log_.ErrorString()));
            return false;
        }
        Say(QStringLiteral("logging to %1").arg(QFileInfo(log_.Path()).absoluteFilePath()));
        connect(logSync_, &DataLogSync::failed, this, &HeadlessRun::logFailed);
        connect(logSync_, &DataLogSync::notice, this, &Say);
        logSync_->start();
        return true;
    }

    bool startPublisher() {
        publisher_ = std::make_unique<publish::MqttPublisher>(*options_.mqtt);
        connect(publisher_.get(), &publish::MqttPublisher::notice, this, &Say);
        QString error;
        if (!publisher_->start(&error)) {
            Say(error);
            return false;
        }
        Say(QStringLiteral("publishing to %1 as meter id %2")
                .arg(options_.mqtt->broker.url(), options_.mqtt->meterId));
        publish::FollowLink(*publisher_, link_, port_);
        PublishWatch(*publisher_, *watch_, options_.watch.alarmMa.has_value());
        return true;
    }

    void onReading(const measure::MeterRecord& record) {
        if (finished_ || (options_.count && readings_ >= *options_.count)) return;
        meterBack();
        if (watch_->intervals()) {
            // The row comes from the watch when its interval is over.
        } else if (options_.logPath == QLatin1String("-")) {
            if (!Print(measure::DataLogRow(record, measure::LocalNow(), stdoutClock_.elapsed())))
                return finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
        } else if (!options_.logPath.isEmpty()) {
            if (!logSync_->append(record)) return;  // failed() ends the run
        } else {
            const QString text = measure::ReadLiveRecord(record).text;
            if (!Print((ReadingLine(measure::LocalNow(), text) + QLatin1Char('\n')).toUtf8()))
                return finish(kHeadlessFailed, QStringLiteral("stdout is closed"));
        }
        // The reading's row is written before the alarm it may start is told.
        watch_->take(record, measure::LocalNow());
        if (finished_) return;
        ++readings_;
        // Once the reading's other receivers (the publisher) have it too.
        if (options_.count && readings_ >= *options_.count)
            QMetaObject::invokeMethod(
                this, [this] { finish(kHeadlessOk); }, Qt::QueuedConnection);
    }

    void logFailed() {
        finish(kHeadlessFailed,
               QStringLiteral("data log %1 failed: %2").arg(options_.logPath, log_.ErrorString()));
    }

    void writeHistory(const QList<measure::MeterRecord>& groups) {
        const QString path = options_.historyPath;
        const bool csv =
            QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
        // A .txt gets the same bytes as the window's report save of a fresh download.
        const QByteArray bytes =
            csv ? measure::HistoryCsv(groups)
                : measure::ReportFileText(measure::BuildHistoryReport(groups)).toUtf8();
        QString error;
        if (!measure::WriteFileAtomically(path, bytes, &error))
            return finish(kHeadlessFailed, error);
        Say(QStringLiteral("%1 stored groups written to %2").arg(groups.size()).arg(path));
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
        watch_->finishInterval(measure::LocalNow());
        // An alarm still running ends with the run: its end row, stderr line, command and broker
        // message.
        watch_->finishAlarm(measure::LocalNow());
        logSync_->stop();
        if (log_.IsRunning() && !log_.Stop() && code == kHeadlessOk) {
            Say(QStringLiteral("data log %1: %2").arg(options_.logPath, log_.ErrorString()));
            exitCode_ = kHeadlessFailed;
        }
        std::fflush(stdout);
        if (publisher_) publisher_->stop();  // "offline" goes out first
        port_.close();
        // The running alarm command has a few seconds more; those waiting are not run.
        if (hook_) hook_->stop();
        if (hook_ && hook_->busy())
            connect(hook_, &AlarmHook::idle, this, [this] { QCoreApplication::exit(exitCode_); });
        else
            QCoreApplication::exit(exitCode_);
    }

    HeadlessOptions options_;
    serial::CommPort port_;
    protocol::MeterLink link_;
    measure::DataLog log_;
    DataLogSync* logSync_ = new DataLogSync(log_, this);  // rows and the once-a-second sync
    LiveWatch* watch_ = new LiveWatch(this);              // alarms and interval rows
    AlarmHook* hook_ = nullptr;                           // --on-alarm
    std::unique_ptr<publish::MqttPublisher> publisher_;
    QTimer durationTimer_, historyWatchdog_;
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

#include "headless.moc"
