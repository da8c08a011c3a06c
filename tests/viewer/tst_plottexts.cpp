// The picture's words without a picture: the meter a log's path names, the period, the title.
#include <QDateTime>
#include <QtTest>

#include "viewer/plottexts.h"

using namespace viewer;

namespace {

qint64 Local(const char* text) {
    return QDateTime::fromString(QLatin1String(text), Qt::ISODate).toMSecsSinceEpoch();
}

}  // namespace

class TstPlotTexts : public QObject {
    Q_OBJECT
  private slots:
    void meterFromPath_data();
    void meterFromPath();
    void title_data();
    void title();
};

void TstPlotTexts::meterFromPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("meter");
#ifndef Q_OS_WIN  // systemd's escaped name holds backslashes, which Windows reads as folders
    QTest::newRow("logger's state folder, by-id")
        << R"(/var/lib/leakmeter/dev-serial-by\x2did-usb\x2dFTDI_A50285BI\x2dif00\x2dport0/readings-20261210.csv)"
        << "usb-FTDI_A50285BI-if00-port0";
#endif
    QTest::newRow("logger's state folder, tty") << "/var/lib/leakmeter/dev-ttyUSB0/readings.csv"
                                                << "ttyUSB0";
    QTest::newRow("dated file") << "/home/op/pump3-20261210.csv"
                                << "pump3";
    QTest::newRow("dated file, underscore") << "line_4_20261210T0100.csv"
                                            << "line_4";
    QTest::newRow("the logger's generic name") << "/tmp/readings-20261210.csv"
                                               << "";
    QTest::newRow("undated file") << "/tmp/night.csv"
                                  << "";
    QTest::newRow("date too short") << "/tmp/pump3-2026.csv"
                                    << "";
}

void TstPlotTexts::meterFromPath() {
    QFETCH(QString, path);
    QFETCH(QString, meter);
    QCOMPARE(viewer::meterFromPath(path), meter);
}

void TstPlotTexts::title_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("meterId");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("title");
    QTest::newRow("one log, one day, seconds") << QStringList{"/logs/night.csv"} << ""
                                               << "2026-12-10T01:05:00"
                                               << "2026-12-10T01:06:30"
                                               << "night.csv · 2026-12-10 01:05:00 – 01:06:30";
    QTest::newRow("whole minutes, two days")
        << QStringList{"a.csv", "b.csv"} << ""
        << "2026-12-09T22:00:00"
        << "2026-12-10T06:00:00"
        << "a.csv, b.csv · 2026-12-09 22:00 – 2026-12-10 06:00";
    QTest::newRow("meters the names tell")
        << QStringList{"pump3-20261210.csv", "pump4-20261210.csv", "pump3-20261211.csv"} << ""
        << "2026-12-10T00:00:00"
        << "2026-12-12T00:00:00"
        << "pump3-20261210.csv, pump4-20261210.csv, pump3-20261211.csv · 仪表 pump3, pump4 · "
           "2026-12-10 00:00 – 2026-12-12 00:00";
    QTest::newRow("--meter-id wins, a week of files")
        << QStringList{"pump3-20261204.csv", "pump3-20261205.csv", "pump3-20261206.csv",
                       "pump3-20261207.csv"}
        << "line4"
        << "2026-12-04T00:00:00"
        << "2026-12-08T00:00:00"
        << "pump3-20261204.csv … pump3-20261207.csv (4 个文件) · 仪表 line4 · 2026-12-04 00:00 – "
           "2026-12-08 00:00";
}

void TstPlotTexts::title() {
    QFETCH(QStringList, paths);
    QFETCH(QString, meterId);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, title);
    QCOMPARE(plotTitle(paths, meterId, Local(qPrintable(from)), Local(qPrintable(to))), title);
}

QTEST_GUILESS_MAIN(TstPlotTexts)
#include "tst_plottexts.moc"
