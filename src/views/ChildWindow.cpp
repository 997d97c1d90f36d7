#include "views/ChildWindow.h"

#include <QWidget>

namespace kv {

ChildWindow::~ChildWindow() = default;

ChildWindow *childWindowOf(QWidget *widget)
{
    return dynamic_cast<ChildWindow *>(widget);
}

} // namespace kv
