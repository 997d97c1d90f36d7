// The main window's "&Window" menu: tile, cascade, next and previous
// window, close, and the list of open child windows with a check by the
// active one.

#include "app/TfrmMain.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

namespace kv {

void TfrmMain::buildWindowMenu()
{
    auto action = [this](const char *name, const QString &text) {
        QAction *a = Window1->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    Window1 = menuBar()->addMenu(QStringLiteral("&Window"));
    Window1->setObjectName(QStringLiteral("Window1"));
    Tile1 = action("Tile1", QStringLiteral("&Tile"));
    Cascade1 = action("Cascade1", QStringLiteral("&Cascade"));
    connect(Tile1, &QAction::triggered, &m_children, &ChildWindows::tile);
    connect(Cascade1, &QAction::triggered, &m_children, &ChildWindows::cascade);
    Window1->addSeparator();
    NextWindow1 = action("NextWindow1", QStringLiteral("Ne&xt"));
    PreviousWindow1 = action("PreviousWindow1", QStringLiteral("Pre&vious"));
    CloseWindow1 = action("CloseWindow1", QStringLiteral("Cl&ose"));
    NextWindow1->setShortcuts(QKeySequence::NextChild);
    PreviousWindow1->setShortcuts(QKeySequence::PreviousChild);
    // Ctrl+Tab and Ctrl+F4 on every desktop, whatever else it binds.
    auto withKey = [](QAction *a, QKeySequence::StandardKey standard, const QList<QKeySequence> &first) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
        for (auto k = first.crbegin(); k != first.crend(); ++k) {
            keys.removeAll(*k);
            keys.prepend(*k);
        }
        a->setShortcuts(keys);
    };
    withKey(NextWindow1, QKeySequence::NextChild, {QKeySequence(Qt::CTRL | Qt::Key_Tab)});
    // The menu shows the first key, named as printed on the keyboard (Qt
    // calls Shift+Tab "Backtab"); the Backtab form is taken as well.
    withKey(PreviousWindow1, QKeySequence::PreviousChild,
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)});
    withKey(CloseWindow1, QKeySequence::Close, {QKeySequence(Qt::CTRL | Qt::Key_F4)});
    connect(NextWindow1, &QAction::triggered, this, [this] { activateNextChild(1); });
    connect(PreviousWindow1, &QAction::triggered, this, [this] { activateNextChild(-1); });
    connect(CloseWindow1, &QAction::triggered, m_mdi, &QMdiArea::closeActiveSubWindow);
    m_windowListStart = Window1->addSeparator();
    connect(Window1, &QMenu::aboutToShow, this, &TfrmMain::fillWindowMenu);
    fillWindowMenu();
}

QList<QMdiSubWindow *> TfrmMain::openChildren() const
{
    QList<QMdiSubWindow *> shown;
    for (QMdiSubWindow *sw : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (!sw->isHidden())
            shown << sw;
    return shown;
}

void TfrmMain::activateNextChild(int step)
{
    // In the order the windows were opened, so that repeated presses visit
    // every one of them: the frameless panel and the data-logger window too.
    const QList<QMdiSubWindow *> shown = openChildren();
    if (shown.isEmpty())
        return;
    const int at = shown.indexOf(m_mdi->activeSubWindow());
    const int n = shown.size();
    QMdiSubWindow *next = shown.at(at < 0 ? (step > 0 ? 0 : n - 1) : ((at + step) % n + n) % n);
    next->raise();
    m_mdi->setActiveSubWindow(next);
}

void TfrmMain::fillWindowMenu()
{
    const QList<QAction *> all = Window1->actions();
    for (qsizetype i = all.indexOf(m_windowListStart) + 1; i < all.size(); ++i) {
        Window1->removeAction(all.at(i));
        all.at(i)->deleteLater();
    }
    const QList<QMdiSubWindow *> shown = openChildren();
    m_windowListStart->setVisible(!shown.isEmpty());
    QMdiSubWindow *active = m_mdi->activeSubWindow();
    for (int i = 0; i < shown.size(); ++i) {
        QMdiSubWindow *sw = shown.at(i);
        QString title = sw->widget() ? sw->widget()->windowTitle() : sw->windowTitle();
        if (title.isEmpty())
            title = sw->widget() ? sw->widget()->accessibleName() : QString();
        // A list and the graph made from it share their caption.
        if (qobject_cast<TfrmList *>(sw->widget()))
            title += QStringLiteral(" (list)");
        else if (qobject_cast<TfrmGraph *>(sw->widget()))
            title += QStringLiteral(" (graph)");
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                   : QStringLiteral("%1 %2").arg(i + 1).arg(title);
        QAction *a = Window1->addAction(text);
        a->setCheckable(true);
        a->setChecked(sw == active);
        connect(a, &QAction::triggered, this, [this, sw = QPointer<QMdiSubWindow>(sw)] {
            if (sw) {
                sw->raise();
                m_mdi->setActiveSubWindow(sw);
            }
        });
    }
}

} // namespace kv
