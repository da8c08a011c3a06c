#include "mqttpublisher.h"

#include <mosquitto.h>
#include <unistd.h>
#include <QFile>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "measure/localclock.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"

namespace publish {

namespace {
// Where Debian keeps the system's certificate authorities for OpenSSL.
constexpr const char* kSystemCaFolder = "/etc/ssl/certs";
}  // namespace

// The mosquitto handle and the thread that connects and runs the exchange with the broker.
// Everything here but the hand-over of messages happens in that thread.
struct MqttPublisher::Connection {
    MqttPublisher* owner = nullptr;
    mosquitto* mosq = nullptr;
    QByteArray host;
    int port = 0;
    std::thread thread;

    std::mutex m;
    std::condition_variable cv;
    bool stopping = false;       // guarded by m
    bool ended = false;          // the thread has ended; guarded by m
    std::set<int> ackedAtClose;  // acknowledged while closing; guarded by m
    std::atomic<bool> closing{false};

    // Thread-only: what the current try learnt.
    bool accepted = false;  // the broker took the connection
    QString refusal;        // its reason for refusing it
    QString lastError;      // libmosquitto's last error line (TLS: OpenSSL's reason)

    // Runs in the owner's thread after the event loop gets there; dropped with the owner. Nothing
    // is handed over once stop() has begun (the owner may be gone by then).
    template <typename F>
    void post(F f) {
        std::lock_guard lock(m);
        if (!stopping) QMetaObject::invokeMethod(owner, std::move(f), Qt::QueuedConnection);
    }

    bool stopRequested() {
        std::lock_guard lock(m);
        return stopping;
    }

    QString errorText(int rc) const {
        QString text = rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                            : QString::fromUtf8(mosquitto_strerror(rc));
        if (text.endsWith(u'.')) text.chop(1);
        if (rc == MOSQ_ERR_TLS && !lastError.isEmpty())
            text += QStringLiteral(" (") + lastError + u')';
        return text;
    }

    void run() {
        int delaySec = kFirstRetrySec;
        while (!stopRequested()) {
            accepted = false;
            refusal.clear();
            lastError.clear();
            // Blocks on the name look-up, the TCP connection and the TLS handshake: here only.
            int rc = mosquitto_connect(mosq, host.constData(), port, kKeepAliveSec);
            int lastErrno = errno;
            while (rc == MOSQ_ERR_SUCCESS && !stopRequested()) {
                rc = mosquitto_loop(mosq, 1000, 1);
                lastErrno = errno;
            }
            if (stopRequested()) break;
            errno = lastErrno;
            const QString reason = !refusal.isEmpty() ? refusal : errorText(rc);
            if (accepted) delaySec = kFirstRetrySec;
            post([o = owner, reason] { o->onLost(reason); });
            std::unique_lock lock(m);
            if (cv.wait_for(lock, std::chrono::seconds(delaySec), [this] { return stopping; }))
                break;
            delaySec = std::min(delaySec * 2, kLongestRetrySec);
        }
        std::lock_guard lock(m);
        ended = true;
        cv.notify_all();
    }

    static Connection* Of(void* obj) { return static_cast<Connection*>(obj); }

    static void OnConnect(mosquitto*, void* obj, int rc) {
        Connection* c = Of(obj);
        if (rc != 0) {
            c->refusal =
                QStringLiteral("refused: ") + QString::fromUtf8(mosquitto_connack_string(rc));
            return;
        }
        c->accepted = true;
        c->post([o = c->owner] { o->onConnected(); });
    }
    static void OnPublish(mosquitto*, void* obj, int mid) {
        Connection* c = Of(obj);
        if (c->closing) {
            std::lock_guard lock(c->m);
            c->ackedAtClose.insert(mid);
            c->cv.notify_all();
            return;  // the owner is closing and waits for this, not for a queued call
        }
        c->post([o = c->owner, mid] { o->onAcknowledged(mid); });
    }
    static void OnMessage(mosquitto*, void* obj, const mosquitto_message* msg) {
        const QByteArray payload(static_cast<const char*>(msg->payload), msg->payloadlen);
        const bool retained = msg->retain;
        Connection* c = Of(obj);
        c->post([o = c->owner, payload, retained] { o->onOwnTopicMessage(payload, retained); });
    }
    static void OnLog(mosquitto*, void* obj, int level, const char* text) {
        if (level & MOSQ_LOG_ERR) Of(obj)->lastError = QString::fromUtf8(text);
    }
};

MqttPublisher::MqttPublisher(MqttSettings settings, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      topics_(TopicsFor(settings_.topicPrefix, settings_.meterId)) {}

MqttPublisher::~MqttPublisher() {
    stop();
}

bool MqttPublisher::start(QString* error) {
    mosquitto_lib_init();
    auto c = std::make_unique<Connection>();
    c->owner = this;
    c->host = settings_.broker.host.toUtf8();
    c->port = settings_.broker.port;
    // Unique per process, so that a second program with the same meter id does not take this
    // one's connection over (it is told about the first instead).
    const QByteArray clientId =
        QStringLiteral("leakmeter-%1-%2").arg(settings_.meterId).arg(::getpid()).toUtf8();
    c->mosq = mosquitto_new(clientId.constData(), true, c.get());
    if (!c->mosq) {
        *error = QStringLiteral("cannot make an MQTT client: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    mosquitto_int_option(c->mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_threaded_set(c->mosq, true);
    if (!settings_.broker.user.isEmpty())
        mosquitto_username_pw_set(
            c->mosq, settings_.broker.user.toUtf8().constData(),
            settings_.password.isEmpty() ? nullptr : settings_.password.toUtf8().constData());
    const QByteArray will = topics_.availability.toUtf8();
    mosquitto_will_set(c->mosq, will.constData(), int(kOffline.size()), kOffline.constData(), 1,
                       true);
    if (settings_.broker.tls) {
        // The system's authorities as the folder of hashed certificates OpenSSL reads:
        // libmosquitto's own "OS certificates" option refuses every connection after the first.
        const QByteArray caFile = QFile::encodeName(settings_.caFile);
        const int rc = mosquitto_tls_set(c->mosq, caFile.isEmpty() ? nullptr : caFile.constData(),
                                         caFile.isEmpty() ? kSystemCaFolder : nullptr, nullptr,
                                         nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error =
                QStringLiteral("MQTT certificate authorities %1: %2")
                    .arg(caFile.isEmpty() ? QString::fromLatin1(kSystemCaFolder) : settings_.caFile,
                         QString::fromUtf8(mosquitto_strerror(rc)));
            mosquitto_destroy(c->mosq);
            return false;
        }
    }
    mosquitto_connect_callback_set(c->mosq, &Connection::OnConnect);
    mosquitto_publish_callback_set(c->mosq, &Connection::OnPublish);
    mosquitto_message_callback_set(c->mosq, &Connection::OnMessage);
    mosquitto_log_callback_set(c->mosq, &Connection::OnLog);
    conn_ = std::move(c);
    setState(BrokerState::Connecting);
    conn_->thread = std::thread([c = conn_.get()] { c->run(); });
    return true;
}

void MqttPublisher::publishReading(const measure::MeterRecord& record, const QDateTime& time) {
    if (stopped_) return;
    queue_.push({topics_.reading.toUtf8(), ReadingJson(record, time)});
    pump();
}

void MqttPublisher::publishInterval(const measure::IntervalRow& row) {
    if (stopped_) return;
    queue_.push({topics_.interval.toUtf8(), IntervalJson(row)});
    pump();
}

void MqttPublisher::publishAlarm(bool on) {
    if (stopped_) return;
    queue_.push({topics_.alarm.toUtf8(), on ? kAlarmOn : kAlarmOff, true});
    pump();
}

void MqttPublisher::setMeterAnswering(bool answering) {
    if (answering == meterAnswering_) return;
    meterAnswering_ = answering;
    publishAvailability();
}

void MqttPublisher::onConnected() {
    if (stopped_) return;
    connected_ = true;
    ++connections_;
    if (!lastFailure_.isEmpty())
        emit notice(QStringLiteral("MQTT broker %1: connected").arg(settings_.broker.url()));
    lastFailure_.clear();
    sayDropped();
    setState(BrokerState::Connected);
    // A retained "online" already there when this run first connects is another program's.
    watchingForTwin_ = connections_ == 1;
    const QByteArray own = topics_.availability.toUtf8();
    mosquitto_subscribe(conn_->mosq, nullptr, own.constData(), 1);
    if (settings_.discovery) {
        send(topics_.discovery, DiscoveryJson(settings_), true);
        send(topics_.alarmDiscovery, AlarmDiscoveryJson(settings_), true);
    }
    publishAvailability();
    pump();
}

void MqttPublisher::onLost(const QString& reason) {
    if (connected_) queue_.resendAll();
    connected_ = false;
    const QString line =
        QStringLiteral("MQTT broker %1: %2; trying again").arg(settings_.broker.url(), reason);
    setState(BrokerState::Retrying, reason);
    if (reason == lastFailure_) return;  // said once, not on every try
    lastFailure_ = reason;
    emit notice(line);
}

void MqttPublisher::onAcknowledged(int mid) {
    if (queue_.acknowledge(mid)) pump();
}

void MqttPublisher::onOwnTopicMessage(const QByteArray& payload, bool retained) {
    if (!watchingForTwin_ || !retained) return;
    watchingForTwin_ = false;
    if (payload == kOnline)
        emit notice(QStringLiteral("MQTT broker %1: another program already publishes as meter "
                                   "id %2 (its availability is online); give each meter its own "
                                   "--meter-id")
                        .arg(settings_.broker.url(), settings_.meterId));
}

void MqttPublisher::pump() {
    if (!connected_) return;
    while (const QueuedMessage* m = queue_.nextToSend(kInFlightWindow)) {
        int mid = 0;
        if (!send(m->topic, m->payload, m->retain, &mid)) return;  // the loss is on its way
        queue_.sent(mid);
    }
}

void MqttPublisher::publishAvailability() {
    if (connected_) send(topics_.availability, meterAnswering_ ? kOnline : kOffline, true);
}

bool MqttPublisher::send(const QString& topic, const QByteArray& payload, bool retain, int* mid) {
    return send(topic.toUtf8(), payload, retain, mid);
}

bool MqttPublisher::send(const QByteArray& t, const QByteArray& payload, bool retain, int* mid) {
    return mosquitto_publish(conn_->mosq, mid, t.constData(), int(payload.size()),
                             payload.constData(), 1, retain) == MOSQ_ERR_SUCCESS;
}

void MqttPublisher::sayDropped() {
    if (const qsizetype dropped = queue_.takeDropped())
        emit notice(QStringLiteral("MQTT broker %1: %2 readings were dropped while it was away "
                                   "(the queue holds the latest %3)")
                        .arg(settings_.broker.url())
                        .arg(dropped)
                        .arg(PublishQueue::kDefaultBound));
}

void MqttPublisher::setState(BrokerState state, const QString& reason) {
    if (state == state_ && reason == stateReason_) return;
    state_ = state;
    stateReason_ = reason;
    emit stateChanged(state, reason);
}

void MqttPublisher::stop(int waitMs) {
    if (!conn_ || stopped_) return;
    stopped_ = true;
    const bool wasConnected = std::exchange(connected_, false);
    Connection& c = *conn_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    if (wasConnected) {
        c.closing = true;
        int mid = 0;
        if (send(topics_.availability, kOffline, true, &mid)) {
            std::unique_lock lock(c.m);
            c.cv.wait_until(lock, deadline, [&] { return c.ackedAtClose.count(mid) > 0; });
        }
    }
    sayDropped();
    {
        std::lock_guard lock(c.m);
        c.stopping = true;
    }
    c.cv.notify_all();
    mosquitto_disconnect(c.mosq);
    std::unique_lock lock(c.m);
    // A thread still inside a connection attempt (an unreachable broker) is left to the end of
    // the process rather than waited for.
    if (c.cv.wait_for(lock, std::chrono::seconds(1), [&] { return c.ended; })) {
        lock.unlock();
        c.thread.join();
        mosquitto_destroy(c.mosq);
        conn_.reset();
    } else {
        lock.unlock();
        c.thread.detach();
        (void)conn_.release();
    }
}

void FollowLink(MqttPublisher& publisher, protocol::MeterLink& link, serial::CommPort& port) {
    using protocol::LinkEvent;
    QObject::connect(&link, &protocol::MeterLink::liveReading, &publisher,
                     [&publisher](const measure::MeterRecord& record) {
                         publisher.setMeterAnswering(true);
                         publisher.publishReading(record, measure::LocalNow());
                     });
    QObject::connect(&link, &protocol::MeterLink::event, &publisher,
                     [&publisher](const LinkEvent& e) {
                         if (e.kind == LinkEvent::Kind::HandshakeAnswered ||
                             e.kind == LinkEvent::Kind::MeterAnswersAgain)
                             publisher.setMeterAnswering(true);
                         else if (e.kind == LinkEvent::Kind::MeterSilent ||
                                  e.kind == LinkEvent::Kind::OpenFailed)
                             publisher.setMeterAnswering(false);
                     });
    QObject::connect(&port, &serial::CommPort::closedAfterError, &publisher,
                     [&publisher] { publisher.setMeterAnswering(false); });
}

}  // namespace publish
