// The main window's chart wiring: the three surfaces, their mouse events, the cursor
// boxes under them and the time-window slider all go through the chart controller.

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "charts/chartgeometry.h"
#include "form2.h"
#include "measure/chartscale.h"

namespace app {

void Form2::ConnectCharts() {
    Charts->setChartValues(LiveSeries.chartValues.data());
    // The time window is read from the slider at every redraw; moving it redraws nothing.
    Charts->setWindowSampleCountSource(
        [this] { return measure::WindowSampleCount(Slider2->value()); });
    Charts->connectMouse([this](const QString& caption) { Label18->setText(caption); });
    connect(Text5, &QLineEdit::returnPressed, this, &Form2::Text5_KeyDown);
    connect(Text6, &QLineEdit::returnPressed, this, &Form2::Text6_KeyDown);
    connect(Text7, &QLineEdit::returnPressed, this, &Form2::Text7_KeyDown);
    connect(Text8, &QLineEdit::returnPressed, this, &Form2::Text8_KeyDown);
}

// A refused value keeps the cursor where it was and says so on the status line.
void Form2::ShowCursorRefusal(bool accepted) {
    if (!accepted) SetStatus(charts::invalidValueText);
}

void Form2::Text5_KeyDown() {
    ShowCursorRefusal(Charts->enterX1(Text5->text()));
}
void Form2::Text6_KeyDown() {
    ShowCursorRefusal(Charts->enterX2(Text6->text()));
}
void Form2::Text7_KeyDown() {
    ShowCursorRefusal(Charts->enterY(Text7->text()));
}
void Form2::Text8_KeyDown() {
    ShowCursorRefusal(Charts->enterZ(Text8->text()));
}

}  // namespace app
