// The big live reading with this platform's real font: every text a status code can show,
// at its widest, is drawn whole inside its label, at the design size when it fits.
#include <QFontMetricsF>
#include <QLabel>
#include <QtTest>

#include "app/form2.h"
#include "app/livereading.h"
#include "formcontrols.h"
#include "measure/meterrecord.h"
#include "metersim.h"

using app::Form2;
using app::LiveReadingLabel;

namespace {

// The widest text records with this status code can put into the big reading.
QString WidestText(quint8 status, const QFont& font) {
    const QFontMetricsF metrics(font);
    QString widest;
    qreal widestAdvance = -1;
    for (int raw = 0; raw <= 9999; ++raw) {
        const measure::MeterRecord r{quint8(raw / 100), quint8(raw % 100), status};
        const QString text = measure::liveText(measure::decodeRecord(r));
        const qreal advance = metrics.horizontalAdvance(text);
        if (advance >= widestAdvance) {  // on a tie the larger digits
            widest = text;
            widestAdvance = advance;
        }
    }
    return widest;
}

bool IsInk(QRgb p) {
    return qBlue(p) - qRed(p) > 40;  // the reading is blue on a grey frame
}

// Columns of the label's picture that hold ink: first and last, or (-1, -1) when none.
QPair<int, int> InkColumns(const QImage& image) {
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (IsInk(image.pixel(x, y))) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

// The label as it is on the screen now, checked on its picture and by the metrics of the
// font it draws in.
void VerifyWhole(LiveReadingLabel* label) {
    const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto [first, last] = InkColumns(image);
    QVERIFY2(first >= 0, "nothing drawn");
    QVERIFY2(
        first > 0 && last < image.width() - 1,
        qPrintable(
            QStringLiteral("ink in columns %1..%2 of %3").arg(first).arg(last).arg(image.width())));
    const QFont shown = label->shownFont();
    QVERIFY(shown.pointSizeF() >= app::kLiveReadingMinimumPointSize);
    QVERIFY(shown.pointSizeF() <= app::kLiveReadingPointSize);
    const QFontMetricsF m(shown);
    QVERIFY(m.horizontalAdvance(label->text()) <= label->width() - 2);
    QVERIFY(m.tightBoundingRect(label->text()).height() <= label->height());
    // Centred where the design centres it (the glyphs' own bearings aside).
    QVERIFY(std::abs((first + last) / 2.0 - (image.width() - 1) / 2.0) <= image.width() / 16.0);
}

}  // namespace

class TstLiveReading : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void widestTextIsWhole_data();
    void widestTextIsWhole();
    void readingFromTheMeterIsWhole();

  private:
    QTemporaryDir dir_;
    Form2* w_ = nullptr;
    LiveReadingLabel* label() const {
        return qobject_cast<LiveReadingLabel*>(Ctl<QLabel>(*w_, "Label7"));
    }
};

void TstLiveReading::init() {
    w_ = new Form2(MapTo(dir_.filePath(QStringLiteral("absent"))));
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_));
    QVERIFY(label());
}

void TstLiveReading::cleanup() {
    delete w_;
    w_ = nullptr;
}

void TstLiveReading::widestTextIsWhole_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("designSize");  // shown at 42 pt
    QTest::newRow("start-up") << QStringLiteral("LIVE") << true;
    Form2 probe(MapTo(dir_.filePath(QStringLiteral("absent"))));
    const QFont font = Ctl<QLabel>(probe, "Label7")->font();
    QCOMPARE(font.pointSizeF(), app::kLiveReadingPointSize);
    // Codes 27..255 all show "ERROR", as 0 does.
    for (int status = 0; status <= 27; ++status) {
        const QString text = WidestText(quint8(status), font);
        QTest::addRow("code %d: %s", status, qPrintable(text)) << text << false;
    }
}

void TstLiveReading::widestTextIsWhole() {
    QFETCH(QString, text);
    QFETCH(bool, designSize);
    Ctl<QLabel>(*w_, "Label7")->setText(text);
    VerifyWhole(label());
    if (QTest::currentTestFailed()) return;
    if (designSize) QCOMPARE(label()->shownFont().pointSizeF(), app::kLiveReadingPointSize);
}

void TstLiveReading::readingFromTheMeterIsWhole() {
    // Raw 9999 with code 26: the widest negative milliampere reading.
    MeterSim sim({"--live-bytes", "63,63,1A"});
    QVERIFY(sim.ok());
    Form2 w(MapTo(sim.link()));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE_WITH_TIMEOUT(Ctl<QLabel>(w, "Label7")->text(), QStringLiteral("-999.9mA"), 4000);
    VerifyWhole(qobject_cast<LiveReadingLabel*>(Ctl<QLabel>(w, "Label7")));
}

QTEST_MAIN(TstLiveReading)
#include "tst_livereading.moc"
