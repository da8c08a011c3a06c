#pragma once
// The platform dialogs behind CommonDialog: a save dialog, the print dialog and the
// page setup dialog.

#include "output/commondialog.h"

class QPrintDialog;

namespace output {

// Applies a print request to the print dialog before it is shown: the selection choice is
// offered when the flags preselect it; with kPrintNoPageNums no page-range choice is
// offered (not even the print system's own); and printing to a file proposes
// request.printFileName while the printer has no file name of its own yet.
void setUpPrintDialog(QPrintDialog& dialog, const PrinterRequest& request);

class QtDialogBackend : public DialogBackend {
  public:
    BackendAnswer runSave(const SaveRequest& request) override;
    BackendAnswer runPrinter(const PrinterRequest& request, QPrinter& printer) override;
    BackendAnswer runOpen(const OpenRequest& request) override;
};

}  // namespace output
