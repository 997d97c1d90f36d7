#include "app/GraphViewCommands.h"

#include "app/Settings.h"
#include "app/TfrmMain.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/Chart.h"
#include "views/ChildWindow.h"
#include "views/TfrmGraph.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QStatusBar>

namespace kv {

namespace {
const QString kSection = QStringLiteral("Auto Scale");
} // namespace

QString graphKindOf(const QWidget *window)
{
    if (const auto *g = qobject_cast<const TfrmGraph *>(window))
        return g->isRealTime() ? QStringLiteral("Real-Time Graph") : QStringLiteral("File Graph");
    if (qobject_cast<const TfrmDataLogger *>(window))
        return QStringLiteral("Data Logger");
    return window->objectName().isEmpty() ? QString::fromLatin1(window->metaObject()->className())
                                          : window->objectName();
}

void installGraphView(TfrmMain &main, QMenu *option)
{
    QAction *item = option->addAction(QStringLiteral("Auto &Scale"));
    item->setObjectName(QStringLiteral("AutoScale1"));
    item->setCheckable(true);
    item->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    item->setToolTip(QStringLiteral("Fit the active graph's temperature axis to the readings in view"));
    const auto activeChart = [&main]() -> Chart * {
        ChildWindow *child = childWindowOf(main.children().activeChild());
        return child ? child->chart() : nullptr;
    };
    const auto follow = [item, activeChart] {
        Chart *chart = activeChart();
        item->setEnabled(chart != nullptr);
        item->setChecked(chart && chart->autoScale());
    };
    follow();
    QObject::connect(main.mdiArea(), &QMdiArea::subWindowActivated, item, follow);
    // The item acts as the graph's own would, and is kept as it is.
    QObject::connect(item, &QAction::triggered, item, [item, activeChart] {
        if (Chart *chart = activeChart())
            chart->autoScaleAction()->trigger();
        else
            item->setChecked(false);
    });

    QObject::connect(&main.children(), &ChildWindows::added, item, [&main, item, activeChart](QWidget *window) {
        ChildWindow *child = childWindowOf(window);
        Chart *chart = child ? child->chart() : nullptr;
        if (!chart)
            return;
        const QString kind = graphKindOf(window);
        chart->setAutoScale(Settings::readSection(main.settingsPath(), kSection).value(kind) == QLatin1String("1"));
        QObject::connect(chart, &Chart::autoScaleChanged, item, [item, chart, activeChart](bool on) {
            if (activeChart() == chart)
                item->setChecked(on);
        });
        // Only the user's own choice is kept: a zoom that turns it off for
        // a while is not.
        QObject::connect(chart->autoScaleAction(), &QAction::triggered, item, [&main, kind](bool on) {
            QString error;
            if (!Settings::writeSection(main.settingsPath(), kSection,
                                        {{kind, on ? QStringLiteral("1") : QStringLiteral("0")}}, &error))
                main.statusBar()->showMessage(error, 30000);
        });
    });
}

} // namespace kv
