// The command lines the real program takes and refuses, run without a display and with its
// settings in a folder of the test's own: the exit status and the first line written to
// stdout and to stderr. A usage error writes its reason and where the usage is, nothing more.
// Only lines that end by themselves at once: none waits for a meter.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kNoDisplay = QStringLiteral(
    "leakmeter: there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY "
    "is set); 'leakmeter --headless' logs the readings without one, 'leakmeter --history FILE' "
    "downloads the stored groups");
const QString kUsage =
    QStringLiteral("Usage: leakmeter [--port COMn=DEVICE]... [--com N] [--log FILE] [WATCH]");
const QString kNeedsBroker =
    QStringLiteral(" needs a broker: --mqtt URL, or url in the settings file's section [mqtt]");
const QString kPlotAlone = QStringLiteral(
    "--plot draws logs already written; it cannot be combined with --headless, --history, "
    "--log, --duration, --count, --on-alarm, --interval or --mqtt");

QString firstLine(const QByteArray& text) {
    return QString::fromLocal8Bit(text.left(text.indexOf('\n')));
}

}  // namespace

class TstCommandLine : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(home_.isValid()); }
    void outcomes_data();
    void outcomes();

  private:
    QTemporaryDir home_;
};

void TstCommandLine::outcomes_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");  // the first line of stderr; empty: stderr is empty
    QTest::addColumn<QString>("out");  // how stdout starts; empty: stdout is empty
    auto row = [](const char* name, const QStringList& args, int exitCode, const QString& err,
                  const QString& out = QString()) {
        QTest::newRow(name) << args << exitCode << err << out;
    };
    // A usage error: exit status 2, the reason, then where the usage is.
    auto refused = [&row](const char* name, const QStringList& args, const QString& reason) {
        row(name, args, 2, "leakmeter: " + reason);
    };

    // One-shot commands, --help wherever it stands before the first fault.
    row("version", {"--version"}, 0, "", QStringLiteral("leakmeter " LEAKMETER_VERSION));
    row("help", {"--help"}, 0, "", kUsage);
    row("help, short", {"-h"}, 0, "", kUsage);
    row("help after options", {"--headless", "--count", "3", "-h"}, 0, "", kUsage);
    row("help before a fault", {"--help", "--bogus"}, 0, "", kUsage);
    row("help wins over version", {"--version", "--help"}, 0, "", kUsage);
    refused("help after a fault", {"--bogus", "--help"}, "unknown argument: --bogus");
    refused("help after a wrong value", {"--count", "x", "--help"},
            "--count x: expected a whole number of readings, 1 or more");
    refused("help as a value", {"--on-alarm", "--help", "--headless"},
            "--on-alarm needs --alarm VALUE");
    row("list ports, one missing", {"--list-ports", "--port", "COM3=/dev/no-such-port"}, 0, "",
        "PORT  DEVICE");
    row("forget ports", {"--forget-ports"}, 0, "leakmeter: the remembered port mapping is cleared");
    row("plot of missing logs", {"--plot=a.csv", "b.csv", "--output=x.png", "--alarm", "30mA"}, 1,
        "leakmeter: cannot read a.csv: No such file or directory");
    row("plot with a title and a meter",
        {"--plot", "a.csv", "-o", "x.png", "--title", "Pump 3, night", "--meter-id", "pump3"}, 1,
        "leakmeter: cannot read a.csv: No such file or directory");
    row("plot with an empty title", {"--plot=a.csv", "-o", "x.svg", "--title="}, 1,
        "leakmeter: cannot read a.csv: No such file or directory");
    // Accepted for the window, which has no display here.
    row("window", {}, 1, kNoDisplay);
    row("window, every option",
        {"--port=COM1=auto", "--port", "COM2=/dev/x", "--com", "COM2", "--lang=en", "--alarm",
         "30mA", "--on-alarm", "true", "--interval", "60", "--log", "x.csv", "--mqtt", "mqtt://b",
         "--mqtt-interval-only"},
        1, kNoDisplay);
    row("value starting with a dash", {"--log", "--headless"}, 1, kNoDisplay);

    refused("unknown option", {"--baud", "9600"}, "unknown argument: --baud");
    refused("unknown option with a value", {"--bogus=1"}, "unknown argument: --bogus=1");
    refused("option in capitals", {"--Headless"}, "unknown argument: --Headless");
    refused("word", {"foo"}, "unknown argument: foo");
    refused("dash", {"-"}, "unknown argument: -");
    refused("double dash", {"--", "--version"}, "unknown argument: --");
    refused("unknown short option", {"-x"}, "unknown argument: -x");
    refused("short name, two dashes", {"--h"}, "unknown argument: --h");
    refused("short value name, two dashes", {"--o", "x.png"}, "unknown argument: --o");
    refused("long name, one dash", {"-help"}, "unknown argument: -help");
    refused("short option with its value", {"-ox.png"}, "unknown argument: -ox.png");
    refused("help with a value", {"--help=1"}, "unknown argument: --help=1");
    refused("log before plot", {"a.csv", "--plot", "b.csv", "-o", "x.png"},
            "unknown argument: a.csv");
    refused("double dash among logs", {"--plot", "a.csv", "--", "b.csv", "-o", "x.png"},
            "unknown argument: --");
    refused("dash among logs", {"--plot", "a.csv", "-", "-o", "x.png"}, "unknown argument: -");

    refused("headless with a value", {"--headless=yes"}, "--headless takes no value");
    refused("version with a value", {"--version=1"}, "--version takes no value");
    refused("no discovery with a value", {"--no-mqtt-discovery="},
            "--no-mqtt-discovery takes no value");

    refused("port without its value", {"--port"}, "--port needs a value such as COM1=/dev/ttyUSB0");
    refused("count without its value", {"--headless", "--count"}, "--count needs a value");
    refused("log without its value", {"--log"}, "--log needs a value");
    refused("-o without its value", {"--plot", "a.csv", "-o"}, "-o needs a value");
    refused("output without its value", {"--output"}, "--output needs a value");
    refused("lang without its value", {"--lang"}, "--lang needs a value");
    refused("mqtt without its value", {"--mqtt"}, "--mqtt needs a value");

    refused("log empty", {"--log="}, "--log needs a file name, or -");
    refused("history empty", {"--history="}, "--history needs a file name (.txt or .csv)");
    refused("history to stdout", {"--history", "-"}, "--history needs a file name (.txt or .csv)");
    refused("history as a picture", {"--history", "x.pdf"},
            "--history x.pdf: expected a file name ending in .txt or .csv");
    refused("plot empty", {"--plot="}, "--plot needs a log file");
    refused("-o empty", {"-o="}, "-o needs a file name (.png, .svg or .pdf)");
    refused("output empty", {"--output="}, "-o needs a file name (.png, .svg or .pdf)");
    refused("from not a time", {"--from", "3am"},
            "--from 3am: expected a local date and time such as 2026-12-08T03:00");
    refused("to not a time", {"--to="},
            "--to : expected a local date and time such as "
            "2026-12-08T03:00");
    refused("on-alarm blank", {"--on-alarm", " "}, "--on-alarm needs a command");
    refused("lang empty", {"--lang="}, "--lang : expected zh (Chinese) or en (English)");
    refused("lang unknown", {"--lang", "fr"}, "--lang fr: expected zh (Chinese) or en (English)");
    refused("port without '='", {"--port", "COM1"},
            "--port COM1: invalid port mapping \"COM1\": no '=' (expected COMn=device)");
    refused("port number 0", {"--port=COM0=/dev/x"},
            "--port COM0=/dev/x: invalid port mapping \"COM0=/dev/x\": port number must be 1 to "
            "255 (expected COMn=device)");
    refused("port, auto with an empty entry", {"--port", "COM1=auto:/dev/a,,/dev/b"},
            "--port COM1=auto:/dev/a,,/dev/b: expected a list of devices with no empty entry, "
            "such as auto:/dev/ttyUSB0,/dev/ttyUSB1");
    refused("com 0", {"--com", "0"}, "--com 0: expected a port number from 1 to 255");
    refused("com above 255", {"--com=COM256"},
            "--com COM256: expected a port number from 1 to 255");
    refused("duration 0", {"--headless", "--duration", "0"},
            "--duration 0: expected a number of seconds above 0, at most one year");
    refused("duration above a year", {"--headless", "--duration=1e9"},
            "--duration 1e9: expected a number of seconds above 0, at most one year");
    refused("count negative", {"--headless", "--count", "-3"},
            "--count -3: expected a whole number of readings, 1 or more");
    refused("interval 0", {"--interval", "0"},
            "--interval 0: expected a whole number of seconds from 1 to 3600");
    refused("interval above an hour", {"--interval", "3601"},
            "--interval 3601: expected a whole number of seconds from 1 to 3600");
    refused("alarm 0", {"--alarm", "0"},
            "--alarm 0: expected a current above 0, at most 1000 A, such as 30mA or 0.03A");
    refused("alarm above 1000 A", {"--alarm=1001A"},
            "--alarm 1001A: expected a current above 0, at most 1000 A, such as 30mA or 0.03A");
    const QString brokerForms =
        QStringLiteral(": expected mqtt://[user@]host[:port] or mqtts://[user@]host[:port]");
    refused("broker not mqtt", {"--mqtt", "http://broker"}, "--mqtt http://broker" + brokerForms);
    refused("broker IPv6 without brackets", {"--mqtt", "mqtt://::1"},
            "--mqtt mqtt://::1" + brokerForms);
    refused("meter id with a space", {"--meter-id", "panel 3"},
            "--meter-id panel 3: expected 1 to 64 letters, digits, - and _");
    refused("topic with a wildcard", {"--mqtt-topic", "plant/#"},
            "--mqtt-topic plant/#: expected topic levels such as plant/hall2, with no empty level "
            "and no + or #");
    refused("CA file empty", {"--mqtt-cafile="}, "--mqtt-cafile needs a file name");
    refused("password file empty", {"--mqtt-password-file="},
            "--mqtt-password-file needs a file name");

    // Given twice: the later one counts, and the first fault is the one said.
    refused("count twice, the second wrong", {"--headless", "--count", "3", "--count", "x"},
            "--count x: expected a whole number of readings, 1 or more");
    refused("lang twice", {"--lang", "en", "--lang", "fr"},
            "--lang fr: expected zh (Chinese) or en (English)");
    refused("headless twice", {"--headless", "--headless", "--on-alarm", "true"},
            "--on-alarm needs --alarm VALUE");
    refused("count before duration", {"--count", "0", "--duration", "0"},
            "--count 0: expected a whole number of readings, 1 or more");
    refused("duration before count", {"--duration", "0", "--count", "0"},
            "--duration 0: expected a number of seconds above 0, at most one year");

    // Options that need another, and modes that exclude each other.
    refused("duration in the window", {"--duration", "10"}, "--duration needs --headless");
    refused("count in the window", {"--count", "10"}, "--count needs --headless");
    refused("log to stdout in the window", {"--log", "-"}, "--log - (stdout) needs --headless");
    refused("command without a threshold", {"--headless", "--on-alarm", "true"},
            "--on-alarm needs --alarm VALUE");
    refused("interval without a log", {"--headless", "--interval", "10"},
            "--interval needs --log FILE (or --log - for stdout)");
    refused("several ports to read", {"--headless", "--port", "COM1=/dev/a", "--port", "COM2=auto"},
            "several ports are given with --port; choose the one to read with --com N");
    refused("picture without plot", {"-o", "a.png"}, "-o needs --plot");
    refused("from without plot", {"--from", "2026-12-08T03:00"}, "--from needs --plot");
    refused("to without plot", {"--to", "2026-12-08T03:00"}, "--to needs --plot");
    refused("title without plot", {"--title", "Night"}, "--title needs --plot");
    refused("title without its value", {"--plot", "a.csv", "-o", "x.png", "--title"},
            "--title needs a value");
    refused("plot without a picture", {"--plot", "a.csv", "b.csv"},
            "--plot needs -o FILE (.png, .svg or .pdf)");
    refused("plot with the logger", {"--headless", "--plot", "a.csv", "-o", "a.png"}, kPlotAlone);
    refused("plot with history", {"--plot", "a.csv", "-o", "a.png", "--history", "h.txt"},
            kPlotAlone);
    refused("plot with a broker", {"--plot", "a.csv", "-o", "a.png", "--mqtt", "mqtt://b"},
            kPlotAlone);
    refused("plot from after to",
            {"--plot", "a.csv", "-o", "a.png", "--from", "2026-12-08", "--to", "2026-12-07"},
            "--from must be earlier than --to");
    refused("history with a log", {"--history", "h.csv", "--log", "l.csv"},
            "--history downloads the stored groups once; it cannot be combined with --log, "
            "--duration or --count");
    refused("history with an alarm", {"--alarm", "30mA", "--history", "h.txt"},
            "--history downloads the stored groups once; it cannot be combined with --alarm, "
            "--on-alarm or --interval");
    refused("topic without a broker", {"--mqtt-topic", "plant"}, "--mqtt-topic" + kNeedsBroker);
    refused("no discovery without a broker", {"--no-mqtt-discovery"},
            "--no-mqtt-discovery" + kNeedsBroker);
    refused("interval only without a broker", {"--mqtt-interval-only", "--interval", "60"},
            "--mqtt-interval-only" + kNeedsBroker);
    refused("interval only without an interval",
            {"--headless", "--log", "l.csv", "--mqtt", "mqtt://b", "--mqtt-interval-only"},
            "--mqtt-interval-only needs --interval SEC");
    refused("interval only with a value", {"--mqtt-interval-only=yes"},
            "--mqtt-interval-only takes no value");
    refused("password file without a broker", {"--mqtt-password-file", "pw"},
            "--mqtt-password-file" + kNeedsBroker);
    refused("CA file without TLS", {"--mqtt-cafile", "ca.pem", "--mqtt", "mqtt://b.lan"},
            "--mqtt-cafile needs a TLS broker (mqtts://), not mqtt://b.lan");
    refused("the broker is checked first",
            {"--history", "h.csv", "--log", "l.csv", "--mqtt-topic=t"},
            "--mqtt-topic" + kNeedsBroker);
}

void TstCommandLine::outcomes() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(QString, out);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    // No remembered mapping or broker of the user's leaks in.
    env.insert(QStringLiteral("HOME"), home_.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home_.path());
    program.start(QStringLiteral(LEAKMETER_PATH), args);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    const QByteArray stdoutText = program.readAllStandardOutput();
    const QByteArray stderrText = program.readAllStandardError();
    QVERIFY2(program.exitCode() == exitCode, stderrText.constData());
    QCOMPARE(firstLine(stderrText), err);
    if (err.isEmpty()) QCOMPARE(stderrText, QByteArray());
    if (exitCode == 2)
        QCOMPARE(QString::fromLocal8Bit(stderrText), err + "\ntry 'leakmeter --help'\n");
    QVERIFY2(out.isEmpty() ? stdoutText.isEmpty() : firstLine(stdoutText).startsWith(out),
             stdoutText.constData());
}

QTEST_GUILESS_MAIN(TstCommandLine)
#include "tst_commandline.moc"
