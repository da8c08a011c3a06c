// The main window greeting, polling and commanding a meter over a real pseudo-terminal,
// with the simulator answering on the other side.
#include <QAction>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "../protocol/linkevents.h"
#include "app/form2.h"
#include "app/statuslamp.h"
#include "metersim.h"

using app::Form2;

namespace {

const QString kNoReply =
    QStringLiteral("握手失败,请检查设备是否开启或者线缆连接,通信设置是否正确.");

// Waits long enough for a 500 ms poll to have happened if it were going to.
void Idle(int ms) {
    QTest::qWait(ms);
}

// Greeted, then history query with the mode switch's greeting answered before Read: a reply
// is read by the command written last.
bool EnterHistory(Form2& w, const MeterSim& sim) {
    if (!QTest::qWaitFor([&] { return w.Link->deviceConnected(); }, 3000)) return false;
    w.Option2->click();
    if (!QTest::qWaitFor([&] { return sim.countOf(5) == 2; }, 2000)) return false;
    Idle(100);
    return w.Label6->text() == QStringLiteral("握手成功");
}

}  // namespace

class TstForm2Link : public QObject {
    Q_OBJECT

  private slots:
    void startUpGreetsTheMeter();
    void wrongHandshakeIsRetriedEveryHalfSecond();
    void meterSwitchedOnLateIsFound();
    void pollingFollowsRunStateAndMode();
    void readRequestsCountThenGroups_data();
    void readRequestsCountThenGroups();
    void readBeforeHandshakeSendsNothing();
    void garbledCountAsksForNoGroups();
    void closingSendsSignOff_data();
    void closingSendsSignOff();
    void closingWithPortClosedSendsNothing();
    void missingDeviceIsRetriedUntilItAppears();
    void busyDeviceIsReported();
    void unplugAndReplugRecovers();
    void brokenDownloadIsGivenUp_data();
    void brokenDownloadIsGivenUp();
    void silentMeterIsShownAsSilent();
};

void TstForm2Link::startUpGreetsTheMeter() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));

    // Straight after start-up: port open, handshake written, no reply read yet.
    QCOMPARE(w.Label6->text(), kNoReply);
    QCOMPARE(w.Label1->text(), QStringLiteral("串口通信正常"));
    QVERIFY(w.Timer1->isActive());
    QVERIFY(!w.Link->deviceConnected());
    QCOMPARE(w.Link->mode(), protocol::LinkMode::Live);
    QVERIFY(w.Link->running());
    QVERIFY(w.Option1->isChecked());
    QCOMPARE(w.Link->lastCommand(), protocol::MeterCommand::Handshake);

    QTRY_COMPARE_WITH_TIMEOUT(w.Label2->text(), QStringLiteral("设备连接成功"), 3000);
    QVERIFY(w.Link->deviceConnected());
    QVERIFY(!w.findChild<QTimer*>("Timer2")->isActive());
    QCOMPARE(sim.timesOf(5).size(), 1);

    // The lamp blinks while the port is usable.
    const int before = w.Shape1->backStyle();
    QTRY_VERIFY_WITH_TIMEOUT(w.Shape1->backStyle() != before, 1500);

    // Live polling has begun by itself.
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) >= 1, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("接收电流数据正常"), 2000);
    QCOMPARE(sim.countOf(5), 1);  // no more handshakes once connected
}

void TstForm2Link::wrongHandshakeIsRetriedEveryHalfSecond() {
    MeterSim sim({"--bad-handshakes", "3"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));

    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("握手失败,下位机返回出错"), 2000);
    QCOMPARE(w.Label2->text(), QStringLiteral("仪表连接失败"));
    QVERIFY(!w.Link->deviceConnected());
    QCOMPARE(sim.countOf(35), 0);

    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 4000);
    Idle(1200);
    const QList<double> hs = sim.timesOf(5);
    QCOMPARE(hs.size(), 4);  // start-up, then one per tick until the correct reply
    for (int i = 1; i < hs.size(); ++i) {
        const double gap = hs[i] - hs[i - 1];
        QVERIFY2(gap > 250 && gap < 1000, qPrintable(QString::number(gap)));
    }
}

void TstForm2Link::meterSwitchedOnLateIsFound() {
    MeterSim sim({"--silent-for", "2"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    Idle(700);
    QCOMPARE(w.Label6->text(), kNoReply);  // nothing answers: the status stays
    QVERIFY(!w.Link->deviceConnected());
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 4000);
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) >= 2, 3000);
}

void TstForm2Link::pollingFollowsRunStateAndMode() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 3000);

    // Running: one live request every 500 ms.
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) >= 5, 4000);
    const QList<double> polls = sim.timesOf(35);
    for (int i = 1; i < polls.size(); ++i) {
        const double gap = polls[i] - polls[i - 1];
        QVERIFY2(gap > 250 && gap < 1000, qPrintable(QString::number(gap)));
    }

    // Pause: no requests.
    w.Command2->click();
    QCOMPARE(w.Label6->text(), QStringLiteral("已暂停"));
    QVERIFY(!w.Link->running());
    Idle(100);
    int n = sim.countOf(35);
    Idle(1100);
    QCOMPARE(sim.countOf(35), n);

    // Start: a request at once, not at the next tick (the polling timer is held).
    w.findChild<QTimer*>("Timer4")->stop();
    w.Command1->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) > n, 2000);
    w.findChild<QTimer*>("Timer4")->start();

    // History mode: polling stops, one handshake is sent, "握手成功" again.
    const int handshakes = sim.countOf(5);
    w.Option2->click();
    QCOMPARE(w.Link->mode(), protocol::LinkMode::History);
    QVERIFY(w.Link->running());
    QTRY_COMPARE_WITH_TIMEOUT(sim.countOf(5), handshakes + 1, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("握手成功"), 2000);
    Idle(100);
    n = sim.countOf(35);
    Idle(1100);
    QCOMPARE(sim.countOf(35), n);
    QCOMPARE(w.Label2->text(), QStringLiteral("设备连接成功"));

    // Back to real-time: polling resumes without pressing Start.
    w.Option1->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) > n, 1500);

    // Stop: no requests, reading display back to LIVE.
    w.Command3->click();
    QCOMPARE(w.Label6->text(), QStringLiteral("已停止"));
    QCOMPARE(w.Label7->text(), QStringLiteral("LIVE"));
    Idle(100);
    n = sim.countOf(35);
    Idle(1100);
    QCOMPARE(sim.countOf(35), n);

    // The menu items do what the buttons do.
    w.mnurun1->trigger();
    QVERIFY(w.Link->running());
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) > n, 1000);
    w.mnupause->trigger();
    QCOMPARE(w.Label6->text(), QStringLiteral("已暂停"));
    w.mnustop->trigger();
    QCOMPARE(w.Label6->text(), QStringLiteral("已停止"));
}

void TstForm2Link::readRequestsCountThenGroups_data() {
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("threshold");
    QTest::newRow("none stored") << 0 << 3;
    QTest::newRow("two") << 2 << 6;
    QTest::newRow("full memory") << 255 << 765;
}

void TstForm2Link::readRequestsCountThenGroups() {
    QFETCH(int, groups);
    QFETCH(int, threshold);
    MeterSim sim({"--groups", QString::number(groups)});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QVERIFY(EnterHistory(w, sim));

    // Note the receive threshold after every reply the window handles.
    QList<int> thresholds;
    connect(&w.MSComm1, &serial::CommPort::dataReceived, this,
            [&] { thresholds.append(w.MSComm1.rThreshold()); });

    w.Command4->click();
    QCOMPARE(w.Link->lastCommand(), protocol::MeterCommand::GroupCount);
    QTRY_COMPARE_WITH_TIMEOUT(sim.countOf(25), 1, 2000);
    const double gap = sim.timesOf(25).first() - sim.timesOf(15).first();
    QVERIFY2(gap > 70 && gap < 600, qPrintable(QString::number(gap)));

    if (groups == 0) {
        // The meter has nothing to send for the 25; the count stays on the status line.
        Idle(300);
        QCOMPARE(w.Label6->text(), QStringLiteral("存储的组数为:0"));
        QCOMPARE(thresholds, QList<int>{3});
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("返回历史数据正常"), 2000);
        QCOMPARE(thresholds, (QList<int>{threshold, 3}));
    }
    QCOMPARE(w.Link->storedGroupCount(), groups);
    QCOMPARE(w.MSComm1.rThreshold(), 3);
}

void TstForm2Link::readBeforeHandshakeSendsNothing() {
    MeterSim sim({"--silent-for", "30"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    w.Option2->click();
    w.Command4->click();
    Idle(400);
    QCOMPARE(sim.countOf(15), 0);
    QCOMPARE(sim.countOf(25), 0);
}

// A count that cannot be read: no groups request, the report as it was, and the count's
// failure stays on the status line.
void TstForm2Link::garbledCountAsksForNoGroups() {
    MeterSim sim({"--groups", "5", "--bad-count-every", "1"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QVERIFY(EnterHistory(w, sim));
    const QString earlier = QStringLiteral("earlier report");
    w.RichTextBox1->setPlainText(earlier);
    w.Command4->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("接收组数失败"), 2000);
    Idle(400);
    QCOMPARE(sim.countOf(25), 0);
    QCOMPARE(w.Label6->text(), QStringLiteral("接收组数失败"));
    QCOMPARE(w.RichTextBox1->toPlainText(), earlier);
}

void TstForm2Link::closingSendsSignOff_data() {
    QTest::addColumn<bool>("viaMenu");
    QTest::newRow("mnuexit") << true;
    QTest::newRow("close box") << false;
}

void TstForm2Link::closingSendsSignOff() {
    QFETCH(bool, viaMenu);
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 3000);
    w.findChild<QAction*>(QStringLiteral("mnucomsetting"))->trigger();
    QPointer<QWidget> dialog = w.settingsDialog();
    QVERIFY(dialog && dialog->isVisible());

    if (viaMenu) {
        QCOMPARE(w.mnuexit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        w.mnuexit->trigger();
    } else {
        w.close();
    }
    QVERIFY(!w.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(sim.countOf(0), 1, 2000);
    Idle(700);  // nothing follows the sign-off
    QCOMPARE(sim.received().last().byte, 0);
    QTRY_VERIFY(!dialog || !dialog->isVisible());
}

void TstForm2Link::closingWithPortClosedSendsNothing() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 3000);
    w.MSComm1.close();
    w.close();
    Idle(200);
    QCOMPARE(sim.countOf(0), 0);
}

void TstForm2Link::missingDeviceIsRetriedUntilItAppears() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyUSB7"));
    Form2 w(MapTo(path));
    QCOMPARE(w.Label1->text(), QStringLiteral("串口无效"));
    QCOMPARE(w.Label6->text(), kNoReply);  // the start-up probe writes last
    QCOMPARE(w.Shape1->backStyle(), 0);
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(w.findChild<QTimer*>("Timer5")->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("COM1电脑端口无效."), 2000);
    QCOMPARE(w.Shape1->backStyle(), 0);

    // The adapter is plugged in: the next retry opens it and the handshake succeeds.
    MeterSim sim({}, path);
    QVERIFY(sim.ok());
    QTRY_COMPARE_WITH_TIMEOUT(w.Label1->text(), QStringLiteral("串口通信正常"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 3000);
    QVERIFY(w.Timer1->isActive());
}

void TstForm2Link::busyDeviceIsReported() {
    MeterSim sim;
    QVERIFY(sim.ok());
    auto* other = new QSerialPort(sim.link());
    QVERIFY(other->open(QIODevice::ReadWrite));

    Form2 w(MapTo(sim.link()));
    QCOMPARE(w.Label1->text(), QStringLiteral("串口打开失败"));
    QCOMPARE(w.Shape1->backStyle(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(),
                              QStringLiteral("COM1打开失败,请检查串口是否被占用或者尝试其它串口."),
                              2000);

    // The other program lets go: the port opens at the next retry.
    delete other;
    QTRY_COMPARE_WITH_TIMEOUT(w.Label1->text(), QStringLiteral("串口通信正常"), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 3000);
}

void TstForm2Link::unplugAndReplugRecovers() {
    MeterSim sim({"--unplug-after", "4", "--replug-after", "1.5"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QSignalSpy lost(&w.MSComm1, &serial::CommPort::closedAfterError);
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 3000);

    // Pulled out after a few readings: the port closes once, quietly.
    QTRY_VERIFY_WITH_TIMEOUT(sim.logText().contains(QStringLiteral("EV unplugged")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.MSComm1.isOpen() || lost.count() > 0, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label1->text(), QStringLiteral("串口无效"), 3000);
    QVERIFY2(lost.count() <= 2, qPrintable(QString::number(lost.count())));

    // Plugged in again: polling resumes by itself.
    QTRY_VERIFY_WITH_TIMEOUT(sim.logText().count(QStringLiteral("EV plugged in")) == 2, 5000);
    const int polls = sim.countOf(35);
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) > polls, 4000);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("接收电流数据正常"), 2000);
    QCOMPARE(w.Label1->text(), QStringLiteral("串口通信正常"));
    QVERIFY2(lost.count() <= 2, qPrintable(QString::number(lost.count())));
}

void TstForm2Link::brokenDownloadIsGivenUp_data() {
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<bool>("unplugged");
    QTest::addColumn<bool>("lateBytes");
    QTest::addColumn<bool>("nextDownloadWhole");
    QTest::newRow("announces 12, holds 10")
        << QStringList{"--groups", "10", "--announce", "12"} << false << false << false;
    QTest::newRow("unplugged mid-reply")
        << QStringList{"--groups", "10", "--stall-history", "6:unplug", "--replug-after", "0.3"}
        << true << false << true;
    QTest::newRow("pauses mid-reply")
        << QStringList{"--groups", "10", "--stall-history", "6:2"} << false << true << true;
}

// A stored-groups reply that never completes is given up by its deadline; the report
// stays as it was, late bytes are not taken for a reply, and the link hears the meter again.
void TstForm2Link::brokenDownloadIsGivenUp() {
    QFETCH(QStringList, meter);
    QFETCH(bool, unplugged);
    QFETCH(bool, lateBytes);
    QFETCH(bool, nextDownloadWhole);
    MeterSim sim(meter);
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    LinkEvents events(w.Link.get());
    const auto failed = [&] { return events.count<protocol::DownloadFailed>(); };
    QTRY_VERIFY_WITH_TIMEOUT(w.Link->deviceConnected(), 3000);
    const QString earlier = QStringLiteral("earlier report");
    w.RichTextBox1->setPlainText(earlier);
    const auto greeted = [&] { return events.count<protocol::HandshakeAnswered>(); };
    // History mode greets the meter; its answer must be in before Read.
    const auto download = [&] {
        const int before = int(greeted());
        QTest::mouseClick(w.Option2, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(greeted() > before, 3000);
        QTest::mouseClick(w.Command4, Qt::LeftButton);
    };

    download();
    QTRY_COMPARE_WITH_TIMEOUT(failed(), 1, 5000);
    if (!unplugged) QCOMPARE(w.Label6->text(), QStringLiteral("接收历史数据失败"));
    QCOMPARE(w.MSComm1.rThreshold(), 3);
    QCOMPARE(w.RichTextBox1->toPlainText(), earlier);

    if (unplugged) {
        QTRY_COMPARE_WITH_TIMEOUT(w.Label1->text(), QStringLiteral("串口通信正常"), 4000);
    } else {
        // Whatever still comes of the given-up reply is no reply to anything.
        const int sent = sim.repliesSent();
        if (lateBytes) QTRY_VERIFY_WITH_TIMEOUT(sim.repliesSent() > sent, 4000);
        Idle(300);
        QCOMPARE(w.RichTextBox1->toPlainText(), earlier);
        QCOMPARE(w.Label6->text(), QStringLiteral("接收历史数据失败"));
    }

    // Live readings are heard again.
    QTest::mouseClick(w.Option1, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("接收电流数据正常"), 5000);
    QCOMPARE(w.Label7->text(), QStringLiteral("12.5mA"));

    download();
    if (nextDownloadWhole) {
        QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("返回历史数据正常"), 5000);
        QCOMPARE(w.Link->storedGroupCount(), 10);
        QVERIFY(w.RichTextBox1->toPlainText().contains(QStringLiteral("组 数")));
        QCOMPARE(failed(), 1);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(failed(), 2, 5000);
        QCOMPARE(w.MSComm1.rThreshold(), 3);
    }
}

// A meter that stops answering with the port still open is shown as silent after three
// unanswered requests, and as live again with its next reading.
void TstForm2Link::silentMeterIsShownAsSilent() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("接收电流数据正常"), 3000);
    const QString reading = w.Label7->text();
    const QColor live = w.Label7->palette().color(QPalette::WindowText);
    const int handshakes = sim.countOf(5);

    sim.pause();
    QElapsedTimer silence;
    silence.start();
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("设备无响应"), 4000);
    QVERIFY2(silence.elapsed() >= 900, qPrintable(QString::number(silence.elapsed())));
    QCOMPARE(w.Label7->text(), reading);
    QVERIFY(w.Label7->palette().color(QPalette::WindowText) != live);
    const int index = w.LiveSeries.writeIndex;
    Idle(700);
    QCOMPARE(w.LiveSeries.writeIndex, index);  // nothing recorded for the silent time
    QCOMPARE(w.Label6->text(), QStringLiteral("设备无响应"));

    sim.resume();
    QTRY_COMPARE_WITH_TIMEOUT(w.Label6->text(), QStringLiteral("接收电流数据正常"), 3000);
    QCOMPARE(w.Label7->palette().color(QPalette::WindowText), live);
    QVERIFY2(sim.countOf(35) >= 5, "polling went on during the silence");
    QCOMPARE(sim.countOf(5), handshakes);
}

QTEST_MAIN(TstForm2Link)
#include "tst_form2_link.moc"
