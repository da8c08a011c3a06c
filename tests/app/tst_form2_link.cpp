// The main window over a real pseudo-terminal with the simulator answering on the other
// side: what it shows for what the link reports (the labels, the status line, the lamp, the
// reading), what its controls ask of the link, and its closing. The link's own behaviour is
// tested on its own (tests/protocol/tst_meterlink.cpp).
#include <QAction>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTimer>
#include <QtTest>
#include <optional>

#include "app/form2.h"
#include "app/statuslamp.h"
#include "formcontrols.h"
#include "metersim.h"

using app::Form2;

namespace {

const QString kNoReply =
    QStringLiteral("握手失败,请检查设备是否开启或者线缆连接,通信设置是否正确.");

// Waits long enough for a 500 ms poll to have happened if it were going to.
void Idle(int ms) {
    QTest::qWait(ms);
}

}  // namespace

class TstForm2Link : public QObject {
    Q_OBJECT

  private slots:
    void startUpGreetsTheMeter();
    void controlsSetRunStateAndMode();
    void closingSendsSignOff_data();
    void closingSendsSignOff();
    void portThatWillNotOpenIsShown_data();
    void portThatWillNotOpenIsShown();
    void silentMeterIsShownAsSilent();
};

void TstForm2Link::startUpGreetsTheMeter() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));

    // Straight after start-up: port open, handshake written, no reply read yet.
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), kNoReply);
    QCOMPARE(Ctl<QLabel>(w, "Label1")->text(), QStringLiteral("串口通信正常"));
    QVERIFY(Ctl<QTimer>(w, "Timer1")->isActive());
    QVERIFY(!w.monitor().link().deviceConnected());
    QCOMPARE(w.monitor().link().mode(), protocol::LinkMode::Live);
    QVERIFY(w.monitor().link().running());
    QVERIFY(Ctl<QRadioButton>(w, "Option1")->isChecked());

    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label2")->text(), QStringLiteral("设备连接成功"),
                              3000);

    // The lamp blinks while the port is usable.
    const int before = Ctl<app::StatusLamp>(w, "Shape1")->backStyle();
    QTRY_VERIFY_WITH_TIMEOUT(Ctl<app::StatusLamp>(w, "Shape1")->backStyle() != before, 1500);

    // Live polling has begun by itself.
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("接收电流数据正常"),
                              2000);
}

// The run buttons, their menu items and the mode options set the link's run state and mode
// and say so; Start asks at once, the history mode greets the meter once.
void TstForm2Link::controlsSetRunStateAndMode() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().link().deviceConnected(), 3000);

    Ctl<QPushButton>(w, "Command2")->click();
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("已暂停"));
    QVERIFY(!w.monitor().link().running());

    // Start: a request at once, not at the next tick (the polling timer is held).
    w.findChild<QTimer*>("Timer4")->stop();
    Idle(100);
    const int n = sim.countOf(35);
    Ctl<QPushButton>(w, "Command1")->click();
    QVERIFY(w.monitor().link().running());
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) > n, 2000);
    w.findChild<QTimer*>("Timer4")->start();

    // History mode: one handshake is sent, "握手成功" again.
    const int handshakes = sim.countOf(5);
    Ctl<QRadioButton>(w, "Option2")->click();
    QCOMPARE(w.monitor().link().mode(), protocol::LinkMode::History);
    QVERIFY(w.monitor().link().running());
    QTRY_COMPARE_WITH_TIMEOUT(sim.countOf(5), handshakes + 1, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("握手成功"), 2000);
    QCOMPARE(Ctl<QLabel>(w, "Label2")->text(), QStringLiteral("设备连接成功"));

    // Back to real-time, still running: polling resumes without pressing Start.
    Ctl<QRadioButton>(w, "Option1")->click();
    QCOMPARE(w.monitor().link().mode(), protocol::LinkMode::Live);
    QVERIFY(w.monitor().link().running());

    // Stop: reading display back to LIVE.
    Ctl<QPushButton>(w, "Command3")->click();
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("已停止"));
    QCOMPARE(Ctl<QLabel>(w, "Label7")->text(), QStringLiteral("LIVE"));
    QVERIFY(!w.monitor().link().running());

    // The menu items do what the buttons do.
    Ctl<QAction>(w, "mnurun1")->trigger();
    QVERIFY(w.monitor().link().running());
    Ctl<QAction>(w, "mnupause")->trigger();
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("已暂停"));
    QVERIFY(!w.monitor().link().running());
    Ctl<QAction>(w, "mnustop")->trigger();
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("已停止"));
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
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().link().deviceConnected(), 3000);
    w.findChild<QAction*>(QStringLiteral("mnucomsetting"))->trigger();
    QPointer<QWidget> dialog = w.settingsDialog();
    QVERIFY(dialog && dialog->isVisible());

    if (viaMenu) {
        QCOMPARE(Ctl<QAction>(w, "mnuexit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        Ctl<QAction>(w, "mnuexit")->trigger();
    } else {
        w.close();
    }
    QVERIFY(!w.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(sim.countOf(0), 1, 2000);
    Idle(700);  // nothing follows the sign-off
    QCOMPARE(sim.received().last().byte, 0);
    QTRY_VERIFY(!dialog || !dialog->isVisible());
}

void TstForm2Link::portThatWillNotOpenIsShown_data() {
    QTest::addColumn<bool>("busy");  // the device is there, held by another program
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("status");
    QTest::newRow("device missing") << false << "串口无效"
                                    << "COM1电脑端口无效.";
    QTest::newRow("device busy") << true << "串口打开失败"
                                 << "COM1打开失败,请检查串口是否被占用或者尝试其它串口.";
}

// A port that will not open: the port label says why, the lamp goes dark, and the status
// line says it once the start-up text has been written; the port opening at a later try
// brings the label and the blinking lamp back.
void TstForm2Link::portThatWillNotOpenIsShown() {
    QFETCH(bool, busy);
    QFETCH(QString, label);
    QFETCH(QString, status);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyUSB7"));
    std::optional<MeterSim> sim;
    std::optional<QSerialPort> other;
    if (busy) {
        sim.emplace(QStringList{}, path);
        other.emplace(path);
        QVERIFY(other->open(QIODevice::ReadWrite));
    }
    Form2 w(MapTo(path));
    QCOMPARE(Ctl<QLabel>(w, "Label1")->text(), label);
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), kNoReply);  // the start-up text writes last
    QCOMPARE(Ctl<app::StatusLamp>(w, "Shape1")->backStyle(), 0);
    QVERIFY(!Ctl<QTimer>(w, "Timer1")->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), status, 2000);
    QCOMPARE(Ctl<app::StatusLamp>(w, "Shape1")->backStyle(), 0);

    if (busy)
        other.reset();
    else
        sim.emplace(QStringList{}, path);
    QVERIFY(sim->ok());
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label1")->text(), QStringLiteral("串口通信正常"),
                              3000);
    QVERIFY(Ctl<QTimer>(w, "Timer1")->isActive());
}

// A silent meter: the status line says so and the last reading stays, greyed; the next
// reading is shown in the reading's own colour again.
void TstForm2Link::silentMeterIsShownAsSilent() {
    MeterSim sim;
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("接收电流数据正常"),
                              3000);
    const QString reading = Ctl<QLabel>(w, "Label7")->text();
    const QColor live = Ctl<QLabel>(w, "Label7")->palette().color(QPalette::WindowText);

    sim.pause();
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("设备无响应"), 4000);
    QCOMPARE(Ctl<QLabel>(w, "Label7")->text(), reading);
    QVERIFY(Ctl<QLabel>(w, "Label7")->palette().color(QPalette::WindowText) != live);

    sim.resume();
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("接收电流数据正常"),
                              3000);
    QCOMPARE(Ctl<QLabel>(w, "Label7")->palette().color(QPalette::WindowText), live);
}

QTEST_MAIN(TstForm2Link)
#include "tst_form2_link.moc"
