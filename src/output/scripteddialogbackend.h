#pragma once
// A dialog backend that answers from a queue instead of asking anyone, and remembers what
// it was asked. Used by the tests and by anything that drives the commands unattended.

#include <QList>
#include <QPrinter>
#include <QQueue>
#include <functional>
#include <optional>

#include "output/commondialog.h"

namespace output {

class ScriptedDialogBackend : public DialogBackend {
  public:
    // Accepts a save dialog with `path`; an empty path accepts the proposal (the proposed
    // name in the proposed folder). `whileOpen` runs before the answer is given, standing in
    // for whatever happens while the real dialog is open.
    void acceptSave(const QString& path = {}, int filterIndex = 1,
                    std::function<void()> whileOpen = {});
    // Accepts a printer dialog. A non-empty `pdfPath` sends the output to that PDF file;
    // `range` stands for the user changing the print range.
    void acceptPrinter(const QString& pdfPath = {},
                       std::optional<QPrinter::PrintRange> range = std::nullopt);
    // Accepts an open dialog with `paths`.
    void acceptOpen(const QStringList& paths);
    void cancel();
    void fail(const QString& description);

    qsizetype pending() const { return answers_.size(); }
    // Dialogs that were shown with no answer queued (they were treated as cancelled).
    int unscripted() const { return unscripted_; }

    QList<SaveRequest> saveRequests;
    QList<PrinterRequest> printerRequests;
    QList<OpenRequest> openRequests;
    // The printer's print range when each printer dialog opened.
    QList<QPrinter::PrintRange> printRangesShown;

    BackendAnswer runSave(const SaveRequest& request) override;
    BackendAnswer runPrinter(const PrinterRequest& request, QPrinter& printer) override;
    BackendAnswer runOpen(const OpenRequest& request) override;

  private:
    struct Answer {
        DialogOutcome::Kind kind = DialogOutcome::Kind::Cancelled;
        QString path;
        int filterIndex = 1;
        QString description;
        QStringList paths;
        std::function<void()> whileOpen;
        std::optional<QPrinter::PrintRange> range;
    };
    Answer next();

    QQueue<Answer> answers_;
    int unscripted_ = 0;
};

}  // namespace output
