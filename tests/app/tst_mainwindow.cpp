// The real main window against the emulated meter: start-up and search,
// the panel following live frames, link loss, the control panel command,
// help and about, and the two ways out.

#include "app/HelpWindow.h"
#include "app/Settings.h"
#include "app/TfrmMain.h"
#include "logger/ui/TfrmDataLogger.h"
#include "panel/TfrmPanel.h"
#include "support/BuildPaths.h"
#include "views/Chart.h"
#include "views/ChartCustomizeDialog.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "MeterEmulator.h"
#include "support/MainSession.h"
#include "support/ScriptedPrompt.h"

#include <QAccessible>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <qcustomplot.h>

using namespace kv;
using kv::test::Session;


class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void findsTheMeterAndShowsReadings_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("482") << 482;
        QTest::newRow("481") << 481;
    }
    void findsTheMeterAndShowsReadings()
    {
        QFETCH(int, model);
        Session s(model);
        QVERIFY(s.started());
        QCOMPARE(s.main->windowTitle(), QStringLiteral("Main Menu"));
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("On Connection"));
        QCOMPARE(s.main->StatusPanel0->text(), s.dir.filePath(QStringLiteral("meter")));
        QCOMPARE(s.main->ComboBoxDeviceName->currentText(), s.dir.filePath(QStringLiteral("meter")));
        QVERIFY(s.main->btnRun->isEnabled() && s.main->Run1->isEnabled());
        QVERIFY(!s.main->btnPause->isEnabled() && !s.main->Stop1->isEnabled());
        QVERIFY(s.main->timer().isActive());
        QVERIFY(s.panel());
        QCOMPARE(s.main->link().model(), model);
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        QVERIFY(!s.panel()->mark(Mark::imgPoint)->isHidden());
        QVERIFY(s.panel()->mark(Mark::lblnolink)->isHidden());
        QCOMPARE(!s.panel()->mark(Mark::imgSpec482)->isHidden(), model == 482);
        // The panel sits at the top left of the client area.
        QCOMPARE(s.panel()->frameWidget()->pos(), QPoint(0, 0));
        QWidget *active = s.main->children().activeChild();
        QVERIFY(!active || active == s.panel());
    }

    void withoutMeter()
    {
        Session s(0);
        QVERIFY(s.started());
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("Off Connection"));
        QVERIFY(!s.panel()->mark(Mark::lblnolink)->isHidden());
        QVERIFY(!s.main->btnRun->isEnabled());
        // The missing device left the list.
        QCOMPARE(s.main->ComboBoxDeviceName->count(), 0);
    }

    // A port that will not open is told on the status bar under the name
    // asked for, not that of the last port the search passed by, until the
    // user picks a port.
    void portProblemNamesTheAskedPortAndStays()
    {
        QTemporaryDir dir;
        emu::Options e;
        e.faults.silent = true; // opens, but no meter answers
        e.linkPath = dir.filePath(QStringLiteral("quiet")).toStdString();
        emu::MeterEmulator quiet(e);
        QVERIFY(quiet.start());
        test::ScriptedPrompt prompt;
        MainOptions o;
        o.programPath = dir.filePath(QStringLiteral("KV481"));
        o.systemPorts = false;
        o.recordingFolder = dir.filePath(QStringLiteral("recordings"));
        o.prompt = &prompt;
        test::QuickPauseClock clock;
        o.clock = &clock;
        const QString asked = dir.filePath(QStringLiteral("asked"));
        o.extraPorts = {asked, dir.filePath(QStringLiteral("other")), dir.filePath(QStringLiteral("quiet"))};
        TfrmMain main(o);
        main.show();
        QVERIFY(QTest::qWaitFor([&] { return main.formShown(); }, 8000));
        auto statusText = [&] {
            QStringList shown{main.statusBar()->currentMessage()};
            for (QLabel *l : main.statusBar()->findChildren<QLabel *>())
                shown << (l->isVisible() ? l->text() : QString());
            return shown.join(QLatin1Char('|'));
        };
        const QString problem = QStringLiteral("|%1 is not there (any more)").arg(asked);
        QVERIFY2(statusText().contains(problem) && !statusText().contains("/other"), qPrintable(statusText()));
        // The words sit in a panel of their own, not in a passing message
        // (the leading '|' above), so only the link's ticks, a second apart,
        // could take them away: a few of them go by.
        QTest::qWait(4000);
        QVERIFY2(statusText().contains(problem), qPrintable(statusText()));
        Q_EMIT main.ComboBoxDeviceName->activated(0); // the user picks the port that is left
        QVERIFY2(!statusText().contains(asked), qPrintable(statusText()));
    }

    void linkLossAndReturn()
    {
        Session s(482);
        QVERIFY(s.started());
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        s.meter->setSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!s.panel()->mark(Mark::lblnolink)->isHidden(), 12000);
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("No Connection"));
        s.meter->setSilent(false);
        QTRY_VERIFY_WITH_TIMEOUT(s.panel()->mark(Mark::lblnolink)->isHidden(), 5000);
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("ON Connection"));
    }

    void panelKeysReachTheMeter()
    {
        Session s(482);
        QVERIFY(s.started());
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        QTest::mouseClick(s.panel()->btnHOLD, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!s.panel()->mark(Mark::imgHOLD)->isHidden(), 5000);
        QTest::mouseClick(s.panel()->btnCF, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!s.meter->state().celsius, 3000);
        QTest::mousePress(s.panel()->btnMMA, Qt::LeftButton);
        QTest::mouseRelease(s.panel()->btnMMA, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(s.meter->state().maxMinMode, 1, 3000);
        QVERIFY(s.prompt.informations.isEmpty());
        // The keys work from the keyboard too.
        s.panel()->btnHOLD->setFocus();
        QTest::keyClick(s.panel()->btnHOLD, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(s.panel()->mark(Mark::imgHOLD)->isHidden(), 5000);
        QCOMPARE(s.panel()->btnHOLD->accessibleName(), QStringLiteral("HOLD"));
    }

    void controlPanelCommand()
    {
        Session s(481);
        QVERIFY(s.started());
        TfrmPanel *first = s.panel();
        QWidget *frame = first->frameWidget();
        frame->showMinimized();
        s.main->ControlPanel1->trigger();
        QCOMPARE(s.panel(), first); // only restored
        QVERIFY(!frame->isMinimized());
        QVERIFY(s.main->ControlPanel1->isChecked());

        const int frames = s.main->mdiArea()->subWindowList().size();
        QTest::mouseClick(first->btnClose, Qt::LeftButton);
        QTRY_VERIFY(!s.main->panel());
        QVERIFY(!s.main->ControlPanel1->isChecked());
        // The panel's frame goes with it.
        QTRY_COMPARE(s.main->mdiArea()->subWindowList().size(), frames - 1);

        s.main->ControlPanel1->trigger();
        QVERIFY(s.panel());
        QVERIFY(s.main->ControlPanel1->isChecked());
        // The new panel has the one-channel layout at once.
        QVERIFY(!s.panel()->mark(Mark::imgmd)->isHidden());
        QVERIFY(s.panel()->mark(Mark::imgSpec482)->isHidden());
        QVERIFY(!s.panel()->findChild<QLabel *>(QStringLiteral("MainD1"))->isHidden());
    }

    void samplingRateBoxes()
    {
        Session s(0, "[RealTime]\nSampling Rate=75\n");
        QCOMPARE(s.main->cmbMinute->currentText(), QStringLiteral("01"));
        QCOMPARE(s.main->cmbSecond->currentText(), QStringLiteral("15"));
        QCOMPARE(s.main->recorder().samplingRate(), 75);
        QCOMPARE(s.main->cmbMinute->count(), 61);
        s.main->cmbMinute->setCurrentIndex(0);
        s.main->cmbSecond->setCurrentIndex(0);
        s.main->cmbMinuteChange();
        QCOMPARE(s.main->cmbSecond->currentText(), QStringLiteral("01"));
        QCOMPARE(s.main->recorder().samplingRate(), 1);
        s.main->cmbMinute->setCurrentIndex(60);
        s.main->cmbSecond->setCurrentIndex(60);
        s.main->cmbMinuteChange();
        QCOMPARE(s.main->recorder().samplingRate(), 3660);
    }

    void runAndStop()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->btnRun->click();
        QVERIFY(s.main->recorder().recording());
        QVERIFY(!s.main->Run1->isEnabled() && s.main->Stop1->isEnabled());
        s.main->Stop1->trigger();
        QVERIFY(!s.main->recorder().recording());
        QVERIFY(s.main->btnRun->isEnabled() && !s.main->btnPause->isEnabled());
    }

    void exitEndsAsClosingTheWindowDoes()
    {
        // Exit keeps the port's meter and the interval chosen, as closing
        // the window does, and then ends the program.
        Session s(481, "[Graph Option]\nMax. Scale=70\n; keep me\n");
        QVERIFY(s.started());
        s.main->cmbMinute->setCurrentIndex(1);
        s.main->cmbSecond->setCurrentIndex(5);
        s.main->cmbMinuteChange();
        s.main->Exit1->trigger();
        QCOMPARE(s.exits, 1);
        QVERIFY(!s.main->isVisible());
        const QString after = s.settingsText();
        QVERIFY(after.contains(QStringLiteral("Model=481")));
        QVERIFY(after.contains(QStringLiteral("Max. Scale=70")));
        QVERIFY(after.contains(QStringLiteral("; keep me")));
        QVERIFY2(after.contains(QStringLiteral("Sampling Rate=65")), qPrintable(after));
        QVERIFY(!s.main->timer().isActive());
        QVERIFY(!s.main->port().isOpen());
    }

    void helpAndAbout()
    {
        Session s(0);
        QVERIFY(s.started());
        // Without the guide beside the program the user is told so.
        s.main->Contents1->trigger();
        QCOMPARE(s.prompt.errors.size(), 1);
        QVERIFY(s.prompt.errors.first().contains(QStringLiteral("KV481Help.htm")));
        // The build puts the guide beside the program; the program shows it
        // in a window of its own, whether or not there is a browser, and
        // hands it to the browser on request.
        QVERIFY(QFile::copy(kv::test::builtFile(QStringLiteral("KV481Help.htm")), s.dir.filePath(QStringLiteral("KV481Help.htm"))));
        s.main->Contents1->trigger();
        auto *help = s.main->findChild<HelpWindow *>();
        QVERIFY(help && help->isVisible());
        QVERIFY(help->browser()->toPlainText().contains(QStringLiteral("KV481")));
        QVERIFY(s.opened.isEmpty());
        help->openInBrowser()->click();
        QCOMPARE(s.opened, QList<QUrl>{QUrl::fromLocalFile(s.dir.filePath(QStringLiteral("KV481Help.htm")))});
        help->close();
        QTimer::singleShot(200, [] {
            if (QWidget *w = QApplication::activeModalWidget())
                w->close();
        });
        s.main->About1->trigger();
        QVERIFY(!s.main->findChild<QDialog *>(QStringLiteral("TfrmAbout")));
    }

    void startUpOpensGraphAndList()
    {
        Session s(482);
        QVERIFY(s.started());
        TfrmGraph *graph = s.main->realTimeGraph();
        TfrmList *list = s.main->realTimeList();
        QVERIFY(graph && list);
        QCOMPARE(graph->windowTitle(), QStringLiteral("Real-Time Graph"));
        QCOMPARE(list->windowTitle(), QStringLiteral("Tabular"));
        QVERIFY(s.main->RealTimeGraph1->isChecked());
        QCOMPARE(graph->PESGraph1->subsets(), 2); // the remembered model, 482 by default
        QCOMPARE(graph->PESGraph1->points(), 5000);
        QCOMPARE(graph->PESGraph1->manualMaxY(), 50.0);
        const int h = (s.main->height() - (s.main->Panel1->height() + s.main->statusBar()->height() + 40)) / 2;
        const QRect g = s.main->frameOf(graph)->geometry();
        QCOMPARE(g, QRect(146, 0, s.main->width() - 146 - 20, h));
        QCOMPARE(s.main->frameOf(list)->geometry(), QRect(146, h, g.width(), h - 20));
        QCOMPARE(list->grid()->ColCount(), 8);
        // The first chart set up wrote the template beside the program.
        QVERIFY(QFile::exists(s.dir.filePath(QStringLiteral("template/graph.ghf"))));
    }

    void recordsLiveReadings()
    {
        Session s(481, "[Link]\nModel=481\n[RealTime]\nSampling Rate=1\n");
        QVERIFY(s.started());
        TfrmList *list = s.main->realTimeList();
        Chart *chart = s.main->realTimeGraph()->PESGraph1;
        QCOMPARE(chart->subsets(), 1);
        QCOMPARE(list->grid()->ColCount(), 6);
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        s.main->btnRun->click();
        // The first sample comes on the next tick, whatever the interval.
        QTRY_VERIFY_WITH_TIMEOUT(!list->grid()->cell(0, 1).isEmpty(), 3000);
        QCOMPARE(list->grid()->cell(3, 1), QStringLiteral("23.4"));
        QCOMPARE(list->grid()->cell(4, 1), QStringLiteral("C"));
        QCOMPARE(chart->yData(0, 0), 23.4f);
        QTRY_VERIFY_WITH_TIMEOUT(list->grid()->RowCount() >= 4, 5000);
        QCOMPARE(s.main->recorder().state().realTimePointCount, list->grid()->RowCount() - 1);

        // Clear empties both; the recording goes on into them.
        s.main->btnClear->click();
        QCOMPARE(s.main->recorder().state().realTimePointCount, 0);
        QCOMPARE(list->grid()->RowCount(), 2);
        QVERIFY(list->grid()->cell(0, 1).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!list->grid()->cell(0, 1).isEmpty(), 3000);
        QCOMPARE(list->grid()->cell(0, 1), QStringLiteral("1"));

        s.main->btnPause->click();
        const int rows = list->grid()->RowCount();
        QTest::qWait(1500); // over a tick: one a second
        QCOMPARE(list->grid()->RowCount(), rows);
    }

    void rangeDialogOnEachWindow()
    {
        Session s(482);
        QVERIFY(s.started());
        Chart *chart = s.main->realTimeGraph()->PESGraph1;
        // With the list active the dialog shows the graph's range and
        // nothing changes.
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(s.main->realTimeList()));
        s.prompt.scaleAnswers.enqueue({true, QStringLiteral("12.7"), QStringLiteral("-3.9")});
        s.main->Range1->trigger();
        QCOMPARE(s.prompt.scaleShown.last(), qMakePair(QStringLiteral("50"), QStringLiteral("-10")));
        QCOMPARE(chart->manualMaxY(), 50.0);
        QCOMPARE(s.main->settings().maxScale, 50);

        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(s.main->realTimeGraph()));
        s.prompt.scaleAnswers.enqueue({true, QStringLiteral("12.7"), QStringLiteral("-3.9")});
        s.main->Range1->trigger();
        QCOMPARE(chart->manualMaxY(), 12.7);
        QCOMPARE(chart->manualMinY(), -3.9);
        QCOMPARE(s.main->settings().maxScale, 12);
        QCOMPARE(s.main->settings().minScale, -3);

        // Cancel changes nothing.
        s.prompt.scaleAnswers.enqueue({false, QString(), QString()});
        s.main->Range1->trigger();
        QCOMPARE(s.prompt.scaleShown.last(), qMakePair(QStringLiteral("12"), QStringLiteral("-3")));
        QCOMPARE(chart->manualMaxY(), 12.7);

        // A new real-time graph takes the remembered scale.
        s.main->frameOf(s.main->realTimeGraph())->close();
        QTRY_VERIFY(!s.main->realTimeGraph());
        QVERIFY(!s.main->RealTimeGraph1->isChecked());
        s.main->RealTimeGraph1->trigger();
        QVERIFY(s.main->realTimeGraph());
        QCOMPARE(s.main->realTimeGraph()->PESGraph1->manualMaxY(), 12.0);
        s.main->close();
        QVERIFY(s.settingsText().contains(QStringLiteral("Max. Scale=12")));
    }

    // Each kind of graph keeps its own Auto Scale choice in the settings'
    // section "Auto Scale", and its next window starts with it.
    void autoScaleKeptPerKindOfGraph_data()
    {
        QTest::addColumn<bool>("logger");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("other");
        QTest::newRow("real-time graph") << false << QStringLiteral("Real-Time Graph") << QStringLiteral("Data Logger");
        QTest::newRow("data logger") << true << QStringLiteral("Data Logger") << QStringLiteral("Real-Time Graph");
    }
    void autoScaleKeptPerKindOfGraph()
    {
        QFETCH(bool, logger);
        QFETCH(QString, kind);
        QFETCH(QString, other);
        Session s(482);
        QVERIFY(s.started());
        const auto chartOf = [&s](bool ofLogger) -> Chart * {
            if (!ofLogger)
                return s.main->realTimeGraph() ? s.main->realTimeGraph()->PESGraph1 : nullptr;
            if (!s.main->dataLoggerWindow())
                s.main->DataLogger1->trigger();
            return s.main->dataLoggerWindow() ? s.main->dataLoggerWindow()->chart() : nullptr;
        };
        Chart *chart = chartOf(logger);
        QVERIFY(chart && !chart->autoScale());
        chart->autoScaleAction()->trigger();
        QVERIFY(s.settingsText().contains(QStringLiteral("[Auto Scale]")));
        QVERIFY(s.settingsText().contains(kind + QStringLiteral("=1")));
        QVERIFY(s.restart());
        QVERIFY(chartOf(logger)->autoScale());
        QVERIFY(!chartOf(!logger)->autoScale());
        QVERIFY(!s.settingsText().contains(other + QStringLiteral("=1")));
        chartOf(logger)->autoScaleAction()->trigger();
        QVERIFY(s.settingsText().contains(kind + QStringLiteral("=0")));
        QVERIFY(s.restart());
        QVERIFY(!chartOf(logger)->autoScale());
    }

    void undoZoomButton()
    {
        Session s(482);
        QVERIFY(s.started());
        Chart *chart = s.main->realTimeGraph()->PESGraph1;
        Q_EMIT chart->zoomedIn();
        QVERIFY(s.main->UndoZoom->isEnabled());
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(s.main->realTimeList()));
        s.main->UndoZoom->click();
        QVERIFY(!s.main->UndoZoom->isEnabled());
    }

    void customizationKeptAsTemplate()
    {
        Session s(482);
        QVERIFY(s.started());
        s.prompt.confirmAnswers.enqueue(true);
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<ChartCustomizeDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->cmbGrid->setCurrentIndex(int(GridStyle::None));
            d->accept();
        });
        s.main->GraphCustomization1->trigger();
        QCOMPARE(s.prompt.questions, QStringList{QStringLiteral("Do you want to save the changes ?")});
        Chart later;
        test::ScriptedPrompt p;
        SetupGraph(later, 1, 10, 0, 0, 0, 1, s.main->graphTemplate(), p);
        QCOMPARE(later.look().grid, GridStyle::None);
    }

    void printActiveGraph()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(s.main->realTimeGraph()));
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed: the print dialog would ask");
        // No printer here: the chart offers a PDF file.
        const QString pdf = s.dir.filePath(QStringLiteral("graph.pdf"));
        s.prompt.saveNames.enqueue(pdf);
        s.main->Print1->trigger();
        QCOMPARE(s.prompt.saveAsked, QStringList{QStringLiteral("Print to PDF file")});
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(4), QByteArray("%PDF"));
        // Cancelled: nothing printed.
        s.main->Print1->trigger();
        QCOMPARE(s.prompt.saveAsked.size(), 2);
    }

    void menusAndToolBar()
    {
        Session s(0);
        QCOMPARE(s.main->Exit1->text(), QStringLiteral("E&xit"));
        QCOMPARE(s.main->RealTimeGraph1->text(), QStringLiteral("Real Time &Graph"));
        QVERIFY(!s.main->LinkTest1->isVisible());
        QVERIFY(!s.main->RS2321->menuAction()->isVisible());
        QVERIFY(s.main->Window1->menuAction()->isVisible());
        QCOMPARE(s.main->SpeedButton1->toolTip(), QStringLiteral("Open File (Ctrl+O)"));
        QCOMPARE(s.main->btnRun->toolTip(), QStringLiteral("Start Graphing Real Time Data (F5)"));
        QCOMPARE(s.main->btnClear->toolTip(), QStringLiteral("clear and reset graph"));
        QCOMPARE(s.main->UndoZoom->text(), QStringLiteral("Undo Zoom"));
        QVERIFY(!s.main->UndoZoom->isEnabled());
        QCOMPARE(s.main->StaticText1->text(), QStringLiteral("Sampling Rate"));
        QCOMPARE(s.main->Label2->text(), QStringLiteral("MM"));
        QCOMPARE(s.main->Label3->text(), QStringLiteral("SS"));
        // Icon-only buttons are named by their hints for screen readers.
        QCOMPARE(s.main->btnDataLogger->accessibleName(), QStringLiteral("Data Logger"));
        QCOMPARE(s.main->UndoZoom->accessibleName(), QStringLiteral("Undo Zoom"));
        QVERIFY(!s.main->ComboBoxDeviceName->accessibleName().isEmpty());
    }

    void everyControlHasANameForScreenReaders()
    {
        // Walks the accessibility tree of the main window with its panel,
        // graph, list and data-logger window open: every button (tool bar,
        // panel keys, pane headings) says what it is.
        Session s(482);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        QVERIFY(s.main->dataLoggerWindow());
        QStringList unnamed;
        int buttons = 0;
        std::function<void(QAccessibleInterface *, int)> walk = [&](QAccessibleInterface *node, int depth) {
            if (!node || depth > 40)
                return;
            const QAccessible::Role role = node->role();
            const bool pressable = role == QAccessible::Button || role == QAccessible::PushButton
                || (node->actionInterface()
                    && node->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
            if (pressable && !node->state().invisible) {
                ++buttons;
                if (node->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << (node->object() ? node->object()->objectName() : QStringLiteral("?"));
            }
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i), depth + 1);
        };
        walk(QAccessible::queryAccessibleInterface(s.main.get()), 0);
        QVERIFY2(buttons >= 10, qPrintable(QString::number(buttons)));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(','))));
        // The panel keys and the data-logger pane headings are named too.
        for (QWidget *key : {static_cast<QWidget *>(s.panel()->btnMMA), static_cast<QWidget *>(s.panel()->btnREL),
                             static_cast<QWidget *>(s.panel()->btnCF), static_cast<QWidget *>(s.panel()->btnClose)})
            QVERIFY(!key->accessibleName().isEmpty());
    }

    void longestSamplingRateShowsInTheBoxes()
    {
        // 60 minutes and 60 seconds is the longest the boxes make; saved and
        // read back it still shows, and picking a second keeps it sane.
        Session s(0, "[RealTime]\nSampling Rate=3660\n");
        QCOMPARE(s.main->cmbMinute->currentText(), QStringLiteral("60"));
        QCOMPARE(s.main->cmbSecond->currentText(), QStringLiteral("60"));
        QCOMPARE(s.main->recorder().samplingRate(), 3660);
        s.main->cmbSecond->setCurrentIndex(5);
        s.main->cmbMinuteChange();
        QCOMPARE(s.main->recorder().samplingRate(), 3605);
        Session t(0, "[RealTime]\nSampling Rate=3630\n");
        QCOMPARE(t.main->cmbMinute->currentText(), QStringLiteral("60"));
        QCOMPARE(t.main->cmbSecond->currentText(), QStringLiteral("30"));
    }

    void graphTakesTheChannelsOfTheMeterFound()
    {
        // The graph opens before the search with the remembered model; the
        // two-channel meter found must still get its T2 drawn.
        Session s(482, "[Link]\nModel=481\n[RealTime]\nSampling Rate=1\n");
        QVERIFY(s.started());
        Chart *chart = s.main->realTimeGraph()->PESGraph1;
        QCOMPARE(chart->subsets(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        s.main->btnRun->click();
        QTRY_VERIFY_WITH_TIMEOUT(chart->xData(1, 0) != 0.0, 4000);
        QCOMPARE(chart->yData(1, 0), 21.7f);
    }

    void reopenedWindowsTakeTheirStartUpPlace()
    {
        Session s(482);
        QVERIFY(s.started());
        const QRect graphPlace = s.main->frameOf(s.main->realTimeGraph())->geometry();
        const QRect listPlace = s.main->frameOf(s.main->realTimeList())->geometry();
        // The View menu's checks follow whether the windows are open.
        QVERIFY(s.main->RealTimeGraph1->isChecked() && s.main->RealTimeList1->isChecked());
        s.main->frameOf(s.main->realTimeGraph())->close();
        s.main->frameOf(s.main->realTimeList())->close();
        QTRY_VERIFY(!s.main->realTimeGraph() && !s.main->realTimeList());
        QVERIFY(!s.main->RealTimeGraph1->isChecked() && !s.main->RealTimeList1->isChecked());
        s.main->RealTimeGraph1->trigger();
        s.main->RealTimeList1->trigger();
        s.main->RealTimeList1->trigger(); // only restores the open one
        QVERIFY(s.main->RealTimeGraph1->isChecked() && s.main->RealTimeList1->isChecked());
        QCOMPARE(s.main->frameOf(s.main->realTimeGraph())->geometry(), graphPlace);
        QCOMPARE(s.main->frameOf(s.main->realTimeList())->geometry(), listPlace);
    }

    void rangeIsPrefilledFromTheRealTimeGraph()
    {
        Session s(0, "[Graph Option]\nMax. Scale=80\nMin. Scale=-20\n");
        QVERIFY(s.started());
        Chart *chart = s.main->realTimeGraph()->PESGraph1;
        chart->setManualY(-5.5, 33.9);
        s.prompt.scaleAnswers.enqueue({false, QString(), QString()});
        s.main->Range1->trigger();
        QCOMPARE(s.prompt.scaleShown.last(), qMakePair(QStringLiteral("33"), QStringLiteral("-5")));
        // Without a real-time graph the remembered scale is offered.
        s.main->frameOf(s.main->realTimeGraph())->close();
        QTRY_VERIFY(!s.main->realTimeGraph());
        s.prompt.scaleAnswers.enqueue({false, QString(), QString()});
        s.main->Range1->trigger();
        QCOMPARE(s.prompt.scaleShown.last(), qMakePair(QStringLiteral("80"), QStringLiteral("-20")));
    }

    void commandsFollowTheActiveWindow()
    {
        Session s(482);
        QVERIFY(s.started());
        QMdiArea *area = s.main->mdiArea();
        Chart *chart = s.main->realTimeGraph()->PESGraph1;
        area->setActiveSubWindow(s.main->frameOf(s.main->realTimeGraph()));
        QVERIFY(s.main->Print1->isEnabled() && s.main->btnPrint->isEnabled());
        QVERIFY(!s.main->UndoZoom->isEnabled());
        area->setActiveSubWindow(s.main->frameOf(s.main->realTimeList()));
        QVERIFY(s.main->Print1->isEnabled() && s.main->btnPrint->isEnabled());
        // The real-time list saves but never becomes a graph.
        QVERIFY(s.main->Save1->isEnabled() && !s.main->btnToGraph->isEnabled());
        area->setActiveSubWindow(s.main->frameOf(s.panel()));
        QVERIFY(!s.main->Print1->isEnabled() && !s.main->btnPrint->isEnabled());
        QVERIFY(!s.main->Save1->isEnabled() && !s.main->btnToGraph->isEnabled());

        // Undo Zoom follows the zoom of the active graph.
        area->setActiveSubWindow(s.main->frameOf(s.main->realTimeGraph()));
        const double min = chart->manualMinY();
        QWidget *w = chart->plot();
        const QRect r = chart->plot()->axisRect()->rect();
        const QPoint a = r.topLeft() + QPoint(r.width() / 4, r.height() / 4);
        const QPoint b = r.topLeft() + QPoint(r.width() / 2, r.height() / 2);
        QTest::mousePress(w, Qt::LeftButton, {}, a);
        QMouseEvent move(QEvent::MouseMove, b, w->mapToGlobal(b), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(w, &move);
        QTest::mouseRelease(w, Qt::LeftButton, {}, b);
        QVERIFY(chart->isZoomed());
        QVERIFY(s.main->UndoZoom->isEnabled());
        area->setActiveSubWindow(s.main->frameOf(s.main->realTimeList()));
        QVERIFY(!s.main->UndoZoom->isEnabled());
        area->setActiveSubWindow(s.main->frameOf(s.main->realTimeGraph()));
        QVERIFY(s.main->UndoZoom->isEnabled());
        s.main->UndoZoom->click();
        QVERIFY(!chart->isZoomed());
        QCOMPARE(chart->manualMinY(), min);
        QVERIFY(!s.main->UndoZoom->isEnabled());
    }

    void closingDuringATickWaitsThenStops()
    {
        Session s(482);
        QVERIFY(s.started());
        bool sawRunningDuringWait = false;
        qint64 waited = -1;
        bool stoppedAfter = false;
        bool closedAfter = false;
        // The main window closes from inside a tick (a handler that lets
        // events run): the wait gives up after about 2.6 s, then the timer
        // stops and the port closes.
        QObject::connect(&s.main->link(), &MeterLink::frameDecoded, s.main.get(), [&] {
            if (waited >= 0)
                return;
            QTimer::singleShot(1000, [&] {
                sawRunningDuringWait = s.main->timer().isActive() && s.main->port().isOpen();
            });
            QElapsedTimer t;
            t.start();
            waited = 0;
            s.main->close();
            waited = t.elapsed();
            stoppedAfter = !s.main->timer().isActive();
            closedAfter = !s.main->port().isOpen();
        });
        s.meter->setTemperatures(30.1, 20.0);
        QTRY_VERIFY_WITH_TIMEOUT(waited > 0, 8000);
        QVERIFY(sawRunningDuringWait);
        QVERIFY2(waited >= 2500 && waited < 4000, qPrintable(QString::number(waited)));
        QVERIFY(stoppedAfter);
        QVERIFY(closedAfter);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
