#include "ui/quorvaneapplication.h"

#include "ui/messageboxes.h"

#include <exception>

TQuorvaneApplication::TQuorvaneApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Quorvane"));
}

bool TQuorvaneApplication::notify(QObject *receiver, QEvent *event)
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

void TQuorvaneApplication::ShowError(const QString &text) { ErrorBox(nullptr, text); }
