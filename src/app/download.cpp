// The download of the meter's stored groups without a window (--history FILE): the greeting,
// the group count, the groups, and the file written whole (the report text, or CSV), or a
// failure said and nothing written.

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include "headlessrun.h"
#include "measure/datalog.h"
#include "measure/historyreport.h"
#include "measure/reportfile.h"
#include "platform/endrequests.h"
#include "porttexts.h"
#include "protocol/meterlink.h"

namespace app {

namespace {

// How long the meter has to answer the greeting and the count request together.
constexpr int kAnswerWaitMs = 5000;

class DownloadRun : public QObject {
    Q_OBJECT
  public:
    explicit DownloadRun(const HeadlessOptions& options)
        : path_(options.historyPath), monitor_(options.monitor, this) {
        sayPortProblems(monitor_, this, [] {});
        connect(&monitor_.link(), &protocol::MeterLink::event, this, &DownloadRun::onEvent);
        connect(&monitor_.link(), &protocol::MeterLink::groupsReceived, this, &DownloadRun::write);
    }

    bool start() {
        // A download cut short wrote nothing.
        if (!endOnSignals(this, [this](int sig) {
                if (finished_) return QCoreApplication::exit(exitCode_);
                finish(128 + sig,
                       QStringLiteral("stopped by SIG%1 before the stored groups were written")
                           .arg(platform::endRequestName(sig)));
            }))
            return false;
        monitor_.link().setMode(protocol::LinkMode::History);
        // A meter that does not answer at all, or not to the count request.
        watchdog_.setSingleShot(true);
        connect(&watchdog_, &QTimer::timeout, this, [this] {
            finish(kHeadlessFailed, QStringLiteral("the meter did not answer within 5 s on %1")
                                        .arg(monitor_.portText()));
        });
        watchdog_.start(kAnswerWaitMs);
        monitor_.start();
        return true;
    }

    int exitCode() const { return exitCode_; }

  private:
    void onEvent(const protocol::LinkEvent& e) {
        sayLinkEvent(e, monitor_);
        std::visit(protocol::Overloaded{
                       [this](const protocol::HandshakeAnswered&) {
                           if (greeted_) return;
                           greeted_ = true;
                           say(QStringLiteral("the meter answers on %1")
                                   .arg(PortName(monitor_.link().portNumber())));
                           monitor_.link().RequestHistory();
                       },
                       [this](const protocol::GroupCount& count) {
                           watchdog_.stop();  // from here the download's own deadline applies
                           if (count.count == 0) write({});
                       },
                       [this](const protocol::DownloadFailed& failed) {
                           finish(kHeadlessFailed, failureText(failed.failure));
                       },
                       [](const auto&) {},
                   },
                   e);
    }

    QString failureText(protocol::DownloadFailure why) const {
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
                    .arg(monitor_.portText());
        }
        return QStringLiteral("the stored groups stopped short (接收历史数据失败)");
    }

    void write(const QList<measure::MeterRecord>& groups) {
        const bool csv =
            QFileInfo(path_).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
        // A .txt gets the same bytes as the window's report save of a fresh download.
        const QByteArray bytes =
            csv ? measure::historyCsv(groups)
                : measure::reportFileText(measure::BuildHistoryReport(groups)).toUtf8();
        QString error;
        if (!measure::writeFileAtomically(path_, bytes, &error))
            return finish(kHeadlessFailed, error);
        say(QStringLiteral("%1 stored groups written to %2").arg(groups.size()).arg(path_));
        finish(kHeadlessOk);
    }

    // Ends the run: the sign-off byte, the port closed, the event loop ended.
    void finish(int code, const QString& why = QString()) {
        if (finished_) return;
        finished_ = true;
        exitCode_ = code;
        if (!why.isEmpty()) say(why);
        watchdog_.stop();
        monitor_.finish();
        exitWhenIdle(monitor_, exitCode_);
    }

    QString path_;
    Monitor monitor_;
    QTimer watchdog_;
    bool greeted_ = false;
    bool finished_ = false;
    int exitCode_ = kHeadlessOk;
};

}  // namespace

int runDownload(const HeadlessOptions& options) {
    DownloadRun run(options);
    return execRun(run);
}

}  // namespace app

#include "download.moc"
