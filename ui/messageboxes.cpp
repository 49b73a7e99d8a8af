#include "ui/messageboxes.h"

namespace
{

int ShowBox(QWidget *parent, QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, QStringLiteral("Quorvane"), text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

} // namespace

void ErrorBox(QWidget *parent, const QString &text) { ShowBox(parent, QMessageBox::Critical, text, QMessageBox::Ok); }

void InformationBox(QWidget *parent, const QString &text)
{
    ShowBox(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

bool AskYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    return ShowBox(parent, icon, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}
