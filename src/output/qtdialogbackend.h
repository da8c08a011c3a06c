#pragma once
// The platform dialogs behind CommonDialog: a save dialog, the print dialog and the
// page setup dialog.

#include "output/commondialog.h"

namespace output {

class QtDialogBackend : public DialogBackend {
  public:
    BackendAnswer RunSave(const SaveRequest& request) override;
    BackendAnswer RunPrinter(const PrinterRequest& request, QPrinter& printer) override;
};

}  // namespace output
