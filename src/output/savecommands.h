#pragma once
// The save commands: the report as a text file, the live chart as an image file, and the
// File menu's save entry that picks one of them by the monitoring mode.

#include <QByteArray>
#include <QString>
#include <optional>

class QImage;
class QTextEdit;

namespace output {

class CommonDialog;

inline constexpr char kReportFilter[] = "文本格式 (*.txt)|*.txt";
inline constexpr char kImageFilter[] = "位图格式 (*.bmp)|*.bmp|jpg格式 (*.jpg)|*jpg|";
inline constexpr char kDataLogFilter[] = "CSV格式 (*.csv)|*.csv";
inline constexpr char kDataLogFileName[] = "Zentravolix.csv";

// The report file's text for the report view's plain text: every line break as CR LF,
// nothing added at the end (the file is written as UTF-8 without a byte order mark). The
// view hands its paragraph breaks back as "\n" (CR LF in the text it was given became
// paragraph breaks), so each "\n", "\r\n" or lone "\r" becomes CR LF.
QString ReportFileText(const QString& plainText);

// Image file format for a file name: "JPG" for names ending in .jpg or .jpeg, "PNG" for
// .png (any case), else "BMP"; so a name ending in .bmp, .jpg, .jpeg or .png always gets
// that content, and any other name gets a BMP.
QByteArray ImageFormatForName(const QString& path);

// Writes `data` to `path` replacing any existing file; a failure leaves an existing file
// as it was (written beside it and renamed into place).
bool WriteFileAtomically(const QString& path, const QByteArray& data);

// The report save (button "保存"): proposes "Zentravolix" with ".txt" in the output folder
// (created first) and writes the view's text there. Cancel, a failed dialog and a failed
// write are all silent and leave the view untouched. True when a file was written.
bool SaveReportText(CommonDialog& dialog, const QTextEdit& report);

// The chart image save. `chart` is read after the dialog closes, so pass the chart
// surface's own image to save what it shows at that moment. The default extension follows
// the type confirmed at the last use of the dialog: ".bmp" for the first type, else ".jpg".
// All outcomes are silent. True when a file was written.
bool SaveChartImage(CommonDialog& dialog, const QImage& chart);

// The data log's save dialog: proposes "Zentravolix.csv" in the output folder (created
// first), ".csv" appended to a name without extension. The confirmed path, or nothing when
// the user cancelled or the dialog failed (both silent). The file type the user last chose for
// the chart image stays as it was, so the next image save proposes the same extension.
std::optional<QString> AskDataLogPath(CommonDialog& dialog);

// File menu "保存": mode 1 (real-time monitoring) saves the chart image, any other mode
// the report text.
void mnusave_Click(CommonDialog& dialog, int mode, const QImage& chart, const QTextEdit& report);

}  // namespace output
