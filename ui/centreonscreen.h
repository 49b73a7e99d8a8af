#pragma once

#include <QScreen>
#include <QWidget>

// Dialogs open in the middle of the screen they are on, not over their owner window.
inline void CentreOnScreen(QWidget *window)
{
    if (const QScreen *screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}
