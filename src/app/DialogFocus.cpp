#include "app/DialogFocus.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWindow>

namespace kv {

namespace {

const char kShownOver[] = "kvShownOver";

bool isDialog(QObject *watched)
{
    auto *dialog = qobject_cast<QDialog *>(watched);
    return dialog && dialog->isWindow();
}

} // namespace

DialogFocus::DialogFocus(QWidget *home)
    : QObject(home)
    , m_home(home)
{
    qApp->installEventFilter(this);
}

QWidget *DialogFocus::ownerOf(QWidget *dialog) const
{
    // The window it was shown over, or the one that one was shown over
    // when it has gone too (a message over a dialog that closed with it).
    for (QWidget *w = dialog; w;) {
        QWidget *parent = w->parentWidget() ? w->parentWidget()->window() : nullptr;
        if (!parent)
            parent = qobject_cast<QWidget *>(w->property(kShownOver).value<QObject *>());
        if (parent && parent->isVisible())
            return parent;
        w = parent;
    }
    return m_home && m_home->isVisible() ? m_home.data() : nullptr;
}

bool DialogFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::WindowActivate:
        // A window of the program has the keyboard: nothing is owed.
        if (widget->isWindow()) {
            m_owed = false;
            if (widget == m_home)
                m_homeWasActive = true;
        }
        break;
    case QEvent::Show:
        // A dialog without a parent was shown over the window active then.
        if (isDialog(watched) && !widget->parentWidget() && QApplication::activeWindow() != widget)
            widget->setProperty(kShownOver, QVariant::fromValue<QObject *>(QApplication::activeWindow()));
        break;
    case QEvent::Hide: {
        if (!isDialog(watched) || !widget->windowHandle())
            return false;
        // Only a dialog that had the keyboard, or one that closed before the
        // window system gave it what the last one handed on (the saving
        // progress right after the range dialog), or the start-up box
        // before the main window was ever active: one hidden while the
        // user works in another program takes nothing away from it. The
        // window system may still name a window already hidden as the one
        // with the keyboard, or a popup of the dialog (the file dialog's
        // completion list, when a typed name is taken with Enter).
        QWindow *keyboard = QGuiApplication::focusWindow();
        const bool had = keyboard == widget->windowHandle() || (keyboard && !keyboard->isVisible())
            || (keyboard && keyboard->type() == Qt::Popup) || m_owed
            || (!keyboard && !m_homeWasActive && ownerOf(widget) == m_home);
        if (!had)
            return false;
        m_owed = true;
        QPointer<QWidget> owner = ownerOf(widget);
        // Once the hiding is over, and only if nothing took the keyboard
        // meanwhile (the window system, or the next dialog of the command).
        QTimer::singleShot(0, this, [this, owner] { handBack(owner); });
        break;
    }
    default:
        break;
    }
    return false;
}

void DialogFocus::handBack(QWidget *owner)
{
    if (!m_owed)
        return;
    QWidget *active = QApplication::activeWindow();
    if (active && active->isVisible()) {
        m_owed = false;
        return;
    }
    // The next dialog of the command: it hands the keyboard on in turn
    // when it closes, whether or not it got it first.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
        modal->activateWindow();
        return;
    }
    QWidget *to = owner && owner->isVisible() ? owner : (m_home && m_home->isVisible() ? m_home.data() : nullptr);
    if (to) {
        to->activateWindow();
        m_owed = false;
    }
}

} // namespace kv
