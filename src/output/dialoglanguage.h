#pragma once
// The language of Qt's own dialogs and buttons (file, print and page-setup dialogs, the
// replace-file question, message-box buttons): Chinese with the Chinese window, Qt's own
// English with the English one.

#include <QString>
#include <QStringList>

namespace output {

// Folders searched for Qt's translation catalogues, in order: Qt's own translations folder,
// then "translations" beside the program (where a deployed copy keeps them).
QStringList QtTranslationFolders();

// Loads Qt's Simplified Chinese (zh_CN) catalogue from the first folder that has it and
// installs it into the running application. Returns the folder used, or an empty string
// when none has it (the standard dialogs then stay in English; nothing else changes).
// Installed once: a second call returns the folder already used.
QString installQtChineseTranslations();
// Takes it out again: the standard dialogs speak Qt's English.
void removeQtChineseTranslations();

}  // namespace output
