// The publisher's plain parts: the broker URL, the default meter id, the settings from their
// three places, the reading message, the discovery configs (their templates rendered by Jinja,
// the engine Home Assistant renders them with), and the queue that waits for the broker's
// acknowledgements.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "publish/mqttsettings.h"
#include "publish/publishqueue.h"
#include "publish/readingjson.h"

using namespace publish;

namespace {

const QDateTime kTime(QDate(2026, 12, 8), QTime(17, 31, 2, 517), QTimeZone(8 * 3600));

// Each template of `cases` (template, message) rendered as Home Assistant renders a discovery
// config's templates, with the message as value_json; in one run of python3, whose start with
// jinja2 takes longer than the rendering. Empty when python3 with jinja2 is not there.
QStringList renderAll(const QList<std::pair<QString, QByteArray>>& cases) {
    QJsonArray input;
    for (const auto& [jinja, message] : cases)
        input.append(QJsonArray{jinja, QString::fromUtf8(message)});
    QProcess python;
    python.start("python3", {"-c",
                             "import sys, json, jinja2\n"
                             "env = jinja2.Environment()\n"
                             "json.dump([env.from_string(t).render(value_json=json.loads(m))\n"
                             "           for t, m in json.load(sys.stdin)], sys.stdout)\n"});
    python.write(QJsonDocument(input).toJson());
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0) return {};
    QStringList out;
    for (const QJsonValue& v : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        out << v.toString();
    return out;
}

QJsonObject config(const QList<DiscoveryMessage>& messages, const QString& what) {
    for (const DiscoveryMessage& m : messages)
        if (m.topic.section('/', -2, -2) == what)
            return QJsonDocument::fromJson(m.payload).object();
    return {};
}

}  // namespace

class TstPublishParts : public QObject {
    Q_OBJECT
  private slots:
    void brokerUrl_data();
    void brokerUrl();
    void topicsAreCheckedWholeAsMqttRulesThem_data();
    void topicsAreCheckedWholeAsMqttRulesThem();
    void passwordFileIsOnlyASmallRegularFile_data();
    void passwordFileIsOnlyASmallRegularFile();
    void defaultMeterIdPrefersTheStableName();
    void settingsComeFromTheCommandLineThenTheFile();
    void readingJsonHasTheLogsColumns();
    void discoveryTemplatesRenderTheMessages_data();
    void discoveryTemplatesRenderTheMessages();
    void queueWaitsForAcknowledgements();
    void queueDropsTheOldestPastItsBound();
};

void TstPublishParts::brokerUrl_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("parsed");  // as messages give it back; empty: refused
    QTest::addColumn<QString>("why");     // part of the reason when refused
    QTest::newRow("default port") << "mqtt://broker.lan"
                                  << "mqtt://broker.lan:1883"
                                  << "";
    QTest::newRow("user and port") << "mqtt://ha@10.0.0.5:1884"
                                   << "mqtt://ha@10.0.0.5:1884"
                                   << "";
    QTest::newRow("TLS") << "mqtts://broker"
                         << "mqtts://broker:8883"
                         << "";
    QTest::newRow("IPv6") << "mqtt://[::1]:1883"
                          << "mqtt://[::1]:1883"
                          << "";
    QTest::newRow("IPv6, TLS, default port") << "mqtts://u@[fe80::1]"
                                             << "mqtts://u@[fe80::1]:8883"
                                             << "";
    QTest::newRow("IPv6 without brackets") << "mqtt://::1:1883"
                                           << ""
                                           << "expected mqtt://";
    QTest::newRow("white space") << "mqtt://u ser@broker"
                                 << ""
                                 << "expected mqtt://";
    QTest::newRow("a path") << "mqtt://broker/x"
                            << ""
                            << "expected mqtt://";
    QTest::newRow("port out of range") << "mqtt://broker:70000"
                                       << ""
                                       << "port";
    QTest::newRow("password in the URL") << "mqtt://u:pw@broker"
                                         << ""
                                         << "--mqtt-password-file";
}

void TstPublishParts::brokerUrl() {
    QFETCH(QString, url);
    QFETCH(QString, parsed);
    QFETCH(QString, why);
    QString said;
    const std::optional<BrokerAddress> b = parseBrokerUrl(url, &said);
    QCOMPARE(b ? b->url() : QString(), parsed);
    QVERIFY2(b || said.contains(why), qPrintable(said));
}

void TstPublishParts::topicsAreCheckedWholeAsMqttRulesThem_data() {
    QTest::addColumn<QString>("topic");   // --mqtt-topic
    QTest::addColumn<QString>("stored");  // the settings file's topic
    QTest::addColumn<QString>("error");   // part of it; empty: accepted
    // The longest topic is PREFIX/m1/availability: 16 bytes more than the prefix.
    const QString longest(kMaxTopicBytes - 16, u'p');
    QTest::newRow("plain levels") << "plant/hall2"
                                  << ""
                                  << "";
    QTest::newRow("longest prefix") << longest << ""
                                    << "";
    QTest::newRow("one byte too long") << longest + "p"
                                       << ""
                                       << "--mqtt-topic ppp";  // the message shows the start only
    QTest::newRow("too long in UTF-8 bytes, not in characters")
        << QString(longest.size() / 2 + 1, u'é') << ""
        << "65536 bytes long";
    QTest::newRow("control character") << "plant\001x"
                                       << ""
                                       << "U+0001 (character 6)";
    QTest::newRow("line break") << "plant\nx"
                                << ""
                                << "U+000A";
    QTest::newRow("C1 control") << QString("a") + QChar(0x85) << ""
                                << "U+0085 (character 2)";
    QTest::newRow("delete") << "a\x7f"
                            << ""
                            << "U+007F";
    QTest::newRow("non-character U+FFFE") << QString(QChar(0xFFFE)) << ""
                                          << "non-character";
    QTest::newRow("non-character U+FDD0") << QString(QChar(0xFDD0)) << ""
                                          << "non-character";
    QTest::newRow("non-character of plane 1") << QString::fromUcs4(U"a\U0001FFFF") << ""
                                              << "U+1FFFF (character 2) is a non-character";
    QTest::newRow("astral character") << QString::fromUcs4(U"a\U0001F600") << ""
                                      << "";
    QTest::newRow("bytes that were not UTF-8") << QString::fromUtf8("a\xff") << ""
                                               << "not well-formed UTF-8";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << ""
                                    << "not well-formed UTF-8";
    QTest::newRow("broker's own") << "$SYS/x"
                                  << ""
                                  << "starting with $";
    QTest::newRow("wildcard") << "plant/+"
                              << ""
                              << "no + or #";
    QTest::newRow("settings file") << ""
                                   << "plant\tx"
                                   << "settings file [mqtt] topic=plant<U+0009>x";
}

void TstPublishParts::topicsAreCheckedWholeAsMqttRulesThem() {
    QFETCH(QString, topic);
    QFETCH(QString, stored);
    QFETCH(QString, error);
    MqttOptions given;
    given.topic = topic;
    given.meterId = "m1";
    QString said;
    SettingsFault fault = SettingsFault::None;
    const auto s = resolveMqttSettings(given, {{"url", "mqtt://b"}, {"topic", stored}}, "", "h",
                                       "/dev/x", &said, &fault);
    QVERIFY2(said.contains(error), qPrintable(said));
    QCOMPARE(bool(s), error.isEmpty());
    QCOMPARE(fault, error.isEmpty() ? SettingsFault::None : SettingsFault::WrongValue);
    if (!error.isEmpty()) QVERIFY(said.size() < 300);  // the value is not repeated whole
}

void TstPublishParts::passwordFileIsOnlyASmallRegularFile_data() {
    QTest::addColumn<QString>("file");   // relative: made in a temporary folder
    QTest::addColumn<QString>("error");  // part of it; empty: read
    QTest::newRow("4 KiB") << "4096"
                           << "";
    QTest::newRow("one byte more") << "4097"
                                   << "over 4096 bytes";
#ifdef Q_OS_UNIX
    QTest::newRow("named pipe") << "fifo"
                                << "named pipe";  // opening it would wait for a writer
    QTest::newRow("endless device") << "/dev/zero"
                                    << "device";
#endif
    QTest::newRow("folder") << "/"
                            << "folder";
    QTest::newRow("missing") << "/nonexistent/pw"
                             << "No such file";
}

void TstPublishParts::passwordFileIsOnlyASmallRegularFile() {
    QFETCH(QString, file);
    QFETCH(QString, error);
    QTemporaryDir dir;
    if (file == "fifo") {  // a row of POSIX systems only
#ifdef Q_OS_UNIX
        file = dir.filePath(file);
        QVERIFY(::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
#endif
    } else if (!file.startsWith('/')) {
        QFile f(dir.filePath("pw"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(file.toInt(), 'x')) > 0);
        file = f.fileName();
    }
    MqttOptions given;
    given.passwordFile = file;
    QString said;
    SettingsFault fault = SettingsFault::None;
    const auto s =
        resolveMqttSettings(given, {{"url", "mqtt://b"}}, "", "h", "/dev/x", &said, &fault);
    QVERIFY2(said.contains(error), qPrintable(said));
    QCOMPARE(fault, error.isEmpty() ? SettingsFault::None : SettingsFault::UnreadablePassword);
    if (s) QCOMPARE(s->password.size(), 4096);
}

void TstPublishParts::defaultMeterIdPrefersTheStableName() {
#ifdef Q_OS_WIN
    QSKIP("a port's stable name is a link under Linux's /dev/serial/by-id");
#endif
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyUSB0");
    QVERIFY(QFile(device).open(QIODevice::WriteOnly) && QDir(dir.path()).mkdir("by-id"));
    QVERIFY(QFile::link(device, dir.filePath("by-id/usb-FTDI_A502.85BI-if00")));
    QCOMPARE(defaultMeterId("plant.lan", device, dir.filePath("by-id")),
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
        resolveMqttSettings(given, stored, "env", "h", "/dev/x", &error);
    QVERIFY(s && error.isEmpty());
    QCOMPARE(QStringList({s->broker.url(), s->meterId, s->password}),
             QStringList({"mqtt://stored:1", "given-id", "env"}));
    given.passwordFile = file.fileName();
    QCOMPARE(resolveMqttSettings(given, stored, "env", "h", "/dev/x", &error)->password,
             "from-file");
}

void TstPublishParts::readingJsonHasTheLogsColumns() {
    const QDateTime time = kTime;
    QCOMPARE(readingJson(measure::takeReading({0x00, 0x2A, 0x17}, time, 0)),
             R"({"time":"2026-12-08T17:31:02.517+08:00","reading":"-42mA","value_mA":-42,)"
             R"("status":23,"record":"002A17"})");
    QCOMPARE(readingJson(measure::takeReading({0x00, 0x00, 0x09}, time, 0)),  // overload: no value
             R"({"time":"2026-12-08T17:31:02.517+08:00","reading":"0L","value_mA":null,)"
             R"("status":9,"record":"000009"})");
}

void TstPublishParts::discoveryTemplatesRenderTheMessages_data() {
    QTest::addColumn<QString>("out");       // the template rendered
    QTest::addColumn<QString>("expected");  // an object in JSON: attributes, in any order
    const QByteArray value = readingJson(measure::takeReading({0x00, 0x2A, 0x17}, kTime, 0));
    const QByteArray overload = readingJson(measure::takeReading({0x00, 0x00, 0x09}, kTime, 0));
    measure::IntervalRow row;
    row.start = kTime;
    row.end = kTime.addSecs(60);
    row.count = 120;
    row.minMa = -42;
    row.maxMa = 171900;
    row.sumMa = 1433.125 * 119;
    row.valued = 119;
    row.overloads = 1;
    const QByteArray interval = intervalJson(row);
    row.overloads = 0;
    const QByteArray calm = intervalJson(row);
    struct Case {
        const char* name;
        bool intervalOnly;  // only interval rows published
        const char* entity;
        const char* key;     // the config's template
        QByteArray message;  // on its state or attributes topic
        QString expected;
    };
    const QList<Case> cases = {
        {"current", false, "current", "value_template", value, "-42"},
        {"current of 0L: unknown", false, "current", "value_template", overload, "None"},
        {"reading's attributes", false, "current", "json_attributes_template", overload,
         R"({"reading": "0L", "status": 9})"},
        {"overload off", false, "overload", "value_template", value, "OFF"},
        {"overload on", false, "overload", "value_template", overload, "ON"},
        {"interval max", false, "interval_max", "value_template", interval, "171900"},
        {"interval mean", false, "interval_mean", "value_template", interval, "1433.125"},
        {"interval's attributes", false, "interval_mean", "json_attributes_template", interval,
         R"({"min_mA": -42, "count": 120, "overloads": 1, "errors": 0})"},
        {"overload in the interval", true, "overload", "value_template", interval, "ON"},
        {"no overload in the interval", true, "overload", "value_template", calm, "OFF"},
    };
    QList<std::pair<QString, QByteArray>> templates;
    for (const Case& c : cases) {
        MqttSettings s;
        s.meterId = "m1";
        s.intervalSensors = true;
        s.intervalOnly = c.intervalOnly;
        const QString jinja = config(discoveryMessages(s), c.entity)[c.key].toString();
        QVERIFY2(!jinja.isEmpty(), c.name);
        templates.append({jinja, c.message});
    }
    const QStringList out = renderAll(templates);
    if (out.isEmpty()) QSKIP("python3 with jinja2 is not installed (scripts/install-deps.sh)");
    QCOMPARE(out.size(), cases.size());
    for (qsizetype i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name) << out[i] << cases[i].expected;
}

void TstPublishParts::discoveryTemplatesRenderTheMessages() {
    QFETCH(QString, out);
    QFETCH(QString, expected);
    if (expected.startsWith('{'))
        QCOMPARE(QJsonDocument::fromJson(out.toUtf8()), QJsonDocument::fromJson(expected.toUtf8()));
    else
        QCOMPARE(out, expected);
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
