// The main window's data log: the File menu entry that starts and stops it, one row for each
// live reply (or each interval), the alarm events beside it, and the status line when the file
// cannot be written; and the entry that opens logs in the viewer. The rows and the file are the
// measurement library's.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>

#include "alarmhook.h"
#include "form2.h"
#include "measure/localclock.h"
#include "output/outputfolder.h"
#include "output/savecommands.h"
#include "porttexts.h"
#include "statustext.h"
#include "viewer/viewerwindow.h"

namespace app {
void Form2::ConnectDataLog() {
    dataLogSync_ = new DataLogSync(dataLog_, this);
    connect(dataLogSync_, &DataLogSync::failed, this, &Form2::ShowDataLogFailure);
    connect(dataLogSync_, &DataLogSync::notice, this, [](const QString& line) {
        std::fprintf(stderr, "leakmeter: %s\n", line.toLocal8Bit().constData());
    });
    connect(mnudatalog, &QAction::triggered, this, &Form2::mnudatalog_Click);
    connect(mnuopenlog, &QAction::triggered, this, &Form2::mnuopenlog_Click);

    watch_ = new LiveWatch(this);
    connect(watch_, &LiveWatch::interval, this, [this](const measure::IntervalRow& row) {
        if (dataLog_.IsRunning()) dataLogSync_->appendRow(measure::IntervalCsvRow(row), row.start);
    });
    connect(watch_, &LiveWatch::alarm, this, [this](const measure::AlarmEvent& e) {
        QString error;
        if (dataLog_.IsRunning() && !measure::AppendAlarmEvent(dataLog_.PathAt(e.time), e, &error))
            std::fprintf(stderr, "leakmeter: cannot write the alarm events beside %s: %s\n",
                         qPrintable(dataLog_.Path()), qPrintable(error));
        if (hook_) hook_->run(e);
    });
}

void Form2::SetWatchOptions(const WatchOptions& options) {
    if (options.alarmMa) {
        AlarmThreshold = *options.alarmMa;
        watch_->setAlarmThreshold(*options.alarmMa);
    }
    // The alarm box shows the threshold in force as if it had been typed there.
    if (options.alarmBox) {
        Text1->setText(options.alarmBox->number);
        (options.alarmBox->unit == measure::AlarmUnit::Ampere ? Option5 : Option4)
            ->setChecked(true);
    }
    watch_->setIntervalSeconds(options.intervalSec);
    dataLog_.SetHeader(options.intervalSec ? measure::IntervalLogHeader()
                                           : measure::DataLogHeader());
    delete hook_;
    hook_ = nullptr;
    if (options.onAlarm.isEmpty()) return;
    hook_ = new AlarmHook(
        options.onAlarm,
        [this, name = options.meterName] {
            if (!name.isEmpty()) return name;
            return PortAndDevice(Link->portNumber(), MSComm1.deviceName());
        },
        this);
    connect(hook_, &AlarmHook::notice, this, [](const QString& line) {
        std::fprintf(stderr, "leakmeter: %s\n", line.toLocal8Bit().constData());
    });
}

void Form2::WaitForAlarmCommand() {
    if (!hook_ || !hook_->busy()) return;
    QEventLoop wait;
    connect(hook_, &AlarmHook::idle, &wait, &QEventLoop::quit);
    wait.exec();  // QCoreApplication::exit (a signal) ends it too
}

void Form2::mnuopenlog_Click() {
    output::CommonDialog& d = *CommonDialog1;
    d.Filter = QCoreApplication::translate("SaveCommands", output::kDataLogFilter);
    d.InitDir = output::EnsureOutputFolder() ? output::OutputFolder()
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
    mnudatalog->setChecked(dataLog_.IsRunning());
    if (dataLog_.IsRunning()) {
        StopDataLog();
        return;
    }
    if (const std::optional<QString> path = output::AskDataLogPath(*CommonDialog1))
        StartDataLog(*path);
}

bool Form2::StartDataLog(const QString& path) {
    const bool started = dataLog_.Start(path);
    mnudatalog->setChecked(started);
    if (!started) {
        ShowDataLogFailure();
        return false;
    }
    dataLogSync_->start();
    watch_->beginInterval(measure::LocalNow());  // no row takes readings from before the log
    return true;
}

void Form2::StopDataLog() {
    if (!dataLog_.IsRunning()) return;
    watch_->finishInterval(measure::LocalNow());  // the interval so far is not lost
    if (!dataLog_.IsRunning()) return;            // its row could not be written
    dataLogSync_->stop();
    mnudatalog->setChecked(false);
    if (!dataLog_.Stop()) ShowDataLogFailure();
}

void Form2::ShowDataLogFailure() {
    // The log has stopped itself; the program goes on without it.
    dataLogSync_->stop();
    mnudatalog->setChecked(false);
    const QString path = QDir::toNativeSeparators(dataLog_.Path());
    std::fprintf(stderr, "leakmeter: cannot write the data log %s: %s\n", qPrintable(path),
                 qPrintable(dataLog_.ErrorString()));
    // A reply's own status text is given before its reading is logged, so this one stands.
    const QString text = DataLogFailedText(path);
    // The greeting at start-up and every reading overwrite the status line; a log that has
    // stopped is also said in a box. The box waits for the event loop: not inside the
    // handling of a reply, and at start-up over the window rather than before it.
    const QString boxText = text + QStringLiteral("\r\n") + dataLog_.ErrorString();
    QTimer::singleShot(0, this, [this, boxText] {
        messages_->Beep();
        messages_->Warning(this, tr("数据记录失败"), boxText);
    });
    SetStatus([path] { return DataLogFailedText(path); });
}

}  // namespace app
