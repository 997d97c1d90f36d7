#pragma once
// A graph window: one chart filling it. The same window shows the real-time
// graph (caption "Real-Time Graph"), graphs opened from files and graphs
// made from tables (captioned with the file's path).

#include "views/ChildWindow.h"
#include "views/GraphSetup.h"

#include <QWidget>

namespace kv {

class Chart;
class Prompt;

class TfrmGraph : public QWidget, public ChildWindow
{
    Q_OBJECT
public:
    static QString realTimeCaption() { return QStringLiteral("Real-Time Graph"); }

    TfrmGraph(const GraphTemplate &tmpl, Prompt &prompt, QWidget *parent = nullptr);

    Chart *PESGraph1;
    Chart *chart() const override { return PESGraph1; }
    bool isRealTime() const override { return windowTitle() == realTimeCaption(); }
    // The real-time graph: the time of its oldest sample; a graph from a
    // file (or a list read from one): that file's name.
    QString suggestedFileName() const override;

Q_SIGNALS:
    // The user zoomed into the chart (the main window enables Undo Zoom).
    void zoomedIn();

private:
    void PESGraph1CustomizeDlg(bool accepted);

    GraphTemplate m_template;
    Prompt &m_prompt;
};

} // namespace kv
