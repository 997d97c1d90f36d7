#pragma once
// Gives activation back to the window a dialog was shown over once the
// dialog goes away. Without a window manager to do it (a bare X server, a
// kiosk session) no window of the program would be active after any dialog,
// so the keyboard, Alt+letter for the menus included, would reach nothing
// until the user clicked somewhere. A command that shows one dialog after
// another (save: the file, the range, the progress) hands the keyboard on
// from each to the next and back to the window at the end, even when one
// of them closes before the window system made it active.

#include <QObject>
#include <QPointer>

class QWidget;

namespace kv {

class DialogFocus : public QObject
{
    Q_OBJECT
public:
    // Watches every dialog of the application for as long as it lives.
    // home (the main window) gets the keyboard where a dialog's own window
    // has gone, and when the start-up box closes.
    explicit DialogFocus(QWidget *home);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *ownerOf(QWidget *dialog) const;
    void handBack(QWidget *owner);

    QPointer<QWidget> m_home;
    bool m_owed = false;         // a closed dialog's keyboard not yet handed back
    bool m_homeWasActive = false;
};

} // namespace kv
