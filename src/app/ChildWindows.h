#pragma once
// The children of the document area that the main window keeps one of
// each: the front panel, the real-time graph, the real-time list and the
// data-logger window. Each is created on demand, found, restored and
// raised, and forgotten when it closes; windows opened from files are
// free-standing and not tracked.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <array>

class QMdiArea;
class QMdiSubWindow;

namespace kv {

class TfrmDataLogger;
class TfrmGraph;
class TfrmList;
class TfrmPanel;

class ChildWindows : public QObject
{
    Q_OBJECT
public:
    enum Kind { Panel, RealTimeGraph, RealTimeList, DataLogger, KindCount };

    explicit ChildWindows(QMdiArea *area, QObject *parent = nullptr);

    QWidget *window(Kind kind) const { return m_tracked[kind].window; }
    TfrmPanel *panel() const;
    TfrmGraph *realTimeGraph() const;
    TfrmList *realTimeList() const;
    TfrmDataLogger *dataLogger() const;

    // Puts the window into the area in a frame of its own and shows it;
    // closing the frame frees the window. A tracked kind replaces the one
    // remembered before.
    QMdiSubWindow *add(QWidget *child, Qt::WindowFlags flags = {});
    QMdiSubWindow *add(QWidget *child, Kind kind, Qt::WindowFlags flags = {});
    // The frame around a child window.
    static QMdiSubWindow *frameOf(const QWidget *child);
    // Restores the tracked window of this kind to normal state and makes it
    // the active one; false when there is none.
    bool restore(Kind kind);

    QWidget *activeChild() const;
    template <class W>
    W *active() const
    {
        return qobject_cast<W *>(activeChild());
    }

Q_SIGNALS:
    // The tracked window of this kind was closed and freed.
    void closed(kv::ChildWindows::Kind kind);

private:
    struct Tracked
    {
        QPointer<QWidget> window;
        // The window's address, still comparable while it is being destroyed.
        const QObject *identity = nullptr;
    };

    QMdiArea *m_area;
    std::array<Tracked, KindCount> m_tracked;
};

} // namespace kv
