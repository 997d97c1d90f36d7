#pragma once
// What the main window's commands ask of a graph, list or data-logger
// window, whichever is active: its chart (Range and Undo Zoom act on it)
// and whether it is the live one. The kind of window is told by casting to
// its class.

#include <QString>

class QWidget;

namespace kv {

class Chart;

class ChildWindow
{
public:
    virtual ~ChildWindow();
    // The chart that Range and Undo Zoom change; none for a list.
    virtual Chart *chart() const { return nullptr; }
    // The real-time graph or the real-time list.
    virtual bool isRealTime() const { return false; }
    // The name, without extension, that saving or printing the window into
    // a file suggests; empty for none.
    virtual QString suggestedFileName() const { return QString(); }
};

// The child window face of a widget in the document area, if it has one.
ChildWindow *childWindowOf(QWidget *widget);

} // namespace kv
