#pragma once

#include <QApplication>

// The desktop program's application object. An error that escapes an event handler is shown in a
// message box titled "Quorvane" and the program goes on running.
class TQuorvaneApplication : public QApplication
{
public:
    TQuorvaneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

private:
    static void ShowError(const QString &text);
};
