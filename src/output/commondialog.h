#pragma once
// The dialog component shared by the report save, the chart image save, print and print
// setup. Each command sets the values it needs before showing the dialog; the file-type
// index chosen by the user and the flags stay in place for the next use, as on the
// classic common dialog control this program was designed around.

#include <QList>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace output {

// Error number reported for a cancelled dialog when CancelError is set.
inline constexpr int kCancelError = 32755;

// Printer-dialog flag bits.
inline constexpr int kPrintSelection = 1;   // selection range preselected
inline constexpr int kPrintNoPageNums = 8;  // no page-range choice
inline constexpr int kPrintSetup = 64;      // printer setup instead of print
inline constexpr int kPrintReturnDC = 256;  // hand back something to print on

// One type of a "description|pattern|description|pattern" filter text.
struct FilterEntry {
    QString description;
    QString pattern;
    bool operator==(const FilterEntry&) const = default;
};

// Splits a filter text into its types. A trailing separator is allowed; a description
// without a pattern gets the pattern "*". Empty text gives no types.
QList<FilterEntry> parseFilter(const QString& filter);

// Name filters for QFileDialog: "description (pattern)", or the description alone when it
// already ends with a bracketed pattern list such as "(*.jpg)", so each type is listed with
// the patterns its description names, once. Patterns separated by ";" become blank-separated.
QStringList nameFilters(const QList<FilterEntry>& entries);

// The extension a bare file name gets when it is saved as type `index` (1-based): the
// type's own extension when its first pattern names one ("*.jpg" or "*jpg" give "jpg"),
// else `defaultExt` (without its leading dot). Picking a type in the dialog thus decides
// the extension of a bare name.
QString extensionForType(const QList<FilterEntry>& entries, int index, const QString& defaultExt);

// True when `name` has to get the default extension: its file name part has no suffix.
bool needsDefaultExt(const QString& path);

struct DialogOutcome {
    enum class Kind { Accepted, Cancelled, Failed };
    Kind kind = Kind::Accepted;
    int error = 0;        // kCancelError for a cancel with CancelError set, else 0
    QString description;  // why the dialog failed (Failed only)

    bool accepted() const { return kind == Kind::Accepted; }
    bool cancelled() const { return kind == Kind::Cancelled; }
    bool failed() const { return kind == Kind::Failed; }
};

// What a save dialog is asked to show.
struct SaveRequest {
    QString fileName;            // proposed name
    QList<FilterEntry> filters;  // parsed from Filter
    int filterIndex = 1;         // 1-based type to preselect (within range)
    QString defaultExt;          // with or without the leading dot, as set
    QString initDir;             // proposed folder
    int flags = 0;               // whatever the component holds
    QWidget* parent = nullptr;
};

// What an open dialog is asked to show: existing files, one or more.
struct OpenRequest {
    QList<FilterEntry> filters;  // parsed from Filter
    QString initDir;             // proposed folder
    QWidget* parent = nullptr;
};

// What a printer dialog is asked to show (flags: see kPrint*).
struct PrinterRequest {
    int flags = 0;
    QString printFileName;  // proposed file for printing to a file: InitDir, FileName + ".pdf"
    QWidget* parent = nullptr;
};

// A backend's answer. For a save: path is the confirmed file, filterIndex the 1-based
// type the user chose. For a printer dialog the settings land in the QPrinter it was given.
struct BackendAnswer {
    DialogOutcome::Kind kind = DialogOutcome::Kind::Cancelled;
    QString path;
    int filterIndex = 1;
    QString description;
    QStringList paths;  // the files chosen in an open dialog
};

// The part that actually talks to the user. QtDialogBackend is the real one;
// ScriptedDialogBackend answers from a queue (for tests and unattended runs).
class DialogBackend {
  public:
    virtual ~DialogBackend() = default;
    virtual BackendAnswer runSave(const SaveRequest& request) = 0;
    virtual BackendAnswer runPrinter(const PrinterRequest& request, QPrinter& printer) = 0;
    virtual BackendAnswer runOpen(const OpenRequest& request) = 0;
};

class CommonDialog {
  public:
    // The backend is not owned and must outlive the dialog component.
    explicit CommonDialog(DialogBackend& backend, QWidget* parent = nullptr);
    ~CommonDialog();
    CommonDialog(const CommonDialog&) = delete;
    CommonDialog& operator=(const CommonDialog&) = delete;

    QString FileName;
    QStringList FileNames;  // the files an open dialog confirmed
    QString Filter;
    QString DefaultExt;
    QString InitDir;
    bool CancelError = false;
    int FilterIndex = 1;  // the type last confirmed by the user; 1 before any save
    int Flags = 0;

    // Shows the save dialog. On acceptance FileName holds the full path, with the chosen
    // type's extension (or DefaultExt, see extensionForType) appended when the name has no
    // extension, and FilterIndex the chosen type. On cancel or failure FileName and
    // FilterIndex are left as they were.
    DialogOutcome ShowSave();

    // Shows the open dialog for one or more existing files of the Filter's types in InitDir. On
    // acceptance FileNames holds their full paths; otherwise it is left as it was.
    DialogOutcome ShowOpen();

    // Shows the print dialog, or the printer setup dialog when Flags has kPrintSetup.
    // The chosen settings stay on Printer() for later printing. Before a print dialog the
    // print range is preset: the selection when Flags has kPrintSelection, else all pages.
    // With InitDir and FileName set, printing to a file proposes FileName + ".pdf" there.
    DialogOutcome ShowPrinter();

    // The printer the dialogs configure; created on first use.
    QPrinter* Printer();

  private:
    DialogOutcome outcomeOf(const BackendAnswer& answer) const;

    DialogBackend& backend_;
    QWidget* parent_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace output
