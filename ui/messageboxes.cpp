#include "ui/messageboxes.h"

#include <QCoreApplication>

namespace
{

enum { kListedLines = 20 };

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

void WarningBox(QWidget *parent, const QString &text) { ShowBox(parent, QMessageBox::Warning, text, QMessageBox::Ok); }

bool AskYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    return ShowBox(parent, icon, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void AppendListedLines(QString &text, const QStringList &lines)
{
    for (qsizetype i = 0; i < lines.size() && i < kListedLines; ++i)
        text += kBoxLineBreak + lines[i];
    if (lines.size() > kListedLines)
        text += kBoxLineBreak + QCoreApplication::translate("TMainForm", "……");
}
