// Readings published to a real mosquitto broker, started by the test on a free loopback port
// with a configuration the test writes, by the real program (no display) against the meter
// simulator, and read back by a real subscriber (mosquitto_sub); what only the publisher itself
// can be made to meet (a topic the library refuses, a broker that hangs) with the publisher.
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <arpa/inet.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../app/metersim.h"
#include "measure/datalog.h"
#include "publish/mqttpublisher.h"

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
    // With `tls`, a certificate for `certHost`; an `expired` one ended in 2020.
    explicit Broker(bool tls = false, const QString& certHost = "localhost", bool expired = false)
        : port_(LoopbackPort(0, false)) {
        QProcess::execute("mosquitto_passwd",
                          {"-b", "-c", dir_.filePath("passwd"), kUser, kPassword});
        QString conf = QStringLiteral(
                           "listener %1 127.0.0.1\nallow_anonymous false\npassword_file "
                           "%2/passwd\npersistence true\npersistence_location %2/\n"
                           "user root\n")
                           .arg(port_)
                           .arg(dir_.path());
        if (tls) {
            const QStringList key{"-newkey",
                                  "ec",
                                  "-pkeyopt",
                                  "ec_paramgen_curve:prime256v1",
                                  "-nodes",
                                  "-subj",
                                  "/CN=" + certHost,
                                  "-addext",
                                  "subjectAltName=DNS:" + certHost,
                                  "-keyout",
                                  dir_.filePath("key.pem")};
            if (!expired) {
                QProcess::execute(
                    "openssl", QStringList{"req", "-x509", "-days", "1", "-out", certFile()} + key);
            } else {  // only openssl ca backdates a certificate
                QFile ca(dir_.filePath("ca.conf"));
                QVERIFY(ca.open(QIODevice::WriteOnly));
                ca.write(
                    "[ca]\ndefault_ca=d\n[d]\ndatabase=index.txt\nnew_certs_dir=.\n"
                    "serial=serial\ndefault_md=sha256\npolicy=p\ncopy_extensions=copy\n"
                    "[p]\ncommonName=supplied\n[x]\nbasicConstraints=critical,CA:TRUE\n");
                ca.close();
                QFile(dir_.filePath("index.txt")).open(QIODevice::WriteOnly);
                QFile serial(dir_.filePath("serial"));
                QVERIFY(serial.open(QIODevice::WriteOnly) && serial.write("01\n") == 3);
                serial.close();
                QProcess::execute(
                    "openssl", QStringList{"req", "-new", "-out", dir_.filePath("req.pem")} + key);
                QProcess openssl;
                openssl.setWorkingDirectory(dir_.path());
                openssl.start("openssl", {"ca", "-batch", "-config", "ca.conf", "-extensions", "x",
                                          "-selfsign", "-keyfile", "key.pem", "-in", "req.pem",
                                          "-startdate", "20200101000000Z", "-enddate",
                                          "20200102000000Z", "-out", certFile()});
                QVERIFY(openssl.waitForFinished(10000) && openssl.exitCode() == 0);
            }
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
    void stop() {
        ::kill(pid_t(proc_.processId()), SIGCONT), proc_.terminate(), proc_.waitForFinished(10000);
    }
    void hang() { ::kill(pid_t(proc_.processId()), SIGSTOP); }  // up, but answering nothing
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
    // The payloads so far on the topics ending in `topicEnd` ("": every topic), in order.
    QByteArrayList payloads(const QByteArray& topicEnd) {
        out_ += proc_.readAllStandardOutput();
        QByteArrayList found;
        for (const QByteArray& line : out_.split('\n'))
            if (const qsizetype space = line.indexOf(' ');
                space > 0 && line.left(space).endsWith(topicEnd))
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

// Whether every CSV row has its message: the same fields and the identical time string (the
// reading is stamped once, and both are made from it).
bool EveryRowPublished(const QList<QStringList>& rows, const QByteArrayList& readings) {
    QList<QJsonObject> sent;
    for (const QByteArray& r : readings) sent.append(QJsonDocument::fromJson(r).object());
    return !rows.isEmpty() && std::all_of(rows.begin(), rows.end(), [&](const QStringList& row) {
        return std::any_of(sent.begin(), sent.end(), [&](const QJsonObject& o) {
            return o["time"] == row[0] && o["reading"] == row[2] &&
                   o["status"].toInt() == row[4].toInt() && o["record"] == row[5] &&
                   (row[3].isEmpty() ? o["value_mA"].isNull()
                                     : o["value_mA"].toDouble() == row[3].toDouble());
        });
    });
}

// The program's exit status and stderr for a run that ends before it reads the meter, with
// `conf` as its settings file.
std::pair<int, QString> EarlyEnd(const QStringList& args, const QByteArray& conf) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("leakmeter");
    QFile f(dir.filePath("leakmeter/leakmeter.conf"));
    if (!f.open(QIODevice::WriteOnly) || f.write("[mqtt]\nurl=mqtt://127.0.0.1:1\n" + conf) < 0)
        return {-1, "cannot write " + f.fileName()};
    f.close();
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    proc.setProcessEnvironment(env);
    proc.start(LEAKMETER_APP_PATH, QStringList{"--headless", "--port", "COM1=/dev/null"} + args);
    if (!proc.waitForFinished(10000)) return {-1, "still running after 10 s"};
    return {proc.exitCode(), QString::fromUtf8(proc.readAllStandardError())};
}

// Waits until `sub` hears what is published from now on (its subscription is in place), so that
// a message that is not kept (a removal's empty payload) cannot pass before it.
bool Listening(const Broker& broker, Subscriber& sub) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
        QProcess::execute("mosquitto_pub",
                          {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-u", kUser,
                           "-P", kPassword, "-t", "leakmeter/ready", "-m", "x"});
        if (QTest::qWaitFor([&] { return !sub.payloads("/ready").isEmpty(); }, 200)) return true;
    }
    return false;
}

// The publisher's settings for `broker`, meter m1.
publish::MqttSettings SettingsFor(const Broker& broker) {
    publish::MqttSettings s;
    QString why;
    s.broker = publish::parseBrokerUrl(broker.url(), &why).value();
    s.password = kPassword;
    s.meterId = "m1";
    return s;
}

bool IsConnected(const QSignalSpy& states) {
    return !states.isEmpty() &&
           states.last()[0].value<publish::BrokerState>() == publish::BrokerState::Connected;
}

// A publisher with what it says and the states it goes through recorded.
struct WatchedPublisher {
    explicit WatchedPublisher(const publish::MqttSettings& settings)
        : publisher(settings),
          notices(&publisher, &publish::MqttPublisher::notice),
          states(&publisher, &publish::MqttPublisher::stateChanged) {}
    publish::MqttPublisher publisher;
    QSignalSpy notices;
    QSignalSpy states;
};

QStringList Said(const QSignalSpy& notices, const QString& part) {
    QStringList lines;
    for (const QList<QVariant>& n : notices) lines << n[0].toString();
    return lines.filter(part);
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
    void discoveryConfigsFollowWhatEachRunHas();
    void aThresholdSetLaterAnnouncesTheAlarm();
    void theLastReadingOfACountedRunReachesTheBroker();
    void stopDeliversEveryQueuedReadingBeforeOffline();
    void settingsThatCannotWorkEndTheRunAtOnce_data();
    void settingsThatCannotWorkEndTheRunAtOnce();
    void aMessageTheLibraryRefusesIsSaidOnce();
    void aHungBrokerIsSaidToHaveStoppedAnswering();
    void aRefusedCertificateSaysWhy_data();
    void aRefusedCertificateSaysWhy();
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

void TstMqtt::discoveryConfigsFollowWhatEachRunHas() {
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    QVERIFY(Listening(broker, sub));
    MeterSim sim({"--wave", "ramp", "--period", "2"});
    // The configs `sub` has received, by their entity; removed ones (empty) left out.
    const auto configsOf = [](Subscriber& sub) {
        QMap<QString, QJsonObject> configs;
        for (const QByteArray& line : sub.payloads("/config"))
            if (const QJsonObject o = QJsonDocument::fromJson(line).object(); !o.isEmpty())
                configs.insert(o["unique_id"].toString().section('_', 2), o);
        return configs;
    };

    // A threshold and interval rows, only those published: the interval figures announced, the
    // current removed, no message per reading.
    Logger plant(sim, broker.url(),
                 {"--alarm", "5mA", "--interval", "1", "--mqtt-interval-only", "--count", "6"});
    QVERIFY(plant.proc.waitForFinished(30000) && plant.proc.exitCode() == 0);
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("/availability").endsWith("offline"), 10000);
    QVERIFY(!sub.payloads("/interval").isEmpty());
    QCOMPARE(sub.payloads("/reading"), QByteArrayList());
    QCOMPARE(sub.payloads("/current/config"), QByteArrayList{""});
    // What Home Assistant gets when it starts: the retained configs.
    Subscriber first(broker, {"--retained-only"});
    QTRY_COMPARE_WITH_TIMEOUT(configsOf(first).keys(),
                              (QStringList{"alarm", "interval_max", "interval_mean", "overload"}),
                              10000);
    QMap<QString, QJsonObject> configs = configsOf(first);
    // The entity ids earlier versions made through object_id, now with their domain.
    QCOMPARE(configs["interval_max"]["default_entity_id"].toString(),
             "sensor.leakmeter_m1_interval_max");
    QCOMPARE(configs["alarm"]["default_entity_id"].toString(), "binary_sensor.leakmeter_m1_alarm");
    QVERIFY(!configs["alarm"].contains("object_id"));
    QCOMPARE(configs["interval_mean"]["state_topic"].toString(), "leakmeter/m1/interval");
    QCOMPARE(configs["interval_mean"]["state_class"].toString(), "measurement");
    QCOMPARE(configs["overload"]["state_topic"].toString(), "leakmeter/m1/interval");

    // A plain run after it: the alarm and the interval figures removed by an empty retained
    // message, so that they do not stay "unknown"; the current announced again, with the
    // reading's text and status as its attributes.
    Logger plain(sim, broker.url(), {"--count", "2"});
    QVERIFY(plain.proc.waitForFinished(30000) && plain.proc.exitCode() == 0);
    QTRY_COMPARE_WITH_TIMEOUT(sub.payloads("/reading").size(), 2, 10000);
    for (const char* removed : {"/alarm/config", "/interval_max/config", "/interval_mean/config"})
        QCOMPARE(sub.payloads(removed).last(), "");
    Subscriber second(broker, {"--retained-only"});
    QTRY_COMPARE_WITH_TIMEOUT(configsOf(second).keys(), (QStringList{"current", "overload"}),
                              10000);
    configs = configsOf(second);
    QCOMPARE(configs["current"]["json_attributes_topic"].toString(), "leakmeter/m1/reading");
    QCOMPARE(configs["current"]["default_entity_id"].toString(), "sensor.leakmeter_m1_current");
    QCOMPARE(configs["overload"]["state_topic"].toString(), "leakmeter/m1/reading");
}

// The window's alarm box: the first threshold typed after the connection.
void TstMqtt::aThresholdSetLaterAnnouncesTheAlarm() {
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    QVERIFY(Listening(broker, sub));
    publish::MqttPublisher publisher(SettingsFor(broker));
    QString error;
    QVERIFY(publisher.start(&error));
    QTRY_COMPARE_WITH_TIMEOUT(sub.payloads("/alarm/config"), QByteArrayList{""}, 10000);
    publisher.announceAlarm();
    QTRY_COMPARE_WITH_TIMEOUT(sub.payloads("/alarm/config").size(), 2, 10000);
    QVERIFY(sub.payloads("/alarm/config")[1].contains(R"("device_class":"problem")"));
}

void TstMqtt::theLastReadingOfACountedRunReachesTheBroker() {
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    MeterSim sim({"--wave", "ramp"});
    Logger logger(sim, broker.url(), {"--count", "4"});
    QVERIFY(logger.proc.waitForFinished(30000) && logger.proc.exitCode() == 0);
    // "offline" goes out after every reading is acknowledged, and arrives after them.
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("/availability").endsWith("offline"), 10000);
    QCOMPARE(logger.rows().size(), 4);
    QCOMPARE(sub.payloads("/reading").size(), 4);
    QVERIFY(EveryRowPublished(logger.rows(), sub.payloads("/reading")));
}

void TstMqtt::stopDeliversEveryQueuedReadingBeforeOffline() {
    Broker broker;
    QVERIFY(broker.start());
    Subscriber sub(broker);
    publish::MqttPublisher publisher(SettingsFor(broker));
    QString error;
    QVERIFY(publisher.start(&error));
    // The retained "offline" of a meter not yet answering: connected, and heard.
    QTRY_VERIFY_WITH_TIMEOUT(!sub.payloads("/availability").isEmpty(), 10000);
    // More than the connection takes before acknowledgements: most are still queued at stop().
    constexpr int kReadings = 3 * publish::MqttPublisher::kInFlightWindow;
    for (int i = 0; i < kReadings; ++i)
        publisher.publishReading(measure::DataLogClock::system().take({0x00, quint8(i), 0x17}));
    publisher.stop();
    // A message of another client after the stop: the broker publishes a will as soon as it sees
    // the connection close, so one would come before it.
    QCOMPARE(
        QProcess::execute("mosquitto_pub",
                          {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-u", kUser,
                           "-P", kPassword, "-q", "1", "-t", "leakmeter/after-stop", "-m", "end"}),
        0);
    QTRY_VERIFY_WITH_TIMEOUT(sub.payloads("").endsWith("end"), 10000);
    // Every reading (each once at least: a connection lost on a loaded machine sends again what
    // was not acknowledged), then the stop's "offline", and no will: the stop disconnected.
    const QByteArrayList readings = sub.payloads("/reading");
    QCOMPARE(QSet<QByteArray>(readings.begin(), readings.end()).size(), kReadings);
    QCOMPARE(sub.payloads("").mid(sub.payloads("").size() - 3),
             (QByteArrayList{readings.last(), "offline", "end"}));
}

// How the program ends on each kind of fault; the rules themselves are tst_publishparts's.
void TstMqtt::settingsThatCannotWorkEndTheRunAtOnce_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("conf");  // the settings file's [mqtt] section, after url=
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::newRow("topic with a control character")
        << QStringList{"--mqtt-topic", "plant\001x"} << QByteArray() << 2
        << "--mqtt-topic plant<U+0001>x: U+0001 (character 6) is a control character";
    QTest::newRow("settings file's topic") << QStringList() << QByteArray("topic=$SYS/x\n") << 2
                                           << "settings file [mqtt] topic=$SYS/x: topics "
                                              "starting with $ are the broker's own";
    QTest::newRow("settings file's meter id") << QStringList() << QByteArray("meter_id=a b\n") << 2
                                              << "settings file [mqtt] meter_id=a b";
    QTest::newRow("password file a named pipe")
        << QStringList{"--mqtt-password-file", "FIFO"} << QByteArray() << 1
        << "it is a named pipe, not a regular file";
}

void TstMqtt::settingsThatCannotWorkEndTheRunAtOnce() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, conf);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    args.replaceInStrings(QRegularExpression("^FIFO$"), fifo);
    const auto [code, err] = EarlyEnd(args, conf);
    QVERIFY2(err.contains(said), qPrintable(err));
    QCOMPARE(code, exitCode);
}

void TstMqtt::aMessageTheLibraryRefusesIsSaidOnce() {
    Broker broker;
    QVERIFY(broker.start());
    publish::MqttSettings settings = SettingsFor(broker);
    settings.topicPrefix = "bad\001";  // past the checks the program makes
    WatchedPublisher p(settings);
    QString error;
    QVERIFY(p.publisher.start(&error));
    QTRY_VERIFY_WITH_TIMEOUT(IsConnected(p.states), 10000);
    for (int i = 0; i < 3; ++i)
        p.publisher.publishReading(measure::DataLogClock::system().take({0x00, 0x2A, 0x17}));
    const QStringList said = Said(p.notices, "cannot publish on bad<U+0001>/m1/");
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains("Malformed UTF-8; such messages are dropped"), qPrintable(said[0]));
    QVERIFY(IsConnected(p.states));  // and the tooltip says why nothing arrives
    QVERIFY(p.states.last()[1].toString().startsWith("cannot publish on bad<U+0001>/m1/"));
}

void TstMqtt::aHungBrokerIsSaidToHaveStoppedAnswering() {
    Broker broker;
    QVERIFY(broker.start());
    publish::MqttSettings settings = SettingsFor(broker);
    settings.keepAliveSec = 5;  // the shortest libmosquitto takes
    WatchedPublisher p(settings);
    QString error;
    QVERIFY(p.publisher.start(&error));
    QTRY_VERIFY_WITH_TIMEOUT(IsConnected(p.states), 10000);
    broker.hang();
    QTRY_COMPARE_WITH_TIMEOUT(Said(p.notices, "MQTT broker"),
                              QStringList{"MQTT broker " + broker.url() +
                                          ": stopped answering for 5 s; "
                                          "trying again"},
                              20000);
}

void TstMqtt::aRefusedCertificateSaysWhy_data() {
    QTest::addColumn<QString>("certHost");
    QTest::addColumn<bool>("expired");
    QTest::addColumn<QString>("reason");
    QTest::newRow("another host's") << "other.example" << false << "hostname mismatch";
    QTest::newRow("expired") << "localhost" << true << "certificate has expired";
}

void TstMqtt::aRefusedCertificateSaysWhy() {
    QFETCH(QString, certHost);
    QFETCH(bool, expired);
    QFETCH(QString, reason);
    Broker broker(true, certHost, expired);
    QVERIFY(broker.start());
    MeterSim sim;
    Logger logger(sim, broker.url("mqtts", "localhost"),
                  {"--mqtt-cafile", broker.certFile(), "--count", "2"});
    QVERIFY(logger.proc.waitForFinished(30000) && logger.proc.exitCode() == 0);
    const QString err = QString::fromLocal8Bit(logger.proc.readAllStandardError());
    QVERIFY2(err.contains("certificate verify failed: " + reason + ")"), qPrintable(err));
}

QTEST_GUILESS_MAIN(TstMqtt)
#include "tst_mqtt.moc"
