#pragma once
// The language of Qt's own dialogs and buttons (file, print and page-setup dialogs, the
// replace-file question, message-box buttons). The program speaks Chinese, so they do too.

#include <QString>
#include <QStringList>

namespace output {

// Folders searched for Qt's translation catalogues, in order: Qt's own translations folder,
// then "translations" beside the program (where a deployed copy keeps them).
QStringList QtTranslationFolders();

// Loads Qt's Simplified Chinese (zh_CN) catalogue from the first folder that has it and
// installs it into the running application. Returns the folder used, or an empty string
// when none has it (the standard dialogs then stay in English; nothing else changes).
QString InstallQtChineseTranslations();

}  // namespace output
