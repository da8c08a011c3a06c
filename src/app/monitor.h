#pragma once
// The engine under every front end (the window, the headless logger, the download of the stored
// groups): the port and the conversation with the meter, each live reply stamped once as a
// reading, and everything the readings feed, in this order:
//
//   port -> link -> reading (time, steady time, record, decoded value and text)
//     -> the data log's row            (one row per reading, unless interval rows are kept)
//     -> reading()                     (the front end: the screen, stdout)
//     -> the broker's message          (the reading's own time and columns)
//     -> the alarm tracker             -> alarm(): the events file, the alarm command, the broker
//     -> the interval log              -> interval(): the data log's row, the broker
//
// It has no widgets and words nothing a user reads but its notices; the front ends show and
// say what it reports.

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "livewatch.h"
#include "measure/datalog.h"
#include "measure/reading.h"
#include "publish/mqttsettings.h"
#include "serial/portmap.h"

namespace protocol {
class MeterLink;
}
namespace publish {
class MqttPublisher;
enum class BrokerState;
}  // namespace publish
namespace serial {
class CommPort;
}

namespace app {

class AlarmHook;
class DataLogSync;

// What a run is asked for, from the command line and the remembered settings.
struct MonitorOptions {
    MonitorOptions(serial::PortMap portMap = {}, int port = 1)
        : ports(std::move(portMap)), portNumber(port) {}
    serial::PortMap ports;
    int portNumber = 1;                         // the COMn the run opens at start
    WatchOptions watch;                         // alarms, their command, interval rows
    std::optional<publish::MqttSettings> mqtt;  // the broker the readings go to
};

class Monitor : public QObject {
    Q_OBJECT
  public:
    explicit Monitor(const MonitorOptions& options, QObject* parent = nullptr);
    ~Monitor() override;

    const MonitorOptions& options() const { return options_; }
    // The clock every reading is stamped by.
    const measure::DataLogClock& clock() const { return clock_; }
    serial::CommPort& port() { return *port_; }
    const serial::CommPort& port() const { return *port_; }
    protocol::MeterLink& link() { return *link_; }
    const protocol::MeterLink& link() const { return *link_; }
    // The port as messages name it: "COM1 (/dev/ttyUSB0)".
    QString portText() const;

    // Opens the port and greets the meter; the link goes on by itself from there.
    void start();

    // The data log (with interval rows, the interval log): from startLog on, one row per
    // reading or interval. False when the file cannot be opened or written; logError() says
    // why and no log runs. stopLog() writes the interval so far and syncs; false when its
    // last row or the sync failed (logError()).
    bool startLog(const QString& path);
    bool stopLog();
    bool logRunning() const { return log_.isRunning(); }
    QString logPath() const { return log_.path(); }  // the file written now
    QString logError() const { return log_.errorString(); }
    QByteArray logHeader() const { return log_.header(); }  // of the rows the log takes

    // Alarms are watched for from the first threshold on (the alarm box, --alarm).
    void setAlarmThreshold(float thresholdMa);
    bool intervals() const { return watch_->intervals(); }
    // The first interval row starts now (a run or a log starting).
    void beginInterval();

    // Starts publishing when the run has a broker (true and nothing done without one). False,
    // with the reason in *error, when the client cannot be set up.
    bool startPublishing(QString* error);

    // Takes at most `count` readings; the last one taken is followed by readingLimitReached().
    void setReadingLimit(int count) { limit_ = count; }

    // The run ends: the sign-off byte, no more requests, the interval so far and a running
    // alarm's end told, the data log synced and closed, "offline" to the broker, the port
    // closed, the waiting alarm commands dropped. False when the log's last row or sync
    // failed (logError()).
    bool finish();
    // The alarm command still runs (idle() follows when it has ended).
    bool alarmCommandBusy() const;

  signals:
    // Every live reading, stamped once; after its data-log row, before its broker message,
    // its alarm event and its interval row.
    void reading(const measure::Reading& reading);
    void alarm(const measure::AlarmEvent& event);
    void interval(const measure::IntervalRow& row);
    void readingLimitReached();
    // The data log has stopped itself; logError() says why.
    void logFailed();
    // A line for the user's stderr, without the program's name (the log went on in a new
    // file, the events file or the alarm command failed, the broker refused a message).
    void notice(const QString& line);
    void brokerStateChanged(publish::BrokerState state, const QString& reason);
    // The alarm command has ended, and none waits.
    void alarmCommandIdle();

  private:
    void takeRecord(const measure::MeterRecord& record);
    void onAlarm(const measure::AlarmEvent& event);
    void onInterval(const measure::IntervalRow& row);
    QString meterName() const;

    MonitorOptions options_;
    measure::DataLogClock clock_ = measure::DataLogClock::system();
    std::unique_ptr<serial::CommPort> port_;
    std::unique_ptr<protocol::MeterLink> link_;
    measure::DataLog log_;
    DataLogSync* logSync_;  // every row, and the once-a-second sync
    LiveWatch* watch_;      // alarm events and interval rows
    AlarmHook* hook_ = nullptr;
    std::unique_ptr<publish::MqttPublisher> publisher_;
    std::optional<int> limit_;
    int taken_ = 0;
    bool finished_ = false;
};

}  // namespace app
