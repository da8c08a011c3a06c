// The status line's texts for what the link reports: the exact bytes the meter's users know.
#include <QtTest>

#include "app/statustext.h"

using namespace protocol;

class TstStatusText : public QObject {
    Q_OBJECT

  private slots:
    void statusText_data();
    void statusText();
    void labelText_data();
    void labelText();
    void advice();
};

void TstStatusText::statusText_data() {
    QTest::addColumn<LinkEvent>("event");
    QTest::addColumn<QString>("text");  // empty: the status line stays as it is
    serial::LineSettings even;
    even.parity = QSerialPort::EvenParity;

    QTest::newRow("opened") << LinkEvent(PortOpened{3}) << "COM3已打开";
    QTest::newRow("no such port") << LinkEvent(OpenFailed{3, serial::OpenResult::InvalidPort})
                                  << "COM3电脑端口无效.";
    QTest::newRow("busy") << LinkEvent(OpenFailed{3, serial::OpenResult::PortInUse})
                          << "COM3打开失败,请检查串口是否被占用或者尝试其它串口.";
    QTest::newRow("line refused") << LinkEvent(SettingsRefused{even, serial::LineSettings()})
                                  << "串口不支持设置9600,E,8,1,保持原设置9600,N,8,1";
    QTest::newRow("greeted") << LinkEvent(HandshakeAnswered{}) << "握手成功";
    QTest::newRow("greeting refused") << LinkEvent(HandshakeRefused{}) << "握手失败,下位机返回出错";
    QTest::newRow("count") << LinkEvent(GroupCount{12}) << "存储的组数为:12";
    QTest::newRow("groups") << LinkEvent(GroupsReceived{}) << "返回历史数据正常";
    QTest::newRow("live") << LinkEvent(LiveAnswered{}) << "接收电流数据正常";
    QTest::newRow("unknown") << LinkEvent(UnknownReply{}) << "未知值";
    QTest::newRow("garbled count")
        << LinkEvent(DownloadFailed{DownloadFailure::CountGarbled}) << "接收组数失败";
    QTest::newRow("download given up")
        << LinkEvent(DownloadFailed{DownloadFailure::PortLost}) << "接收历史数据失败";
    QTest::newRow("silent") << LinkEvent(MeterSilent{}) << "设备无响应";
    QTest::newRow("answers again") << LinkEvent(MeterAnswersAgain{}) << "";
}

void TstStatusText::statusText() {
    QFETCH(LinkEvent, event);
    QFETCH(QString, text);
    QCOMPARE(app::statusText(event).value_or(QString()), text);
}

void TstStatusText::labelText_data() {
    QTest::addColumn<LinkEvent>("event");
    QTest::addColumn<QString>("port");   // Label1; empty: as it is
    QTest::addColumn<QString>("meter");  // Label2; empty: as it is
    QTest::newRow("opened") << LinkEvent(PortOpened{3}) << "串口通信正常"
                            << "";
    QTest::newRow("no such port") << LinkEvent(OpenFailed{3, serial::OpenResult::InvalidPort})
                                  << "串口无效"
                                  << "";
    QTest::newRow("busy") << LinkEvent(OpenFailed{3, serial::OpenResult::PortInUse})
                          << "串口打开失败"
                          << "";
    QTest::newRow("greeted") << LinkEvent(HandshakeAnswered{}) << ""
                             << "设备连接成功";
    QTest::newRow("greeting refused") << LinkEvent(HandshakeRefused{}) << ""
                                      << "";
}

void TstStatusText::labelText() {
    QFETCH(LinkEvent, event);
    QFETCH(QString, port);
    QFETCH(QString, meter);
    QCOMPARE(app::portLabelText(event).value_or(QString()), port);
    QCOMPARE(app::meterLabelText(event).value_or(QString()), meter);
}

void TstStatusText::advice() {
    const LinkEvent e = NoMeterOnPort{3, QStringLiteral("/dev/ttyUSB0"), 10000};
    QCOMPARE(app::adviceLine(e).value_or(QString()),
             QStringLiteral("leakmeter: no meter has answered on COM3 (/dev/ttyUSB0) for 10 s: "
                            "check that the meter is switched on and its cable is in; "
                            "'leakmeter --list-ports' lists the serial devices, 'leakmeter "
                            "--port COM3=auto' finds the meter"));
    QVERIFY(!app::adviceLine(LiveAnswered{}));
}

QTEST_APPLESS_MAIN(TstStatusText)
#include "tst_statustext.moc"
