#include "output/savecommands.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTextEdit>

#include "measure/reportfile.h"
#include "output/commondialog.h"
#include "output/outputfolder.h"

namespace output {

namespace {

// Chart lines are thin and sharp; a high quality keeps them readable in a JPEG.
constexpr int kJpegQuality = 95;

// Sets up the dialog for a save and shows it; true when a path was confirmed.
bool askForPath(CommonDialog& dialog, const char* filter, const QString& defaultExt,
                const char* fileName = kDefaultFileName) {
    dialog.FileName = QString::fromLatin1(fileName);
    dialog.Filter = QCoreApplication::translate("SaveCommands", filter);
    dialog.DefaultExt = defaultExt;
    // The folder is created before the dialog opens, so it is there even when the user
    // cancels. If it cannot be created (no permission, a plain file of that name) the
    // dialog opens in the home folder instead.
    dialog.InitDir =
        ensureOutputFolder() ? outputFolder() : QDir::toNativeSeparators(QDir::homePath());
    dialog.CancelError = true;
    // Only a confirmed path is written to: after a failed dialog FileName still holds the
    // bare proposal, which would land in whatever the current directory happens to be.
    return dialog.ShowSave().accepted();
}

}  // namespace

QByteArray imageFormatForName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) return "JPG";
    if (suffix == QLatin1String("png")) return "PNG";
    return "BMP";
}

bool saveReportText(CommonDialog& dialog, const QTextEdit& report, QString* failure) {
    if (failure) failure->clear();
    if (!askForPath(dialog, kReportFilter, QStringLiteral(".txt"))) return false;
    return measure::writeReportFile(dialog.FileName, measure::reportFileText(report.toPlainText()),
                                    failure);
}

bool SaveChartImage(CommonDialog& dialog, const QImage& chart, QString* failure) {
    if (failure) failure->clear();
    const QString ext = dialog.FilterIndex == 1 ? QStringLiteral(".bmp") : QStringLiteral(".jpg");
    if (!askForPath(dialog, kImageFilter, ext)) return false;
    const QString path = dialog.FileName;
    const auto fail = [&](const QString& why) {
        if (failure) *failure = QStringLiteral("cannot save ") + path + QStringLiteral(": ") + why;
        return false;
    };
    if (chart.isNull()) return fail(QStringLiteral("the chart has no image"));

    const QByteArray format = imageFormatForName(path);
    // Both formats are written without alpha; the chart is opaque.
    const QImage opaque = chart.convertToFormat(QImage::Format_RGB32);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!opaque.save(&buffer, format.constData(), format == "JPG" ? kJpegQuality : -1))
        return fail(QStringLiteral("the image could not be encoded as ") +
                    QString::fromLatin1(format));
    return measure::writeFileAtomically(path, data, failure);
}

std::optional<QString> askDataLogPath(CommonDialog& dialog) {
    const int imageType = dialog.FilterIndex;
    const bool accepted =
        askForPath(dialog, kDataLogFilter, QStringLiteral(".csv"), kDataLogFileName);
    dialog.FilterIndex = imageType;
    if (!accepted) return std::nullopt;
    return dialog.FileName;
}

void mnusave_Click(CommonDialog& dialog, int mode, const QImage& chart, const QTextEdit& report,
                   QString* failure) {
    if (mode == 1)
        SaveChartImage(dialog, chart, failure);
    else
        saveReportText(dialog, report, failure);
}

}  // namespace output
