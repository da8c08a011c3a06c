// The logger unit's command line run as systemd runs it (the settings files read in the unit's
// order, $$ and %% made $ and %, %f the device) against the meter simulator; systemd's own check
// of the unit is tst_package's. PID 1 here is not systemd, so the service itself is not started:
// the shell reads the settings files, and reads double-quoted values (the form the example file
// uses) as systemd does.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "metersim.h"

namespace {

const QString kUnit = QStringLiteral(LEAKMETER_UNIT_PATH);

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool writeText(const QString& path, const QString& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
}

// The unit's values of `key`, in order, with its specifiers for `instance` expanded.
QStringList unitValues(const QString& key, const QString& instance, const QString& device) {
    QStringList values;
    for (QString line : readText(kUnit).split('\n'))
        if (line.startsWith(key + '=')) {
            line = line.mid(key.size() + 1);
            line.replace("%%", QChar(0xE000)).replace("%i", instance).replace("%f", device);
            values << line.replace(QChar(0xE000), "%");
        }
    return values;
}

// The instance name of `device`, as systemd-escape --path makes it; empty without the tool.
QString instanceOf(const QString& device) {
    QProcess p;
    p.start("systemd-escape", {"--path", device});
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

}  // namespace

class TstLoggerUnit : public QObject {
    Q_OBJECT
  private slots:
    void settingsReachTheLogger_data();
    void settingsReachTheLogger();
};

void TstLoggerUnit::settingsReachTheLogger_data() {
    QTest::addColumn<QString>("shared");  // /etc/leakmeter/logger.conf; null: no file
    QTest::addColumn<QString>("meter");   // /etc/leakmeter/INSTANCE.conf; null: no file
    QTest::addColumn<QString>("said");    // a line stderr must hold
    QTest::addColumn<bool>("published");  // a broker is named
    QTest::addColumn<int>("alarms");      // lines the alarm command wrote
    // The alarm command writes its event's name to alarms.txt in the state folder.
    const QString onAlarm = R"(--alarm 0.5mA --on-alarm 'echo \$LEAKMETER_EVENT >> alarms.txt')";
    QTest::newRow("no settings file: logged only")
        << QString() << QString() << "logging to" << false << 0;
    QTest::newRow("the meter's file wins")
        << "LEAKMETER_MQTT_URL=\"mqtt://127.0.0.1:1\"\nLEAKMETER_ARGS=\"--meter-id plant\"\n"
        << "LEAKMETER_ARGS=\"--meter-id hall1 " + onAlarm + "\"\n"
        << "publishing to mqtt://127.0.0.1:1 as meter id hall1" << true << 2;
    QTest::newRow("an empty broker in the meter's file: none")
        << "LEAKMETER_MQTT_URL=\"mqtt://127.0.0.1:1\"\n"
        << "LEAKMETER_MQTT_URL=\"\"\nLEAKMETER_ARGS=\"" + onAlarm + "\"\n"
        << "logging to" << false << 2;
}

void TstLoggerUnit::settingsReachTheLogger() {
    QFETCH(QString, shared);
    QFETCH(QString, meter);
    QFETCH(QString, said);
    QFETCH(bool, published);
    QFETCH(int, alarms);
    MeterSim sim;  // 12.5 mA throughout: an alarm from the first reading to the run's end
    QVERIFY(sim.ok());
    const QString instance = instanceOf(sim.link());
    if (instance.isEmpty()) QSKIP("systemd-escape is not installed (it names the meter's file)");
    QTemporaryDir dir;
    const QString etc = dir.filePath("etc/leakmeter"), state = dir.filePath("state");
    QVERIFY(QDir().mkpath(etc) && QDir().mkpath(state));
    if (!shared.isNull()) QVERIFY(writeText(etc + "/logger.conf", shared));
    if (!meter.isNull()) QVERIFY(writeText(etc + "/" + instance + ".conf", meter));

    // The settings files in the unit's order, those missing skipped ("-"), then its command.
    QString reader = "set -a\n";
    for (QString file : unitValues("EnvironmentFile", instance, sim.link())) {
        QVERIFY(file.startsWith("-/etc/leakmeter/"));
        file = etc + file.mid(int(qstrlen("-/etc/leakmeter")));
        reader += QStringLiteral("if [ -e '%1' ]; then . '%1'; fi\n").arg(file);
    }
    const QStringList exec = unitValues("ExecStart", instance, sim.link());
    QCOMPARE(exec.size(), 1);
    static const QRegularExpression shell(R"(^/bin/sh -c '([^']*)' (\S+)$)");
    QRegularExpressionMatch m = shell.match(exec[0]);
    QVERIFY2(m.hasMatch(), qPrintable(exec[0]));
    const QString script = m.captured(1).replace("$$", "$");
    // The count ends the run (exported, as every variable of the files is).
    reader +=
        "LEAKMETER_ARGS=\"$LEAKMETER_ARGS --count 4\"\nset +a\nexec /bin/sh -c \"$1\" \"$2\"\n";

    QProcess logger;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.insert("XDG_CONFIG_HOME", dir.path());  // no settings of the user's
    env.insert("STATE_DIRECTORY", state);
    env.insert("PATH", QFileInfo(LEAKMETER_PATH).path() + ":" + env.value("PATH"));
    logger.setProcessEnvironment(env);
    logger.setWorkingDirectory(state);
    logger.start("/bin/sh", {"-c", reader, "sh", script, m.captured(2)});
    QVERIFY(logger.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(logger.readAllStandardError());
    QVERIFY2(logger.exitCode() == 0 && err.contains(said), qPrintable(err));
    QCOMPARE(err.contains("publishing to"), published);

    // One file a day, named by the day of its rows.
    const QStringList logs = QDir(state).entryList({"readings-*.csv"}, QDir::Files, QDir::Name);
    QVERIFY2(!logs.isEmpty(), qPrintable(err));
    int rows = 0;
    for (const QString& log : logs) {
        if (log.endsWith(".events.csv")) continue;
        const QStringList lines = readText(state + "/" + log).split("\r\n", Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 2);
        QCOMPARE(log, "readings-" + lines[1].left(10).remove('-') + ".csv");
        rows += int(lines.size()) - 1;
    }
    QCOMPARE(rows, 4);
    // The quoted alarm command arrived as one argument: it ran, once per event.
    QCOMPARE(readText(state + "/alarms.txt").split('\n', Qt::SkipEmptyParts).size(), alarms);
}

QTEST_GUILESS_MAIN(TstLoggerUnit)
#include "tst_loggerunit.moc"
