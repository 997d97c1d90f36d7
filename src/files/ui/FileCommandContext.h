#pragma once
// What the file commands need of the main window, handed in as functions
// so the commands know no more of it than this.

#include "views/GraphSetup.h"

#include <QString>

#include <functional>

class QMdiSubWindow;
class QSize;
class QWidget;

namespace kv {

// What the commands need of the main window.
struct FileCommandContext
{
    // The active document window, if any.
    std::function<QWidget *()> activeChild;
    // Puts a new window (a graph or list opened from a file, a graph made
    // from a list) into the document area, shows it, and gives its frame.
    std::function<QMdiSubWindow *(QWidget *)> addChild;
    // The unit letter the active graph's values are in: the real-time
    // graph's own unit, otherwise that of the latest reading ("C" before any).
    std::function<QString()> unit;
    // The meter model selected now: the columns of a list read from a file
    // that holds no line.
    std::function<int()> model;
    // The real-time graph's next free point: how far it has been recorded.
    std::function<int()> realTimePointCount;
    // The configured vertical scale new graphs start with.
    std::function<double()> minScale;
    std::function<double()> maxScale;
    // Where the save dialog starts: the program's folder.
    QString programFolder;
    GraphTemplate graphTemplate;
    // Parent of the progress dialogs.
    QWidget *dialogParent = nullptr;
};

// A new window's frame sized to show its contents, within the area.
void giveRoom(QMdiSubWindow *frame, const QSize &size);

} // namespace kv
