#include "app/KeyboardReach.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QToolBar>

namespace kv {

namespace {

bool takesTab(const QWidget *w, const QWidget *within)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(within) && !w->focusProxy();
}

} // namespace

KeyboardReach::KeyboardReach(QMainWindow *window, QToolBar *tools, QMdiArea *area)
    : QObject(window)
    , m_window(window)
    , m_tools(tools)
    , m_area(area)
{
    qApp->installEventFilter(this);
}

QList<QWidget *> KeyboardReach::ring() const
{
    QList<QWidget *> ring;
    if (m_tools && m_tools->isVisible()) {
        for (QAction *a : m_tools->actions()) {
            QWidget *w = m_tools->widgetForAction(a);
            if (w && a->isVisible() && takesTab(w, m_tools))
                ring << w;
        }
    }
    QMdiSubWindow *active = m_area ? m_area->activeSubWindow() : nullptr;
    if (active && active->widget() && !active->isMinimized()) {
        // The child's own order, as its author set it with setTabOrder.
        QWidget *child = active->widget();
        QWidget *w = child;
        do {
            if (takesTab(w, child))
                ring << w;
            w = w->nextInFocusChain();
        } while (w && w != child && child->isAncestorOf(w));
    }
    // Last, what the status bar offers the keyboard (an alarm to acknowledge).
    if (QStatusBar *bar = m_window ? m_window->findChild<QStatusBar *>() : nullptr; bar && bar->isVisible())
        for (QWidget *w : bar->findChildren<QWidget *>())
            if (takesTab(w, bar))
                ring << w;
    return ring;
}

bool KeyboardReach::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget())
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool tab = key->key() == Qt::Key_Tab && mods == Qt::NoModifier;
    const bool backTab = key->key() == Qt::Key_Backtab
        || (key->key() == Qt::Key_Tab && mods == Qt::ShiftModifier);
    if (!tab && !backTab)
        return false;
    auto *focus = static_cast<QWidget *>(watched);
    if (focus->window() != m_window || QApplication::activePopupWidget())
        return false;
    const QList<QWidget *> controls = ring();
    // The focus may sit inside one of the ring's controls (a part of it).
    qsizetype at = -1;
    for (QWidget *w = focus; w && at < 0; w = w->parentWidget())
        at = controls.indexOf(w);
    if (controls.isEmpty())
        return false;
    // From anywhere else in the window Tab starts the ring at one end.
    const qsizetype n = controls.size();
    QWidget *next = at < 0 ? (tab ? controls.first() : controls.last()) : controls.at((at + (tab ? 1 : n - 1)) % n);
    next->setFocus(tab ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace kv
