#pragma once
// Output Data to Graph: a list read from a file becomes a new graph window,
// one point per row, x the row's date and time, y its temperatures, one
// subset per channel, the y axis fitted to the values. The real-time list
// is never turned into a graph.

#include "files/ui/FileCommandContext.h"

#include <QObject>

namespace kv {

class Prompt;
class TfrmGraph;
class TfrmList;

class OutputToGraph : public QObject
{
    Q_OBJECT
public:
    OutputToGraph(Prompt &prompt, const FileCommandContext &context, QObject *parent = nullptr);

    // Acts on the active window when it is a list read from a file;
    // otherwise it does nothing and says nothing.
    void btnToGraphClick();
    // The same for a given list. The new window, or none when the list
    // is the real-time one, the command is already running, or the graph
    // could not be set up.
    TfrmGraph *outputList(TfrmList &list);

    bool running() const { return m_running; }

private:
    Prompt &m_prompt;
    const FileCommandContext &m_context;
    bool m_running = false;
};

} // namespace kv
