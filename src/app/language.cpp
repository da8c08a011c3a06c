#include "language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include "output/dialoglanguage.h"
#include "serial/portmemory.h"

namespace app {

namespace {

const QString kSettingKey = QStringLiteral("language");

// "C", "C.UTF-8", "POSIX" and an empty value name no language.
bool NamesNoLanguage(const QString& locale) {
    return locale.isEmpty() || locale == QLatin1String("C") ||
           locale.startsWith(QLatin1String("C.")) || locale == QLatin1String("POSIX");
}

QPointer<QTranslator> english;
Language current = Language::Chinese;

}  // namespace

std::optional<Language> LanguageFromCode(const QString& code) {
    if (code == QLatin1String("zh")) return Language::Chinese;
    if (code == QLatin1String("en")) return Language::English;
    return std::nullopt;
}

QString LanguageCode(Language language) {
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

QStringList SystemUiLanguages(const std::function<QString(const char*)>& env,
                              const QStringList& qtUiLanguages) {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = env(name);
        if (!locale.isEmpty()) break;
    }
    if (locale.isEmpty()) return qtUiLanguages;
    if (NamesNoLanguage(locale)) return {};
    QStringList languages = env("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    languages << locale;
    return languages;
}

Language ChooseLanguage(const QString& option, const QString& remembered,
                        const QStringList& systemLanguages) {
    for (const QString& chosen : {option, remembered})
        if (const std::optional<Language> l = LanguageFromCode(chosen)) return *l;
    bool named = false;
    for (const QString& l : systemLanguages) {
        if (l.startsWith(QLatin1String("zh"), Qt::CaseInsensitive)) return Language::Chinese;
        named = named || !NamesNoLanguage(l);
    }
    return named ? Language::English : Language::Chinese;
}

Language StartLanguage(const QString& option) {
    const auto env = [](const char* name) { return qEnvironmentVariable(name); };
    return ChooseLanguage(option, serial::RememberedSetting(kSettingKey),
                          SystemUiLanguages(env, QLocale::system().uiLanguages()));
}

bool RememberLanguage(Language language) {
    return serial::RememberSetting(kSettingKey, LanguageCode(language));
}

void UseLanguage(Language language) {
    current = language;
    if (language == Language::Chinese) {
        delete english.data();  // the source texts are Chinese
        output::InstallQtChineseTranslations();
        return;
    }
    output::RemoveQtChineseTranslations();
    if (english) return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral(":/i18n/leakmeter_en.qm")) &&
        QCoreApplication::installTranslator(translator)) {
        english = translator;
        return;
    }
    delete translator;
}

Language CurrentLanguage() {
    return current;
}

}  // namespace app
