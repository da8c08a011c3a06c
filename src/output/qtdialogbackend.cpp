#include "output/qtdialogbackend.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>

namespace output {

namespace {

// The print system (CUPS) puts its own page-range choice into the dialog each time it is
// shown, whatever the dialog's options say; this takes it out again once the dialog is up.
class PageRangeHider : public QObject {
    Q_OBJECT
  public:
    explicit PageRangeHider(QPrintDialog* dialog) : QObject(dialog) {
        dialog->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) hidePageRange(static_cast<QWidget*>(watched));
        return false;
    }

  private:
    static void hidePageRange(QWidget* dialog) {
        auto* box = dialog->findChild<QGroupBox*>(QStringLiteral("gbPrintRange"));
        if (!box) return;
        // Everything in the range box but the whole-document, selection and current-page
        // choices: the "pages from … to" and "pages" choices with their fields.
        static const QStringList kept = {QStringLiteral("printAll"),
                                         QStringLiteral("printSelection"),
                                         QStringLiteral("printCurrentPage")};
        for (QWidget* w : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!kept.contains(w->objectName())) w->hide();
    }
};

}  // namespace

void setUpPrintDialog(QPrintDialog& dialog, const PrinterRequest& request) {
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    options.setFlag(QAbstractPrintDialog::PrintSelection, (request.flags & kPrintSelection) != 0);
    const bool noPageRange = (request.flags & kPrintNoPageNums) != 0;
    options.setFlag(QAbstractPrintDialog::PrintPageRange, !noPageRange);
    dialog.setOptions(options);
    if (noPageRange) new PageRangeHider(&dialog);

    // The dialog's own proposal is a file named after the document in the home or current
    // folder; the program's files go to its output folder.
    QPrinter* printer = dialog.printer();
    if (!request.printFileName.isEmpty() && printer && printer->outputFileName().isEmpty())
        if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("filename")))
            edit->setText(QDir::toNativeSeparators(request.printFileName));
}

BackendAnswer QtDialogBackend::runSave(const SaveRequest& request) {
    QFileDialog dialog(request.parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList names = nameFilters(request.filters);
    if (!names.isEmpty()) {
        dialog.setNameFilters(names);
        dialog.selectNameFilter(names.value(request.filterIndex - 1, names.first()));
    }
    // Letting the dialog add the extension too means its replace-the-file question is
    // asked about the name that will actually be written. The extension follows the type
    // the user picks in the dialog.
    const int shownType = names.isEmpty() ? 1 : request.filterIndex;
    dialog.setDefaultSuffix(extensionForType(request.filters, shownType, request.defaultExt));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, &names, &request](const QString& name) {
            const int type = static_cast<int>(names.indexOf(name)) + 1;
            dialog.setDefaultSuffix(extensionForType(request.filters, type, request.defaultExt));
        });
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

BackendAnswer QtDialogBackend::runOpen(const OpenRequest& request) {
    QFileDialog dialog(request.parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const QStringList names = nameFilters(request.filters);
    if (!names.isEmpty()) dialog.setNameFilters(names);
    if (!request.initDir.isEmpty())
        dialog.setDirectory(QDir::fromNativeSeparators(request.initDir));
    BackendAnswer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        answer.kind = DialogOutcome::Kind::Cancelled;
        return answer;
    }
    answer.kind = DialogOutcome::Kind::Accepted;
    answer.paths = dialog.selectedFiles();
    return answer;
}

BackendAnswer QtDialogBackend::runPrinter(const PrinterRequest& request, QPrinter& printer) {
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
        setUpPrintDialog(dialog, request);
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

#include "qtdialogbackend.moc"
