#include "aboutunit.h"
#include "checkupdatesunit.h"
#include "mainunit.h"
#include "settingsunit.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <exception>

namespace
{
// Shows any error that escapes an event handler and lets the program go on.
class TQuorvaneApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            ShowError(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            ShowError(QStringLiteral("Unknown error"));
        }
        return false;
    }

private:
    static void ShowError(const QString &text)
    {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Quorvane"), text, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
};
}

int main(int argc, char *argv[])
{
    TQuorvaneApplication application(argc, argv);
    TQuorvaneApplication::setApplicationName(QStringLiteral("Quorvane"));
    TQuorvaneApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvane.svg")));

    TMainForm MainForm;
    AboutForm = new TAboutForm(&MainForm);
    SettingsForm = new TSettingsForm(Settings, &MainForm);
    UpdateForm = new TUpdateForm(AutoCheckPending, &MainForm);
    MainForm.show();
    return application.exec();
}
