#pragma once

#include <QStringList>

// The language the whole program speaks: Chinese is the language of the source texts, English
// comes from the program's English translation. Qt's own dialogs and buttons follow it.
enum class ShownLanguage { Chinese, English };

// The first of `uiLanguages` (most preferred first, as QLocale::uiLanguages() lists them) that is
// English or Chinese decides; a list with neither, such as the C locale's, gives Chinese.
ShownLanguage ChooseShownLanguage(const QStringList &uiLanguages);

// Installs into the running application the program's translation for `language` and Qt's own
// translation of its dialogs and buttons. Call once, before any window is created. Returns the
// language actually installed: Chinese when the English translation cannot be loaded, so that no
// window ever mixes the two.
ShownLanguage InstallTranslations(ShownLanguage language);
