#include <QtTest>

#include "measure/historyreport.h"

using namespace measure;

namespace {

const QString kHeader = QStringLiteral(
    "                              高精度钳形漏电流表测试数据\r\n"
    "\r\n"
    "                             组 数                     数 值");

QString Line(const char* group, const QString& reading) {
    return QStringLiteral("\r\n                              ") + QLatin1String(group) +
           QStringLiteral("                      ") + reading;
}

}  // namespace

class TestHistoryReport : public QObject {
    Q_OBJECT
  private slots:
    void header() {
        QCOMPARE(ReportHeader(), kHeader);
        QCOMPARE(ReportHeader().toUtf8().size(), 30 + 39 + 2 + 2 + 29 + 7 + 21 + 7);
    }

    // Reply bytes and group count give the exact report; short replies report only the whole
    // records present.
    void report_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("expected");
        const QByteArray two("\x01\x17\x01\x01\x00\x09", 6);
        const QString twoLines = kHeader + Line("001", "AC 1.23 mA") + Line("002", "0L");
        QTest::newRow("no groups") << QByteArray() << 0 << kHeader;
        QTest::newRow("no groups, bytes present") << two << 0 << kHeader;
        QTest::newRow("negative count") << two << -1 << kHeader;
        QTest::newRow("two groups") << two << 2 << twoLines;
        QTest::newRow("extra bytes ignored") << two + "\x05\x05\x05" << 2 << twoLines;
        QTest::newRow("one group of two") << two << 1 << kHeader + Line("001", "AC 1.23 mA");
        QTest::newRow("reply one byte short")
            << two.left(5) << 2 << kHeader + Line("001", "AC 1.23 mA");
        QTest::newRow("count beyond reply") << two + QByteArray(1, '\0') << 3 << twoLines;
        QTest::newRow("255 groups, empty reply") << QByteArray() << 255 << kHeader;
        QTest::newRow("examples") << QByteArray(
                                         "\x00\x05\x0A\x00\x07\x0B\x00\x7B\x03"
                                         "\x00\x00\x11\x00\x0C\x11\x00\x00\x12\x00\x00\x00",
                                         21)
                                  << 7
                                  << kHeader + Line("001", "AC 0.005mA") +
                                         Line("002", "AC 0.007A") + Line("003", "AC 2.3 mA") +
                                         Line("004", "DC 0 A") + Line("005", "DC -1.2 A") +
                                         Line("006", "DC -0 A") + Line("007", "ERROR");
    }
    void report() {
        QFETCH(QByteArray, reply);
        QFETCH(int, count);
        QFETCH(QString, expected);
        QCOMPARE(BuildHistoryReport(reply, count), expected);
    }

    // 255 groups, group k holding k mA (code 21): numbering, layout and no final line break.
    void fullReport() {
        QByteArray reply;
        QString expected = kHeader;
        for (int k = 1; k <= 255; ++k) {
            reply.append(char(k / 100)).append(char(k % 100)).append(char(21));
            const QByteArray group = QByteArray::number(k).rightJustified(3, '0');
            expected += Line(group.constData(), QStringLiteral("DC %1 mA").arg(k));
        }
        const QString report = BuildHistoryReport(reply, 255);
        QCOMPARE(report, expected);
        QCOMPARE(report.count(QStringLiteral("\r\n")), 2 + 255);
        QVERIFY(report.contains(QStringLiteral("\r\n                              042      ")));
        QVERIFY(report.endsWith(QStringLiteral("255                      DC 255 mA")));
    }

    // Every status code in a one-group report, raw 12.
    void everyStatusCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reading");
        const char* const readings[27] = {
            "ERROR",      "AC 0.12 mA", "AC 0.12 mA", "AC 1.2 mA", "AC 1.2 mA",  "AC 0.12 A",
            "AC 0.12 A",  "AC 1.2 A",   "AC 1.2 A",   "0L",        "AC 0.012mA", "AC 0.012A",
            "AC 12 A",    "DC 1.2 A",   "DC 1.2 A",   "DC 1.2 A",  "DC 12 A",    "DC -1.2 A",
            "DC -1.2 A",  "DC -1.2 A",  "DC -12 A",   "DC 12 mA",  "DC 0.12 A",  "DC -12 mA",
            "DC -0.12 A", "DC 1.2 mA",  "DC -1.2 mA"};
        for (int code = 0; code < 256; ++code)
            QTest::addRow("code %d", code) << code << (code < 27 ? readings[code] : "ERROR");
    }
    void everyStatusCode() {
        QFETCH(int, code);
        QFETCH(QString, reading);
        QByteArray reply;
        reply.append(char(0)).append(char(12)).append(char(code));
        QCOMPARE(BuildHistoryReport(reply, 1), kHeader + Line("001", reading));
    }
};

QTEST_GUILESS_MAIN(TestHistoryReport)
#include "tst_historyreport.moc"
