#pragma once

#include <QMessageBox>
#include <QString>

// Modal boxes titled "Quorvane" that show their text as plain text.
void ErrorBox(QWidget *parent, const QString &text);
void InformationBox(QWidget *parent, const QString &text);
// True when the person answers Yes.
bool AskYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &text);
