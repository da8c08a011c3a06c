// How long a stored-groups reply may take before it is given up, for the line settings the
// settings dialog offers.
#include <QtTest>

#include "protocol/meterlink.h"

class TstHistoryDeadline : public QObject {
    Q_OBJECT

  private slots:
    void deadline_data();
    void deadline();
};

void TstHistoryDeadline::deadline_data() {
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("ms");
    // 10 bits a byte at 9600,N,8,1: 765 bytes take 796.875 ms.
    QTest::newRow("full memory, 9600,N,8,1") << 255 << "9600,N,8,1" << 1797;
    QTest::newRow("one record, 9600,N,8,1") << 1 << "9600,N,8,1" << 1004;
    // 12 bits a byte with parity and 2 stop bits; 1200 baud is slow.
    QTest::newRow("full memory, 1200,E,8,2") << 255 << "1200,E,8,2" << 8650;
    QTest::newRow("full memory, 115200,N,8,1") << 255 << "115200,N,8,1" << 1067;
    QTest::newRow("nothing awaited") << 0 << "9600,N,8,1" << 1000;
}

void TstHistoryDeadline::deadline() {
    QFETCH(int, records);
    QFETCH(QString, settings);
    QFETCH(int, ms);
    serial::LineSettings line;
    serial::parseLineSettings(settings, &line);
    QCOMPARE(protocol::historyDeadlineMs(records, line), ms);
}

QTEST_APPLESS_MAIN(TstHistoryDeadline)
#include "tst_historydeadline.moc"
