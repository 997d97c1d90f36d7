#include "app/StartupBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLayout>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace kv {

void showStartupBox(QWidget *box, int maxWaitMs)
{
    box->ensurePolished();
    if (QLayout *layout = box->layout())
        layout->activate();
    box->adjustSize();
    box->show();
    drawNow(box, maxWaitMs);
}

void drawNow(QWidget *window, int maxWaitMs)
{
    // A window started minimized is not shown, and waits for nothing.
    if (!window->isVisible() || window->isMinimized())
        return;
    // Painting before the window is exposed draws nothing on the screen.
    QElapsedTimer waited;
    waited.start();
    for (QWindow *handle = window->windowHandle(); handle && !handle->isExposed() && waited.elapsed() < maxWaitMs;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!handle->isExposed())
            QThread::msleep(5);
    }
    window->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void keepStartupBoxInView(QWidget *box, QWidget *over)
{
    if (!box || !box->isVisible())
        return;
    if (QWindow *window = box->windowHandle(); window && over && over->windowHandle())
        window->setTransientParent(over->windowHandle());
    box->raise();
    box->repaint();
}

} // namespace kv
