// The keyboard on the main window: every menu command has a key or a
// mnemonic of its own, the tool-bar hints name the keys, and the Window
// menu reaches every child window.

#include "app/DialogFocus.h"
#include "app/TfrmMain.h"
#include "logger/ui/TfrmDataLogger.h"
#include "panel/TfrmPanel.h"
#include "support/BuildPaths.h"
#include "views/Chart.h"
#include "views/ChildWindow.h"

#include "MeterEmulator.h"
#include "support/MainSession.h"
#include "support/SessionSteps.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QTableView>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QSet>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace kv;
using namespace kv::test;

namespace {

QChar mnemonicOf(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            if (text.at(i + 1) != QLatin1Char('&'))
                return text.at(i + 1).toUpper();
            ++i;
        }
    }
    return {};
}

QList<QAction *> shownCommands(const QList<QAction *> &actions)
{
    QList<QAction *> shown;
    for (QAction *a : actions)
        if (a->isVisible() && !a->isSeparator())
            shown << a;
    return shown;
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void everyCommandHasAKeyOrAMnemonicOfItsOwn()
    {
        Session s(0);
        QVERIFY(s.started());
        QSet<QChar> menuLetters;
        QSet<QKeySequence> keys;
        for (QAction *top : shownCommands(s.main->menuBar()->actions())) {
            const QChar letter = mnemonicOf(top->text());
            QVERIFY2(!letter.isNull() && !menuLetters.contains(letter), qPrintable(top->text()));
            menuLetters << letter;
            QMenu *menu = top->menu();
            QVERIFY(menu);
            Q_EMIT menu->aboutToShow(); // the Window menu lists the windows now
            QSet<QChar> letters;
            for (QAction *a : shownCommands(menu->actions())) {
                const QChar m = mnemonicOf(a->text());
                if (!m.isNull()) {
                    QVERIFY2(!letters.contains(m), qPrintable(top->text() + QLatin1String(": ") + a->text()));
                    letters << m;
                }
                QVERIFY2(!m.isNull() || !a->shortcut().isEmpty(),
                         qPrintable(top->text() + QLatin1String(": ") + a->text()));
                // The key shown beside the command is the one on the keyboard.
                QVERIFY2(!a->shortcut().toString(QKeySequence::NativeText).contains(QLatin1String("Backtab")),
                         qPrintable(a->shortcut().toString()));
                for (const QKeySequence &k : a->shortcuts()) {
                    QVERIFY2(!keys.contains(k), qPrintable(k.toString()));
                    keys << k;
                }
            }
        }
        // The usual keys do the usual things.
        QCOMPARE(s.main->Open1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(s.main->Save1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(s.main->Print1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        QCOMPARE(s.main->Exit1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(s.main->Contents1->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(s.main->CloseWindow1->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4)));
        QVERIFY(s.main->NextWindow1->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Tab)));
        QVERIFY(!s.main->Run1->shortcut().isEmpty() && !s.main->Stop1->shortcut().isEmpty());
        QVERIFY(!s.main->UndoZoom->shortcut().isEmpty() && !s.main->btnToGraph->shortcut().isEmpty());
        // The specified texts stay, only the duplicate P moved.
        QCOMPARE(s.main->Print1->text(), QStringLiteral("&Print"));
        QCOMPARE(s.main->PrinterSetup1->text().remove(QLatin1Char('&')), QStringLiteral("Printer Setup"));
        // Hints name the key; screen readers still hear the plain name.
        QCOMPARE(s.main->SpeedButton1->toolTip(), QStringLiteral("Open File (Ctrl+O)"));
        QCOMPARE(s.main->btnRun->toolTip(),
                 QStringLiteral("Start Graphing Real Time Data (%1)").arg(s.main->Run1->shortcut().toString()));
        QCOMPARE(s.main->SpeedButton1->accessibleName(), QStringLiteral("Open File"));
    }

    void helpPageListsTheKeysOfTheMenus()
    {
        Session s(0);
        QFile page(kv::test::builtFile(QStringLiteral("KV481Help.htm")));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        const qsizetype from = html.indexOf(QLatin1String("<table id=\"keys\">"));
        QVERIFY(from >= 0);
        const QString table = html.mid(from, html.indexOf(QLatin1String("</table>"), from) - from);
        QSet<QString> listed;
        static const QRegularExpression row(QStringLiteral("<tr><td>([^<]+)</td>"));
        for (auto m = row.globalMatch(table); m.hasNext();)
            listed << m.next().captured(1);
        // The page names the Tab key as it is printed on the keyboard.
        auto portable = [](const QKeySequence &k) {
            return k.toString(QKeySequence::PortableText).replace(QLatin1String("Backtab"), QLatin1String("Tab"));
        };
        QSet<QString> given;
        for (QAction *top : s.main->menuBar()->actions())
            if (top->menu())
                for (QAction *a : top->menu()->actions())
                    if (!a->shortcut().isEmpty())
                        given << portable(a->shortcut());
        for (QToolButton *b : {s.main->UndoZoom, s.main->btnToGraph})
            given << portable(b->shortcut());
        QCOMPARE(listed, given);
    }

    void ctrlTabVisitsEveryChildWindow()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        QVERIFY(s.main->dataLoggerWindow());
        QVERIFY(QTest::qWaitForWindowActive(s.main.get()));
        const QList<QMdiSubWindow *> all = s.main->mdiArea()->subWindowList();
        QCOMPARE(all.size(), 4); // the panel, the graph, the list and the data logger

        auto visit = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QList<QMdiSubWindow *> seen;
            for (int i = 0; i < all.size(); ++i) {
                QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : s.main.get();
                QTest::keyClick(focus, key, modifiers);
                seen << s.main->mdiArea()->activeSubWindow();
            }
            return seen;
        };
        const QList<QMdiSubWindow *> forward = visit(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QSet<QMdiSubWindow *>(forward.begin(), forward.end()),
                 QSet<QMdiSubWindow *>(all.begin(), all.end()));
        QVERIFY(forward.contains(ChildWindows::frameOf(s.panel())));
        QVERIFY(forward.contains(ChildWindows::frameOf(s.main->dataLoggerWindow())));
        // Back again the other way.
        const QList<QMdiSubWindow *> back = visit(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(back.at(0), forward.at(forward.size() - 2));
        QCOMPARE(QSet<QMdiSubWindow *>(back.begin(), back.end()), QSet<QMdiSubWindow *>(all.begin(), all.end()));
    }

    void graphContextMenusHaveMnemonicsOfTheirOwn()
    {
        // The menu key opens a graph's context menu; its commands, gathered
        // from several places, must each answer to a letter of their own.
        Session s(481);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        QVERIFY(s.main->dataLoggerWindow());
        int charts = 0;
        for (QMdiSubWindow *sw : s.main->mdiArea()->subWindowList()) {
            ChildWindow *child = childWindowOf(sw->widget());
            if (!child || !child->chart())
                continue;
            ++charts;
            const QList<QAction *> commands = shownCommands(child->chart()->actions());
            QVERIFY(commands.size() >= 4); // pictures and comparison at least
            QSet<QChar> letters;
            for (QAction *a : commands) {
                const QChar m = mnemonicOf(a->text());
                QVERIFY2(!m.isNull() && !letters.contains(m), qPrintable(a->text()));
                letters << m;
            }
        }
        QVERIFY(charts >= 2);
    }

    void noChildWindowKeepsTheKeyboard()
    {
        // Every kind of window open at once: the panel, the real-time graph
        // and list, the data logger, the alarm log, and a graph and a list
        // opened from files. Ctrl+Tab visits each, and from each one Tab
        // comes back out to the tool bar.
        Session s(481);
        QVERIFY(s.started());
        QVERIFY(recordSamples(s, 3));
        const QString ghf = s.dir.filePath(QStringLiteral("g.ghf"));
        activate(s, s.main->realTimeGraph());
        s.prompt.saveNames.enqueue(ghf);
        s.main->Save1->trigger();
        const QString txt = s.dir.filePath(QStringLiteral("l.txt"));
        activate(s, s.main->realTimeList());
        s.prompt.saveNames.enqueue(txt);
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        QVERIFY(s.main->openFile(ghf) && s.main->openFile(txt));
        s.main->DataLogger1->trigger();
        QVERIFY(s.main->dataLoggerWindow());
        s.main->findChild<QAction *>(QStringLiteral("AlarmLog1"))->trigger();
        QVERIFY(QTest::qWaitForWindowActive(s.main.get()));
        QMdiArea *area = s.main->mdiArea();
        const QList<QMdiSubWindow *> all = area->subWindowList();
        QCOMPARE(all.size(), 7);

        QSet<QMdiSubWindow *> visited;
        for (int i = 0; i < all.size(); ++i) {
            QWidget *from = QApplication::focusWidget() ? QApplication::focusWidget() : s.main.get();
            QTest::keyClick(from, Qt::Key_Tab, Qt::ControlModifier);
            QMdiSubWindow *active = area->activeSubWindow();
            visited << active;
            // Into the window, then on with Tab until the tool bar has it.
            bool out = false;
            for (int t = 0; t < 60 && !out; ++t) {
                QWidget *at = QApplication::focusWidget() ? QApplication::focusWidget() : s.main.get();
                QTest::keyClick(at, Qt::Key_Tab);
                QWidget *now = QApplication::focusWidget();
                out = now && s.main->findChild<QToolBar *>() && s.main->findChild<QToolBar *>()->isAncestorOf(now);
            }
            QVERIFY2(out, qPrintable(active->widget()->windowTitle()));
            QCOMPARE(area->activeSubWindow(), active);
        }
        QCOMPARE(visited, QSet<QMdiSubWindow *>(all.begin(), all.end()));
    }

    void closedDialogsGiveTheKeyboardBack()
    {
        // The offscreen platform activates a window whatever happens; X
        // without a window manager is where the keyboard gets lost, so the
        // test runs itself again under a private X server.
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
            if (xvfb.isEmpty())
                QSKIP("xvfb-run is not installed");
            QProcess x;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            x.setProcessEnvironment(env);
            x.setProcessChannelMode(QProcess::MergedChannels);
            x.start(xvfb, {QStringLiteral("-a"), QCoreApplication::applicationFilePath(),
                           QStringLiteral("closedDialogsGiveTheKeyboardBack")});
            QVERIFY(x.waitForFinished(60000));
            QVERIFY2(x.exitCode() == 0, x.readAll().constData());
            return;
        }
        QMainWindow main;
        DialogFocus focus(&main);
        const auto activeIsMain = [&] { return QTest::qWaitFor([&] { return QApplication::activeWindow() == &main; }, 3000); };
        // As exec() shows them.
        const auto shownActive = [](QDialog &d) {
            d.setWindowModality(Qt::ApplicationModal);
            d.show();
            return QTest::qWaitForWindowActive(&d);
        };
        // The start-up box closes before the main window was ever active.
        {
            QDialog box(&main);
            box.show();
            main.show();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
        }
        QVERIFY(activeIsMain());
        // Saving: the range dialog, then the progress, which closes before
        // the window system made it active.
        {
            QDialog range(&main), progress(&main);
            QVERIFY(shownActive(range));
            range.hide();
            progress.setWindowModality(Qt::ApplicationModal);
            progress.show();
            QCoreApplication::processEvents();
        }
        QVERIFY(activeIsMain());
        // A dialog without a parent.
        {
            QDialog loose;
            QVERIFY(shownActive(loose));
        }
        QVERIFY(activeIsMain());
        // A name typed in the open dialog (through the X server: only then
        // its completion popup takes the keyboard) and accepted from there.
        if (const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool")); !xdotool.isEmpty()) {
            QCompleter completer(QStringList{QStringLiteral("run.txt"), QStringLiteral("run.csv")});
            QDialog open(&main); // goes first, while the popup has the keyboard
            (new QLineEdit(&open))->setCompleter(&completer);
            auto *name = open.findChild<QLineEdit *>();
            QVERIFY(shownActive(open));
            // Keys typed through the X server reach whichever window has its
            // focus by then; on a busy machine that may still be none, so
            // they are typed again into an emptied field.
            bool popped = false;
            for (int attempt = 0; attempt < 3 && !popped; ++attempt) {
                name->clear();
                QProcess::startDetached(xdotool, {QStringLiteral("type"), QStringLiteral("ru")});
                popped = QTest::qWaitFor(
                    [&] { return QGuiApplication::focusWindow() == completer.popup()->windowHandle(); }, 5000);
            }
            QVERIFY(popped);
        }
        QVERIFY(activeIsMain());
    }

    void windowMenuListsAndClosesWindows()
    {
        Session s(0);
        QVERIFY(s.started());
        QMdiArea *area = s.main->mdiArea();
        QVERIFY(s.main->Window1->menuAction()->isVisible());
        Q_EMIT s.main->Window1->aboutToShow();
        QList<QAction *> listed;
        for (QAction *a : s.main->Window1->actions())
            if (a->isCheckable())
                listed << a;
        QCOMPARE(listed.size(), area->subWindowList().size());
        int checked = 0;
        for (QAction *a : listed)
            checked += a->isChecked();
        QCOMPARE(checked, 1);
        QVERIFY(listed.at(0)->isChecked()); // the panel, active at start
        QVERIFY(listed.at(0)->text().contains(s.panel()->windowTitle()));
        // A list and a graph are told apart by their kind.
        QVERIFY(listed.at(1)->text().endsWith(QStringLiteral("Real-Time Graph (graph)"))
                && listed.at(2)->text().endsWith(QStringLiteral("Tabular (list)")));
        // Choosing a window from the list makes it the active one.
        listed.at(1)->trigger();
        QCOMPARE(area->activeSubWindow(), area->subWindowList(QMdiArea::CreationOrder).at(1));
        // Close closes the active window only.
        QMdiSubWindow *active = area->activeSubWindow();
        QPointer<QMdiSubWindow> gone(active);
        s.main->CloseWindow1->trigger();
        QTRY_VERIFY(!gone);
        QCOMPARE(area->subWindowList().size(), listed.size() - 1);
        // Tiling lays the windows side by side without overlap.
        s.main->Tile1->trigger();
        const QList<QMdiSubWindow *> left = area->subWindowList();
        QVERIFY(!left.at(0)->geometry().intersects(left.at(1)->geometry()));
        s.main->Cascade1->trigger(); // leaves the windows large enough to read
        QVERIFY(TfrmMain::frameOf(s.main->realTimeList())->width() >= 300);
    }

    void tabReachesEveryControlAndSpacePressesAPanelKey()
    {
        Session s(481);
        QVERIFY(s.started());
        QVERIFY(QTest::qWaitForWindowActive(s.main.get()));
        TfrmPanel *p = s.panel();
        auto focus = [] { return QApplication::focusWidget(); };
        // Walks the ring with Tab (or Shift+Tab) once round from where the
        // keyboard is, in the order visited.
        auto walk = [&](bool forward) {
            QList<QWidget *> seen{focus()};
            for (int i = 0; i < 40; ++i) {
                QWidget *at = focus();
                if (forward)
                    QTest::keyClick(at, Qt::Key_Tab);
                else
                    QTest::keyClick(at, Qt::Key_Backtab, Qt::ShiftModifier);
                if (focus() == seen.first())
                    break;
                seen << focus();
            }
            return seen;
        };
        QCOMPARE(focus(), p->btnClose); // the panel is active at start
        const QList<QWidget *> forward = walk(true);
        const QList<QWidget *> wanted{p->btnClose, p->btnMMA,    p->btnREL,    p->btnHOLD,
                                      p->btnTT,    p->btnCF,     s.main->cmbMinute, s.main->cmbSecond,
                                      s.main->ComboBoxDeviceName};
        for (QWidget *w : wanted)
            QVERIFY2(forward.contains(w), qPrintable(w->objectName()));
        // The keys in the order they lie on the meter; the tool bar left to right.
        for (int i = 1; i < 6; ++i)
            QCOMPARE(forward.indexOf(wanted.at(i)), forward.indexOf(wanted.at(i - 1)) + 1);
        QVERIFY(forward.indexOf(s.main->cmbMinute) < forward.indexOf(s.main->cmbSecond));
        QVERIFY(forward.indexOf(s.main->cmbSecond) < forward.indexOf(s.main->ComboBoxDeviceName));
        // Shift+Tab goes round the same ring the other way.
        QList<QWidget *> backward = walk(false);
        std::reverse(backward.begin() + 1, backward.end());
        QCOMPARE(backward, forward);

        // Each key says what it does to a screen reader; Space or Enter on
        // the key with the focus sends it to the meter.
        for (KeyArea *k : {p->btnClose, p->btnMMA, p->btnREL, p->btnHOLD, p->btnTT, p->btnCF})
            QVERIFY2(!k->accessibleName().isEmpty() && k->accessibleDescription() == k->toolTip(),
                     qPrintable(k->objectName()));
        while (focus() != p->btnHOLD)
            QTest::keyClick(focus(), Qt::Key_Tab);
        // The key with the keyboard is framed.
        const QImage framed = p->grab(p->btnHOLD->geometry()).toImage();
        QTest::keyClick(focus(), Qt::Key_Tab);
        QVERIFY(framed != p->grab(p->btnHOLD->geometry()).toImage());
        QTest::keyClick(focus(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focus(), p->btnHOLD);
        const size_t before = s.meter->received().size();
        QTest::keyClick(p->btnHOLD, Qt::Key_Space);
        QTRY_VERIFY(s.meter->received().find('H', before) != std::string::npos);
        QTest::keyClick(focus(), Qt::Key_Tab);
        QCOMPARE(focus(), p->btnTT);
        QTest::keyClick(focus(), Qt::Key_Tab);
        QCOMPARE(focus(), p->btnCF);
        QTest::keyClick(p->btnCF, Qt::Key_Return);
        QTRY_VERIFY(s.meter->received().find('C', before) != std::string::npos);
    }

    void tabReachesTheDataLoggerPanes()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *logger = s.main->dataLoggerWindow();
        QVERIFY(logger);
        QVERIFY(QTest::qWaitForWindowActive(s.main.get()));
        QCOMPARE(s.main->mdiArea()->activeSubWindow(), ChildWindows::frameOf(logger));
        QList<QWidget *> seen;
        for (int i = 0; i < 30; ++i) {
            QWidget *at = QApplication::focusWidget() ? QApplication::focusWidget() : s.main.get();
            QTest::keyClick(at, Qt::Key_Tab);
            seen << QApplication::focusWidget();
        }
        // The tables give Tab up instead of moving from cell to cell, and the
        // ring still comes back to the tool bar.
        const QList<QWidget *> panes{logger->Grid2, logger->PESGraph1, logger->Grid1, s.main->cmbSecond};
        for (QWidget *w : panes)
            QVERIFY2(seen.contains(w), qPrintable(w->objectName()));
        QVERIFY(!seen.contains(s.panel()->btnHOLD)); // only the active window's controls

        // The graph, covered by its plot, still shows when it has the keyboard.
        auto edge = [logger] {
            const QImage shot = logger->PESGraph1->grab().toImage();
            return shot.pixel(1, shot.height() / 2);
        };
        while (QApplication::focusWidget() != logger->PESGraph1)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QRgb focused = edge();
        QTest::keyClick(logger->PESGraph1, Qt::Key_Tab);
        QVERIFY(focused != edge());
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
