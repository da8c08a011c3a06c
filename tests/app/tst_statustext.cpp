// The status line's texts for what the link reports: the exact bytes the meter's users know.
#include <QtTest>

#include "app/statustext.h"

using protocol::LinkEvent;
using Kind = LinkEvent::Kind;

Q_DECLARE_METATYPE(LinkEvent)

namespace {

LinkEvent Event(Kind kind) {
    LinkEvent e;
    e.kind = kind;
    e.portNumber = 3;
    return e;
}

}  // namespace

class TstStatusText : public QObject {
    Q_OBJECT

  private slots:
    void statusText_data();
    void statusText();
    void advice();
};

void TstStatusText::statusText_data() {
    QTest::addColumn<LinkEvent>("event");
    QTest::addColumn<QString>("text");  // empty: the status line stays as it is
    LinkEvent count = Event(Kind::GroupCount);
    count.count = 12;
    LinkEvent missing = Event(Kind::OpenFailed);
    missing.openResult = serial::OpenResult::InvalidPort;
    LinkEvent busy = Event(Kind::OpenFailed);
    busy.openResult = serial::OpenResult::PortInUse;
    LinkEvent refused = Event(Kind::SettingsRefused);
    refused.refused.parity = QSerialPort::EvenParity;
    LinkEvent garbled = Event(Kind::DownloadFailed);
    garbled.failure = protocol::DownloadFailure::CountGarbled;
    LinkEvent lost = Event(Kind::DownloadFailed);
    lost.failure = protocol::DownloadFailure::PortLost;

    QTest::newRow("opened") << Event(Kind::PortOpened) << "COM3已打开";
    QTest::newRow("no such port") << missing << "COM3电脑端口无效.";
    QTest::newRow("busy") << busy << "COM3打开失败,请检查串口是否被占用或者尝试其它串口.";
    QTest::newRow("line refused") << refused << "串口不支持设置9600,E,8,1,保持原设置9600,N,8,1";
    QTest::newRow("greeted") << Event(Kind::HandshakeAnswered) << "握手成功";
    QTest::newRow("greeting refused") << Event(Kind::HandshakeRefused) << "握手失败,下位机返回出错";
    QTest::newRow("count") << count << "存储的组数为:12";
    QTest::newRow("groups") << Event(Kind::GroupsReceived) << "返回历史数据正常";
    QTest::newRow("live") << Event(Kind::LiveAnswered) << "接收电流数据正常";
    QTest::newRow("unknown") << Event(Kind::UnknownReply) << "未知值";
    QTest::newRow("garbled count") << garbled << "接收组数失败";
    QTest::newRow("download given up") << lost << "接收历史数据失败";
    QTest::newRow("silent") << Event(Kind::MeterSilent) << "设备无响应";
    QTest::newRow("answers again") << Event(Kind::MeterAnswersAgain) << "";
}

void TstStatusText::statusText() {
    QFETCH(LinkEvent, event);
    QFETCH(QString, text);
    QCOMPARE(app::StatusText(event).value_or(QString()), text);
}

void TstStatusText::advice() {
    LinkEvent e = Event(Kind::NoMeterOnPort);
    e.device = QStringLiteral("/dev/ttyUSB0");
    e.waitedMs = 10000;
    QCOMPARE(app::AdviceLine(e).value_or(QString()),
             QStringLiteral("leakmeter: no meter has answered on COM3 (/dev/ttyUSB0) for 10 s: "
                            "check that the meter is switched on and its cable is in; "
                            "'leakmeter --list-ports' lists the serial devices, 'leakmeter "
                            "--port COM3=auto' finds the meter"));
    QVERIFY(!app::AdviceLine(Event(Kind::LiveAnswered)));
}

QTEST_APPLESS_MAIN(TstStatusText)
#include "tst_statustext.moc"
