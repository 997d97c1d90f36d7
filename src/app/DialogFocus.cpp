#include "app/DialogFocus.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace kv {

DialogFocus::DialogFocus(QObject *parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool DialogFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Hide || !watched->isWidgetType())
        return false;
    auto *dialog = qobject_cast<QDialog *>(watched);
    // Only a dialog that had the keyboard: one hidden while the user works
    // in another program takes nothing away from it.
    if (!dialog || !dialog->isWindow() || !dialog->windowHandle()
        || QGuiApplication::focusWindow() != dialog->windowHandle())
        return false;
    QPointer<QWidget> owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    // Once the hiding is over, and only if nothing took activation
    // meanwhile (the window system, or the next dialog of the same command).
    QTimer::singleShot(0, this, [owner] {
        if (QApplication::activeWindow())
            return;
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->activateWindow();
        else if (owner && owner->isVisible())
            owner->activateWindow();
    });
    return false;
}

} // namespace kv
