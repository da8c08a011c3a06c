// Measurements end to end: the simulator's records reach the big reading, the live
// series, the statistics and the alarm lamp; a full download becomes the report.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "app/commandline.h"
#include "app/form2.h"
#include "app/statuslamp.h"
#include "formcontrols.h"
#include "measure/historyreport.h"
#include "metersim.h"

using app::Form2;

namespace {

// The report view keeps paragraphs; the report's own line break is CR LF.
QString ReportText(const QTextEdit* view) {
    return view->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

}  // namespace

class TstForm2Measure : public QObject {
    Q_OBJECT

  private slots:
    void liveReadingIsShownAndRecorded_data();
    void liveReadingIsShownAndRecorded();
    void alarmLampFollowsThreshold_data();
    void alarmLampFollowsThreshold();
    void alarmFromTheCommandLineIsInTheBox_data();
    void alarmFromTheCommandLineIsInTheBox();
    void fullDownloadBecomesTheReport();
};

void TstForm2Measure::liveReadingIsShownAndRecorded_data() {
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("label7");
    QTest::addColumn<float>("recorded");  // -1: nothing recorded
    QTest::newRow("mA range") << "0C,32,01"
                              << "12.5mA" << 12.5f;
    QTest::newRow("negative DC amperes") << "00,22,12"
                                         << "-3.4A" << 3400.0f;
    QTest::newRow("largest count in amperes") << "63,63,0C"
                                              << "9999A" << 9999000.0f;
    QTest::newRow("overload") << "00,00,09"
                              << "0L" << 0.0f;
    QTest::newRow("invalid code") << "01,02,1B"
                                  << "ERROR" << -1.0f;
}

void TstForm2Measure::liveReadingIsShownAndRecorded() {
    QFETCH(QString, bytes);
    QFETCH(QString, label7);
    QFETCH(float, recorded);
    MeterSim sim({"--live-bytes", bytes});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    Ctl<QSlider>(w, "Slider1")->setValue(0);  // "100A" scale: reading / 1000

    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label7")->text(), label7, 4000);
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("接收电流数据正常"),
                              2000);
    QCOMPARE(w.monitor().link().storedGroupCount(), 1);
    if (recorded < 0) {
        QCOMPARE(w.liveSeries().writeIndex, qint16(0));
        QCOMPARE(w.liveSeries().readings[0], 0.0f);
        QCOMPARE(Ctl<QLabel>(w, "Label8")->text(), QStringLiteral("100mA"));  // unchanged
        return;
    }
    QCOMPARE(w.liveSeries().readings[0], recorded);
    QCOMPARE(w.liveSeries().chartValues[1], recorded / 1000.0f);
    QCOMPARE(Ctl<QLabel>(w, "Label8")->text(), QStringLiteral("100A"));

    // The statistics tick: slot 0 holds the reading, the rest of the window zeros.
    QTRY_VERIFY_WITH_TIMEOUT(!Ctl<QLineEdit>(w, "Text2")->text().isEmpty(), 2500);
    const float max =
        *std::max_element(w.liveSeries().readings.begin(), w.liveSeries().readings.begin() + 167);
    QCOMPARE(Ctl<QLineEdit>(w, "Text2")->text().toFloat(), max);
    QCOMPARE(Ctl<QLineEdit>(w, "Text3")->text(), QStringLiteral("0"));

    // A value the user selected to copy stays selected while the next tick finds it unchanged.
    Ctl<QLineEdit>(w, "Text3")->selectAll();
    QSignalSpy tick(w.findChild<QTimer*>(QStringLiteral("Timer6")), &QTimer::timeout);
    QVERIFY(tick.wait(2500));
    QCOMPARE(Ctl<QLineEdit>(w, "Text3")->selectedText(), QStringLiteral("0"));
}

void TstForm2Measure::alarmLampFollowsThreshold_data() {
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<bool>("ampere");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("blinks");
    QTest::newRow("reading at threshold") << "00,05,15" << false << "5" << true;      // 5 mA
    QTest::newRow("reading below threshold") << "01,63,01" << false << "5" << false;  // 4.99 mA
    QTest::newRow("ampere entry reached") << "00,0C,0D" << true << "1.2" << true;     // 1.2 A
    QTest::newRow("ampere entry not reached") << "00,0C,0D" << true << "1.3" << false;
}

void TstForm2Measure::alarmLampFollowsThreshold() {
    QFETCH(QString, bytes);
    QFETCH(bool, ampere);
    QFETCH(QString, entry);
    QFETCH(bool, blinks);
    MeterSim sim({"--live-bytes", bytes});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY_WITH_TIMEOUT(w.liveSeries().writeIndex > 0, 4000);

    (ampere ? Ctl<QRadioButton>(w, "Option5") : Ctl<QRadioButton>(w, "Option4"))->click();
    Ctl<QLineEdit>(w, "Text1")->setFocus();
    Ctl<QLineEdit>(w, "Text1")->setText(entry);
    QTest::keyClick(Ctl<QLineEdit>(w, "Text1"), Qt::Key_Return);
    QCOMPARE(w.alarmThreshold(), ampere ? entry.toFloat() * 1000 : entry.toFloat());

    if (blinks) {
        QTRY_VERIFY_WITH_TIMEOUT(
            Ctl<app::StatusLamp>(w, "Shape2")->isLit() &&
                Ctl<app::StatusLamp>(w, "Shape2")->backColor() == QColor(255, 0, 0),
            3000);
        QTRY_VERIFY_WITH_TIMEOUT(!Ctl<app::StatusLamp>(w, "Shape2")->isLit(),
                                 1500);  // and it goes dark again
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!Ctl<app::StatusLamp>(w, "Shape2")->isLit(),
                                 1500);  // first tick puts it out
        for (int i = 0; i < 25; ++i) {
            QTest::qWait(100);
            QVERIFY(!Ctl<app::StatusLamp>(w, "Shape2")->isLit());
        }
    }

    // A value out of range is refused and the threshold stays.
    const float before = w.alarmThreshold();
    Ctl<QLineEdit>(w, "Text1")
        ->setText(ampere ? QStringLiteral("1000.5") : QStringLiteral("1000000.5"));
    QTest::keyClick(Ctl<QLineEdit>(w, "Text1"), Qt::Key_Return);
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("输入值超出范围"));
    QCOMPARE(w.alarmThreshold(), before);
}

void TstForm2Measure::alarmFromTheCommandLineIsInTheBox_data() {
    QTest::addColumn<QString>("alarm");  // --alarm
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("ampere");  // A ticked, else mA
    QTest::addColumn<float>("mA");
    QTest::newRow("mA") << "30mA"
                        << "30" << false << 30.0f;
    QTest::newRow("A") << "1.5 A"
                       << "1.5" << true << 1500.0f;
}

// The threshold in force shows as if typed: Enter in the box keeps it.
void TstForm2Measure::alarmFromTheCommandLineIsInTheBox() {
    QFETCH(QString, alarm);
    QFETCH(QString, box);
    QFETCH(bool, ampere);
    QFETCH(float, mA);
    QTemporaryDir dir;
    app::MonitorOptions run(MapTo(dir.filePath(QStringLiteral("absent"))));
    run.watch =
        app::watchOptionsFor(app::parseCommandLine({"leakmeter", "--alarm", alarm}), QString());
    Form2 w(run);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.alarmThreshold(), mA);
    QCOMPARE(Ctl<QLineEdit>(w, "Text1")->text(), box);
    QCOMPARE(Ctl<QRadioButton>(w, "Option5")->isChecked(), ampere);
    QCOMPARE(Ctl<QRadioButton>(w, "Option4")->isChecked(), !ampere);
    // The box and its unit give the same threshold again.
    QTest::keyClick(Ctl<QLineEdit>(w, "Text1"), Qt::Key_Return);
    QCOMPARE(w.alarmThreshold(), mA);
}

void TstForm2Measure::fullDownloadBecomesTheReport() {
    MeterSim sim({"--groups", "255"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().link().deviceConnected(), 3000);
    Ctl<QRadioButton>(w, "Option2")->click();
    QTRY_COMPARE_WITH_TIMEOUT(sim.countOf(5), 2, 2000);
    QTest::qWait(100);

    Ctl<QPushButton>(w, "Command4")->click();
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("返回历史数据正常"),
                              3000);

    // The simulator's stored groups: group k = k % 100, 7k % 100, status 1 + (k - 1) % 26.
    QByteArray stored;
    for (int k = 1; k <= 255; ++k)
        stored.append(char(k % 100)).append(char(7 * k % 100)).append(char(1 + (k - 1) % 26));
    const QString report = ReportText(Ctl<QTextEdit>(w, "RichTextBox1"));
    QCOMPARE(report, measure::BuildHistoryReport(stored, 255));
    const QStringList lines = report.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3 + 255);
    QCOMPARE(lines[3], QString(30, u' ') + "001" + QString(22, u' ') + "AC 1.07 mA");
    QVERIFY(lines.last().startsWith(QString(30, u' ') + "255" + QString(22, u' ')));

    // Clear puts back the heading alone.
    Ctl<QPushButton>(w, "Command6")->click();
    QCOMPARE(ReportText(Ctl<QTextEdit>(w, "RichTextBox1")), measure::ReportHeader());
}

QTEST_MAIN(TstForm2Measure)
#include "tst_form2_measure.moc"
