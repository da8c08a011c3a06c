#include "output/dialoglanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace output {

QStringList QtTranslationFolders() {
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
}

QString InstallQtChineseTranslations() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return QString();
    for (const QString& folder : QtTranslationFolders()) {
        // "qt_zh_CN" gathers the catalogues of the Qt modules (qtbase and the others).
        auto* translator = new QTranslator(app);
        if (translator->load(QStringLiteral("qt_zh_CN"), folder) &&
            QCoreApplication::installTranslator(translator))
            return folder;
        delete translator;
    }
    return QString();
}

}  // namespace output
