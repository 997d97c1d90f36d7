#pragma once
// The children of the document area that the main window keeps one of
// each: the front panel, the real-time graph, the real-time list and the
// data-logger window. Each is created on demand, found, restored and
// raised, and forgotten when it closes; windows opened from files are
// free-standing and not tracked.

#include "views/GraphSetup.h"

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QVector>
#include <QWidget>

#include <array>

class QMdiArea;
class QMdiSubWindow;

namespace kv {

class Clock;
class MeterLink;
class Prompt;
class RealTimeRecorder;
class TfrmDataLogger;
class TfrmGraph;
class TfrmList;
class TfrmPanel;

class ChildWindows : public QObject
{
    Q_OBJECT
public:
    enum Kind { Panel, RealTimeGraph, RealTimeList, DataLogger, KindCount };

    // What the tracked windows are made with.
    struct Parts
    {
        MeterLink *link = nullptr;
        RealTimeRecorder *recorder = nullptr;
        Prompt *prompt = nullptr;
        Clock *clock = nullptr;
        const QVector<QPixmap> *glyphs = nullptr;
        GraphTemplate graphTemplate;
    };

    explicit ChildWindows(QMdiArea *area, QObject *parent = nullptr);
    void setParts(const Parts &parts) { m_parts = parts; }

    // Each creates its window, tracks it and shows it (where place is not
    // empty, there).
    TfrmPanel *openPanel();
    TfrmGraph *openRealTimeGraph(double minScale, double maxScale, const QRect &place);
    TfrmList *openRealTimeList(const QRect &place);
    // Created by a download or a file, the empty chart spans 30 to 130
    // degrees; a download also gives it the remembered titles.
    TfrmDataLogger *openDataLogger(const QString *mainTitle, const QString *subTitle);

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

    // The least size a graph, list or data-logger window's frame takes
    // (empty for the others).
    static QSize minimumFor(const QWidget *child);
    // Cascades the windows, each large enough to work in.
    void cascade();
    // Lays the windows side by side, the panel at the left.
    void tile();

    QWidget *activeChild() const;
    template <class W>
    W *active() const
    {
        return qobject_cast<W *>(activeChild());
    }

Q_SIGNALS:
    // A tracked window was created.
    void opened(kv::ChildWindows::Kind kind, QWidget *window);
    // The tracked window of this kind was closed and freed.
    void closed(kv::ChildWindows::Kind kind);
    // Any window was put into the area, tracked or not.
    void added(QWidget *window);

private:
    struct Tracked
    {
        QPointer<QWidget> window;
        // The window's address, still comparable while it is being destroyed.
        const QObject *identity = nullptr;
    };

    QMdiSubWindow *place(QWidget *child, const QRect &where);

    QMdiArea *m_area;
    Parts m_parts;
    std::array<Tracked, KindCount> m_tracked;
};

} // namespace kv
