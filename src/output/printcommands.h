#pragma once
// File menu "打印" and "打印设置".

#include <QCoreApplication>
#include <QString>

class QImage;
class QPrinter;
class QTextEdit;
class QWidget;

namespace output {

class CommonDialog;
class MessageSink;

inline constexpr int kPrintFlags = 264;       // kPrintReturnDC | kPrintNoPageNums
inline constexpr int kPrintSetupFlags = 328;  // kPrintReturnDC | kPrintSetup | kPrintNoPageNums

// Box titles and the first line of the box texts; the platform's description of the error
// follows on the next line (CR LF). The texts are shown translated (context "PrintCommands")
// when the program speaks English.
inline constexpr char kPrintErrorTitle[] = "Printing Error!";
inline constexpr char kPrintErrorText[] = QT_TRANSLATE_NOOP("PrintCommands", "文件打印出错.");
inline constexpr char kPrintSetupErrorTitle[] = "Printsetting Error!";
inline constexpr char kPrintSetupErrorText[] = QT_TRANSLATE_NOOP("PrintCommands", "打印设置出错.");

// Prints `image` on one page, scaled to fill the printable area while keeping its aspect
// ratio, at the top left. False when nothing could be printed.
bool printImageFitted(QPrinter& printer, const QImage& image);

// What the window print shows of `window`: its client area, without the menu bar (for a
// main window, the central widget), as it is on screen now.
QImage clientAreaImage(QWidget* window);

// Prints the report view formatted as displayed: only its selection when `selectionOnly`
// and there is one, else the whole document. A printer that cannot be opened prints nothing;
// false then.
bool printReport(QPrinter& printer, const QTextEdit& report, bool selectionOnly);

// Print. Flags 264, plus 1 when the report view has a selection; printing to a file
// proposes "Zentravolix.pdf" in the output folder (created first). Cancel is silent; any
// other dialog failure beeps and shows the print error box. Mode 1 prints an image of
// the client area of `window`, any other mode the report (its selection when one is selected and
// the print range chosen in the dialog is the selection). A printer that cannot take the
// job (a PDF file in a folder that cannot be written, say) beeps and shows the print error
// box too, naming the file or the printer.
void mnuprint_Click(CommonDialog& dialog, int mode, QWidget* window, QTextEdit* report,
                    MessageSink& messages);

// Print setup. Flags 328. Cancel is silent; any other failure beeps and shows the
// print-setup error box. The chosen settings stay on the dialog's printer.
void mnuprintsetting_Click(CommonDialog& dialog, QWidget* window, MessageSink& messages);

}  // namespace output
