#pragma once
// The language the window, its dialogs and its report speak: Chinese, the meter's own and
// the texts the program is written in, or English from the translation built into the
// program. Command-line messages, --help and the CSV files are English in either.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace app {

enum class Language { Chinese, English };

// "zh" and "en", as --lang and the settings file spell them; nothing for any other text.
std::optional<Language> languageFromCode(const QString& code);
QString languageCode(Language language);

// The languages the system's user interface asks for, most wanted first. On a POSIX
// system the locale for messages is the first set of LC_ALL, LC_MESSAGES and LANG; C and
// POSIX name no language (LANGUAGE is then ignored, as gettext does), otherwise LANGUAGE's
// list comes first. With none of them set, Qt's list (`qtUiLanguages`, from
// QLocale::system().uiLanguages()) speaks for systems that keep the choice elsewhere.
QStringList systemUiLanguages(const std::function<QString(const char*)>& env,
                              const QStringList& qtUiLanguages);

// Which language to speak: `option` (--lang) wins, then `remembered` (the File menu's last
// choice); codes other than "zh" and "en" count as not given. Otherwise any Chinese among
// `systemLanguages` gives Chinese, another named language English, and none Chinese.
Language chooseLanguage(const QString& option, const QString& remembered,
                        const QStringList& systemLanguages);

// The rule for this run: --lang (`option`), the settings file, this system's languages.
Language startLanguage(const QString& option);

// Keeps `language` in the settings file for the next start. False when it cannot be
// written (the choice still holds for this run).
bool rememberLanguage(Language language);

// Speaks `language` from now on: installs or removes the program's English translation
// and Qt's own Chinese one. Every window is told (QEvent::LanguageChange).
void useLanguage(Language language);
Language currentLanguage();

}  // namespace app
