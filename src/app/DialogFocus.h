#pragma once
// Gives activation back to the window a dialog was shown over once the
// dialog goes away. Without a window manager to do it (a bare X server, a
// kiosk session) no window of the program would be active after any dialog,
// so the keyboard, Alt+letter for the menus included, would reach nothing
// until the user clicked somewhere.

#include <QObject>

namespace kv {

class DialogFocus : public QObject
{
    Q_OBJECT
public:
    // Watches every dialog of the application for as long as it lives.
    explicit DialogFocus(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace kv
