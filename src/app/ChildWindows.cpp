#include "app/ChildWindows.h"

#include "logger/ui/TfrmDataLogger.h"
#include "panel/TfrmPanel.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace kv {

ChildWindows::ChildWindows(QMdiArea *area, QObject *parent)
    : QObject(parent)
    , m_area(area)
{
}

TfrmPanel *ChildWindows::panel() const
{
    return qobject_cast<TfrmPanel *>(window(Panel));
}

TfrmGraph *ChildWindows::realTimeGraph() const
{
    return qobject_cast<TfrmGraph *>(window(RealTimeGraph));
}

TfrmList *ChildWindows::realTimeList() const
{
    return qobject_cast<TfrmList *>(window(RealTimeList));
}

TfrmDataLogger *ChildWindows::dataLogger() const
{
    return qobject_cast<TfrmDataLogger *>(window(DataLogger));
}

QMdiSubWindow *ChildWindows::add(QWidget *child, Qt::WindowFlags flags)
{
    QMdiSubWindow *sw = m_area->addSubWindow(child, flags);
    sw->setAttribute(Qt::WA_DeleteOnClose);
    sw->setWindowIcon(m_area->window()->windowIcon());
    sw->show();
    return sw;
}

QMdiSubWindow *ChildWindows::add(QWidget *child, Kind kind, Qt::WindowFlags flags)
{
    m_tracked[kind] = {child, child};
    // By the time destroyed() arrives the window is half gone: compare
    // addresses only. A newer window of the same kind stays remembered.
    connect(child, &QObject::destroyed, this, [this, kind, self = static_cast<const QObject *>(child)] {
        if (m_tracked[kind].identity == self) {
            m_tracked[kind] = {};
            Q_EMIT closed(kind);
        }
    });
    return add(child, flags);
}

QMdiSubWindow *ChildWindows::frameOf(const QWidget *child)
{
    return child ? qobject_cast<QMdiSubWindow *>(child->parentWidget()) : nullptr;
}

bool ChildWindows::restore(Kind kind)
{
    QMdiSubWindow *sw = frameOf(window(kind));
    if (!sw)
        return false;
    sw->showNormal();
    sw->raise();
    m_area->setActiveSubWindow(sw);
    return true;
}

QWidget *ChildWindows::activeChild() const
{
    QMdiSubWindow *sw = m_area ? m_area->activeSubWindow() : nullptr;
    return sw ? sw->widget() : nullptr;
}

} // namespace kv
