// The port mapping kept between runs, in a settings folder of the test's own.

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "../underwine.h"
#include "serial/portmemory.h"

class TstPortMemory : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void roundTrip_data();
    void roundTrip();
    void badEntriesAreLeftOut();
    void forgetClears();

  private:
    QTemporaryDir config_;
};

void TstPortMemory::initTestCase() {
    QVERIFY(config_.isValid());
#ifdef Q_OS_WIN
    // Windows keeps the settings in the user's registry, which no folder of the test's replaces:
    // only in Wine's prefix, thrown away after the run.
    if (!underWine()) QSKIP("would change this user's remembered ports in the registry");
    QCOMPARE(serial::rememberedPortsFile(),
             QStringLiteral("\\HKEY_CURRENT_USER\\Software\\leakmeter\\leakmeter"));
#else
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    QVERIFY(serial::rememberedPortsFile().startsWith(config_.path()));
#endif
}

void TstPortMemory::init() {
    QVERIFY(serial::forgetPorts());
}

void TstPortMemory::roundTrip_data() {
    QTest::addColumn<QStringList>("mappings");
    QTest::newRow("one adapter") << QStringList{"COM1=/dev/ttyUSB0"};
    QTest::newRow("several ports") << QStringList{"COM1=/dev/ttyUSB1", "COM2=/dev/ttyACM0",
                                                  "COM16=/dev/serial/by-id/usb-FTDI-if00"};
    QTest::newRow("comma and blank in the name") << QStringList{"COM1=/tmp/a, b/dev"};
    QTest::newRow("nothing") << QStringList{};
}

void TstPortMemory::roundTrip() {
    QFETCH(QStringList, mappings);
    serial::PortMap older;
    older.addMapping(QStringLiteral("COM9=/dev/ttyUSB9"));
    QVERIFY(serial::rememberPorts(older));
    serial::PortMap map;
    for (const QString& m : mappings) QVERIFY(map.addMapping(m));
    serial::PortStoreError why;
    QVERIFY2(serial::rememberPorts(map, &why), qPrintable(why.file));
    // The new mapping replaces the old one whole.
    QCOMPARE(serial::rememberedPorts().mappings(), map.mappings());
}

void TstPortMemory::badEntriesAreLeftOut() {
    {
        QSettings s(serial::rememberedPortsFile(), QSettings::NativeFormat);
        s.setValue("ports/COM2", "/dev/ttyUSB0");
        s.setValue("ports/COM0", "/dev/ttyUSB1");
        s.setValue("ports/LPT1", "/dev/lp0");
        s.setValue("ports/COM3", "");
    }
    QCOMPARE(serial::rememberedPorts().mappingTexts(), QStringList{"COM2=/dev/ttyUSB0"});
}

void TstPortMemory::forgetClears() {
    serial::PortMap map;
    map.addMapping(QStringLiteral("COM1=/dev/ttyUSB0"));
    QVERIFY(serial::rememberPorts(map));
    QVERIFY(!serial::rememberedPorts().isEmpty());
    QVERIFY(serial::forgetPorts());
    QVERIFY(serial::rememberedPorts().isEmpty());
}

QTEST_GUILESS_MAIN(TstPortMemory)
#include "tst_portmemory.moc"
