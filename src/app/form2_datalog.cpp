// The main window's data log: the File menu entry that starts and stops it, one row for each
// live reply (or each interval), the alarm events beside it, and the status line when the file
// cannot be written; and the entry that opens logs in the viewer. The rows and the file are the
// engine's; the window says what it reports.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>

#include "form2.h"
#include "output/outputfolder.h"
#include "output/savecommands.h"
#include "statustext.h"
#include "viewer/viewerwindow.h"

namespace app {

namespace {

void printNotice(const QString& line) {
    std::fprintf(stderr, "leakmeter: %s\n", line.toLocal8Bit().constData());
}

}  // namespace

void Form2::ConnectDataLog() {
    connect(monitor_, &Monitor::logFailed, this, &Form2::ShowDataLogFailure);
    connect(monitor_, &Monitor::notice, this, &printNotice);
    connect(monitor_, &Monitor::brokerStateChanged, this,
            [this](publish::BrokerState state, const QString& reason) {
                ShowBrokerState(state, monitor_->options().mqtt->broker.url(), reason);
            });
    connect(mnudatalog, &QAction::triggered, this, &Form2::mnudatalog_Click);
    connect(mnuopenlog, &QAction::triggered, this, &Form2::mnuopenlog_Click);
}

bool Form2::StartPublishing(QString* error) {
    return monitor_->startPublishing(error);
}

bool Form2::DataLogRunning() const {
    return monitor_->logRunning();
}

void Form2::WaitForAlarmCommand() {
    if (!monitor_->alarmCommandBusy()) return;
    QEventLoop wait;
    connect(monitor_, &Monitor::alarmCommandIdle, &wait, &QEventLoop::quit);
    wait.exec();  // QCoreApplication::exit (a signal) ends it too
}

void Form2::mnuopenlog_Click() {
    output::CommonDialog& d = *CommonDialog1;
    d.Filter = QCoreApplication::translate("SaveCommands", output::kDataLogFilter);
    d.InitDir = output::ensureOutputFolder() ? output::outputFolder()
                                             : QDir::toNativeSeparators(QDir::homePath());
    if (!d.ShowOpen().accepted() || d.FileNames.isEmpty()) return;
    // A week of readings takes about a second to read.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* viewer = new viewer::ViewerWindow(d.FileNames, *dialogs_, this);
    QApplication::restoreOverrideCursor();
    viewer->setWindowFlag(Qt::Window);
    viewer->show();
}

void Form2::mnudatalog_Click() {
    // The entry ticks itself when chosen; it shows whether a log runs, nothing else.
    mnudatalog->setChecked(monitor_->logRunning());
    if (monitor_->logRunning()) {
        StopDataLog();
        return;
    }
    if (const std::optional<QString> path = output::askDataLogPath(*CommonDialog1))
        StartDataLog(*path);
}

bool Form2::StartDataLog(const QString& path) {
    const bool started = monitor_->startLog(path);
    mnudatalog->setChecked(started);
    if (!started) ShowDataLogFailure();
    return started;
}

void Form2::StopDataLog() {
    if (!monitor_->logRunning()) return;
    const bool synced = monitor_->stopLog();  // a last row not written: logFailed() told it
    mnudatalog->setChecked(false);
    if (!synced) ShowDataLogFailure();
}

void Form2::ShowDataLogFailure() {
    // The log has stopped itself; the program goes on without it.
    mnudatalog->setChecked(false);
    const QString path = QDir::toNativeSeparators(monitor_->logPath());
    const QString error = monitor_->logError();
    std::fprintf(stderr, "leakmeter: cannot write the data log %s: %s\n", qPrintable(path),
                 qPrintable(error));
    // A reply's own status text is given before its reading is logged, so this one stands.
    const QString text = dataLogFailedText(path);
    // The greeting at start-up and every reading overwrite the status line; a log that has
    // stopped is also said in a box. The box waits for the event loop: not inside the
    // handling of a reply, and at start-up over the window rather than before it.
    const QString boxText = text + QStringLiteral("\r\n") + error;
    QTimer::singleShot(0, this, [this, boxText] {
        messages_->beep();
        messages_->warning(this, tr("数据记录失败"), boxText);
    });
    SetStatus([path] { return dataLogFailedText(path); });
}

}  // namespace app
