#include "app/ChildWindows.h"

#include "logger/ui/TfrmDataLogger.h"
#include "panel/TfrmPanel.h"
#include "views/RealTimeRecorder.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "link/MeterLink.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <cmath>

namespace kv {

ChildWindows::ChildWindows(QMdiArea *area, QObject *parent)
    : QObject(parent)
    , m_area(area)
{
}

QMdiSubWindow *ChildWindows::place(QWidget *child, const QRect &where)
{
    QMdiSubWindow *sw = frameOf(child);
    if (sw && !where.isEmpty())
        sw->setGeometry(where);
    return sw;
}

TfrmPanel *ChildWindows::openPanel()
{
    auto *panel = new TfrmPanel(*m_parts.glyphs, m_parts.link);
    QMdiSubWindow *sw = add(panel, Panel, Qt::FramelessWindowHint);
    sw->setObjectName(QStringLiteral("PanelFrame"));
    sw->move(0, 0);
    Q_EMIT opened(Panel, panel);
    return panel;
}

TfrmGraph *ChildWindows::openRealTimeGraph(double minScale, double maxScale, const QRect &where)
{
    auto *graph = new TfrmGraph(m_parts.graphTemplate, *m_parts.prompt);
    graph->setWindowTitle(TfrmGraph::realTimeCaption());
    place(add(graph, RealTimeGraph)->widget(), where);
    m_parts.recorder->setupGraph(*graph->PESGraph1, minScale, maxScale, m_parts.graphTemplate, *m_parts.prompt);
    Q_EMIT opened(RealTimeGraph, graph);
    return graph;
}

TfrmList *ChildWindows::openRealTimeList(const QRect &where)
{
    MeterLink *link = m_parts.link;
    auto *list = new TfrmList([link] { return link->model(); });
    place(add(list, RealTimeList)->widget(), where);
    m_parts.recorder->setList(list);
    Q_EMIT opened(RealTimeList, list);
    return list;
}

TfrmDataLogger *ChildWindows::openDataLogger(const QString *mainTitle, const QString *subTitle)
{
    auto *window = new TfrmDataLogger(m_parts.link->model(), 30, 130, m_parts.graphTemplate, *m_parts.prompt,
                                      *m_parts.clock);
    window->setWindowTitle(TfrmDataLogger::caption());
    if (mainTitle && subTitle)
        window->setTitles(*mainTitle, *subTitle);
    QMdiSubWindow *sw = add(window, DataLogger);
    sw->setGeometry(0, 0, m_area->viewport()->width(), m_area->viewport()->height() - 60);
    m_area->setActiveSubWindow(sw);
    Q_EMIT opened(DataLogger, window);
    return window;
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

QSize ChildWindows::minimumFor(const QWidget *child)
{
    // Large enough that the axes, the columns and the data-logger window's
    // lists stay readable.
    if (qobject_cast<const TfrmDataLogger *>(child))
        return QSize(560, 380);
    if (qobject_cast<const TfrmGraph *>(child))
        return QSize(320, 200);
    if (qobject_cast<const TfrmList *>(child))
        return QSize(280, 160);
    return QSize();
}

void ChildWindows::cascade()
{
    // The area's own cascade gives each window its size hint, a hundred
    // pixels or so: each keeps two thirds of the area instead.
    m_area->cascadeSubWindows();
    const QSize area = m_area->viewport()->size();
    for (QMdiSubWindow *sw : m_area->subWindowList(QMdiArea::StackingOrder)) {
        if (sw->isHidden() || sw->isMinimized() || minimumFor(sw->widget()).isEmpty())
            continue;
        const QSize room(area.width() - sw->x(), area.height() - sw->y());
        sw->resize((area * 2 / 3).boundedTo(room).expandedTo(sw->minimumSize()));
    }
}

void ChildWindows::tile()
{
    // The area's own tiling gives every window an equal cell and, when a
    // cell is smaller than the largest least size, widens the main window
    // past the screen. Here the panel keeps its place at the left, the
    // data-logger window takes a row of the full width, and the others
    // share the rows below.
    QRect domain = m_area->viewport()->rect();
    QList<QMdiSubWindow *> wide, rest;
    for (QMdiSubWindow *sw : m_area->subWindowList(QMdiArea::CreationOrder)) {
        if (sw->isHidden() || sw->isMinimized())
            continue;
        if (sw->isMaximized())
            sw->showNormal();
        if (qobject_cast<TfrmPanel *>(sw->widget())) {
            sw->move(0, 0);
            domain.setLeft(qMax(domain.left(), sw->width()));
        } else {
            (qobject_cast<TfrmDataLogger *>(sw->widget()) ? wide : rest) << sw;
        }
    }
    const int n = int(rest.size());
    const int columns = qMax(1, int(std::ceil(std::sqrt(double(n)))));
    const int rows = (n + columns - 1) / columns + int(wide.size());
    if (rows == 0)
        return;
    const int height = domain.height() / rows;
    int y = 0;
    for (QMdiSubWindow *sw : wide) {
        sw->setGeometry(domain.left(), y, domain.width(), height);
        y += height;
    }
    for (int i = 0; i < n; ++i) {
        const int row = i / columns;
        const int inRow = qMin(columns, n - row * columns); // the last row spreads over the width
        const int width = domain.width() / inRow;
        rest.at(i)->setGeometry(domain.left() + (i % columns) * width, y + row * height, width, height);
    }
}

QMdiSubWindow *ChildWindows::add(QWidget *child, Qt::WindowFlags flags)
{
    QMdiSubWindow *sw = m_area->addSubWindow(child, flags);
    if (const QSize least = minimumFor(child); !least.isEmpty())
        sw->setMinimumSize(least);
    sw->setAttribute(Qt::WA_DeleteOnClose);
    sw->setWindowIcon(m_area->window()->windowIcon());
    sw->show();
    Q_EMIT added(child);
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
