#pragma once
// The data-log viewer: one or more logs over local time, zoomed with the wheel or a dragged
// range, panned with the arrow keys or a right-button drag, a cursor that reads time and value,
// the alarm threshold as a line, and the picture saved as a PNG file. The picture, zoom and pan
// are the plot's; this window only hands them mouse and keys.

#include <QMainWindow>
#include <QWidget>
#include <memory>
#include <optional>

#include "viewer/envelope.h"
#include "viewer/logdata.h"
#include "viewer/plot.h"

class QLabel;
class QLineEdit;

class QMenu;
class QToolBar;
class QAction;

namespace output {
class CommonDialog;
class DialogBackend;
}  // namespace output

namespace viewer {

// The drawing: the plot of the window's rows, and the mouse and keys that move it.
class PlotWidget : public QWidget {
    Q_OBJECT
  public:
    explicit PlotWidget(const PlotData& data, QWidget* parent = nullptr);

    const PlotView& view() const { return view_; }
    void setRange(std::pair<qint64, qint64> range);
    void showAll();
    void setAlarm(std::optional<double> alarmMa);
    // The logs named in the picture's title.
    void setFiles(const QStringList& paths);
    // The part of the widget the curve takes, as last drawn.
    QRect area() const { return area_.isValid() ? area_ : plotArea(rect(), view_.textPx); }
    // The picture as it is shown, at the widget's size.
    QImage picture() const;

  signals:
    // The cursor's reading, as the status line shows it; empty when the cursor left.
    void cursorText(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    qint64 timeAtX(double x) const;
    void moveCursor(double x);

    const PlotData& data_;
    std::pair<qint64, qint64> extent_;
    PlotView view_;
    QRect area_;                   // where the curve was drawn last
    std::optional<int> dragFrom_;  // a range being dragged out with the left button
    std::optional<int> panFrom_;   // a pan with the right button
    int dragTo_ = 0;
};

class ViewerWindow : public QMainWindow {
    Q_OBJECT
  public:
    // Opens the logs at `paths`. `dialogs` (not owned) asks for the image file's name.
    ViewerWindow(const QStringList& paths, output::DialogBackend& dialogs,
                 QWidget* parent = nullptr);
    ~ViewerWindow() override;

    PlotWidget* plot() const { return plot_; }
    const PlotData& data() const { return *data_; }

    // "保存图片(&S)...": asks for a name and writes the picture as PNG. True when written.
    bool saveImage();

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void alarmEdited();
    void RetranslateUi();  // every text, in the language spoken now

    QStringList names_;  // of the files opened, for the title
    LoadReport report_;  // for the summary
    QMenu *fileMenu_ = nullptr, *viewMenu_ = nullptr;
    QAction *save_ = nullptr, *close_ = nullptr, *all_ = nullptr;
    QToolBar* bar_ = nullptr;
    QLabel* alarmLabel_ = nullptr;
    std::unique_ptr<PlotData> data_;
    std::unique_ptr<output::CommonDialog> dialog_;
    PlotWidget* plot_ = nullptr;
    QLineEdit* alarm_ = nullptr;
    QLabel* cursor_ = nullptr;
    QLabel* summary_ = nullptr;
};

}  // namespace viewer
