#pragma once
// The third view of the conversation with the meter, beside the window and the logger: every
// live reading published to an MQTT broker (MQTT 3.1.1 through libmosquitto), the meter's
// availability, and Home Assistant's discovery config.
//
// The network never holds up the meter. Connecting, name look-ups, TLS and the exchange with
// the broker run in a thread of the publisher's own; what the broker says comes back to the
// owner's thread as queued calls, and the owner only hands messages over, which never waits.
// Readings wait in a bounded queue (PublishQueue) until the broker acknowledges them; a lost
// connection is tried again after 1 s, then 2, 4 ... up to 30 s between tries.
//
// Failures are said once, not on every try: one line (notice) naming the broker and the
// reason, one when it answers again, one per outage with the readings dropped past the queue's
// bound, one per cause when the library refuses a message (it is dropped), and one when another
// program already publishes under the same meter id.

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "measure/reading.h"
#include "mqttsettings.h"
#include "publishqueue.h"
#include "readingjson.h"

namespace publish {

// Where the connection to the broker stands, for the window to word.
enum class BrokerState { Connecting, Connected, Retrying };

class MqttPublisher : public QObject {
    Q_OBJECT
  public:
    // Messages handed to the connection before their acknowledgements (libmosquitto's default).
    static constexpr qsizetype kInFlightWindow = 20;
    static constexpr int kFirstRetrySec = 1;
    static constexpr int kLongestRetrySec = 30;
    // How long stop() waits, in all, for the broker to acknowledge what is queued and "offline".
    static constexpr int kOfflineWaitMs = 2000;

    explicit MqttPublisher(MqttSettings settings, QObject* parent = nullptr);
    ~MqttPublisher() override;  // stop()

    // Sets up the client and starts connecting. False, with the reason in *error, when the
    // client cannot be set up (a CA file that cannot be read).
    bool start(QString* error);

    // Queues the reading and sends what the connection takes; nothing with intervalOnly.
    void publishReading(const measure::Reading& reading);
    // An interval row, queued as the readings are.
    void publishInterval(const measure::IntervalRow& row);
    // The alarm's state, "ON" or "OFF", retained; queued in order with the readings, so a
    // start and its end during an outage both reach the broker.
    void publishAlarm(bool on);
    // A threshold is set from now on: the alarm's binary sensor is announced (its config
    // otherwise removed at the connection).
    void announceAlarm();
    // Availability: "online" while the meter answers, "offline" when it does not.
    void setMeterAnswering(bool answering);

    // Waits for the broker to acknowledge every queued message (the run's last reading among
    // them), then publishes "offline" and waits for it, up to `waitMs` in all, and disconnects.
    // Readings still queued after that are given up (the data log is the durable record).
    void stop(int waitMs = kOfflineWaitMs);

  signals:
    void notice(const QString& line);  // one line for stderr, "MQTT broker ...: ..."
    // The broker's state, for a tooltip; `reason` (libmosquitto's words) with Retrying.
    void stateChanged(publish::BrokerState state, const QString& reason);

  private:
    struct Connection;
    void onConnected();
    void onLost(const QString& reason);
    void onAcknowledged();
    void acknowledge(const std::vector<int>& mids);
    void onOwnTopicMessage(const QByteArray& payload, bool retained);
    void pump();
    void publishAvailability();
    void publishDiscovery();
    // mosquitto_publish's result; a refusal other than a lost connection is said (refused()).
    int send(const QString& topic, const QByteArray& payload, bool retain, int* mid = nullptr);
    int send(const QByteArray& topic, const QByteArray& payload, bool retain, int* mid = nullptr);
    // The library refused a message on `topic` with `rc`: said on stderr once per cause, and in
    // the broker's state until the next change.
    void refused(int rc, const QByteArray& topic);
    void sayDropped();
    void setState(BrokerState state, const QString& reason = QString());

    MqttSettings settings_;
    MeterTopics topics_;
    std::unique_ptr<Connection> conn_;
    PublishQueue queue_;
    std::optional<BrokerState> state_;  // none until start()
    QString stateReason_;
    QString lastFailure_;         // the failure said last; empty while connected
    std::set<int> refusalsSaid_;  // libmosquitto's codes of the refusals said
    bool connected_ = false;
    int connections_ = 0;
    bool watchingForTwin_ = false;  // the first connection's retained availability is due
    bool meterAnswering_ = false;
    bool stopped_ = false;
};

}  // namespace publish
