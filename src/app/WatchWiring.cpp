#include "app/WatchWiring.h"

#include "app/TfrmMain.h"
#include "common/Temperature.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/Chart.h"
#include "watch/ui/AlarmLog.h"
#include "watch/ui/AlarmsDialog.h"
#include "watch/ui/WatchChartOverlay.h"
#include "watch/ui/WatchController.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>

#include <algorithm>

namespace kv {

namespace {

// The commands and the check items of the graphs, all in one place.
class WatchCommands : public QObject
{
public:
    WatchCommands(TfrmMain &main, WatchController *controller)
        : QObject(controller)
        , m_main(main)
        , m_controller(controller)
    {
        setObjectName(QStringLiteral("WatchCommands"));
    }

    void Alarms1Click()
    {
        if (m_dialog && m_dialog->isVisible()) { // one at a time
            m_dialog->raise();
            m_dialog->activateWindow();
            return;
        }
        const int channels = m_main.link().connected() ? m_main.link().channelCount() : 2;
        const QString unit = m_controller->shownUnit();
        auto *dialog = new AlarmsDialog(m_controller->options(), unit, channels, &m_main);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_dialog = dialog;
        QObject::connect(dialog, &QDialog::accepted, this, [this, dialog, unit] {
            WatchOptions now = m_controller->options();
            WatchOptions chosen = dialog->options();
            // The same limits in the other unit are no change.
            WatchOptions shown = now;
            shown.alarms = now.alarms.inUnit(unit);
            if (chosen != shown)
                apply(chosen);
        });
        dialog->open();
    }

    void AlarmLog1Click()
    {
        if (m_log) {
            if (QMdiSubWindow *frame = TfrmMain::frameOf(m_log)) {
                frame->showNormal();
                m_main.mdiArea()->setActiveSubWindow(frame);
            }
            m_log->table()->setFocus();
            return;
        }
        auto *window = new AlarmLogWindow(m_controller->log());
        window->setAttribute(Qt::WA_DeleteOnClose);
        m_log = window;
        QMdiSubWindow *frame = m_main.mdiArea()->addSubWindow(window);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        // Wide enough for every column's text, where the area allows.
        frame->resize(std::min(m_main.mdiArea()->viewport()->width(), window->sizeHint().width() + 16), 300);
        // Along the foot of the client area, where it hides the least.
        const QRect area = m_main.mdiArea()->viewport()->rect();
        frame->move(std::max(0, area.width() - frame->width()), std::max(0, area.height() - frame->height()));
        frame->show();
        m_main.mdiArea()->setActiveSubWindow(frame);
        window->table()->setFocus();
    }

    // The graph's context menu gets "Rate of Rise", checked while this
    // graph's lines show. Each graph has its own; the last choice is kept in
    // the settings as the one a graph opened later starts with.
    void addRateItem(Chart *chart)
    {
        auto *item = new QAction(QStringLiteral("&Rate of Rise"), chart);
        item->setObjectName(QStringLiteral("RateOfRise1"));
        item->setCheckable(true);
        item->setChecked(m_controller->rateShown(chart));
        item->setToolTip(QStringLiteral("Show how fast each channel rises, in degrees a minute, on an axis at the right"));
        QObject::connect(item, &QAction::toggled, this, [this, chart](bool on) {
            const bool before = m_controller->options().showRate;
            m_controller->setRateShown(chart, on);
            if (on != before)
                save(m_controller->options());
        });
        chart->addAction(item);
        chart->setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    void apply(const WatchOptions &o)
    {
        m_controller->setOptions(o);
        save(o);
    }

    // Written now, and only when it changed: the section is the alarms' own.
    void save(const WatchOptions &o)
    {
        QString error;
        if (!Settings::writeSection(m_main.settingsPath(), WatchOptions::section(), o.toSection(), &error))
            m_main.statusBar()->showMessage(error, 30000);
    }

private:
    TfrmMain &m_main;
    WatchController *m_controller;
    QPointer<AlarmsDialog> m_dialog;
    QPointer<AlarmLogWindow> m_log;
};

} // namespace

WatchController *installWatch(TfrmMain &main, QMenu *option)
{
    WatchController::Parts parts;
    parts.panel = [&main] { return main.panel(); };
    parts.journalPath = [&main] { return main.journal() ? main.journal()->currentPath() : QString(); };
    parts.graphUnit = [&main] { return main.recorder().graphUnit(); };
    parts.sampleInterval = [&main] { return double(main.recorder().samplingRate()); };
    auto *controller = new WatchController(main.link(), main.clock(), main.statusBar(), parts, &main);
    auto *commands = new WatchCommands(main, controller);
    controller->setOptions(
        WatchOptions::fromSection(Settings::readSection(main.settingsPath(), WatchOptions::section())));

    LiveRun &run = main.liveRun();
    QObject::connect(&run, &LiveRun::frameDecoded, controller, &WatchController::onFrame);
    QObject::connect(&run, &LiveRun::ticked, controller, &WatchController::onTick);
    QObject::connect(&main.link(), &MeterLink::connectionChanged, controller, &WatchController::onConnectionChanged);
    QObject::connect(&run, &LiveRun::sampleTaken, controller, &WatchController::onSampleTaken);
    QObject::connect(&run, &LiveRun::pollingPaused, controller, &WatchController::onPollingPaused);
    QObject::connect(&run, &LiveRun::pollingResumed, controller, &WatchController::onPollingResumed);
    QObject::connect(controller, &WatchController::fileProblem, &main,
                     [&main](const QString &why) { main.statusBar()->showMessage(why, 30000); });

    QObject::connect(&main.children(), &ChildWindows::opened, controller,
                     [controller, commands](ChildWindows::Kind kind, QWidget *window) {
                         if (kind == ChildWindows::RealTimeGraph) {
                             if (auto *g = qobject_cast<TfrmGraph *>(window)) {
                                 controller->attachRealTimeGraph(g->chart());
                                 commands->addRateItem(g->chart());
                             }
                         } else if (kind == ChildWindows::DataLogger) {
                             if (auto *d = qobject_cast<TfrmDataLogger *>(window)) {
                                 const auto shown = [d]() -> const DataSet * {
                                     const DataSetCollection *c = d->collection();
                                     const int i = d->shownSet();
                                     return c && i >= 0 && i < c->sets.size() ? &c->sets.at(i) : nullptr;
                                 };
                                 controller->attachLoggerGraph(
                                     d->chart(),
                                     [shown] {
                                         const DataSet *set = shown();
                                         return set ? QString(set->unit) : QString();
                                     },
                                     [shown] {
                                         const DataSet *set = shown();
                                         return set ? double(set->intervalSeconds) : 0.0;
                                     });
                                 commands->addRateItem(d->chart());
                             }
                         }
                     });

    option->addSeparator();
    QAction *alarms = option->addAction(QStringLiteral("&Alarms\u2026"));
    alarms->setObjectName(QStringLiteral("Alarms1"));
    QObject::connect(alarms, &QAction::triggered, commands, &WatchCommands::Alarms1Click);
    QAction *log = option->addAction(QStringLiteral("Alarm &Log"));
    log->setObjectName(QStringLiteral("AlarmLog1"));
    QObject::connect(log, &QAction::triggered, commands, &WatchCommands::AlarmLog1Click);
    // The keyboard's way to what a click on the status bar's alarm does.
    QAction *acknowledge = option->addAction(QStringLiteral("Ac&knowledge Alarms"));
    acknowledge->setObjectName(QStringLiteral("AcknowledgeAlarms1"));
    acknowledge->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    acknowledge->setShortcutContext(Qt::ApplicationShortcut);
    acknowledge->setToolTip(QStringLiteral("Stop the beep and the reminder of the alarms that are on"));
    QObject::connect(acknowledge, &QAction::triggered, controller, &WatchController::acknowledge);
    return controller;
}

} // namespace kv
