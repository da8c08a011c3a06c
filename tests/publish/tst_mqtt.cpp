// Readings published to a real mosquitto broker, started by the test on a free loopback port
// with a configuration the test writes, by the real program (no display) against the meter
// simulator, and read back by a real subscriber (mosquitto_sub).
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../app/metersim.h"

namespace {

const QString kUser = QStringLiteral("leak");
const QString kPassword = QStringLiteral("s3cret-pw");

// A loopback port nobody listens on right now.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// Runs a set-up tool to its end, its output discarded.
void RunQuietly(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// mosquitto with a password file (and a certificate for TLS), keeping its state in `dir`
// across a restart.
class Broker {
  public:
    explicit Broker(bool tls = false) : port_(FreePort()) {
        RunQuietly("mosquitto_passwd", {"-b", "-c", dir_.filePath("passwd"), kUser, kPassword});
        QByteArray conf = QStringLiteral(
                              "listener %1 127.0.0.1\nallow_anonymous false\n"
                              "password_file %2\npersistence true\n"
                              "persistence_location %3/\nuser root\n")
                              .arg(port_)
                              .arg(dir_.filePath("passwd"), dir_.path())
                              .toUtf8();
        if (tls) {
            RunQuietly("openssl",
                       {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                        "/CN=localhost", "-addext", "subjectAltName=DNS:localhost", "-keyout",
                        dir_.filePath("key.pem"), "-out", certFile()});
            conf += "certfile " + certFile().toUtf8() + "\nkeyfile " +
                    dir_.filePath("key.pem").toUtf8() + "\n";
        }
        WriteFile(dir_.filePath("mosquitto.conf"), conf);
    }
    ~Broker() { stop(); }
    bool start() {
        proc_.start("mosquitto", {"-c", dir_.filePath("mosquitto.conf")});
        QElapsedTimer t;
        t.start();
        while (!Accepts(port_) && t.elapsed() < 10000) QTest::qWait(20);
        return Accepts(port_);
    }
    void stop() {
        proc_.terminate();
        proc_.waitForFinished(10000);
    }
    int port() const { return port_; }
    QString certFile() const { return dir_.filePath("cert.pem"); }

  private:
    QTemporaryDir dir_;
    int port_;
    QProcess proc_;
};

struct Message {
    bool retained;
    QString topic;
    QByteArray payload;
};

// mosquitto_sub on every topic the program publishes on; a lasting session with `clientId`.
class Subscriber {
  public:
    Subscriber(const Broker& broker, const QStringList& extra = {}) {
        proc_.start("mosquitto_sub",
                    QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-u",
                                kUser, "-P", kPassword, "-q", "1", "-t", "leakmeter/#", "-t",
                                "homeassistant/#", "-F", "%r %t %p"} +
                        extra);
    }
    ~Subscriber() {
        proc_.kill();
        proc_.waitForFinished(3000);
    }
    QList<Message> messages() {
        buffer_ += proc_.readAllStandardOutput();
        QList<Message> out;
        for (const QByteArray& line : buffer_.split('\n')) {
            const QList<QByteArray> p = line.split(' ');
            if (p.size() >= 3)
                out.append({p[0] == "1", QString::fromUtf8(p[1]),
                            line.mid(p[0].size() + p[1].size() + 2)});
        }
        return out;
    }
    QList<QJsonObject> readings() {
        QList<QJsonObject> out;
        for (const Message& m : messages())
            if (m.topic.endsWith("/reading"))
                out.append(QJsonDocument::fromJson(m.payload).object());
        return out;
    }
    QStringList availability() {
        QStringList out;
        for (const Message& m : messages())
            if (m.topic.endsWith("/availability")) out.append(QString::fromUtf8(m.payload));
        return out;
    }

  private:
    QProcess proc_;
    QByteArray buffer_;
};

// The program as a headless logger publishing as meter "m1", its CSV log in its own folder.
class Logger {
  public:
    Logger(const MeterSim& sim, const QString& url, const QStringList& extra = {},
           const QString& password = kPassword) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.insert("XDG_CONFIG_HOME", dir_.path());
        env.insert("LEAKMETER_MQTT_PASSWORD", password);
        proc_.setProcessEnvironment(env);
        proc_.start(LEAKMETER_APP_PATH,
                    QStringList{"--headless", "--port", sim.portMapping(), "--log", csv(), "--mqtt",
                                url, "--meter-id", "m1"} +
                        extra);
    }
    ~Logger() {
        proc_.kill();
        proc_.waitForFinished(3000);
    }
    QString csv() const { return dir_.filePath("readings.csv"); }
    // The rows so far, each split into its columns.
    QList<QStringList> rows() const {
        QFile f(csv());
        QList<QStringList> out;
        if (!f.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : f.readAll().split('\n').mid(1))
            if (line.endsWith('\r')) out.append(QString::fromUtf8(line.chopped(1)).split(','));
        return out;
    }
    QString err() { return stderr_ += QString::fromLocal8Bit(proc_.readAllStandardError()); }
    QProcess& process() { return proc_; }

  private:
    QTemporaryDir dir_;
    QProcess proc_;
    QString stderr_;
};

QString Url(const Broker& b, const QString& host = "127.0.0.1", const char* scheme = "mqtt") {
    return QStringLiteral("%1://%2@%3:%4").arg(scheme, kUser, host).arg(b.port());
}

// Whether every CSV row has its message: the same time (the two take the clock apart, within
// a few milliseconds) and the same fields.
bool EveryRowPublished(const QList<QStringList>& rows, const QList<QJsonObject>& readings) {
    for (const QStringList& row : rows) {
        const QDateTime t = QDateTime::fromString(row[0], Qt::ISODateWithMs);
        const bool found = std::any_of(readings.begin(), readings.end(), [&](const QJsonObject& o) {
            const QJsonValue v = o["value_mA"];
            return qAbs(QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs).msecsTo(t)) <
                       50 &&
                   o["reading"].toString() == row[2] &&
                   (row[3].isEmpty() ? v.isNull() : v.toDouble() == row[3].toDouble()) &&
                   o["status"].toInt() == row[4].toInt() && o["record"].toString() == row[5];
        });
        if (!found) return false;
    }
    return !rows.isEmpty();
}

}  // namespace

class TstMqtt : public QObject {
    Q_OBJECT
  private slots:
    void readingsArriveInOrderWithTheLogsFields();
    void readingsOfABrokerOutageArriveAfterIt();
    void availabilityGoesOffline_data();
    void availabilityGoesOffline();
    void brokerFailuresAreSaidOnceAndTheLogGoesOn_data();
    void brokerFailuresAreSaidOnceAndTheLogGoesOn();
    void publishesOverTls();
};

void TstMqtt::readingsArriveInOrderWithTheLogsFields() {
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    MeterSim sim({"--wave", "ramp"});
    QVERIFY(sim.ok());
    Logger logger(sim, Url(broker));
    QTRY_VERIFY_WITH_TIMEOUT(sub.readings().size() >= 6, 30000);
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(logger.process().processId()));
    QVERIFY(cmdline.open(QIODevice::ReadOnly));
    QVERIFY(!cmdline.readAll().contains(kPassword.toUtf8()));

    ::kill(pid_t(logger.process().processId()), SIGTERM);
    QVERIFY(logger.process().waitForFinished(10000));
    QCOMPARE(logger.process().exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(sub.availability().value(sub.availability().size() - 1), "offline",
                              10000);
    QTRY_VERIFY_WITH_TIMEOUT(EveryRowPublished(logger.rows(), sub.readings()), 10000);
    const QList<QJsonObject> readings = sub.readings();
    for (qsizetype i = 1; i < readings.size(); ++i)
        QVERIFY(readings[i]["time"].toString() > readings[i - 1]["time"].toString());
    QCOMPARE(readings.size(), logger.rows().size());

    // A newcomer gets the discovery config and the availability, both retained.
    Subscriber later(broker);
    QTRY_COMPARE_WITH_TIMEOUT(later.messages().size(), 2, 10000);
    QStringList topics;
    for (const Message& m : later.messages()) {
        QVERIFY(m.retained);
        topics << m.topic;
    }
    QVERIFY(topics.contains("homeassistant/sensor/leakmeter_m1/current/config"));
    QCOMPARE(later.availability(), QStringList{"offline"});
}

void TstMqtt::readingsOfABrokerOutageArriveAfterIt() {
    // The broker is away for ten readings (5 s): the reconnect's back-off has reached 4 s by
    // then, so a longer outage shows nothing more.
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker, {"-c", "-i", "outage-watcher"});  // its session outlives the restart
    MeterSim sim;
    QVERIFY(sim.ok());
    Logger logger(sim, Url(broker));
    QTRY_VERIFY_WITH_TIMEOUT(sub.readings().size() >= 2, 30000);
    broker.stop();
    const qsizetype before = logger.rows().size();
    QTRY_VERIFY_WITH_TIMEOUT(logger.rows().size() >= before + 10, 30000);
    QVERIFY(broker.start());
    QTRY_VERIFY_WITH_TIMEOUT(EveryRowPublished(logger.rows().mid(0, before + 10), sub.readings()),
                             60000);
}

void TstMqtt::availabilityGoesOffline_data() {
    QTest::addColumn<bool>("killed");  // else the meter falls silent
    QTest::newRow("the meter falls silent") << false;
    QTest::newRow("the program is killed (last will)") << true;
}

void TstMqtt::availabilityGoesOffline() {
    QFETCH(bool, killed);
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    MeterSim sim;
    QVERIFY(sim.ok());
    Logger logger(sim, Url(broker));
    QTRY_VERIFY_WITH_TIMEOUT(sub.availability().contains("online"), 30000);
    if (killed)
        logger.process().kill();
    else
        sim.pause();
    QTRY_COMPARE_WITH_TIMEOUT(sub.availability().last(), "offline", 15000);
}

void TstMqtt::brokerFailuresAreSaidOnceAndTheLogGoesOn_data() {
    QTest::addColumn<bool>("brokerRuns");
    QTest::addColumn<QString>("reason");
    QTest::newRow("wrong password") << true << "not authorised";
    QTest::newRow("unreachable broker") << false << "Connection refused";
}

void TstMqtt::brokerFailuresAreSaidOnceAndTheLogGoesOn() {
    QFETCH(bool, brokerRuns);
    QFETCH(QString, reason);
    Broker broker;
    if (brokerRuns) QVERIFY(broker.start());
    MeterSim sim;
    QVERIFY(sim.ok());
    // Eight readings take 4 s: three tries at the broker (0, 1 and 3 s).
    Logger logger(sim, Url(broker), {"--count", "8"}, "wrong");
    QVERIFY(logger.process().waitForFinished(30000));
    QCOMPARE(logger.process().exitCode(), 0);
    QCOMPARE(logger.rows().size(), 8);
    const QStringList said = logger.err().split('\n').filter("MQTT broker " + Url(broker));
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains(reason), qPrintable(said[0]));
}

void TstMqtt::publishesOverTls() {
    Broker broker(true);
    QVERIFY(broker.start());
    Subscriber sub(broker, {"--cafile", broker.certFile(), "-h", "localhost"});
    MeterSim sim;
    QVERIFY(sim.ok());
    Logger logger(sim, Url(broker, "localhost", "mqtts"), {"--mqtt-cafile", broker.certFile()});
    QTRY_VERIFY_WITH_TIMEOUT(sub.readings().size() >= 2, 30000);
}

QTEST_GUILESS_MAIN(TstMqtt)
#include "tst_mqtt.moc"
