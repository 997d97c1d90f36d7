#pragma once
// Auto scale on the graphs: each graph's own check item, the Option menu's
// "Auto Scale" (Ctrl+Shift+A) for the active graph, and, by kind of graph,
// the last choice kept in the settings' section "Auto Scale" as the one a
// graph of that kind starts with.

#include <QString>

class QMenu;
class QWidget;

namespace kv {

class TfrmMain;

// The settings' key of a graph window's kind: "Real-Time Graph", "Data
// Logger", "File Graph", or the window's own name for any other.
QString graphKindOf(const QWidget *window);

void installGraphView(TfrmMain &main, QMenu *option);

} // namespace kv
