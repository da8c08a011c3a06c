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
bool namesNoLanguage(const QString& locale) {
    return locale.isEmpty() || locale == QLatin1String("C") ||
           locale.startsWith(QLatin1String("C.")) || locale == QLatin1String("POSIX");
}

QPointer<QTranslator> english;
Language current = Language::Chinese;

}  // namespace

std::optional<Language> languageFromCode(const QString& code) {
    if (code == QLatin1String("zh")) return Language::Chinese;
    if (code == QLatin1String("en")) return Language::English;
    return std::nullopt;
}

QString languageCode(Language language) {
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

QStringList systemUiLanguages(const std::function<QString(const char*)>& env,
                              const QStringList& qtUiLanguages) {
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = env(name);
        if (!locale.isEmpty()) break;
    }
    if (locale.isEmpty()) return qtUiLanguages;
    if (namesNoLanguage(locale)) return {};
    QStringList languages = env("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    languages << locale;
    return languages;
}

Language chooseLanguage(const QString& option, const QString& remembered,
                        const QStringList& systemLanguages) {
    for (const QString& chosen : {option, remembered})
        if (const std::optional<Language> l = languageFromCode(chosen)) return *l;
    bool named = false;
    for (const QString& l : systemLanguages) {
        if (l.startsWith(QLatin1String("zh"), Qt::CaseInsensitive)) return Language::Chinese;
        named = named || !namesNoLanguage(l);
    }
    return named ? Language::English : Language::Chinese;
}

Language startLanguage(const QString& option) {
    const auto env = [](const char* name) { return qEnvironmentVariable(name); };
    return chooseLanguage(option, serial::rememberedSetting(kSettingKey),
                          systemUiLanguages(env, QLocale::system().uiLanguages()));
}

bool rememberLanguage(Language language) {
    return serial::rememberSetting(kSettingKey, languageCode(language));
}

void useLanguage(Language language) {
    current = language;
    if (language == Language::Chinese) {
        delete english.data();  // the source texts are Chinese
        output::installQtChineseTranslations();
        return;
    }
    output::removeQtChineseTranslations();
    if (english) return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral(":/i18n/leakmeter_en.qm")) &&
        QCoreApplication::installTranslator(translator)) {
        english = translator;
        return;
    }
    delete translator;
}

Language currentLanguage() {
    return current;
}

}  // namespace app
