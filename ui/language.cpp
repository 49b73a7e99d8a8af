#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace
{
// The program's texts are simplified Chinese; Qt's dialogs match them also for other Chinese locales.
const QLocale kChineseLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
const QLocale kEnglishLocale(QLocale::English, QLocale::UnitedStates);

bool Install(const QString &file)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(file)) {
        QCoreApplication::installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}

void InstallQtTranslation(const QLocale &locale)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(
            locale, QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
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
    if (language == ShownLanguage::English && Install(QStringLiteral(":/i18n/quorvane_en.qm"))) {
        InstallQtTranslation(kEnglishLocale);
        return ShownLanguage::English;
    }
    InstallQtTranslation(kChineseLocale);
    return ShownLanguage::Chinese;
}
