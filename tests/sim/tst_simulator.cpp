// Starts the real leakmeter-sim binary and talks to it over its pseudo-terminal, as the
// program does.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(static_cast<char>(v));
    return b;
}

const QByteArray kHandshakeOk = bytes({0xD5, 0x55, 0x55});

// The stored groups the simulator generates by default (documented in its --help).
QByteArray generated(int n) {
    QByteArray b;
    for (int k = 1; k <= n; ++k) b += bytes({k % 100, (7 * k) % 100, 1 + (k - 1) % 26});
    return b;
}

int openRaw(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

bool writeAll(int fd, const QByteArray& data) {
    return ::write(fd, data.constData(), data.size()) == data.size();
}

// Reads until n bytes have come or the time is up; returns what came.
QByteArray readBytes(int fd, int n, int timeoutMs = 3000) {
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < n) {
        const int left = timeoutMs - static_cast<int>(t.elapsed());
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0) break;
        char buf[1024];
        const ssize_t r = ::read(fd, buf, std::min<qsizetype>(sizeof buf, n - got.size()));
        if (r <= 0) break;
        got.append(buf, r);
    }
    return got;
}

template <typename Pred>
bool waitFor(Pred pred, int timeoutMs = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs) return false;
        QThread::msleep(10);
    }
    return true;
}

// One run of the simulator with its link inside a temporary folder.
class Sim {
  public:
    Sim() : link_(dir_.filePath("meter")) {}
    ~Sim() {
        if (fd_ >= 0) ::close(fd_);
        if (proc_.state() != QProcess::NotRunning) {
            proc_.terminate();
            if (!proc_.waitForFinished(3000)) proc_.kill();
            proc_.waitForFinished(1000);
        }
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString link() const { return link_; }
    QProcess& process() { return proc_; }
    int fd() const { return fd_; }

    // Starts with --link and the given arguments, waits for the PTY line and opens the
    // link. False (with a reason in error()) if any step fails.
    bool start(QStringList args) {
        args << "--link" << link_;
        proc_.start(LEAKMETER_SIM_PATH, args);
        if (!proc_.waitForStarted(5000)) return fail("simulator did not start");
        const QString pty = nextPtyLine();
        if (pty.isEmpty()) return fail("no PTY line; stderr: " + proc_.readAllStandardError());
        return openLink(pty);
    }

    // The next "PTY <path>" line on stdout, or empty after the timeout.
    QString nextPtyLine(int timeoutMs = 5000) {
        QElapsedTimer t;
        t.start();
        while (!proc_.canReadLine()) {
            if (t.elapsed() > timeoutMs || !proc_.waitForReadyRead(100)) {
                if (t.elapsed() > timeoutMs || proc_.state() == QProcess::NotRunning) return {};
            }
        }
        const QString line = QString::fromLocal8Bit(proc_.readLine()).trimmed();
        return line.startsWith("PTY ") ? line.mid(4) : QString();
    }

    bool openLink(const QString& expectedTarget) {
        if (QFileInfo(link_).symLinkTarget() != expectedTarget)
            return fail("link does not point at " + expectedTarget);
        return reopenPort();
    }

    void closePort() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool reopenPort() {
        closePort();
        fd_ = openRaw(link_);
        return fd_ >= 0 || fail("cannot open " + link_);
    }

    QByteArray exchange(const QByteArray& out, int expected) {
        if (!writeAll(fd_, out)) return {};
        return readBytes(fd_, expected);
    }

    const QString& error() const { return error_; }

  private:
    bool fail(const QString& why) {
        error_ = why;
        return false;
    }

    QTemporaryDir dir_;
    QString link_;
    QProcess proc_;
    int fd_ = -1;
    QString error_;
};

QStringList readLog(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

QStringList linesOfKind(const QStringList& lines, const QString& kind) {
    QStringList out;
    for (const QString& l : lines)
        if (l.section(' ', 1, 1) == kind) out << l.section(' ', 2);
    return out;
}

}  // namespace

class TestSimulator : public QObject {
    Q_OBJECT

  private slots:
    void replies_data();
    void replies();
    void liveWaves_data();
    void liveWaves();
    void garbageReply();
    void survivesProgramReopening();
    void delayedReply();
    void silentAtFirst();
    void unplugAndReplug();
    void logLines();
    void replacesStaleLinkAndRemovesItOnExit_data();
    void replacesStaleLinkAndRemovesItOnExit();
    void badOptions_data();
    void badOptions();
};

void TestSimulator::replies_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("groupsFile");  // written to @FILE@ when not empty
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("expected");
    auto row = [](const char* name, QStringList args, const char* commands, QByteArray expected,
                  QString file = {}) {
        QTest::newRow(name) << args << file << QByteArray::fromHex(commands) << expected;
    };
    auto h = [](const char* hex) { return QByteArray::fromHex(hex); };
    const QByteArray ok = kHandshakeOk, count10 = h("05050A"), live = h("0C3201");

    // Most rows end with a handshake, so that a stray extra byte in the reply under
    // test would shift the handshake reply and show up as a mismatch.
    row("handshake", {}, "05", ok);
    row("count, default 10 groups", {}, "0F 05", count10 + ok);
    row("count, no groups", {"--groups", "0"}, "0F 05", h("050500") + ok);
    row("count, 255 groups", {"--groups", "255"}, "0F 05", h("0505FF") + ok);
    row("groups, none stored", {"--groups", "0"}, "19 05", ok);
    row("groups, two generated", {"--groups", "2"}, "19 05", h("010701 020E02") + ok);
    row("groups, 255 generated", {"--groups", "255"}, "19 05", generated(255) + ok);
    row("groups from file", {"--groups-file", "@FILE@"}, "0F 19 05", h("050502 01C803 63630C") + ok,
        "# two\n01,C8,03\n0x63 63\t0c   # largest count\n\n");
    row("announces more than stored", {"--groups", "2", "--announce", "5"}, "0F 19 05",
        h("050505") + generated(2) + ok);
    row("live, default", {}, "23 05", live + ok);
    row("live, overload code 9", {"--value", "0", "--status", "9"}, "23", h("000009"));
    row("live, invalid code 0", {"--status", "0"}, "23", h("0C3200"));
    row("live, invalid code 27", {"--status", "27"}, "23", h("0C321B"));
    row("live, negative DC 42", {"--value", "42", "--status", "23"}, "23", h("002A17"));
    row("live, largest count", {"--value", "9999", "--status", "12"}, "23", h("63630C"));
    row("live, fixed bytes", {"--live-bytes", "01,C8,03"}, "23 23", h("01C803 01C803"));
    row("several commands at once", {}, "05 0F 23", ok + count10 + live);
    row("sign-off and unknown bytes", {}, "00 07 FF 41 05", ok);
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
    row("every byte value", {}, (all + '\x05').toHex().constData(),
        ok + count10 + generated(10) + live + ok);
    row("first two handshakes wrong", {"--bad-handshakes", "2"}, "05 05 05",
        h("55D555 55D555") + ok);
    row("every 2nd count reply bad", {"--bad-count-every", "2"}, "0F 0F 0F 05",
        count10 + h("05040A") + count10 + ok);
    row("every 2nd reply cut short", {"--short-every", "2"}, "23 05 05", live + h("D5") + ok);
}

void TestSimulator::replies() {
    QFETCH(QStringList, args);
    QFETCH(QString, groupsFile);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, expected);

    Sim sim;
    if (!groupsFile.isEmpty()) {
        QFile f(sim.path("groups.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(groupsFile.toUtf8());
        f.close();
        args.replaceInStrings("@FILE@", f.fileName());
    }
    QVERIFY2(sim.start(args), qPrintable(sim.error()));
    QCOMPARE(sim.exchange(commands, expected.size()).toHex(' '), expected.toHex(' '));
}

void TestSimulator::liveWaves_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("peak");
    QTest::newRow("ramp") << QStringList{"--wave", "ramp", "--value", "800", "--period", "0.2"}
                          << 800;
    QTest::newRow("sine") << QStringList{"--wave", "sine", "--value", "9999", "--period", "0.2"}
                          << 9999;
    QTest::newRow("noise") << QStringList{"--wave", "noise", "--value", "500"} << 500;
}

// Waves must stay valid records within 0..peak and must actually move.
void TestSimulator::liveWaves() {
    QFETCH(QStringList, args);
    QFETCH(int, peak);
    Sim sim;
    QVERIFY2(sim.start(args << "--status"
                            << "21"),
             qPrintable(sim.error()));
    QSet<int> seen;
    for (int i = 0; i < 12; ++i) {
        const QByteArray r = sim.exchange(bytes({35}), 3);
        QCOMPARE(r.size(), 3);
        const int high = static_cast<quint8>(r[0]), low = static_cast<quint8>(r[1]);
        QVERIFY2(high <= 99 && low <= 99, r.toHex(' ').constData());
        QCOMPARE(static_cast<quint8>(r[2]), quint8(21));
        const int raw = high * 100 + low;
        QVERIFY2(raw <= peak, qPrintable(QString::number(raw)));
        seen.insert(raw);
        QThread::msleep(25);
    }
    QVERIFY2(seen.size() >= 3, qPrintable(QString::number(seen.size())));
}

void TestSimulator::garbageReply() {
    Sim sim;
    QVERIFY2(sim.start({"--garbage-every", "2", "--seed", "7"}), qPrintable(sim.error()));
    QVERIFY(writeAll(sim.fd(), bytes({5, 5, 5})));
    const QByteArray got = readBytes(sim.fd(), 3 + 8 + 3 + 1, 300);  // all that comes
    QVERIFY2(got.size() >= 3 + 1 + 3 && got.size() <= 3 + 8 + 3, got.toHex(' ').constData());
    QCOMPARE(got.left(3), kHandshakeOk);
    QCOMPARE(got.right(3), kHandshakeOk);
    QVERIFY(got.mid(3, got.size() - 6) != kHandshakeOk);
}

// CPU time (clock ticks) the process has used so far, from /proc.
static long long cpuTicks(qint64 pid) {
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    // Fields after the command name in parentheses; utime and stime are fields 14 and 15.
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

// The program closes and re-opens the port whenever it re-opens it; the meter must keep
// answering and must not spin while nobody has the port open.
void TestSimulator::survivesProgramReopening() {
    Sim sim;
    QVERIFY2(sim.start({}), qPrintable(sim.error()));
    QCOMPARE(sim.exchange(bytes({5}), 3), kHandshakeOk);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(sim.reopenPort(), qPrintable(sim.error()));
        QCOMPARE(sim.exchange(bytes({35}), 3), bytes({0x0C, 0x32, 0x01}));
    }
    sim.closePort();
    const long long before = cpuTicks(sim.process().processId());
    QThread::msleep(300);
    const long long after = cpuTicks(sim.process().processId());
    QVERIFY(before >= 0 && after >= 0);
    QVERIFY2(after - before < 10, qPrintable(QString::number(after - before)));
    QVERIFY2(sim.reopenPort(), qPrintable(sim.error()));
    QCOMPARE(sim.exchange(bytes({5}), 3), kHandshakeOk);
}

void TestSimulator::delayedReply() {
    Sim sim;
    QVERIFY2(sim.start({"--delay", "200"}), qPrintable(sim.error()));
    QElapsedTimer t;
    t.start();
    QCOMPARE(sim.exchange(bytes({5}), 3), kHandshakeOk);
    QVERIFY2(t.elapsed() >= 180 && t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
}

// A meter switched on later: commands go unanswered (but are logged) until the time is up.
void TestSimulator::silentAtFirst() {
    Sim sim;
    const QString log = sim.path("meter.log");
    QElapsedTimer sinceStart;
    sinceStart.start();
    QVERIFY2(sim.start({"--silent-for", "0.3", "--log", log}), qPrintable(sim.error()));
    int sent = 0;
    QByteArray got;
    while (got.isEmpty() && sinceStart.elapsed() < 5000) {
        QVERIFY(writeAll(sim.fd(), bytes({5})));
        ++sent;
        got = readBytes(sim.fd(), 3, 50);
    }
    QCOMPARE(got, kHandshakeOk);
    QVERIFY2(sinceStart.elapsed() >= 300, qPrintable(QString::number(sinceStart.elapsed())));
    QVERIFY(sent >= 2);

    const QStringList lines = readLog(log);
    const int rx = linesOfKind(lines, "RX").size();
    const int tx = linesOfKind(lines, "TX").size();
    QCOMPARE(rx, sent);
    QVERIFY(tx >= 1);
    QCOMPARE(linesOfKind(lines, "EV").filter("silent").size(), rx - tx);
}

void TestSimulator::unplugAndReplug() {
    Sim sim;
    const QString log = sim.path("meter.log");
    QVERIFY2(sim.start({"--unplug-after", "2", "--replug-after", "0.3", "--log", log}),
             qPrintable(sim.error()));
    QCOMPARE(sim.exchange(bytes({5}), 3), kHandshakeOk);
    QCOMPARE(sim.exchange(bytes({35}), 3), bytes({0x0C, 0x32, 0x01}));  // answered, then pulled
    QElapsedTimer sinceUnplug;
    sinceUnplug.start();

    QVERIFY(waitFor([&] { return !QFileInfo(sim.link()).isSymLink(); }));
    // The program's open handle sees the hang-up.
    pollfd p{sim.fd(), POLLIN, 0};
    QVERIFY(::poll(&p, 1, 3000) == 1);
    char c;
    QVERIFY(::read(sim.fd(), &c, 1) <= 0);

    const QString newPty = sim.nextPtyLine();
    QVERIFY(!newPty.isEmpty());
    QVERIFY2(sinceUnplug.elapsed() >= 250, qPrintable(QString::number(sinceUnplug.elapsed())));
    QVERIFY2(sim.openLink(newPty), qPrintable(sim.error()));
    QCOMPARE(sim.exchange(bytes({5}), 3), kHandshakeOk);

    const QStringList events = linesOfKind(readLog(log), "EV");
    QCOMPARE(events.filter("unplugged").size(), 1);
    QCOMPARE(events.filter("plugged in").size(), 2);
}

void TestSimulator::logLines() {
    Sim sim;
    const QString log = sim.path("meter.log");
    QVERIFY2(sim.start({"--log", log}), qPrintable(sim.error()));
    QCOMPARE(sim.exchange(bytes({5}), 3), kHandshakeOk);
    QCOMPARE(sim.exchange(bytes({35}), 3), bytes({0x0C, 0x32, 0x01}));
    QCOMPARE(sim.exchange(bytes({0x42, 5}), 3), kHandshakeOk);

    const QStringList lines = readLog(log);
    static const QRegularExpression format(
        R"(^\d+\.\d{3} (RX [0-9A-F]{2}|TX [0-9A-F]{2}( [0-9A-F]{2})*|EV \S.*)$)");
    double previous = -1;
    QList<double> rxTimes;
    for (const QString& line : lines) {
        QVERIFY2(format.match(line).hasMatch(), qPrintable(line));
        const double ms = line.section(' ', 0, 0).toDouble();
        QVERIFY2(ms >= previous, qPrintable(line));
        previous = ms;
        if (line.section(' ', 1, 1) == "RX") rxTimes << ms;
    }
    QCOMPARE(linesOfKind(lines, "RX"), (QStringList{"05", "23", "42", "05"}));
    QCOMPARE(linesOfKind(lines, "TX"), (QStringList{"D5 55 55", "0C 32 01", "D5 55 55"}));
    QVERIFY(!linesOfKind(lines, "EV").filter("42").isEmpty());
    // Bytes sent after separate round trips carry distinct, increasing times.
    QVERIFY(rxTimes[0] < rxTimes[1] && rxTimes[1] < rxTimes[2]);
}

void TestSimulator::replacesStaleLinkAndRemovesItOnExit_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestSimulator::replacesStaleLinkAndRemovesItOnExit() {
    QFETCH(int, signal);
    Sim sim;
    QVERIFY(QFile::link(sim.path("gone"), sim.link()));  // left over by an earlier run
    QVERIFY2(sim.start({}), qPrintable(sim.error()));
    QCOMPARE(sim.exchange(bytes({5}), 3), kHandshakeOk);
    ::kill(static_cast<pid_t>(sim.process().processId()), signal);
    QVERIFY(sim.process().waitForFinished(5000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(sim.link()).isSymLink());
}

void TestSimulator::badOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("groupsFile");  // written to @FILE@ when not empty
    QTest::addColumn<QString>("message");     // expected in stderr
    auto row = [](const char* name, QStringList args, QString message, QString file = {}) {
        QTest::newRow(name) << args << file << message;
    };
    const QStringList fromFile{"--groups-file", "@FILE@"};

    row("unknown option", {"--bogus"}, "--bogus");
    row("missing value", {"--value"}, "--value");
    row("value too big", {"--value", "10000"}, "--value");
    row("too many groups", {"--groups", "256"}, "--groups");
    row("negative silence", {"--silent-for", "-1"}, "--silent-for");
    row("nan seconds", {"--replug-after", "nan", "--unplug-after", "1"}, "--replug-after");
    row("unknown wave", {"--wave", "square"}, "--wave");
    row("two live bytes", {"--live-bytes", "01,C8"}, "--live-bytes");
    row("live byte not hex", {"--live-bytes", "zz,00,00"}, "--live-bytes");
    row("replug without unplug", {"--replug-after", "1"}, "--unplug-after");
    row("groups and groups file", {"--groups", "3", "--groups-file", "@FILE@"}, "--groups",
        "01 02 03");
    row("unreadable groups file", {"--groups-file", "/nonexistent/g.txt"}, "cannot read");
    row("groups file is a folder", {"--groups-file", QDir::tempPath()}, "folder");
    row("groups file not whole groups", fromFile, "4 bytes", "01 02 03 04");
    row("groups file bad token", fromFile, "line 2", "01 02 03\n04 0G 06");
    row("groups file binary", fromFile, "line 1", QString(QChar(0)) + "\x01\x02 zz");
    row("groups file too long", fromFile, "256 groups", QString("00 ").repeated(768));
    row("log in missing folder", {"--log", "/nonexistent/dir/meter.log"}, "--log");
}

void TestSimulator::badOptions() {
    QFETCH(QStringList, args);
    QFETCH(QString, groupsFile);
    QFETCH(QString, message);

    QTemporaryDir dir;
    if (!groupsFile.isEmpty()) {
        QFile f(dir.filePath("groups.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(groupsFile.toUtf8());
        f.close();
        args.replaceInStrings("@FILE@", f.fileName());
    }
    QProcess proc;
    proc.start(LEAKMETER_SIM_PATH, args << "--link" << dir.filePath("meter"));
    QVERIFY(proc.waitForFinished(5000));
    QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
    QVERIFY(proc.exitCode() != 0);
    const QString err = QString::fromLocal8Bit(proc.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(!proc.readAllStandardOutput().contains("PTY"));
    QVERIFY(!QFileInfo(dir.filePath("meter")).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
