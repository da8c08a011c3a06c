#include "viewer/viewerwindow.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>
#include <cstdio>

#include "measure/alarmvalue.h"
#include "measure/reportfile.h"
#include "output/commondialog.h"
#include "output/outputfolder.h"

namespace viewer {

namespace {

constexpr double kWheelZoom = 0.8;  // one wheel notch shows 80 % of the span
constexpr double kKeyPan = 0.1;     // an arrow key moves a tenth of the span
constexpr int kMinDragPx = 5;       // a shorter drag is a click

}  // namespace

PlotWidget::PlotWidget(const PlotData& data, QWidget* parent)
    : QWidget(parent), data_(data), extent_(data.extent()) {
    setObjectName(QStringLiteral("plotView"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(400, 240);
    showAll();
}

void PlotWidget::setRange(std::pair<qint64, qint64> range) {
    view_.t0 = range.first;
    view_.t1 = range.second;
    update();
}

void PlotWidget::showAll() {
    setRange(extent_);
}

void PlotWidget::setAlarm(std::optional<double> alarmMa) {
    view_.alarmMa = alarmMa;
    update();
}

void PlotWidget::setFiles(const QStringList& paths) {
    view_.files = paths;
    update();
}

QImage PlotWidget::picture() const {
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    PlotView still = view_;
    still.cursorMs.reset();
    drawPlot(painter, rect(), data_, still);
    return image;
}

void PlotWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    area_ = drawPlot(painter, rect(), data_, view_);
    if (dragFrom_) {
        painter.fillRect(QRect(QPoint(std::min(*dragFrom_, dragTo_), area().top()),
                               QPoint(std::max(*dragFrom_, dragTo_), area().bottom())),
                         QColor(0, 0, 255, 40));
    }
}

qint64 PlotWidget::timeAtX(double x) const {
    const double share = (x - area().left()) / std::max(1, area().width());
    return view_.t0 + qint64(share * double(view_.t1 - view_.t0));
}

void PlotWidget::moveCursor(double x) {
    if (x < area().left() || x > area().right()) {
        view_.cursorMs.reset();
        emit cursorText(QString());
        update();
        return;
    }
    const qint64 t = timeAtX(x);
    view_.cursorMs = t;
    const qint64 half =
        std::max<qint64>(1, (view_.t1 - view_.t0) / std::max(1, area().width()) / 2);
    const QString text = viewer::cursorText(data_, t, half);
    emit cursorText(text);
    update();
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) return;
    const qint64 at = timeAtX(event->position().x());
    setRange(zoomed({view_.t0, view_.t1}, at, std::pow(kWheelZoom, notches), extent_));
    event->accept();
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    const int x = int(event->position().x());
    if (event->button() == Qt::LeftButton) {
        dragFrom_ = x;
        dragTo_ = x;
    } else if (event->button() == Qt::RightButton) {
        panFrom_ = x;
    }
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    const int x = int(event->position().x());
    if (panFrom_) {
        const double width = std::max(1, area().width());
        setRange(panned({view_.t0, view_.t1}, (*panFrom_ - x) / width, extent_));
        panFrom_ = x;
    }
    if (dragFrom_) dragTo_ = x;
    moveCursor(event->position().x());
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) panFrom_.reset();
    if (event->button() != Qt::LeftButton || !dragFrom_) return;
    const int from = *dragFrom_, to = int(event->position().x());
    dragFrom_.reset();
    if (std::abs(to - from) >= kMinDragPx) {
        const qint64 a = timeAtX(std::min(from, to)), b = timeAtX(std::max(from, to));
        setRange(zoomed({a, b}, a, 1.0, extent_));
    }
    update();
}

void PlotWidget::keyPressEvent(QKeyEvent* event) {
    const std::pair<qint64, qint64> range{view_.t0, view_.t1};
    const qint64 middle = view_.t0 + (view_.t1 - view_.t0) / 2;
    switch (event->key()) {
        case Qt::Key_Left:
            setRange(panned(range, -kKeyPan, extent_));
            break;
        case Qt::Key_Right:
            setRange(panned(range, kKeyPan, extent_));
            break;
        case Qt::Key_Up:
        case Qt::Key_Plus:
            setRange(zoomed(range, middle, kWheelZoom, extent_));
            break;
        case Qt::Key_Down:
        case Qt::Key_Minus:
            setRange(zoomed(range, middle, 1 / kWheelZoom, extent_));
            break;
        case Qt::Key_Home:
            showAll();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
}

void PlotWidget::leaveEvent(QEvent*) {
    view_.cursorMs.reset();
    emit cursorText(QString());
    update();
}

ViewerWindow::ViewerWindow(const QStringList& paths, output::DialogBackend& dialogs,
                           QWidget* parent)
    : QMainWindow(parent), dialog_(std::make_unique<output::CommonDialog>(dialogs, this)) {
    setObjectName(QStringLiteral("ViewerWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    for (const QString& p : paths) names_ << QFileInfo(p).fileName();

    data_ = PlotData::load(paths, &report_);
    for (const QString& line : report_.problems)
        std::fprintf(stderr, "leakmeter: cannot read %s\n", qPrintable(line));

    plot_ = new PlotWidget(*data_, this);
    plot_->setFiles(paths);
    setCentralWidget(plot_);

    fileMenu_ = menuBar()->addMenu(QString());
    fileMenu_->setObjectName(QStringLiteral("mnuviewerfile"));
    save_ = fileMenu_->addAction(QString());
    save_->setObjectName(QStringLiteral("mnusaveimage"));
    save_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(save_, &QAction::triggered, this, &ViewerWindow::saveImage);
    close_ = fileMenu_->addAction(QString());
    close_->setObjectName(QStringLiteral("mnuclose"));
    connect(close_, &QAction::triggered, this, &QWidget::close);
    viewMenu_ = menuBar()->addMenu(QString());
    viewMenu_->setObjectName(QStringLiteral("mnuviewerview"));
    all_ = viewMenu_->addAction(QString());
    all_->setObjectName(QStringLiteral("mnushowall"));
    all_->setShortcut(QKeySequence(Qt::Key_Home));
    connect(all_, &QAction::triggered, plot_, &PlotWidget::showAll);

    bar_ = addToolBar(QString());
    bar_->setObjectName(QStringLiteral("toolbar"));
    alarmLabel_ = new QLabel(bar_);
    bar_->addWidget(alarmLabel_);
    alarm_ = new QLineEdit(bar_);
    alarm_->setObjectName(QStringLiteral("txtAlarm"));
    alarm_->setPlaceholderText(QStringLiteral("30mA"));
    alarm_->setMaximumWidth(120);
    bar_->addWidget(alarm_);
    connect(alarm_, &QLineEdit::editingFinished, this, &ViewerWindow::alarmEdited);

    cursor_ = new QLabel(this);
    cursor_->setObjectName(QStringLiteral("lblCursor"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lblSummary"));
    statusBar()->addWidget(cursor_, 1);
    statusBar()->addPermanentWidget(summary_);
    connect(plot_, &PlotWidget::cursorText, cursor_, &QLabel::setText);
    RetranslateUi();
    resize(1000, 500);
    plot_->setFocus();
}

void ViewerWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) RetranslateUi();
    QMainWindow::changeEvent(event);
}

void ViewerWindow::RetranslateUi() {
    setWindowTitle(tr("数据记录查看") + QStringLiteral(" - ") + names_.join(QStringLiteral(", ")));
    fileMenu_->setTitle(tr("文件(&F)"));
    save_->setText(tr("保存图片(&S)..."));
    close_->setText(tr("关闭(&C)"));
    viewMenu_->setTitle(tr("查看(&V)"));
    all_->setText(tr("全部显示(&A)"));
    bar_->setWindowTitle(tr("报警值"));
    alarmLabel_->setText(tr("报警值") + QLatin1Char(' '));
    // Files without a single reading are said, not shown as an empty chart.
    QString summary = data_->rows() == 0
                          ? tr("%1 中没有读数").arg(names_.join(QStringLiteral(", ")))
                          : tr("%1 行").arg(report_.rows);
    if (report_.skipped) summary += tr(", %1 行无法读取").arg(report_.skipped);
    // A file that could not be opened is named; the others are shown.
    if (!report_.problems.isEmpty())
        summary += tr(", 无法打开: ") + report_.problems.join(QStringLiteral("; "));
    summary_->setText(summary);
    plot_->update();  // the picture's title and legend speak the new language too
}

ViewerWindow::~ViewerWindow() = default;

void ViewerWindow::alarmEdited() {
    plot_->setAlarm(alarm_->text().trimmed().isEmpty() ? std::nullopt
                                                       : measure::parseAlarmValue(alarm_->text()));
}

bool ViewerWindow::saveImage() {
    output::CommonDialog& d = *dialog_;
    d.FileName = QStringLiteral("Zentravolix.png");
    d.Filter = tr("PNG格式 (*.png)|*.png");
    d.DefaultExt = QStringLiteral(".png");
    d.InitDir = output::ensureOutputFolder() ? output::outputFolder()
                                             : QDir::toNativeSeparators(QDir::homePath());
    if (!d.ShowSave().accepted()) return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (plot_->picture().save(&buffer, "PNG") &&
        measure::writeFileAtomically(d.FileName, bytes, &error))
        return true;
    std::fprintf(stderr, "leakmeter: cannot save %s: %s\n", qPrintable(d.FileName),
                 qPrintable(error));
    statusBar()->showMessage(tr("保存失败") + QLatin1Char(' ') +
                             QDir::toNativeSeparators(d.FileName));
    return false;
}

}  // namespace viewer
