#include "output/outputfolder.h"

#include <QDir>
#include <QFileInfo>

namespace output {

QString outputFolder() {
#ifdef Q_OS_WIN
    return QStringLiteral("c:\\Zentravolix");
#else
    return QDir(QDir::homePath()).filePath(QString::fromLatin1(kDefaultFileName));
#endif
}

bool ensureOutputFolder() {
    const QString path = QDir::fromNativeSeparators(outputFolder());
    if (QFileInfo(path).isDir()) return true;
    return QDir().mkpath(path);
}

}  // namespace output
