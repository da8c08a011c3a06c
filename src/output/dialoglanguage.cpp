#include "output/dialoglanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace output {

namespace {

// The one Chinese catalogue installed, so that switching languages never stacks a second.
QPointer<QTranslator> installed;
QString installedFolder;

}  // namespace

QStringList QtTranslationFolders() {
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
}

QString installQtChineseTranslations() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return QString();
    if (installed) return installedFolder;
    for (const QString& folder : QtTranslationFolders()) {
        // "qt_zh_CN" gathers the catalogues of the Qt modules (qtbase and the others).
        auto* translator = new QTranslator(app);
        if (translator->load(QStringLiteral("qt_zh_CN"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            installed = translator;
            installedFolder = folder;
            return folder;
        }
        delete translator;
    }
    return QString();
}

void removeQtChineseTranslations() {
    delete installed.data();  // a translator deleted is removed from the application
}

}  // namespace output
