#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

// Modal boxes titled "Quorvane" that show their text as plain text.
void ErrorBox(QWidget *parent, const QString &text);
void InformationBox(QWidget *parent, const QString &text);
void WarningBox(QWidget *parent, const QString &text);
// True when the person answers Yes.
bool AskYesNo(QWidget *parent, QMessageBox::Icon icon, const QString &text);

// Lines between texts of a box, as the boxes have always had them.
inline const QString kBoxLineBreak = QStringLiteral("\n\r");

// Appends the first lines of a list to a box's text, one a line, then "……" for the rest, so that
// a long list keeps the box on the screen.
void AppendListedLines(QString &text, const QStringList &lines);
