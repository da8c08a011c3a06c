// Settings text and port mapping: pure functions, no port involved.

#include <QTest>

#include "serial/portmap.h"
#include "serial/serialsettings.h"

using serial::LineSettings;

class TestSerialSettings : public QObject {
    Q_OBJECT
  private slots:
    void settingsText_data();
    void settingsText();
    void parseInvalid_data();
    void parseInvalid();
    void portMap_data();
    void portMap();
};

void TestSerialSettings::settingsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("canonical");  // what the port reports back
    QTest::addColumn<int>("baud");
    QTest::newRow("defaults") << "9600,N,8,1"
                              << "9600,N,8,1" << 9600;
    QTest::newRow("even") << "9600,E,8,1"
                          << "9600,E,8,1" << 9600;
    QTest::newRow("odd") << "19200,O,7,2"
                         << "19200,O,7,2" << 19200;
    QTest::newRow("5 bits") << "56000,N,5,2"
                            << "56000,N,5,2" << 56000;
    QTest::newRow("lower case") << "1200,m,6,1.5"
                                << "1200,M,6,1.5" << 1200;
    QTest::newRow("space") << "115200,S,8,1"
                           << "115200,S,8,1" << 115200;
}

void TestSerialSettings::settingsText() {
    QFETCH(QString, text);
    QFETCH(QString, canonical);
    QFETCH(int, baud);
    LineSettings line;
    QVERIFY(serial::parseLineSettings(text, &line));
    QCOMPARE(serial::lineSettingsText(line), canonical);
    QCOMPARE(line.baudRate, baud);
    // The start-up line is the defaults' line.
    if (QByteArray(QTest::currentDataTag()) == "defaults") QVERIFY(line == LineSettings{});
}

void TestSerialSettings::parseInvalid_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");  // the field at fault, 0 to 3; -1: not four fields
    const QList<QStringList> byField = {{"", "9600", "9600,N,8", "9600,N,8,1,0", "9600;N;8;1"},
                                        {"0,N,8,1", "-9600,N,8,1", "+9600,N,8,1", "96a0,N,8,1",
                                         "99999999999,N,8,1", "4000001,N,8,1"},
                                        {"9600,X,8,1", "9600,NONE,8,1", "9600,,8,1"},
                                        {"9600,N,9,1", "9600,N,4,1"},
                                        {"9600,N,8,3", "9600,N,8,0"}};
    for (int field = -1; field < 4; ++field)
        for (const QString& text : byField[field + 1])
            QTest::newRow(text.isEmpty() ? "empty" : qPrintable(text)) << text << field;
}

void TestSerialSettings::parseInvalid() {
    QFETCH(QString, text);
    QFETCH(int, field);
    LineSettings line;
    line.baudRate = 1234;  // must survive a failed parse
    serial::SettingsTextError error;
    QVERIFY(!serial::parseLineSettings(text, &line, &error));
    QCOMPARE(error.field ? int(*error.field) : -1, field);
    QCOMPARE(error.text, field < 0 ? text : text.split(',')[field]);
    QCOMPARE(line.baudRate, 1234);
}

void TestSerialSettings::portMap_data() {
    QTest::addColumn<QStringList>("mappings");
    QTest::addColumn<int>("rejected");  // how many of the mappings are refused
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("mapped");
#ifdef Q_OS_WIN
    QTest::newRow("COM16") << QStringList{} << 0 << 16 << "COM16" << false;
    QTest::newRow("mapped stays COMn") << QStringList{"COM2=COM9"} << 0 << 2 << "COM2" << true;
#else
    QTest::newRow("COM1 unmapped") << QStringList{} << 0 << 1 << "/dev/ttyS0" << false;
    QTest::newRow("COM16 unmapped") << QStringList{} << 0 << 16 << "/dev/ttyS15" << false;
    QTest::newRow("mapped") << QStringList{"COM2=/dev/ttyUSB0"} << 0 << 2 << "/dev/ttyUSB0" << true;
    QTest::newRow("blanks, lower case")
        << QStringList{" com3 = /dev/ttyACM0"} << 0 << 3 << "/dev/ttyACM0" << true;
    QTest::newRow("other number") << QStringList{"COM2=/dev/ttyUSB0"} << 0 << 3 << "/dev/ttyS2"
                                  << false;
    QTest::newRow("later wins") << QStringList{"COM1=/dev/a", "COM1=/dev/b"} << 0 << 1 << "/dev/b"
                                << true;
    QTest::newRow("COM255") << QStringList{"COM255=/dev/x"} << 0 << 255 << "/dev/x" << true;
    QTest::newRow("bad ones change nothing")
        << QStringList{"COM1=/dev/a",  "COM1=",         "COM1",
                       "COM0=/dev/x",  "COM256=/dev/x", "COM=/dev/x",
                       "COM-1=/dev/x", "ttyS0=/dev/x",  "COM1 2=/dev/x"}
        << 8 << 1 << "/dev/a" << true;
#endif
    QTest::newRow("number 0") << QStringList{} << 0 << 0 << "" << false;
    QTest::newRow("negative number") << QStringList{} << 0 << -4 << "" << false;
}

void TestSerialSettings::portMap() {
    QFETCH(QStringList, mappings);
    QFETCH(int, rejected);
    QFETCH(int, number);
    QFETCH(QString, device);
    QFETCH(bool, mapped);
    serial::PortMap map;
    int refused = 0;
    for (const QString& m : mappings) refused += map.addMapping(m) ? 0 : 1;
    QCOMPARE(refused, rejected);
    QCOMPARE(map.deviceFor(number), device);
    QCOMPARE(map.isMapped(number), mapped);
    QVERIFY(!map.isMapped(0) && !map.isMapped(12) && !map.isMapped(256));
}

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"
