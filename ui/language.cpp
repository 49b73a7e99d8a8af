#include "ui/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace
{
// The program's texts are simplified Chinese; Qt's dialogs match them also for other Chinese locales.
const QLocale kChineseLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
const QLocale kEnglishLocale(QLocale::English, QLocale::UnitedStates);

// Keeps the translator that `load` fills for the rest of the run; one that does not load is dropped.
template <typename Load> bool Install(Load load)
{
    auto translator = std::make_unique<QTranslator>();
    if (!load(*translator))
        return false;
    QCoreApplication::installTranslator(translator.get());
    translator.release()->setParent(QCoreApplication::instance());
    return true;
}

void InstallQtTranslation(const QLocale &locale)
{
    Install([&](QTranslator &translator) {
        return translator.load(
            locale, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    });
}
}

ShownLanguage ChooseShownLanguage(const QStringList &uiLanguages)
{
    for (const QString &name : uiLanguages) {
        switch (QLocale(name).language()) {
        case QLocale::English:
            return ShownLanguage::English;
        case QLocale::Chinese:
            return ShownLanguage::Chinese;
        default:
            break;
        }
    }
    return ShownLanguage::Chinese;
}

ShownLanguage InstallTranslations(ShownLanguage language)
{
    const auto loadEnglish
        = [](QTranslator &translator) { return translator.load(QStringLiteral(":/i18n/quorvane_en.qm")); };
    if (language == ShownLanguage::English && Install(loadEnglish)) {
        InstallQtTranslation(kEnglishLocale);
        return ShownLanguage::English;
    }
    InstallQtTranslation(kChineseLocale);
    return ShownLanguage::Chinese;
}
