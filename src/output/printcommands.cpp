#include "output/printcommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMainWindow>
#include <QPainter>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QWidget>

#include "output/commondialog.h"
#include "output/messagesink.h"
#include "output/outputfolder.h"

namespace output {

namespace {

void reportFailure(MessageSink& messages, QWidget* window, const char* title, const char* text,
                   const QString& description) {
    messages.beep();
    messages.warning(
        window, QString::fromUtf8(title),
        QCoreApplication::translate("PrintCommands", text) + QStringLiteral("\r\n") + description);
}

}  // namespace

bool printImageFitted(QPrinter& printer, const QImage& image) {
    if (image.isNull()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The painter's origin is the top left of the printable area.
    const QRect area = painter.viewport();
    const QSize size = image.size().scaled(area.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    return painter.end();
}

QImage clientAreaImage(QWidget* window) {
    if (!window) return QImage();
    auto* main = qobject_cast<QMainWindow*>(window);
    QWidget* client = main && main->centralWidget() ? main->centralWidget() : window;
    return client->grab().toImage();
}

bool printReport(QPrinter& printer, const QTextEdit& report, bool selectionOnly) {
    const QTextCursor cursor = report.textCursor();
    if (!selectionOnly || !cursor.hasSelection()) {
        report.document()->print(&printer);
        return printer.printerState() != QPrinter::Error;
    }
    QTextDocument selection;
    selection.setDefaultFont(report.document()->defaultFont());
    selection.setDefaultStyleSheet(report.document()->defaultStyleSheet());
    selection.setDefaultTextOption(report.document()->defaultTextOption());
    QTextCursor(&selection).insertFragment(cursor.selection());
    selection.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

void mnuprint_Click(CommonDialog& dialog, int mode, QWidget* window, QTextEdit* report,
                    MessageSink& messages) {
    dialog.Flags = kPrintFlags;
    if (report && report->textCursor().hasSelection()) dialog.Flags += kPrintSelection;
    dialog.FileName = QString::fromLatin1(kDefaultFileName);
    dialog.InitDir = outputFolder();
    ensureOutputFolder();
    dialog.CancelError = true;
    const DialogOutcome outcome = dialog.ShowPrinter();
    if (outcome.cancelled()) return;
    if (outcome.failed()) {
        reportFailure(messages, window, kPrintErrorTitle, kPrintErrorText, outcome.description);
        return;
    }
    QPrinter& printer = *dialog.Printer();
    bool printed = true;
    if (mode == 1) {
        if (window) printed = printImageFitted(printer, clientAreaImage(window));
    } else if (report) {
        printed = printReport(printer, *report, printer.printRange() == QPrinter::Selection);
    }
    if (!printed) {
        const QString where = printer.outputFileName().isEmpty()
                                  ? printer.printerName()
                                  : QDir::toNativeSeparators(printer.outputFileName());
        reportFailure(messages, window, kPrintErrorTitle, kPrintErrorText,
                      QStringLiteral("cannot print to ") + where);
    }
}

void mnuprintsetting_Click(CommonDialog& dialog, QWidget* window, MessageSink& messages) {
    dialog.Flags = kPrintSetupFlags;
    dialog.CancelError = true;
    const DialogOutcome outcome = dialog.ShowPrinter();
    if (outcome.failed())
        reportFailure(messages, window, kPrintSetupErrorTitle, kPrintSetupErrorText,
                      outcome.description);
}

}  // namespace output
