#pragma once
// Dialogs that the program shows centred on the screen, as its users know
// them, whatever the window manager would do.

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace kv {

inline void centreOnScreen(QWidget *dialog)
{
    QScreen *screen = dialog->parentWidget() ? dialog->parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect r = dialog->frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    dialog->move(r.topLeft());
}

} // namespace kv
