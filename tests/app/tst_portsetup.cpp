// From the command line to the port map of a run: options read into their fields, the
// meter found among pseudo-terminals played by the simulator, the mapping remembered
// for the next start, forgotten and listed by the real program.

#include <QProcess>
#include <QTest>

#include "app/commandline.h"
#include "app/portsetup.h"
#include "measure/alarmvalue.h"
#include "metersim.h"
#include "serial/portmemory.h"

#include <unistd.h>

namespace {

// Time the simulator has to answer: generous, so a loaded machine does not fail the test.
constexpr int kAnswerMs = 1500;

// The parsed fields as one line, so a table row states all of them.
QString Summary(const app::CommandLine& cl) {
    QStringList s;
    if (cl.headless) s << "headless";
    if (!cl.logPath.isEmpty()) s << "log=" + cl.logPath;
    if (cl.durationSec) s << "duration=" + QString::number(*cl.durationSec);
    if (cl.count) s << "count=" + QString::number(*cl.count);
    if (!cl.historyPath.isEmpty()) s << "history=" + cl.historyPath;
    if (cl.alarmMa) s << "alarm=" + QString::number(*cl.alarmMa) + "mA";
    if (cl.alarmBox)  // as the window's alarm box shows it
        s << "box=" + cl.alarmBox->number +
                 (cl.alarmBox->unit == measure::AlarmUnit::Ampere ? "A" : "mA");
    if (cl.comNumber) s << "com=" + QString::number(*cl.comNumber);
    if (!cl.onAlarm.isEmpty()) s << "on-alarm=" + cl.onAlarm;
    if (cl.intervalSec) s << "interval=" + QString::number(cl.intervalSec);
    if (cl.listPorts) s << "list";
    if (cl.forgetPorts) s << "forget";
    if (cl.showVersion) s << "version";
    if (!cl.plotPaths.isEmpty()) s << "plot=" + cl.plotPaths.join(',') + " o=" + cl.plotOutput;
    if (cl.plotFrom && cl.plotTo)
        s << "hours=" + QString::number((*cl.plotTo - *cl.plotFrom) / 3.6e6);
    s << cl.ports.mappingTexts();
    for (auto it = cl.autoPorts.constBegin(); it != cl.autoPorts.constEnd(); ++it)
        s << QStringLiteral("COM%1=auto[%2]").arg(it.key()).arg(it->join(','));
    return s.join(' ');
}

}  // namespace

class TstPortSetup : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void options_data();
    void options();
    void brokerOptionsNeedABroker_data();
    void brokerOptionsNeedABroker();
    void autoFindsTheMeterAndRemembersIt();
    void autoWithNoAnswerKeepsTheDefault();
    void autoNamesTheDialoutGroupForADeniedDevice();
    void listingShowsAMappedPseudoTerminal();

  private:
    QTemporaryDir config_;
};

void TstPortSetup::initTestCase() {
    QVERIFY(config_.isValid());
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());  // the program runs inherit it
    QVERIFY(serial::rememberedPortsFile().startsWith(config_.path()));
}

void TstPortSetup::init() {
    QVERIFY(serial::forgetPorts());
}

void TstPortSetup::options_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("summary");  // the fields set
    QTest::addColumn<QString>("error");    // part of the error text; empty = accepted
    auto row = [](const char* name, QStringList args, const char* summary, const char* error = "") {
        args.prepend("leakmeter");
        QTest::newRow(name) << args << QString::fromUtf8(summary) << QString::fromUtf8(error);
    };
    row("nothing", {}, "");
    row("headless logger",
        {"--headless", "--port", "COM1=/dev/ttyUSB0", "--log", "-", "--duration", "90.5",
         "--count=20"},
        "headless log=- duration=90.5 count=20 COM1=/dev/ttyUSB0");
    row("window with a log", {"--log", "/tmp/a.csv"}, "log=/tmp/a.csv");
    row("history alone runs without a window", {"--history=out.txt"}, "headless history=out.txt");
    row("one-shot commands", {"--list-ports", "--forget-ports", "--version"},
        "list forget version");
    row("auto, every device", {"--port", "com2=AUTO"}, "COM2=auto[]");
    row("auto, listed devices", {"--port", "COM1=auto: /dev/pts/3 ,/dev/pts/4,/dev/pts/3"},
        "COM1=auto[/dev/pts/3,/dev/pts/4]");
    row("a later device replaces auto", {"--port", "COM1=auto", "--port", "COM1=/dev/ttyS4"},
        "COM1=/dev/ttyS4");
    row("a later auto replaces a device", {"--port", "COM1=/dev/ttyS4", "--port=COM1=auto"},
        "COM1=auto[]");
    row("auto with an empty list", {"--port", "COM1=auto:"}, "", "no empty entry");
    row("auto with an empty entry", {"--port", "COM1=auto:/dev/a,,/dev/b"}, "", "no empty entry");
    row("log without a name", {"--log="}, "", "--log needs a file name");
    row("log to stdout in the window", {"--log", "-"}, "", "needs --headless");
    row("duration in the window", {"--duration", "10"}, "", "--duration needs --headless");
    row("count in the window", {"--count", "10"}, "", "--count needs --headless");
    row("duration zero", {"--headless", "--duration", "0"}, "", "--duration 0");
    row("duration not a number", {"--headless", "--duration", "1,5"}, "", "--duration 1,5");
    row("duration infinite", {"--headless", "--duration", "inf"}, "", "--duration inf");
    row("duration above a year", {"--headless", "--duration", "1e9"}, "", "at most one year");
    row("count zero", {"--headless", "--count", "0"}, "", "--count 0");
    row("count negative", {"--headless", "--count", "-3"}, "", "--count -3");
    row("count fraction", {"--headless", "--count", "2.5"}, "", "--count 2.5");
    row("count without a value", {"--headless", "--count"}, "", "--count needs a value");
    row("history to stdout", {"--history", "-"}, "", "--history needs a file name");
    row("history with a log", {"--history", "h.csv", "--log", "l.csv"}, "", "cannot be combined");
    row("flag with a value", {"--headless=yes"}, "", "--headless takes no value");
    row("unknown option", {"--baud", "9600"}, "", "unknown argument: --baud");
    row("port without '='", {"--port", "COM1"}, "",
        "--port COM1: invalid port mapping \"COM1\": no '=' (expected COMn=device)");
    row("port not COMn", {"--port", "S1=/dev/x"}, "",
        "\"S1=/dev/x\": the port must be written COMn (expected COMn=device)");
    row("port number 0", {"--port", "COM0=/dev/x"}, "",
        "\"COM0=/dev/x\": port number must be 1 to 255 (expected COMn=device)");
    row("plot",
        {"--plot", "a.csv", "b.csv", "-o", "day.png", "--alarm", "0.03A", "--from",
         "2026-12-08T03:00", "--to", "2026-12-08 04:30:00"},
        "alarm=30mA box=0.03A plot=a.csv,b.csv o=day.png hours=1.5");
    row("plot without a picture", {"--plot", "a.csv"}, "", "--plot needs -o FILE");
    row("plot with the logger", {"--plot", "a.csv", "-o", "a.png", "--headless"}, "",
        "cannot be combined");
    row("picture without plot", {"-o", "a.png"}, "", "-o needs --plot");
    row("plot from after to",
        {"--plot", "a.csv", "-o", "a.png", "--from", "2026-12-08", "--to", "2026-12-07"}, "",
        "--from must be earlier than --to");
    row("plot from not a time", {"--plot", "a.csv", "-o", "a.png", "--from", "3am"}, "",
        "--from 3am: expected a local date and time");
    row("port without a device", {"--port", "COM1="}, "", "\"COM1=\": no device (expected");
    row("broker URL not mqtt", {"--mqtt", "http://broker"}, "", "--mqtt http://broker: expected");
    row("meter id with a space", {"--meter-id", "panel 3"}, "", "--meter-id panel 3: expected");
    row("topic with a wildcard", {"--mqtt-topic", "plant/#"}, "", "--mqtt-topic plant/#:");
    row("alarm, its command and intervals",
        {"--headless", "--log=-", "--alarm", "30mA", "--on-alarm", "notify-send x", "--interval",
         "60"},
        "headless log=- alarm=30mA box=30mA on-alarm=notify-send x interval=60");
    row("alarm in ampere, the window's typed threshold may come later",
        {"--alarm=0.03 a", "--on-alarm", "true"}, "alarm=30mA box=0.03A on-alarm=true");
    row("alarm as a bare number", {"--alarm", " 1.50 "}, "alarm=1.5mA box=1.50mA");
    row("alarm above the window's range", {"--alarm", "1001A"}, "",
        "--alarm 1001A: expected a current above 0, at most 1000 A, such as 30mA or 0.03A");
    row("alarm zero", {"--alarm", "0"}, "",
        "--alarm 0: expected a current above 0, at most 1000 A");
    // The command line takes every port a mapping may name; the settings dialog only 1 to 16.
    row("com above the dialog's list", {"--com", "17"}, "com=17");
    row("com, the highest", {"--com", "COM255", "--port", "COM255=/dev/ttyUSB9"},
        "com=255 COM255=/dev/ttyUSB9");
    row("com above the highest", {"--com", "256"}, "",
        "--com 256: expected a port number from 1 to 255");
    row("history report text, any case", {"--history", "Groups.TXT"},
        "headless history=Groups.TXT");
    row("history as a picture", {"--history", "x.pdf"}, "",
        "--history x.pdf: expected a file name ending in .txt or .csv");
    row("headless command without a threshold", {"--headless", "--on-alarm", "true"}, "",
        "--on-alarm needs --alarm");
    row("headless interval without a log", {"--headless", "--interval", "10"}, "",
        "--interval needs --log");
}

void TstPortSetup::options() {
    QFETCH(QStringList, args);
    QFETCH(QString, summary);
    QFETCH(QString, error);
    const app::CommandLine cl = app::parseCommandLine(args);
    if (error.isEmpty()) {
        QVERIFY2(cl.error.isEmpty(), qPrintable(cl.error));
        QCOMPARE(Summary(cl), summary);
    } else {
        QVERIFY2(cl.error.contains(error), qPrintable(cl.error));
    }
}

// The broker options that do nothing without a broker (or without TLS) are refused, whether
// the broker is named by --mqtt or by the settings file; the meter's name is not one of them.
void TstPortSetup::brokerOptionsNeedABroker_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("storedUrl");  // the settings file's [mqtt] url
    QTest::addColumn<QString>("error");      // empty: accepted
    const QString none = QStringLiteral(
        " needs a broker: --mqtt URL, or url in the settings "
        "file's section [mqtt]");
    auto row = [](const char* name, QStringList args, const char* stored, const QString& error) {
        args.prepend("leakmeter");
        QTest::newRow(name) << args << QString::fromUtf8(stored) << error;
    };
    row("topic alone", {"--mqtt-topic", "plant"}, "", "--mqtt-topic" + none);
    row("no discovery alone", {"--no-mqtt-discovery"}, "", "--no-mqtt-discovery" + none);
    row("CA file alone", {"--mqtt-cafile", "ca.pem"}, "", "--mqtt-cafile" + none);
    row("password file alone", {"--mqtt-password-file=pw"}, "", "--mqtt-password-file" + none);
    row("meter id alone", {"--meter-id", "panel3"}, "", "");
    row("topic, broker in the settings file", {"--mqtt-topic", "plant", "--no-mqtt-discovery"},
        "mqtt://broker.lan", "");
    row("CA file without TLS", {"--mqtt", "mqtt://b.lan", "--mqtt-cafile", "ca.pem"}, "",
        "--mqtt-cafile needs a TLS broker (mqtts://), not mqtt://b.lan");
    row("CA file, settings file's broker without TLS", {"--mqtt-cafile", "ca.pem"}, "mqtt://b.lan",
        "--mqtt-cafile needs a TLS broker (mqtts://), not mqtt://b.lan");
    row("CA file, the command line's TLS broker wins", {"--mqtt=mqtts://b", "--mqtt-cafile=c"},
        "mqtt://b.lan", "");
}

void TstPortSetup::brokerOptionsNeedABroker() {
    QFETCH(QStringList, args);
    QFETCH(QString, storedUrl);
    QFETCH(QString, error);
    QCOMPARE(app::parseCommandLine(args, storedUrl).error, error);
}

void TstPortSetup::autoFindsTheMeterAndRemembersIt() {
    MeterSim silent({"--silent-for", "3600"});
    MeterSim meter;
    QVERIFY(silent.ok() && meter.ok());
    const app::CommandLine cl = app::parseCommandLine(
        {"leakmeter", "--port", "COM1=auto:" + silent.link() + "," + meter.link()});
    QVERIFY(cl.error.isEmpty());
    QStringList messages;
    QCOMPARE(app::resolvePorts(cl, &messages, {}, kAnswerMs).deviceFor(1), meter.link());
    QCOMPARE(messages, QStringList{"leakmeter: COM1=auto: meter found on " + meter.link()});
    QCOMPARE(silent.countOf(0x05), 1);  // greeted, and passed over

    // The next start without --port reaches the meter the same way.
    messages.clear();
    const serial::PortMap next = app::resolvePorts(app::parseCommandLine({"leakmeter"}), &messages);
    QCOMPARE(next.deviceFor(1), meter.link());
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains("remembered") && messages[0].contains("--forget-ports"));

    // --forget-ports on the real program clears it.
    QProcess program;
    program.start(QStringLiteral(LEAKMETER_PATH), {"--forget-ports"});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(serial::rememberedPorts().isEmpty());
    QCOMPARE(app::resolvePorts(app::parseCommandLine({"leakmeter"}), nullptr).deviceFor(1),
             QStringLiteral("/dev/ttyS0"));
}

void TstPortSetup::autoWithNoAnswerKeepsTheDefault() {
    serial::PortMap earlier;
    earlier.addMapping(QStringLiteral("COM1=/dev/ttyUSB7"));
    QVERIFY(serial::rememberPorts(earlier));
    MeterSim silent({"--silent-for", "3600"});
    QVERIFY(silent.ok());
    QStringList messages;
    const serial::PortMap map = app::resolvePorts(
        app::parseCommandLine({"leakmeter", "--port", "COM1=auto:" + silent.link()}), &messages);
    QCOMPARE(map.deviceFor(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(messages, QStringList{"leakmeter: COM1=auto: no meter answered at 9600,N,8,1 on " +
                                   silent.link() + " (no answer); COM1 stays /dev/ttyS0"});
    // Nothing found, nothing remembered: the earlier mapping stays.
    QCOMPARE(serial::rememberedPorts().mappingTexts(), earlier.mappingTexts());
}

void TstPortSetup::autoNamesTheDialoutGroupForADeniedDevice() {
    MeterSim sim;
    QVERIFY(sim.ok());
    const QString device = QFileInfo(sim.link()).symLinkTarget();
    QVERIFY(QFile::setPermissions(device, {}));  // mode 000
    QStringList args{LEAKMETER_PATH, "--headless", "--duration", "0.2"};
    args.append({"--port", "COM1=auto:" + device});
    if (::geteuid() == 0)  // root opens any device: run as an ordinary user
        args = QStringList{"runuser", "-u", "nobody", "--"} + args;
    QProcess run;
    run.start(args.takeFirst(), args);
    QVERIFY(run.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(run.readAllStandardError());
    QVERIFY2(err.contains(device + " (permission denied); COM1 stays /dev/ttyS0; to open " +
                          device + ", add yourself to the dialout group"),
             qPrintable(err));
}

void TstPortSetup::listingShowsAMappedPseudoTerminal() {
    MeterSim sim;  // a pseudo-terminal, which the system's scan does not find
    QVERIFY(sim.ok());
    QProcess run;
    run.start(QStringLiteral(LEAKMETER_PATH), {"--list-ports", "--port", "COM3=" + sim.link()});
    QVERIFY(run.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(run.readAllStandardOutput());
    QVERIFY2(out.simplified().contains("COM3 " + sim.link() + " - - - -"), qPrintable(out));
}

QTEST_GUILESS_MAIN(TstPortSetup)
#include "tst_portsetup.moc"
