#include "engine/compare/signingpipeline.h"
#include "ui/aboutunit.h"
#include "ui/checkupdatesunit.h"
#include "ui/language.h"
#include "ui/mainunit.h"
#include "ui/quorvaneapplication.h"
#include "ui/settingsunit.h"

#include <QIcon>
#include <QLocale>

int main(int argc, char *argv[])
{
    TQuorvaneApplication application(argc, argv);
    TQuorvaneApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvane.svg")));
    // Names the installed desktop entry, whose file name is not the program's.
    TQuorvaneApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    InstallTranslations(ChooseShownLanguage(QLocale::system().uiLanguages()));

    TMainForm MainForm;
    MainUnit.AboutForm = new TAboutForm(&MainForm);
    MainUnit.SettingsForm = new TSettingsForm(MainUnit.Settings, &MainForm);
    MainUnit.UpdateForm = new TUpdateForm(MainUnit.AutoCheckPending, &MainForm);
    MainForm.show();
    const int status = application.exec();
    // A search stopped by closing the window may have left a decode running.
    WaitForLeftBehindWorkers(kMaxDecodeTime);
    return status;
}
