#include "reportfile.h"

#include <QSaveFile>

namespace measure {

bool WriteReportFile(const QString& path, const QString& text, QString* error) {
    QSaveFile file(path);
    const auto fail = [&](const QString& what) {
        if (error) *error = what + QStringLiteral(": ") + file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(QStringLiteral("cannot open ") + path);
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) return fail(QStringLiteral("cannot write ") + path);
    if (!file.commit()) {
        if (error)
            *error =
                QStringLiteral("cannot save ") + path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    if (error) error->clear();
    return true;
}

}  // namespace measure
