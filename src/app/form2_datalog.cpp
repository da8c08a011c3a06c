// The main window's data log: the File menu entry that starts and stops it, one row for each
// live reply, and the status line when the file cannot be written. The rows and the file are
// the measurement library's.

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QTimer>
#include <cstdio>

#include "form2.h"
#include "output/savecommands.h"
#include "statustext.h"

namespace app {
void Form2::ConnectDataLog() {
    dataLogSync_ = new DataLogSync(dataLog_, this);
    connect(dataLogSync_, &DataLogSync::failed, this, &Form2::ShowDataLogFailure);
    connect(dataLogSync_, &DataLogSync::notice, this, [](const QString& line) {
        std::fprintf(stderr, "leakmeter: %s\n", line.toLocal8Bit().constData());
    });
    connect(mnudatalog, &QAction::triggered, this, &Form2::mnudatalog_Click);
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
    return true;
}

void Form2::StopDataLog() {
    if (!dataLog_.IsRunning()) return;
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
