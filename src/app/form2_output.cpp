// The main window's output wiring: save, print, print setup, paging, editing and the
// about box, each handed to the output library with the window's current mode.

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <cstdio>

#include "form2.h"
#include "output/aboutbox.h"
#include "output/editcommands.h"
#include "output/menukeyboard.h"
#include "output/printcommands.h"
#include "output/savecommands.h"
#include "statustext.h"

namespace app {

void Form2::ConnectOutput() {
    connect(Command5, &QPushButton::clicked, this, &Form2::Command5_Click);
    connect(Command7, &QPushButton::clicked, this,
            [this] { output::Command7_Click(RichTextBox1); });
    connect(Command8, &QPushButton::clicked, this,
            [this] { output::Command8_Click(RichTextBox1); });
    connect(mnuuppage, &QAction::triggered, this,
            [this] { output::mnuuppage_Click(RichTextBox1); });
    connect(mnudownpage, &QAction::triggered, this,
            [this] { output::mnudownpage_Click(RichTextBox1); });
    connect(mnux, &QAction::triggered, this, [] { output::mnux_Click(); });
    connect(mnucopy, &QAction::triggered, this, [] { output::mnucopy_Click(); });
    connect(mnupaste, &QAction::triggered, this, [] { output::mnupaste_Click(); });
    connect(mnudelete, &QAction::triggered, this, [] { output::mnudelete_Click(); });
    connect(mnucancel, &QAction::triggered, this, [] { output::mnucancel_Click(); });
    connect(mnusave, &QAction::triggered, this, &Form2::mnusave_Click);
    connect(mnuprint, &QAction::triggered, this, &Form2::mnuprint_Click);
    connect(mnuprintsetting, &QAction::triggered, this, &Form2::mnuprintsetting_Click);
    connect(mnuaboutus, &QAction::triggered, this, &Form2::mnuaboutus_Click);

    // The menus' accelerators and the Edit menu work whichever box has the keyboard.
    for (QLineEdit* box : {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8}) {
        output::giveAcceleratorsToWindow(box, this);
        output::keepSelectionThroughMenuBar(box);
    }
    output::giveAcceleratorsToWindow(RichTextBox1, this);
}

void Form2::ReportSaveFailure(const QString& reason) {
    if (reason.isEmpty()) return;  // written, or cancelled
    const QString path = QDir::toNativeSeparators(CommonDialog1->FileName);
    const QString text = saveFailedText(path);
    SetStatus([path] { return saveFailedText(path); });
    std::fprintf(stderr, "leakmeter: %s\n", reason.toLocal8Bit().constData());
    // The status line is soon overwritten by the next reading; what the user must act on is
    // also said in a box.
    messages_->beep();
    messages_->warning(this, tr("保存失败"), text + QStringLiteral("\r\n") + reason);
}

void Form2::Command5_Click() {
    QString failure;
    output::saveReportText(*CommonDialog1, *RichTextBox1, &failure);
    ReportSaveFailure(failure);
}

void Form2::mnusave_Click() {
    // The chart's own image is read when the dialog closes: what is saved is the chart
    // as it stands then.
    QString failure;
    output::mnusave_Click(*CommonDialog1, ModeNumber(), Picture1->image(), *RichTextBox1, &failure);
    ReportSaveFailure(failure);
}

void Form2::mnuprint_Click() {
    output::mnuprint_Click(*CommonDialog1, ModeNumber(), this, RichTextBox1, *messages_);
}

void Form2::mnuprintsetting_Click() {
    output::mnuprintsetting_Click(*CommonDialog1, this, *messages_);
}

void Form2::mnuaboutus_Click() {
    output::mnuaboutus_Click(this, *messages_);
}

}  // namespace app
