#include "reportfile.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "platform/durablefile.h"

namespace measure {
namespace {

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const auto fail = [&](int reason) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, SystemReason(reason));
        return false;
    };
    // The file a link names is the one replaced; the link stays.
    const QFileInfo given(path);
    const QString target = given.isSymLink() ? given.symLinkTarget() : path;
    const QFileInfo info(target);
    if (info.isDir()) return fail(EISDIR);

    if (const int reason = platform::ReplaceFile(target, bytes); reason != 0) return fail(reason);
    if (error) error->clear();
    return true;
}

QString ReportFileText(const QString& plainText) {
    QString text = plainText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

bool WriteReportFile(const QString& path, const QString& text, QString* error) {
    return WriteFileAtomically(path, text.toUtf8(), error);
}

}  // namespace measure
