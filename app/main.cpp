#include "aboutunit.h"
#include "checkupdatesunit.h"
#include "language.h"
#include "mainunit.h"
#include "quorvaneapplication.h"
#include "settingsunit.h"
#include "signingpipeline.h"

#include <QIcon>
#include <QLocale>

int main(int argc, char *argv[])
{
    TQuorvaneApplication application(argc, argv);
    TQuorvaneApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvane.svg")));
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
