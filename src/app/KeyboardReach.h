#pragma once
// Tab and Shift+Tab across the main window. A child window of the
// multiple-document area keeps the keyboard to itself, as a window would, so
// Tab alone never reached the tool bar again once a child window had it.
// Here the main window's controls form one ring: the tool bar from left to
// right, then the controls of the active child window in its own order, then
// what the status bar lets the keyboard reach, then the tool bar again. Ctrl+Tab moves between the child windows.

#include <QObject>
#include <QPointer>

class QMainWindow;
class QMdiArea;
class QToolBar;
class QWidget;

namespace kv {

class KeyboardReach : public QObject
{
    Q_OBJECT
public:
    KeyboardReach(QMainWindow *window, QToolBar *tools, QMdiArea *area);

    // The controls Tab visits now, in order.
    QList<QWidget *> ring() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMainWindow *m_window;
    QPointer<QToolBar> m_tools;
    QPointer<QMdiArea> m_area;
};

} // namespace kv
