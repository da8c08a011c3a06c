#include "output/qtdialogbackend.h"

#include <QDir>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>

namespace output {

BackendAnswer QtDialogBackend::RunSave(const SaveRequest& request) {
    QFileDialog dialog(request.parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList names = NameFilters(request.filters);
    if (!names.isEmpty()) {
        dialog.setNameFilters(names);
        dialog.selectNameFilter(names.value(request.filterIndex - 1, names.first()));
    }
    QString ext = request.defaultExt;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    // Letting the dialog add the extension too means its replace-the-file question is
    // asked about the name that will actually be written.
    dialog.setDefaultSuffix(ext);
    if (!request.initDir.isEmpty())
        dialog.setDirectory(QDir::fromNativeSeparators(request.initDir));
    dialog.selectFile(request.fileName);

    BackendAnswer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        answer.kind = DialogOutcome::Kind::Cancelled;
        return answer;
    }
    answer.kind = DialogOutcome::Kind::Accepted;
    answer.path = dialog.selectedFiles().first();
    const qsizetype index = names.indexOf(dialog.selectedNameFilter());
    answer.filterIndex = index >= 0 ? static_cast<int>(index) + 1 : request.filterIndex;
    return answer;
}

BackendAnswer QtDialogBackend::RunPrinter(const PrinterRequest& request, QPrinter& printer) {
    BackendAnswer answer;
#ifdef Q_OS_WIN
    // The Windows dialogs cannot do anything without a printer; elsewhere the print
    // dialog still offers printing to a file.
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        answer.kind = DialogOutcome::Kind::Failed;
        answer.description = QStringLiteral("No printers are installed.");
        return answer;
    }
#endif
    int result = QDialog::Rejected;
    if (request.flags & kPrintSetup) {
        QPageSetupDialog dialog(&printer, request.parent);
        result = dialog.exec();
    } else {
        QPrintDialog dialog(&printer, request.parent);
        QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
        options.setFlag(QAbstractPrintDialog::PrintSelection,
                        (request.flags & kPrintSelection) != 0);
        options.setFlag(QAbstractPrintDialog::PrintPageRange,
                        (request.flags & kPrintNoPageNums) == 0);
        dialog.setOptions(options);
        result = dialog.exec();
    }
    if (result != QDialog::Accepted) {
        answer.kind = DialogOutcome::Kind::Cancelled;
        return answer;
    }
    if (!printer.isValid()) {
        answer.kind = DialogOutcome::Kind::Failed;
        answer.description = QStringLiteral("The selected printer is not available.");
        return answer;
    }
    answer.kind = DialogOutcome::Kind::Accepted;
    return answer;
}

}  // namespace output
