// The main window's measurement handlers: live reading, history report, statistics and
// alarm. The decisions are the measurement library's; these only show the results.

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>

#include "form2.h"
#include "measure/alarmentry.h"
#include "measure/chartscale.h"
#include "measure/formatvalue.h"
#include "measure/historyreport.h"
#include "measure/statistics.h"
#include "statuslamp.h"

namespace app {

void Form2::DecodeLiveFrame(const measure::Reading& reading) {
    const measure::LiveDecodeResult r =
        measure::recordLiveReading(reading.decoded, Slider1->value(), Slider2->value(), LiveSeries);
    ShowReading(r.label7);
    if (r.label8) Label8->setText(*r.label8);
    if (r.redraw) Charts->DrawLiveChart();
}

void Form2::BuildHistoryReport(const QList<measure::MeterRecord>& groups) {
    RichTextBox1->setPlainText(measure::BuildHistoryReport(groups));
}

void Form2::Command6_Click() {
    RichTextBox1->setPlainText(measure::ReportHeader());
}

void Form2::ResetAlarmThreshold() {
    AlarmThreshold = measure::kInitialAlarmThresholdMa;
}

void Form2::ShowAlarmOption(const WatchOptions& options) {
    if (options.alarmMa) AlarmThreshold = *options.alarmMa;
    // The alarm box shows the threshold in force as if it had been typed there.
    if (!options.alarmBox) return;
    Text1->setText(options.alarmBox->number);
    (options.alarmBox->unit == measure::AlarmUnit::Ampere ? Option5 : Option4)->setChecked(true);
}

void Form2::Timer6_Timer() {
    Timer7->stop();
    Shape2->setBackStyle(0);
    const measure::Statistics st = measure::computeStatistics(
        LiveSeries, measure::WindowSampleCount(Slider2->value()), AlarmThreshold);
    if (st.alarm) Timer7->start();  // restarting puts the red half at the end of the second
    // A box is set only when its value changed: setting it anew every second would repaint it
    // for nothing and take away a selection the user is copying from.
    const auto show = [](QLineEdit* box, float value) {
        const QString text = measure::FormatValue(value);
        if (box->text() != text) box->setText(text);
    };
    show(Text2, st.max);
    show(Text3, st.min);
    show(Text4, st.average);
}

void Form2::Timer7_Timer() {
    Shape2->setBackColor(QColor(255, 0, 0));
    Shape2->setBackStyle(Shape2->backStyle() == 0 ? 1 : 0);
}

void Form2::Text1_KeyDown() {
    const measure::AlarmUnit unit = Option4->isChecked()   ? measure::AlarmUnit::MilliAmpere
                                    : Option5->isChecked() ? measure::AlarmUnit::Ampere
                                                           : measure::AlarmUnit::None;
    const measure::AlarmEntry e = measure::parseAlarmEntry(Text1->text(), unit);
    switch (e.outcome) {
        case measure::AlarmEntryOutcome::Accepted:
            AlarmThreshold = e.thresholdMa;
            monitor_->setAlarmThreshold(e.thresholdMa);
            break;
        case measure::AlarmEntryOutcome::OutOfRange:
            SetStatus(measure::alarmOutOfRangeText);
            break;
        case measure::AlarmEntryOutcome::Ignored:
            break;
    }
}

}  // namespace app
