// The data log from the real window: the File menu entry opened from the keyboard, the save
// dialog scripted, the simulator's readings on a pseudo-terminal, the rows read back from the
// file.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QtTest>

#include <unistd.h>
#include <cstdio>

#include "../output/recordingsink.h"
#include "app/form2.h"
#include "formcontrols.h"
#include "metersim.h"
#include "output/scripteddialogbackend.h"

using app::Form2;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A key as the user types it: to the open menu when one is open (it has the keyboard then),
// else to the widget with the focus.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keyClick(target, key, modifiers);
}

struct Row {
    QByteArray time, elapsed, reading, value, status, record;
};

// The rows of a log file after its header; every line must be a whole row ending in CR LF.
QList<Row> Rows(const QString& path) {
    QList<Row> rows;
    QByteArray bytes = ReadAll(path);
    if (!bytes.startsWith("time,elapsed_s,reading,value_mA,status,record\r\n")) return rows;
    if (!bytes.endsWith("\r\n")) return rows;
    bytes.chop(2);
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeFirst();
    for (const QByteArray& line : std::as_const(lines)) {
        const QList<QByteArray> f = (line.endsWith('\r') ? line.chopped(1) : line).split(',');
        if (f.size() != 6) return {};
        rows.append({f[0], f[1], f[2], f[3], f[4], f[5]});
    }
    return rows;
}

// The live records the simulator sent, in order ("002A17"), told apart from handshake replies
// by their status byte.
QList<QByteArray> LiveRepliesSent(const MeterSim& sim, int status) {
    QList<QByteArray> sent;
    for (const QString& line : sim.logText().split(QLatin1Char('\n'))) {
        const QStringList p = line.split(QLatin1Char(' '));
        if (p.size() == 5 && p[1] == "TX" && p[4].toInt(nullptr, 16) == status)
            sent.append((p[2] + p[3] + p[4]).toLatin1());
    }
    return sent;
}

// Where fd 2 goes while it lives: a file, read back afterwards.
class StderrCapture {
  public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        file_.open();
        ::dup2(file_.handle(), 2);
    }
    ~StderrCapture() { Restore(); }
    QByteArray Text() {
        Restore();
        return ReadAll(file_.fileName());
    }

  private:
    void Restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    QTemporaryFile file_;
    int saved_ = -1;
};

}  // namespace

class TstForm2DataLog : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void menuLogsEveryReading_data();
    void menuLogsEveryReading();
    void logResumesAfterReplugAndStopsOnClose();
    void cancelOrFailureLeavesItOff_data();
    void cancelOrFailureLeavesItOff();

  private:
    std::unique_ptr<QTemporaryDir> home_;
    QByteArray oldHome_;
    output::ScriptedDialogBackend dialogs_;
    RecordingSink sink_;
};

void TstForm2DataLog::init() {
    home_ = std::make_unique<QTemporaryDir>();
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", home_->path().toUtf8());
    dialogs_ = output::ScriptedDialogBackend();
    sink_ = RecordingSink();
}

void TstForm2DataLog::cleanup() {
    qputenv("HOME", oldHome_);
}

void TstForm2DataLog::menuLogsEveryReading_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("sign");  // "-": negative mA; "0L": overload; "ERROR"
    QTest::newRow("negative mA") << 23 << "-";
    QTest::newRow("overload") << 9 << "0L";
    QTest::newRow("invalid code") << 27 << "ERROR";
}

// File > 数据记录 with the arrow keys, accepted as proposed: every reading the meter sends from
// then on is a row, exactly; the entry's accelerator stops the log again.
void TstForm2DataLog::menuLogsEveryReading() {
    QFETCH(int, status);
    QFETCH(QString, sign);
    MeterSim sim(
        {"--wave", "ramp", "--value", "300", "--period", "2", "--status", QString::number(status)});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()), &dialogs_, &sink_);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QTRY_VERIFY(QApplication::focusWidget());
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("接收电流数据正常"),
                              4000);

    dialogs_.acceptSave();
    Key(Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    auto* file = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(file);
    for (int i = 0; i < 3; ++i) Key(Qt::Key_Down);
    QCOMPARE(file->activeAction(), Ctl<QAction>(w, "mnudatalog"));
    Key(Qt::Key_Return);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(dialogs_.saveRequests.size(), 1);
    QVERIFY(Ctl<QAction>(w, "mnudatalog")->isChecked());

    const QString path = home_->filePath("Zentravolix/Zentravolix.csv");
    QTRY_VERIFY_WITH_TIMEOUT(Rows(path).size() >= 4, 5000);
    // The offscreen platform leaves the closed menu as the active window; a window manager
    // gives the activation back to the main window.
    w.activateWindow();
    QTRY_VERIFY(QApplication::focusWidget());

    Key(Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    Key(Qt::Key_L);
    QTRY_VERIFY(!Ctl<QAction>(w, "mnudatalog")->isChecked());
    QVERIFY(!w.DataLogRunning());
    const QByteArray stopped = ReadAll(path);
    const int requests = sim.countOf(0x23);
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(0x23) >= requests + 2, 3000);
    QCOMPARE(ReadAll(path), stopped);  // nothing after the stop

    // One row for each reply handled while logging, in order: a run of what the meter sent.
    const QList<Row> rows = Rows(path);
    QVERIFY(rows.size() >= 4);
    const QList<QByteArray> sent = LiveRepliesSent(sim, status);
    const qsizetype first = sent.indexOf(rows[0].record);
    QVERIFY(first >= 0);
    QList<QByteArray> logged;
    for (const Row& r : rows) logged.append(r.record);
    QCOMPARE(logged, sent.mid(first, rows.size()));

    const int localOffset = QDateTime::currentDateTime().offsetFromUtc();
    double lastElapsed = -1;
    for (const Row& r : rows) {
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(r.time), Qt::ISODateWithMs);
        QVERIFY2(t.isValid(), r.time.constData());
        QVERIFY(qAbs(t.secsTo(QDateTime::currentDateTime())) < 120);
        QCOMPARE(t.offsetFromUtc(), localOffset);
        QVERIFY(r.elapsed.toDouble() >= lastElapsed);
        lastElapsed = r.elapsed.toDouble();

        const QByteArray rec = QByteArray::fromHex(r.record);
        const int raw = quint8(rec[0]) * 100 + quint8(rec[1]);
        QCOMPARE(r.status, QByteArray::number(status));
        if (sign == "-") {
            QCOMPARE(r.reading, "-" + QByteArray::number(raw) + "mA");
            // A shown "-0" is the value 0.
            QCOMPARE(r.value, raw == 0 ? QByteArray("0") : "-" + QByteArray::number(raw));
        } else if (sign == "0L") {
            QCOMPARE(r.reading, QByteArray("0L"));
            QCOMPARE(r.value, QByteArray());
        } else {
            QCOMPARE(r.reading, QByteArray("ERROR"));
            QCOMPARE(r.value, QByteArray());
        }
    }
}

// Started at launch (as `--log FILE` does): while the meter is unplugged no rows come, after the
// replug they resume by themselves, and closing the window ends the log on a whole row.
void TstForm2DataLog::logResumesAfterReplugAndStopsOnClose() {
    MeterSim sim({"--live-bytes", "00,2A,17", "--unplug-after", "6", "--replug-after", "1.5"});
    QVERIFY(sim.ok());
    const QString path = home_->filePath("launch.csv");
    Form2 w(MapTo(sim.link()), &dialogs_, &sink_);
    QVERIFY(w.StartDataLog(path));
    QVERIFY(Ctl<QAction>(w, "mnudatalog")->isChecked());

    // Handshake and five live replies, then the gap, then rows again.
    QTRY_VERIFY_WITH_TIMEOUT(Rows(path).size() >= 8, 15000);
    w.close();
    QVERIFY(!w.DataLogRunning());
    QVERIFY(!Ctl<QAction>(w, "mnudatalog")->isChecked());

    // A row for every reply handled: all the meter sent but the one cut off by the unplug and
    // the one still on its way when the window closed.
    const QList<Row> rows = Rows(path);
    const qsizetype unhandled = LiveRepliesSent(sim, 0x17).size() - rows.size();
    QVERIFY2(unhandled >= 0 && unhandled <= 2, qPrintable(QString::number(unhandled)));
    int gaps = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QCOMPARE(
            rows[i].reading + "," + rows[i].value + "," + rows[i].status + "," + rows[i].record,
            QByteArray("-42mA,-42,23,002A17"));
        if (i > 0 && rows[i].elapsed.toDouble() - rows[i - 1].elapsed.toDouble() >= 1.5) ++gaps;
    }
    QCOMPARE(gaps, 1);
}

void TstForm2DataLog::cancelOrFailureLeavesItOff_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("cancel") << true;
    QTest::newRow("file cannot be created") << false;
}

// Cancel: unchecked and silent. A file that cannot be created: unchecked, the status line and
// one stderr line say so, and the readings go on.
void TstForm2DataLog::cancelOrFailureLeavesItOff() {
    QFETCH(bool, cancel);
    MeterSim sim({"--live-bytes", "00,2A,17"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()), &dialogs_, &sink_);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QTRY_VERIFY(QApplication::focusWidget());
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("接收电流数据正常"),
                              4000);

    // A plain file where the folder should be: nothing can be created below it, even as root.
    const QString blocker = home_->filePath("blocker");
    QFile plain(blocker);
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("keep") == 4);
    plain.close();
    const QString path = blocker + "/log.csv";
    cancel ? dialogs_.cancel() : dialogs_.acceptSave(path);

    StderrCapture err;
    Key(Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    Key(Qt::Key_L);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    const QString status = Ctl<QLabel>(w, "Label6")->text();
    const QByteArray printed = err.Text();

    QCOMPARE(dialogs_.saveRequests.size(), 1);
    QVERIFY(!Ctl<QAction>(w, "mnudatalog")->isChecked());
    QVERIFY(!w.DataLogRunning());
    QCOMPARE(ReadAll(blocker), QByteArray("keep"));
    QVERIFY(QDir(home_->filePath("Zentravolix")).isEmpty());
    if (cancel) {
        QCOMPARE(printed, QByteArray());
        QCOMPARE(status, QStringLiteral("接收电流数据正常"));
        return;
    }
    QCOMPARE(status, QStringLiteral("数据记录失败") + path);
    QCOMPARE(printed.count('\n'), 1);
    QVERIFY(printed.endsWith('\n'));
    QVERIFY2(printed.contains(path.toUtf8()), printed.constData());
    // Said in a box as well, once the event loop runs: the status line does not last.
    QTRY_COMPARE(sink_.boxes.size(), 1);
    QCOMPARE(sink_.boxes[0].title, QStringLiteral("数据记录失败"));
    QVERIFY(sink_.boxes[0].text.startsWith(QStringLiteral("数据记录失败") + path + "\r\n"));

    // The program goes on: the next reading is shown as before.
    const int requests = sim.countOf(0x23);
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(0x23) > requests, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("接收电流数据正常"),
                              2000);
    QCOMPARE(Ctl<QLabel>(w, "Label7")->text(), QStringLiteral("-42mA"));
}

QTEST_MAIN(TstForm2DataLog)
#include "tst_form2_datalog.moc"
