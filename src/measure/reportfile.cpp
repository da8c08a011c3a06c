#include "reportfile.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "platform/durablefile.h"

namespace measure {
namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    const auto fail = [&](int reason) {
        // The path as the system writes it, as the window's status line shows it.
        if (error)
            *error = QStringLiteral("cannot write %1: %2")
                         .arg(QDir::toNativeSeparators(path), systemReason(reason));
        return false;
    };
    // The file a link names is the one replaced; the link stays.
    const QFileInfo given(path);
    const QString target = given.isSymLink() ? given.symLinkTarget() : path;
    const QFileInfo info(target);
    if (info.isDir()) return fail(EISDIR);

    if (const int reason = platform::replaceFile(target, bytes); reason != 0) return fail(reason);
    if (error) error->clear();
    return true;
}

QString reportFileText(const QString& plainText) {
    QString text = plainText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

bool writeReportFile(const QString& path, const QString& text, QString* error) {
    return writeFileAtomically(path, text.toUtf8(), error);
}

}  // namespace measure
