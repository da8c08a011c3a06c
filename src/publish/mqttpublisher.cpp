#include "mqttpublisher.h"

#include <mosquitto.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "platform/trustedauthorities.h"

namespace publish {

namespace {}  // namespace

// The mosquitto handle and the thread that connects and runs the exchange with the broker.
// Everything here but the hand-over of messages happens in that thread.
struct MqttPublisher::Connection {
    MqttPublisher* owner = nullptr;
    mosquitto* mosq = nullptr;
    QByteArray host;
    int port = 0;
    int keepAliveSec = 0;
    std::thread thread;

    // How long a stop lets the loop send DISCONNECT (so that the broker drops the will) and
    // see the connection close.
    static constexpr auto kDisconnectWait = std::chrono::seconds(1);

    std::mutex m;
    std::condition_variable cv;
    bool stopping = false;  // guarded by m
    // Once stopping: the loop runs until the disconnect is done or this passes; guarded by m.
    std::chrono::steady_clock::time_point disconnectBy;
    bool ended = false;         // the thread has ended; guarded by m
    bool linkUp = false;        // the broker took the connection and it holds; guarded by m
    std::vector<int> acked;     // acknowledged, not yet taken by the owner; guarded by m
    QString lastError;          // libmosquitto's last error line (TLS: OpenSSL's reason); guarded
                                // by m, as the library logs on whichever thread calls into it
    bool hostMismatch = false;  // the broker's certificate is another host's; guarded by m

    // Thread-only: what the current try learnt.
    bool accepted = false;  // the broker took the connection
    QString refusal;        // its reason for refusing it

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

    // How long the loop may wait for the broker now: 1 s while running, what is left of the
    // disconnect's time once a stop asked for it; nothing when that has passed.
    std::optional<int> loopTimeoutMs() {
        std::lock_guard lock(m);
        if (!stopping) return 1000;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            disconnectBy - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        return int(left.count());
    }

    void setLinkUp(bool up) {
        std::lock_guard lock(m);
        linkUp = up;
        cv.notify_all();
    }

    std::vector<int> takeAcknowledged() {
        std::lock_guard lock(m);
        return std::exchange(acked, {});
    }

    QString errorText(int rc) {
        if (rc == MOSQ_ERR_KEEPALIVE)  // asked whether it is there, no answer within keepalive
            return QStringLiteral("stopped answering for %1 s").arg(keepAliveSec);
        QString text = rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                            : QString::fromUtf8(mosquitto_strerror(rc));
        if (text.endsWith(u'.')) text.chop(1);
        std::lock_guard lock(m);
        if (rc == MOSQ_ERR_TLS && !lastError.isEmpty())
            text += QStringLiteral(" (") + lastError + u')';
        return text;
    }

    void run() {
        int delaySec = kFirstRetrySec;
        while (!stopRequested()) {
            accepted = false;
            refusal.clear();
            {
                std::lock_guard lock(m);
                lastError.clear();
                hostMismatch = false;
            }
            // Blocks on the name look-up, the TCP connection and the TLS handshake: here only.
            int rc = mosquitto_connect(mosq, host.constData(), port, keepAliveSec);
            int lastErrno = errno;
            // A stop's DISCONNECT is written by this loop: it runs on until the library has
            // sent it and closed the connection (MOSQ_ERR_NO_CONN), or the stop's time is up.
            while (rc == MOSQ_ERR_SUCCESS) {
                const std::optional<int> timeoutMs = loopTimeoutMs();
                if (!timeoutMs) break;
                rc = mosquitto_loop(mosq, *timeoutMs, 1);
                lastErrno = errno;
            }
            setLinkUp(false);
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

    static Connection* of(void* obj) { return static_cast<Connection*>(obj); }

    static void onConnect(mosquitto*, void* obj, int rc) {
        Connection* c = of(obj);
        if (rc != 0) {
            c->refusal =
                QStringLiteral("refused: ") + QString::fromUtf8(mosquitto_connack_string(rc));
            return;
        }
        c->accepted = true;
        c->setLinkUp(true);
        c->post([o = c->owner] { o->onConnected(); });
    }
    static void onPublish(mosquitto*, void* obj, int mid) {
        // Kept here, not posted: a closing owner waits for them in stop() without an event loop.
        Connection* c = of(obj);
        bool first = false;
        {
            std::lock_guard lock(c->m);
            first = c->acked.empty();
            c->acked.push_back(mid);
            c->cv.notify_all();
        }
        if (first) c->post([o = c->owner] { o->onAcknowledged(); });
    }
    static void onMessage(mosquitto*, void* obj, const mosquitto_message* msg) {
        const QByteArray payload(static_cast<const char*>(msg->payload), msg->payloadlen);
        const bool retained = msg->retain;
        Connection* c = of(obj);
        c->post([o = c->owner, payload, retained] { o->onOwnTopicMessage(payload, retained); });
    }
    static void onLog(mosquitto* mosq, void* obj, int level, const char* text) {
        if (!(level & MOSQ_LOG_ERR)) return;
        Connection* c = of(obj);
        QString line = QString::fromUtf8(text);
        // OpenSSL says only "certificate verify failed"; the verification's result says why
        // (an expired certificate, an unknown authority). libmosquitto checks the host name
        // itself, says so first, and leaves the result unspecified. These errors come from the
        // connection's thread, the one TLS session's owner.
        const auto* ssl = std::strstr(text, "OpenSSL")
                              ? static_cast<const SSL*>(mosquitto_ssl_get(mosq))
                              : nullptr;
        std::lock_guard lock(c->m);
        if (std::strstr(text, "host name verification failed")) {
            c->hostMismatch = true;
            return;
        }
        if (const long verify = ssl ? SSL_get_verify_result(ssl) : X509_V_OK; verify != X509_V_OK)
            line = QStringLiteral("certificate verify failed: ") +
                   QString::fromUtf8(X509_verify_cert_error_string(
                       verify == X509_V_ERR_UNSPECIFIED && c->hostMismatch
                           ? X509_V_ERR_HOSTNAME_MISMATCH
                           : verify));
        c->lastError = line;
    }
};

MqttPublisher::MqttPublisher(MqttSettings settings, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      topics_(topicsFor(settings_.topicPrefix, settings_.meterId)) {}

MqttPublisher::~MqttPublisher() {
    stop();
}

bool MqttPublisher::start(QString* error) {
    mosquitto_lib_init();
    auto c = std::make_unique<Connection>();
    c->owner = this;
    c->host = settings_.broker.host.toUtf8();
    c->port = settings_.broker.port;
    c->keepAliveSec = settings_.keepAliveSec;
    // Unique per process, so that a second program with the same meter id does not take this
    // one's connection over (it is told about the first instead).
    const QByteArray clientId = QStringLiteral("leakmeter-%1-%2")
                                    .arg(settings_.meterId)
                                    .arg(QCoreApplication::applicationPid())
                                    .toUtf8();
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
    const int willRc = mosquitto_will_set(c->mosq, will.constData(), int(kOffline.size()),
                                          kOffline.constData(), 1, true);
    if (settings_.broker.tls) {
        // The system's authorities as OpenSSL reads them (on Linux the folder of hashed
        // certificates): libmosquitto's own "OS certificates" option refuses every connection
        // after the first.
        const platform::TrustedAuthorities system = settings_.caFile.isEmpty()
                                                        ? platform::systemTrustedAuthorities()
                                                        : platform::TrustedAuthorities{};
        const QByteArray caFile =
            settings_.caFile.isEmpty() ? system.file : QFile::encodeName(settings_.caFile);
        const int rc =
            mosquitto_tls_set(c->mosq, caFile.isEmpty() ? nullptr : caFile.constData(),
                              system.folder.isEmpty() ? nullptr : system.folder.constData(),
                              nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = QStringLiteral("MQTT certificate authorities %1: %2")
                         .arg(settings_.caFile.isEmpty() ? system.origin : settings_.caFile,
                              QString::fromUtf8(mosquitto_strerror(rc)));
            mosquitto_destroy(c->mosq);
            return false;
        }
    }
    mosquitto_connect_callback_set(c->mosq, &Connection::onConnect);
    mosquitto_publish_callback_set(c->mosq, &Connection::onPublish);
    mosquitto_message_callback_set(c->mosq, &Connection::onMessage);
    mosquitto_log_callback_set(c->mosq, &Connection::onLog);
    conn_ = std::move(c);
    setState(BrokerState::Connecting);
    if (willRc != MOSQ_ERR_SUCCESS) refused(willRc, will);
    conn_->thread = std::thread([c = conn_.get()] { c->run(); });
    return true;
}

void MqttPublisher::publishReading(const measure::Reading& reading) {
    if (stopped_ || settings_.intervalOnly) return;
    queue_.push({topics_.reading.toUtf8(), readingJson(reading)});
    pump();
}

void MqttPublisher::publishInterval(const measure::IntervalRow& row) {
    if (stopped_) return;
    queue_.push({topics_.interval.toUtf8(), intervalJson(row)});
    pump();
}

void MqttPublisher::publishAlarm(bool on) {
    if (stopped_) return;
    queue_.push({topics_.alarm.toUtf8(), on ? kAlarmOn : kAlarmOff, true});
    pump();
}

void MqttPublisher::announceAlarm() {
    if (stopped_ || settings_.alarmSensor) return;
    settings_.alarmSensor = true;
    if (connected_ && settings_.discovery)
        send(topics_.alarmDiscovery, alarmDiscoveryJson(settings_), true);
}

void MqttPublisher::publishDiscovery() {
    if (!settings_.discovery) return;
    for (const DiscoveryMessage& m : discoveryMessages(settings_)) send(m.topic, m.payload, true);
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
    publishDiscovery();
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

void MqttPublisher::onAcknowledged() {
    if (!stopped_) acknowledge(conn_->takeAcknowledged());
}

void MqttPublisher::acknowledge(const std::vector<int>& mids) {
    bool freed = false;
    for (const int mid : mids) freed = queue_.acknowledge(mid) || freed;
    if (freed) pump();
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
        const int rc = send(m->topic, m->payload, m->retain, &mid);
        if (rc == MOSQ_ERR_NO_CONN) return;  // the loss is on its way
        if (rc == MOSQ_ERR_SUCCESS)
            queue_.sent(mid);
        else
            queue_.dropNext();  // refused once, refused again: it would hold up the rest
    }
}

void MqttPublisher::publishAvailability() {
    if (connected_) send(topics_.availability, meterAnswering_ ? kOnline : kOffline, true);
}

int MqttPublisher::send(const QString& topic, const QByteArray& payload, bool retain, int* mid) {
    return send(topic.toUtf8(), payload, retain, mid);
}

int MqttPublisher::send(const QByteArray& t, const QByteArray& payload, bool retain, int* mid) {
    const int rc = mosquitto_publish(conn_->mosq, mid, t.constData(), int(payload.size()),
                                     payload.constData(), 1, retain);
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN) refused(rc, t);
    return rc;
}

void MqttPublisher::refused(int rc, const QByteArray& topic) {
    QString why = QString::fromUtf8(mosquitto_strerror(rc));
    if (why.endsWith(u'.')) why.chop(1);
    const QString reason =
        QStringLiteral("cannot publish on %1: %2").arg(printable(QString::fromUtf8(topic)), why);
    if (connected_) setState(BrokerState::Connected, reason);
    if (!refusalsSaid_.insert(rc).second) return;  // said once per cause
    emit notice(QStringLiteral("MQTT broker %1: %2; such messages are dropped")
                    .arg(settings_.broker.url(), reason));
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
    Connection& c = *conn_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    // What the broker acknowledges next, taken here: no event loop runs while this waits. Empty
    // at the deadline or when the connection is gone.
    auto awaitAcknowledged = [&] {
        std::unique_lock lock(c.m);
        c.cv.wait_until(lock, deadline, [&] { return !c.acked.empty() || !c.linkUp; });
        return std::exchange(c.acked, {});
    };
    if (connected_) {
        // The readings still queued (the last of a run among them) reach the broker first.
        acknowledge(c.takeAcknowledged());
        while (queue_.size() > 0) {
            const std::vector<int> mids = awaitAcknowledged();
            if (mids.empty()) break;
            acknowledge(mids);
        }
        int mid = 0;
        if (send(topics_.availability, kOffline, true, &mid) == MOSQ_ERR_SUCCESS)
            for (std::vector<int> mids; std::find(mids.begin(), mids.end(), mid) == mids.end();)
                if ((mids = awaitAcknowledged()).empty()) break;
    }
    stopped_ = true;
    connected_ = false;
    sayDropped();
    {
        std::lock_guard lock(c.m);
        c.stopping = true;
        c.disconnectBy = std::chrono::steady_clock::now() + Connection::kDisconnectWait;
    }
    c.cv.notify_all();
    // Queued for the loop, which sends it and then ends.
    mosquitto_disconnect(c.mosq);
    std::unique_lock lock(c.m);
    // A thread still inside a connection attempt (an unreachable broker) is left to the end of
    // the process rather than waited for.
    if (c.cv.wait_for(lock, Connection::kDisconnectWait + std::chrono::milliseconds(200),
                      [&] { return c.ended; })) {
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

}  // namespace publish
