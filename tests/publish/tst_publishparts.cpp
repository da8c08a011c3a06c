// The publisher's plain parts: the broker URL, the default meter id, the settings from their
// three places, the reading message, and the queue that waits for the broker's acknowledgements.
#include <QtTest>

#include "publish/mqttsettings.h"
#include "publish/publishqueue.h"
#include "publish/readingjson.h"

using namespace publish;

class TstPublishParts : public QObject {
    Q_OBJECT
  private slots:
    void brokerUrl_data();
    void brokerUrl();
    void defaultMeterIdPrefersTheStableName();
    void settingsComeFromTheCommandLineThenTheFile();
    void readingJsonHasTheLogsColumns();
    void queueWaitsForAcknowledgements();
    void queueDropsTheOldestPastItsBound();
};

void TstPublishParts::brokerUrl_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("parsed");  // as messages give it back; empty: refused
    QTest::newRow("default port") << "mqtt://broker.lan"
                                  << "mqtt://broker.lan:1883";
    QTest::newRow("user and port") << "mqtt://ha@10.0.0.5:1884"
                                   << "mqtt://ha@10.0.0.5:1884";
    QTest::newRow("TLS") << "mqtts://broker"
                         << "mqtts://broker:8883";
    QTest::newRow("IPv6") << "mqtt://[::1]:1883"
                          << "mqtt://::1:1883";
    QTest::newRow("port out of range") << "mqtt://broker:70000"
                                       << "";
    QTest::newRow("password in the URL") << "mqtt://u:pw@broker"
                                         << "";
}

void TstPublishParts::brokerUrl() {
    QFETCH(QString, url);
    QFETCH(QString, parsed);
    QString why;
    const std::optional<BrokerAddress> b = ParseBrokerUrl(url, &why);
    QCOMPARE(b ? b->url() : QString(), parsed);
}

void TstPublishParts::defaultMeterIdPrefersTheStableName() {
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyUSB0");
    QVERIFY(QFile(device).open(QIODevice::WriteOnly) && QDir(dir.path()).mkdir("by-id"));
    QVERIFY(QFile::link(device, dir.filePath("by-id/usb-FTDI_A502.85BI-if00")));
    QCOMPARE(DefaultMeterId("plant.lan", device, dir.filePath("by-id")),
             "plant-usb-FTDI_A502_85BI-if00");
}

void TstPublishParts::settingsComeFromTheCommandLineThenTheFile() {
    QTemporaryDir dir;
    QFile file(dir.filePath("password"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("from-file\nsecond line\n") > 0);
    file.close();
    const QMap<QString, QString> stored{{"url", "mqtt://stored:1"}, {"meter_id", "stored-id"}};
    QString error;
    MqttOptions given;
    given.meterId = "given-id";
    std::optional<MqttSettings> s =
        ResolveMqttSettings(given, stored, "env", "h", "/dev/x", &error);
    QVERIFY(s && error.isEmpty());
    QCOMPARE(QStringList({s->broker.url(), s->meterId, s->password}),
             QStringList({"mqtt://stored:1", "given-id", "env"}));
    given.passwordFile = file.fileName();
    QCOMPARE(ResolveMqttSettings(given, stored, "env", "h", "/dev/x", &error)->password,
             "from-file");
}

void TstPublishParts::readingJsonHasTheLogsColumns() {
    const QDateTime time(QDate(2026, 12, 8), QTime(17, 31, 2, 517), QTimeZone(8 * 3600));
    QCOMPARE(ReadingJson({0x00, 0x2A, 0x17}, time),
             R"({"time":"2026-12-08T17:31:02.517+08:00","reading":"-42mA","value_mA":-42,)"
             R"("status":23,"record":"002A17"})");
    QCOMPARE(ReadingJson({0x00, 0x00, 0x09}, time),  // overload: no value
             R"({"time":"2026-12-08T17:31:02.517+08:00","reading":"0L","value_mA":null,)"
             R"("status":9,"record":"000009"})");
}

void TstPublishParts::queueWaitsForAcknowledgements() {
    PublishQueue q;
    for (const char* p : {"a", "b", "c"}) q.push({"t", p});
    q.sent(11);                 // "a"
    q.sent(12);                 // "b"
    QVERIFY(!q.nextToSend(2));  // the window is full
    QVERIFY(q.acknowledge(12));
    q.resendAll();  // the connection is lost: "a" goes again, first
    QCOMPARE(q.nextToSend(2)->payload, "a");
    q.sent(21);
    QVERIFY(!q.acknowledge(11));  // from before the loss
    QVERIFY(q.acknowledge(21));
    QCOMPARE(q.nextToSend(2)->payload, "c");
}

void TstPublishParts::queueDropsTheOldestPastItsBound() {
    PublishQueue q(3);
    for (const char* p : {"a", "b", "c", "d", "e"}) q.push({"t", p});
    QCOMPARE(q.takeDropped(), 2);
    QCOMPARE(q.takeDropped(), 0);  // said once
    QCOMPARE(q.nextToSend(20)->payload, "c");
}

QTEST_GUILESS_MAIN(TstPublishParts)
#include "tst_publishparts.moc"
