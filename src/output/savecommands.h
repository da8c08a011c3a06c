#pragma once
// The save commands: the report as a text file, the live chart as an image file, and the
// File menu's save entry that picks one of them by the monitoring mode.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <optional>

class QImage;
class QTextEdit;

namespace output {

class CommonDialog;

// Shown translated (context "SaveCommands") when the program speaks English.
inline constexpr char kReportFilter[] = QT_TRANSLATE_NOOP("SaveCommands", "文本格式 (*.txt)|*.txt");
inline constexpr char kImageFilter[] =
    QT_TRANSLATE_NOOP("SaveCommands", "位图格式 (*.bmp)|*.bmp|jpg格式 (*.jpg)|*jpg|");
inline constexpr char kDataLogFilter[] = QT_TRANSLATE_NOOP("SaveCommands", "CSV格式 (*.csv)|*.csv");
inline constexpr char kDataLogFileName[] = "Zentravolix.csv";

// Image file format for a file name: "JPG" for names ending in .jpg or .jpeg, "PNG" for
// .png (any case), else "BMP"; so a name ending in .bmp, .jpg, .jpeg or .png always gets
// that content, and any other name gets a BMP.
QByteArray imageFormatForName(const QString& path);

// The save commands below propose "Zentravolix" in the output folder, created first; when
// it cannot be made, the dialog starts in the home folder. Cancel and a failed dialog write
// nothing and say nothing. When a confirmed path (left in dialog.FileName) cannot be
// written, *failure gets the reason, naming the path; it is empty after any other outcome.
// Nothing here shows or prints anything: the caller tells the user.

// The report save (button "保存"): writes the view's text, ".txt" proposed, and leaves
// the view untouched. True when a file was written.
bool saveReportText(CommonDialog& dialog, const QTextEdit& report, QString* failure = nullptr);

// The chart image save. `chart` is read after the dialog closes, so pass the chart
// surface's own image to save what it shows at that moment. The default extension follows
// the type confirmed at the last use of the dialog: ".bmp" for the first type, else ".jpg".
// True when a file was written.
bool SaveChartImage(CommonDialog& dialog, const QImage& chart, QString* failure = nullptr);

// The data log's save dialog: proposes "Zentravolix.csv" in the output folder (created
// first), ".csv" appended to a name without extension. The confirmed path, or nothing when
// the user cancelled or the dialog failed (both silent). The file type the user last chose for
// the chart image stays as it was, so the next image save proposes the same extension.
std::optional<QString> askDataLogPath(CommonDialog& dialog);

// File menu "保存": mode 1 (real-time monitoring) saves the chart image, any other mode
// the report text.
void mnusave_Click(CommonDialog& dialog, int mode, const QImage& chart, const QTextEdit& report,
                   QString* failure = nullptr);

}  // namespace output
