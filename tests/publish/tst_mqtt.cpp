// Readings published to a real mosquitto broker, started by the test on a free loopback port
// with a configuration the test writes, by the real program (no display) against the meter
// simulator, and read back by a real subscriber (mosquitto_sub).
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <arpa/inet.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "../app/metersim.h"

namespace {

const QString kUser = "leak", kPassword = "s3cret-pw";

// Binds (port 0: a free one) or connects a loopback socket; the port, or 0 when that failed.
int LoopbackPort(int port, bool connectTo) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, htons(quint16(port)), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t len = sizeof a;
    auto* sa = reinterpret_cast<sockaddr*>(&a);
    const bool ok = connectTo ? ::connect(fd, sa, len) == 0
                              : ::bind(fd, sa, len) == 0 && ::getsockname(fd, sa, &len) == 0;
    ::close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

// mosquitto with a password file (and a certificate for TLS), its state kept across a restart.
class Broker {
  public:
    explicit Broker(bool tls = false) : port_(LoopbackPort(0, false)) {
        QProcess::execute("mosquitto_passwd",
                          {"-b", "-c", dir_.filePath("passwd"), kUser, kPassword});
        QString conf = QStringLiteral(
                           "listener %1 127.0.0.1\nallow_anonymous false\npassword_file "
                           "%2/passwd\npersistence true\npersistence_location %2/\n"
                           "user root\n")
                           .arg(port_)
                           .arg(dir_.path());
        if (tls) {
            QProcess::execute(
                "openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                            "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj",
                            "/CN=localhost", "-addext", "subjectAltName=DNS:localhost", "-keyout",
                            dir_.filePath("key.pem"), "-out", certFile()});
            conf += "certfile " + certFile() + "\nkeyfile " + dir_.filePath("key.pem") + "\n";
        }
        QFile f(dir_.filePath("mosquitto.conf"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(conf.toUtf8()) > 0);
    }
    ~Broker() { stop(); }
    bool start() {
        proc_.start("mosquitto", {"-c", dir_.filePath("mosquitto.conf")});
        QElapsedTimer t;
        t.start();
        while (!LoopbackPort(port_, true) && t.elapsed() < 10000) QTest::qWait(20);
        return LoopbackPort(port_, true);
    }
    void stop() { proc_.terminate(), proc_.waitForFinished(10000); }
    QString url(const QString& scheme = "mqtt", const QString& host = "127.0.0.1") const {
        return QStringLiteral("%1://%2@%3:%4").arg(scheme, kUser, host).arg(port_);
    }
    int port() const { return port_; }
    QString certFile() const { return dir_.filePath("cert.pem"); }

  private:
    QTemporaryDir dir_;
    int port_;
    QProcess proc_;
};

// mosquitto_sub on every topic the program publishes on, each message a line "TOPIC PAYLOAD".
class Subscriber {
  public:
    explicit Subscriber(const Broker& broker, const QStringList& extra = {}) {
        proc_.start("mosquitto_sub",
                    QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-u",
                                kUser, "-P", kPassword, "-q", "1", "-t", "leakmeter/#", "-t",
                                "homeassistant/#", "-F", "%t %p"} +
                        extra);
    }
    ~Subscriber() { proc_.kill(), proc_.waitForFinished(3000); }
    // The payloads so far on the topics ending in `topicEnd`.
    QByteArrayList payloads(const QByteArray& topicEnd) {
        out_ += proc_.readAllStandardOutput();
        QByteArrayList found;
        for (const QByteArray& line : out_.split('\n'))
            if (const qsizetype space = line.indexOf(' '); line.left(space).endsWith(topicEnd))
                found.append(line.mid(space + 1));
        return found;
    }

  private:
    QProcess proc_;
    QByteArray out_;
};

// The program as a headless logger publishing as meter "m1", with its CSV log.
class Logger {
  public:
    Logger(const MeterSim& sim, const QString& url, const QStringList& extra = {},
           const QString& password = kPassword) {
        QVERIFY(sim.ok());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.insert("XDG_CONFIG_HOME", dir_.path());
        env.insert("LEAKMETER_MQTT_PASSWORD", password);
        proc.setProcessEnvironment(env);
        proc.start(LEAKMETER_APP_PATH,
                   QStringList{"--headless", "--port", sim.portMapping(), "--log",
                               dir_.filePath("l.csv"), "--mqtt", url, "--meter-id", "m1"} +
                       extra);
    }
    ~Logger() { proc.kill(), proc.waitForFinished(3000); }
    QList<QStringList> rows() const {  // each split into its columns
        QFile f(dir_.filePath("l.csv"));
        QList<QStringList> out;
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& line : f.readAll().split('\n').mid(1))
                if (line.endsWith('\r')) out.append(QString::fromUtf8(line.chopped(1)).split(','));
        return out;
    }
    QProcess proc;

  private:
    QTemporaryDir dir_;
};

// Whether every CSV row has its message: the same fields and time (the row and the message each
// read the clock, a few milliseconds apart at most).
bool EveryRowPublished(const QList<QStringList>& rows, const QByteArrayList& readings) {
    QList<QJsonObject> sent;
    for (const QByteArray& r : readings) sent.append(QJsonDocument::fromJson(r).object());
    return !rows.isEmpty() && std::all_of(rows.begin(), rows.end(), [&](const QStringList& row) {
        const QDateTime t = QDateTime::fromString(row[0], Qt::ISODateWithMs);
        return std::any_of(sent.begin(), sent.end(), [&](const QJsonObject& o) {
            return qAbs(QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs).msecsTo(t)) <
                       50 &&
                   o["reading"] == row[2] && o["status"].toInt() == row[4].toInt() &&
                   o["record"] == row[5] &&
                   (row[3].isEmpty() ? o["value_mA"].isNull()
                                     : o["value_mA"].toDouble() == row[3].toDouble());
        });
    });
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
    void alarmStateAndIntervalRowsArePublished();
};

void TstMqtt::readingsArriveInOrderWithTheLogsFields() {
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    MeterSim sim({"--wave", "ramp"});
    Logger logger(sim, broker.url());
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("/reading").size() >= 6, 30000);
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(logger.proc.processId()));
    QVERIFY(cmdline.open(QIODevice::ReadOnly) && !cmdline.readAll().contains(kPassword.toUtf8()));

    ::kill(pid_t(logger.proc.processId()), SIGTERM);
    QVERIFY(logger.proc.waitForFinished(10000) && logger.proc.exitCode() == 0);
    QTRY_COMPARE_WITH_TIMEOUT(
        sub.payloads("/availability").value(-1 + sub.payloads("/availability").size()), "offline",
        10000);  // said before the end
    const QByteArrayList readings = sub.payloads("/reading");
    QVERIFY(EveryRowPublished(logger.rows(), readings));
    QCOMPARE(readings.size(), logger.rows().size());
    for (qsizetype i = 1; i < readings.size(); ++i)
        QVERIFY(readings[i] > readings[i - 1]);  // by time

    // A newcomer gets the discovery config and the availability, both retained.
    Subscriber later(broker, {"--retained-only"});
    QTRY_COMPARE_WITH_TIMEOUT(later.payloads("/current/config").size(), 1, 10000);
    QVERIFY(later.payloads("/current/config")[0].contains(R"("device_class":"current")"));
    QTRY_COMPARE_WITH_TIMEOUT(later.payloads("/availability"), QByteArrayList{"offline"}, 10000);
}

void TstMqtt::readingsOfABrokerOutageArriveAfterIt() {
    // The broker is away for ten readings (5 s): the reconnect's back-off has reached 4 s by then,
    // so a longer outage shows nothing more.
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker, {"-c", "-i", "outage-watcher"});  // its session outlives the restart
    MeterSim sim;
    Logger logger(sim, broker.url());
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("/reading").size() >= 2, 30000);
    broker.stop();
    const qsizetype before = logger.rows().size();
    QTRY_VERIFY_WITH_TIMEOUT(logger.rows().size() >= before + 10, 30000);
    QVERIFY(broker.start());
    QTRY_VERIFY_WITH_TIMEOUT(
        EveryRowPublished(logger.rows().mid(0, before + 10), sub.payloads("/reading")), 60000);
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
    Logger logger(sim, broker.url());
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("/availability").contains("online"), 30000);
    killed ? logger.proc.kill() : sim.pause();
    QTRY_COMPARE_WITH_TIMEOUT(sub.payloads("/availability").last(), "offline", 15000);
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
    QVERIFY(!brokerRuns || broker.start());
    MeterSim sim;
    // Eight readings take 4 s: three tries at the broker (after 0, 1 and 3 s).
    Logger logger(sim, broker.url(), {"--count", "8"}, "wrong");
    QVERIFY(logger.proc.waitForFinished(30000) && logger.proc.exitCode() == 0);
    QCOMPARE(logger.rows().size(), 8);
    const QStringList said = QString::fromLocal8Bit(logger.proc.readAllStandardError())
                                 .split('\n')
                                 .filter("MQTT broker " + broker.url());
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains(reason), qPrintable(said[0]));
}

void TstMqtt::publishesOverTls() {
    Broker broker(true);
    QVERIFY(broker.start());
    Subscriber sub(broker, {"--cafile", broker.certFile(), "-h", "localhost"});
    MeterSim sim;
    Logger logger(sim, broker.url("mqtts", "localhost"), {"--mqtt-cafile", broker.certFile()});
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("/reading").size() >= 2, 30000);
}

void TstMqtt::alarmStateAndIntervalRowsArePublished() {
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    MeterSim sim({"--wave", "ramp", "--period", "2"});  // 0 to 12.5 mA every 2 s
    Logger logger(sim, broker.url(), {"--alarm", "5mA", "--interval", "1"});
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("/alarm").size() >= 3, 30000);
    QCOMPARE(sub.payloads("/alarm").mid(0, 3), (QByteArrayList{"OFF", "ON", "OFF"}));
    QTRY_VERIFY_WITH_TIMEOUT(!sub.payloads("/interval").isEmpty(), 10000);
    const QJsonObject row = QJsonDocument::fromJson(sub.payloads("/interval")[0]).object();
    QCOMPARE(row.keys(), (QStringList{"count", "end", "errors", "max_mA", "mean_mA", "min_mA",
                                      "overloads", "start"}));
    QVERIFY(row["count"].toInt() >= 1 && row["max_mA"].toDouble() >= row["min_mA"].toDouble());
    QVERIFY(sub.payloads("/alarm/config").value(0).contains(R"("device_class":"problem")"));
}

QTEST_GUILESS_MAIN(TstMqtt)
#include "tst_mqtt.moc"
