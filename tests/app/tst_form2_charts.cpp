// The chart view inside the real window: start-up and Stop draw the three surfaces,
// readings from the simulator become the trace, the cursor boxes and the mouse move
// the cursors, the readout follows the pointer.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "app/form2.h"
#include "formcontrols.h"
#include "metersim.h"

using app::Form2;

namespace {

const QColor kGrey(150, 150, 150), kBlue(0, 0, 255), kGreen(0, 255, 0);

QColor at(const charts::DrawingSurface* s, double x, double y) {
    return s->image().pixelColor(s->pixelAt(x, y));
}

// Any blue pixel in the column of chart x between heights y0 and y1 (dotted lines skip).
bool BlueColumn(const charts::DrawingSurface* s, double x, double y0, double y1) {
    const QPoint a = s->pixelAt(x, y0), b = s->pixelAt(x, y1);
    for (int py = qMin(a.y(), b.y()); py <= qMax(a.y(), b.y()); ++py)
        if (s->image().pixelColor(a.x(), py) == kBlue) return true;
    return false;
}

void Enter(QLineEdit* box, const QString& text) {
    box->setText(text);
    QTest::keyClick(box, Qt::Key_Return);
}

}  // namespace

class TstForm2Charts : public QObject {
    Q_OBJECT

  private slots:
    void startUpDrawsEmptyCharts();
    void readingsSweepAcrossTheChart();
    void typedCursorsAndStop();
    void draggingAndReadout();
};

void TstForm2Charts::startUpDrawsEmptyCharts() {
    QTemporaryDir dir;
    Form2 w(MapTo(dir.filePath("none")));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 333, 777), kGrey);
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 0, 333), kBlue);     // left frame
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 333, 1000), kBlue);  // top frame
    QVERIFY(
        BlueColumn(Ctl<charts::DrawingSurface>(w, "Picture1"), 500, 600, 960));  // x2 cursor line
    // The strips: white, with a marker at 500 on each.
    QCOMPARE(Ctl<charts::DrawingSurface>(w, "Picture3")
                 ->image()
                 .pixelColor(Ctl<charts::DrawingSurface>(w, "Picture3")->width() - 2, 2),
             QColor(Qt::white));
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture3"), 0, 500), kBlue);
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture4"), 500, 0), kBlue);
    QCOMPARE(Ctl<QLabel>(w, "Label18")->text(), QStringLiteral("X:   Y:"));
}

void TstForm2Charts::readingsSweepAcrossTheChart() {
    MeterSim sim({"--live-bytes", "02,32,15"});  // 250 mA, direct current
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Ctl<QSlider>(w, "Slider2")->setValue(0);  // 1 s window: 16 segments, 62.5 units each
    QTRY_VERIFY_WITH_TIMEOUT(w.liveSeries().writeIndex >= 4, 6000);
    QCOMPARE(Ctl<QLabel>(w, "Label7")->text(), QStringLiteral("250mA"));

    // Chart values 1..4 hold 250 (scale 100mA: x 1); segment 3 joins slots 2 and 3.
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 62.5 * 2.5, 250), kGreen);
    QVERIFY(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 62.5 * 2.5, 300) != kGreen);

    // The zero line lifts the whole trace.
    Enter(Ctl<QLineEdit>(w, "Text8"), QStringLiteral("300"));
    QCOMPARE(w.charts().cursors().z, qint16(300));
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 62.5 * 2.5, 550), kGreen);

    // Stop: no trace, cursors back where they started although the boxes keep the text.
    Ctl<QPushButton>(w, "Command3")->click();
    QCOMPARE(w.charts().cursors().z, qint16(0));
    QCOMPARE(Ctl<QLineEdit>(w, "Text8")->text(), QStringLiteral("300"));
    QVERIFY(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 62.5 * 2.5, 550) != kGreen);
    QVERIFY(at(Ctl<charts::DrawingSurface>(w, "Picture1"), 62.5 * 2.5, 250) != kGreen);
    QCOMPARE(w.liveSeries().writeIndex, qint16(0));
}

void TstForm2Charts::typedCursorsAndStop() {
    QTemporaryDir dir;
    Form2 w(MapTo(dir.filePath("none")));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    Enter(Ctl<QLineEdit>(w, "Text5"), QStringLiteral("300"));
    QCOMPARE(w.charts().cursors().x1, 300.0);
    QVERIFY(BlueColumn(Ctl<charts::DrawingSurface>(w, "Picture1"), 300, 600, 960));
    QCOMPARE(at(Ctl<charts::DrawingSurface>(w, "Picture4"), 300, 0), kBlue);

    const QImage before = Ctl<charts::DrawingSurface>(w, "Picture1")->image().copy();
    Enter(Ctl<QLineEdit>(w, "Text6"), QStringLiteral("1000.01"));
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("输入无效值"));
    QCOMPARE(w.charts().cursors().x2, 500.0);
    QCOMPARE(Ctl<charts::DrawingSurface>(w, "Picture1")->image(), before);

    Enter(Ctl<QLineEdit>(w, "Text7"), QStringLiteral("12abc"));
    QCOMPARE(w.charts().cursors().y, 12.0);
    Enter(Ctl<QLineEdit>(w, "Text8"), QStringLiteral("999.5"));
    QCOMPARE(w.charts().cursors().z, qint16(1000));
    Enter(Ctl<QLineEdit>(w, "Text8"), QStringLiteral("-0.4"));
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("输入无效值"));
    QCOMPARE(w.charts().cursors().z, qint16(1000));

    Ctl<QPushButton>(w, "Command3")->click();
    QCOMPARE(w.charts().cursors().x1, 0.0);
    QCOMPARE(w.charts().cursors().y, 500.0);
    QCOMPARE(w.charts().cursors().z, qint16(0));
    QVERIFY(!BlueColumn(Ctl<charts::DrawingSurface>(w, "Picture1"), 300, 600, 960));
}

void TstForm2Charts::draggingAndReadout() {
    QTemporaryDir dir;
    Form2 w(MapTo(dir.filePath("none")));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Drag x2 from its marker to the chart's 750.
    QTest::mousePress(Ctl<charts::DrawingSurface>(w, "Picture4"), Qt::LeftButton, {},
                      Ctl<charts::DrawingSurface>(w, "Picture4")->pixelAt(500, 5));
    QCOMPARE(w.charts().xDragState(), 2);
    QTest::mouseMove(Ctl<charts::DrawingSurface>(w, "Picture4"),
                     Ctl<charts::DrawingSurface>(w, "Picture4")->pixelAt(750, 5));
    QTest::mouseRelease(Ctl<charts::DrawingSurface>(w, "Picture4"), Qt::LeftButton, {},
                        Ctl<charts::DrawingSurface>(w, "Picture4")->pixelAt(750, 5));
    QCOMPARE(w.charts().xDragState(), 0);
    QVERIFY(qAbs(w.charts().cursors().x2 - 750) < 3);
    QVERIFY(
        BlueColumn(Ctl<charts::DrawingSurface>(w, "Picture1"), w.charts().cursors().x2, 600, 960));

    // The readout shows the pointer in chart units, rounded.
    const QPoint p = Ctl<charts::DrawingSurface>(w, "Picture1")->pixelAt(250, 750);
    QTest::mouseMove(Ctl<charts::DrawingSurface>(w, "Picture1"), p);
    const QPointF u = Ctl<charts::DrawingSurface>(w, "Picture1")->toUser(QPointF(p));
    QCOMPARE(Ctl<QLabel>(w, "Label18")->text(),
             QStringLiteral("X: %1 Y: %2").arg(qRound(u.x())).arg(qRound(u.y())));
}

QTEST_MAIN(TstForm2Charts)
#include "tst_form2_charts.moc"
