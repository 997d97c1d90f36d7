// The journal in the real main window: the live list's rows in the
// journal, the normal end and the hasty one, the recovery offer at the
// next start, the settings switch and the File menu's folder command; and
// a recording killed with SIGKILL in a process of its own, whose rows the
// next start opens again cell for cell.

#include "app/ElidedLabel.h"
#include "app/QtPrompt.h"
#include "app/TfrmMain.h"
#include "files/TextDataSet.h"
#include "journal/JournalFolder.h"
#include "views/TfrmList.h"
#include "views/TfrmWholeRun.h"

#include "MeterEmulator.h"
#include "support/FileBytes.h"
#include "support/MainSession.h"
#include "support/SessionSteps.h"
#include "support/ScriptedPrompt.h"
#include "support/SmallDisk.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolButton>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstring>

using namespace kv;
using kv::test::fileBytes;
using kv::test::ScriptedPrompt;
using kv::test::Session;
using kv::test::SmallDisk;

namespace {

const QByteArray kFastIni = "[RealTime]\r\nSampling Rate=1\r\n";

QStringList journals(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
}

QVector<QStringList> rowsOf(const GridSource &g)
{
    QVector<QStringList> rows;
    for (int r = 1; r < g.RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g.ColCount(); ++c)
            cells << g.cell(c, r);
        rows << cells;
    }
    return rows;
}

// A later start of the program over the same recordings folder, without a
// meter.
struct Restart
{
    QTemporaryDir dir;
    kv::test::QuickPauseClock clock;
    ScriptedPrompt prompt;
    std::unique_ptr<TfrmMain> main;
    explicit Restart(const QString &folder, QList<bool> answers = {})
    {
        for (bool a : answers)
            prompt.confirmAnswers.enqueue(a);
        MainOptions o;
        o.programPath = dir.filePath(QStringLiteral("KV481"));
        o.systemPorts = false;
        o.extraPorts << dir.filePath(QStringLiteral("nothing-here"));
        o.prompt = &prompt;
        o.clock = &clock;
        o.exitHandler = [] {};
        o.openUrl = [](const QUrl &) { return true; };
        o.recordingFolder = folder;
        main = std::make_unique<TfrmMain>(o);
        main->show();
    }
    bool started() { return QTest::qWaitFor([this] { return main->formShown(); }, 8000); }
    QList<TfrmList *> fileLists() const
    {
        QList<TfrmList *> out;
        for (QMdiSubWindow *sw : main->mdiArea()->subWindowList())
            if (auto *l = qobject_cast<TfrmList *>(sw->widget()); l && !l->isRealTime())
                out << l;
        return out;
    }
};

bool recordRows(Session &s, int rows)
{
    if (!s.started())
        return false;
    s.main->btnRun->click();
    // The empty list holds one empty row.
    return QTest::qWaitFor([&] { return !s.main->realTimeList()->grid()->cell(0, rows).isEmpty(); }, 15000);
}

} // namespace

class TestJournalMain : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void theLiveListsRowsGoToTheJournal()
    {
        Session s(482, kFastIni);
        const QString folder = s.main->recordingFolder();
        QVERIFY(recordRows(s, 3));
        s.main->btnPause->click();
        s.main->journal()->waitWritten();
        const QStringList files = journals(folder);
        QCOMPARE(files.size(), 1);
        // The bytes a TXT save of the list writes.
        const GridModel &grid = *s.main->realTimeList()->grid();
        QByteArray saved;
        QBuffer b(&saved);
        b.open(QIODevice::WriteOnly);
        QVERIFY(TextDataSet::writeGrid(b, grid, 1, grid.RowCount() - 1, TextDataSet::Tab).ok);
        QCOMPARE(fileBytes(QDir(folder).filePath(files[0])), saved);

        // Run again: the same journal goes on. Clear: a new one.
        const int before = grid.RowCount();
        s.main->btnRun->click();
        QVERIFY(QTest::qWaitFor([&] { return grid.RowCount() > before; }, 5000));
        QCOMPARE(journals(folder).size(), 1);
        s.main->btnClear->click();
        QVERIFY(QTest::qWaitFor([&] { return journals(folder).size() == 2; }, 5000));

        // Closing the window is the normal end: nothing to offer next time.
        s.main->close();
        Restart next(folder);
        QVERIFY(next.started());
        QVERIFY(next.prompt.questions.isEmpty());
    }

    void exitFromTheMenuIsANormalEnd()
    {
        QTemporaryDir keep;
        const QString folder = keep.filePath(QStringLiteral("recordings"));
        {
            Session s(482, kFastIni);
            QVERIFY(recordRows(s, 2));
            s.main->Exit1->trigger();
            QCOMPARE(s.exits, 1);
            s.main.reset();
            QVERIFY(QDir().rename(s.dir.filePath(QStringLiteral("recordings")), folder));
        }
        QCOMPARE(journals(folder).size(), 1);
        Restart next(folder);
        QVERIFY(next.started());
        QVERIFY2(next.prompt.questions.isEmpty(), qPrintable(next.prompt.questions.value(0)));
    }

    // Closing with readings that no save has written asks first, on the
    // menu's way out as on the window's own.
    void closingWithUnsavedReadingsAsks()
    {
        using Keep = Prompt::Keep;
        Session s(482, kFastIni);
        QVERIFY(recordRows(s, 2));
        const GridModel &grid = *s.main->realTimeList()->grid();
        // Cancel, and a Save whose file dialog is cancelled: the program
        // stays and the recording goes on.
        s.prompt.saveAnswers << Keep::Cancel << Keep::Save;
        s.main->Exit1->trigger();
        QVERIFY(!s.main->close());
        QCOMPARE(s.exits, 0);
        QCOMPARE(s.prompt.saveQuestions.size(), 2);
        const int before = grid.RowCount();
        QVERIFY(QTest::qWaitFor([&] { return grid.RowCount() > before; }, 5000));
        // Stopped and saved from the menu: nothing is left to ask of.
        s.main->btnPause->click();
        s.main->mdiArea()->setActiveSubWindow(TfrmMain::frameOf(s.main->realTimeList()));
        // Only the first reading saved: the others are still asked of.
        s.prompt.saveNames << s.dir.filePath(QStringLiteral("first.txt"));
        s.prompt.rangeAnswers << Prompt::RangeAnswer{false, QStringLiteral("1"), QStringLiteral("1")};
        s.prompt.saveAnswers << Keep::Cancel;
        s.main->Save1->trigger();
        s.main->Exit1->trigger();
        QCOMPARE(s.prompt.saveQuestions.size(), 3);
        s.prompt.saveNames << s.dir.filePath(QStringLiteral("by-menu.txt"));
        s.prompt.rangeAnswers << Prompt::RangeAnswer{};
        s.main->Save1->trigger();
        s.main->Exit1->trigger();
        QCOMPARE(s.exits, 1);
        QCOMPARE(s.prompt.saveQuestions.size(), 3);

        // Save: the file holds every reading counted, none coming in while
        // the user decides.
        Session t(482, kFastIni);
        QVERIFY(recordRows(t, 2));
        t.prompt.saveAnswers << Keep::Save;
        t.prompt.saveNames << t.dir.filePath(QStringLiteral("kept.txt"));
        t.prompt.rangeAnswers << Prompt::RangeAnswer{};
        t.prompt.whileSaveAsked = [] { QTest::qWait(1500); }; // over a tick: one a second
        QVERIFY(t.main->close());
        const GridModel &all = *t.main->realTimeList()->grid();
        QCOMPARE(t.prompt.saveQuestions[0],
                 QStringLiteral("Save the recording (%1 readings) before closing?").arg(all.RowCount() - 1));
        QVERIFY(fileBytes(t.dir.filePath(QStringLiteral("kept.txt")))
                    .endsWith(TextDataSet::tableRowBytes(all, all.RowCount() - 1, TextDataSet::Tab)));
        // Discard (the prompt's answer when none is given): the journal keeps
        // them and says where.
        Session d(482, kFastIni);
        QVERIFY(recordRows(d, 2) && d.main->close());
        QVERIFY(d.prompt.informations.value(0).contains(QDir::toNativeSeparators(d.main->recordingFolder())));

        // The list closed while the run goes on, and opened again: the
        // run's rows are asked of, and saved, not only the reopened list's.
        Session g(482, kFastIni);
        QVERIFY(recordRows(g, 2));
        TfrmMain::frameOf(g.main->realTimeList())->close();
        QTRY_VERIFY(!g.main->realTimeList());
        g.main->RealTimeList1->trigger();
        QTRY_VERIFY(g.main->realTimeList() && !g.main->realTimeList()->grid()->cell(0, 1).isEmpty());
        QVERIFY(g.main->realTimeList()->grid()->RowCount() - 1 < g.main->liveRun().rows().count());
        g.prompt.saveAnswers << Keep::Save;
        g.prompt.saveNames << g.dir.filePath(QStringLiteral("run.txt"));
        g.prompt.rangeAnswers << Prompt::RangeAnswer{};
        QVERIFY(g.main->close());
        const RunRows &run = g.main->liveRun().rows();
        QCOMPARE(g.prompt.saveQuestions,
                 QStringList{QStringLiteral("Save the recording (%1 readings) before closing?").arg(run.count())});
        QVERIFY(fileBytes(g.dir.filePath(QStringLiteral("run.txt")))
                    .endsWith(TextDataSet::tableRowBytes(run, run.count(), TextDataSet::Tab)));

        // The list saved whole, then closed: nothing is left to ask of.
        Session h(482, kFastIni);
        QVERIFY(recordRows(h, 2));
        h.main->btnPause->click();
        h.main->mdiArea()->setActiveSubWindow(TfrmMain::frameOf(h.main->realTimeList()));
        h.prompt.saveNames << h.dir.filePath(QStringLiteral("whole.txt"));
        h.prompt.rangeAnswers << Prompt::RangeAnswer{};
        h.main->Save1->trigger();
        TfrmMain::frameOf(h.main->realTimeList())->close();
        QTRY_VERIFY(!h.main->realTimeList());
        QVERIFY(h.main->close());
        QCOMPARE(h.prompt.saveQuestions.size(), 0);
    }

    // Twelve hours recorded on the test clock: View > Whole Run shows all
    // of it, its Save writes every row, and closing then asks nothing.
    void aTwelveHourRunShowsAndSavesWhole()
    {
        Session s(482, kFastIni);
        QVERIFY(s.started());
        TfrmMain::frameOf(s.main->realTimeGraph())->close();
        TfrmMain::frameOf(s.main->realTimeList())->close();
        const int samples = 12 * 3600;
        QVERIFY(kv::test::recordSamples(s, samples));
        s.main->findChild<QAction *>(QStringLiteral("WholeRun1"))->trigger();
        auto *whole = s.main->children().active<TfrmWholeRun>();
        QVERIFY(whole);
        QApplication::processEvents();
        const RunRows &run = s.main->liveRun().rows();
        QCOMPARE(whole->envelope().from(), run.startTime());
        QVERIFY(whole->envelope().to() > run.lastTime() && !whole->envelope().everySample());
        QVERIFY(whole->PESGraph1->points() > 100 && whole->PESGraph1->points() <= 2 * whole->envelope().columns());
        s.prompt.saveNames << s.dir.filePath(QStringLiteral("whole.txt"));
        s.prompt.rangeAnswers << Prompt::RangeAnswer{};
        s.main->Save1->trigger();
        const QList<QByteArray> lines = kv::test::fileLines(s.dir.filePath(QStringLiteral("whole.txt")));
        QCOMPARE(lines.size(), samples);
        QCOMPARE(lines.last() + "\r\n", TextDataSet::tableRowBytes(run, samples, TextDataSet::Tab));
        QVERIFY(s.main->close());
        QCOMPARE(s.prompt.saveQuestions.size(), 0);
    }

    // A journal stopped by a full disk is shown in red until the recording
    // is cleared or closed, and Discard does not claim its readings were kept.
    void aStoppedSafetyCopy()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        QVERIFY(disk.fill());
        Session s(482, kFastIni);
        s.options.recordingFolder = disk.folder();
        QVERIFY(s.restart());
        QVERIFY(recordRows(s, 3));
        QVERIFY(s.main->StatusJournalProblem->isVisible()
                && s.main->StatusJournalProblem->text().startsWith(QStringLiteral("Safety copy stopped: The journal ")));
        // A note made there is not lost unsaid.
        s.prompt.textAnswers << QStringLiteral("door opened");
        s.main->findChild<QAction *>(QStringLiteral("AddNote1"))->trigger();
        QCOMPARE(s.main->liveRun().notes().size(), 1);
        QVERIFY2(s.prompt.errors.size() == 1 && s.prompt.errors[0].contains(QStringLiteral("could not be kept")),
                 qPrintable(s.prompt.errors.join(QLatin1Char('\n'))));
        s.prompt.errors.clear();
        QVERIFY(s.main->close()); // Discard
        QCOMPARE(s.prompt.informations, QStringList{QStringLiteral("The safety copy of this recording had stopped "
                                                                   "before any reading reached the disk: its readings "
                                                                   "were not kept.")});
        QVERIFY(journals(disk.folder()).isEmpty());
    }

    // The settings cannot be written as the program ends: while that is
    // shown, the recording must not start a journal that the next start
    // would call unfinished.
    void aFailedSettingsWriteAtExitIsStillANormalEnd()
    {
        QTemporaryDir keep;
        const QString folder = keep.filePath(QStringLiteral("recordings"));
        {
            Session s(482, kFastIni);
            QVERIFY(recordRows(s, 2));
            const QString ini = s.main->settingsPath();
            QVERIFY(QFile::remove(ini) && QDir().mkdir(ini)); // a folder in its place
            s.prompt.whileErrorShown = [] { QTest::qWait(1500); }; // over a tick
            s.main->Exit1->trigger();
            QCOMPARE(s.exits, 1);
            QCOMPARE(s.prompt.errors.size(), 1);
            QVERIFY2(s.prompt.errors[0].contains(ini), qPrintable(s.prompt.errors[0]));
            s.main.reset();
            QVERIFY(QDir().rename(s.dir.filePath(QStringLiteral("recordings")), folder));
        }
        QCOMPARE(journals(folder).size(), 1);
        Restart next(folder);
        QVERIFY(next.started());
        QVERIFY2(next.prompt.questions.isEmpty(), qPrintable(next.prompt.questions.value(0)));
        QVERIFY2(next.prompt.informations.isEmpty(), qPrintable(next.prompt.informations.value(0)));
    }

    void aHastyEndIsOfferedAndOpened()
    {
        QVector<QStringList> rows;
        QTemporaryDir keep;
        const QString folder = keep.filePath(QStringLiteral("recordings"));
        {
            Session s(481, kFastIni);
            QVERIFY(recordRows(s, 2));
            rows = rowsOf(*s.main->realTimeList()->grid());
            s.main.reset(); // the program ends without the window closing
            QVERIFY(QDir().rename(s.dir.filePath(QStringLiteral("recordings")), folder));
        }
        const QString journal = QDir(folder).filePath(journals(folder).value(0));
        Restart next(folder, {true});
        QVERIFY(next.started());
        QCOMPARE(next.prompt.questions.size(), 1);
        const QString q = next.prompt.questions[0];
        QVERIFY2(q.contains(QStringLiteral("did not end normally")), qPrintable(q));
        QVERIFY2(q.contains(QStringLiteral("%1 readings").arg(rows.size())), qPrintable(q));
        QVERIFY2(q.contains(rows.first().value(1) + QLatin1Char(' ') + rows.first().value(2)), qPrintable(q));
        QVERIFY2(q.contains(QDir::toNativeSeparators(journal)), qPrintable(q));
        const QList<TfrmList *> lists = next.fileLists();
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists[0]->windowTitle(), journal);
        QCOMPARE(lists[0]->grid()->ColCount(), 6); // the one-channel list's columns
        QCOMPARE(rowsOf(*lists[0]->grid()), rows);
        QCOMPARE(next.main->mdiArea()->activeSubWindow(), TfrmMain::frameOf(lists[0]));
        next.main.reset();

        // Offered once only.
        Restart again(folder);
        QVERIFY(again.started());
        QVERIFY(again.prompt.questions.isEmpty());
        QVERIFY(QFile::exists(journal));
    }

    void noOpensNothing()
    {
        QString folder;
        QTemporaryDir keep;
        {
            Session s(482, kFastIni);
            QVERIFY(recordRows(s, 1));
            s.main.reset();
            folder = keep.filePath(QStringLiteral("r"));
            QVERIFY(QDir().rename(s.dir.filePath(QStringLiteral("recordings")), folder));
        }
        Restart next(folder, {false});
        QVERIFY(next.started());
        QCOMPARE(next.prompt.questions.size(), 1);
        QVERIFY(next.fileLists().isEmpty());
    }

    void theSettingsKeyTurnsItOff()
    {
        Session s(482, kFastIni + "Recording Journal=0\r\n");
        QVERIFY(recordRows(s, 2));
        QVERIFY(!QDir(s.main->recordingFolder()).exists());
        s.main->close();
        QVERIFY(s.settingsText().contains(QStringLiteral("Recording Journal=0")));
        // And a file without the key keeps it out.
        Session d(0, kFastIni);
        QVERIFY(d.started());
        d.main->close();
        QVERIFY(!d.settingsText().contains(QStringLiteral("Journal")));
    }

    void openRecordingFolder()
    {
        Session s(0);
        QVERIFY(s.started());
        QAction *item = s.main->OpenRecordingFolder1;
        QCOMPARE(item->text(), QStringLiteral("Open &Recording Folder"));
        QVERIFY(s.main->menuBar()->actions().first()->menu()->actions().contains(item));
        item->trigger();
        QCOMPARE(s.opened, QList<QUrl>{QUrl::fromLocalFile(s.main->recordingFolder())});
        QVERIFY(QDir(s.main->recordingFolder()).exists());
        QVERIFY(s.prompt.errors.isEmpty());
    }

    // The real messages let their text be selected, so a path shown in one
    // can be copied.
    void messagesCanBeCopiedFrom()
    {
        QtPrompt prompt;
        for (int kind = 0; kind < 2; ++kind) {
            Qt::TextInteractionFlags flags;
            QString shown;
            QTimer::singleShot(0, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                flags = box->textInteractionFlags();
                shown = box->text();
                box->accept();
            });
            const QString text = QStringLiteral("It is\n\n/home/u/KV481/recordings");
            kind ? prompt.error(text) : prompt.information(text);
            QCOMPARE(shown, text);
            QVERIFY(flags & Qt::TextSelectableByMouse);
        }
    }

    // The per-user folder follows the user's data folder.
    void theFolderIsPerUser()
    {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        QCOMPARE(JournalFolder::defaultFolder(), home.filePath(QStringLiteral("KV481/recordings")));
        qunsetenv("XDG_DATA_HOME");
    }

    void aKilledRecordingIsOpenedAgainCellForCell_data()
    {
        QTest::addColumn<QString>("windows");
        QTest::newRow("graph and list open") << QString();
        QTest::newRow("graph and list closed") << QStringLiteral("closed");
    }

    void aKilledRecordingIsOpenedAgainCellForCell()
    {
        QFETCH(QString, windows);
        QTemporaryDir scratch;
        emu::Options e;
        e.model = 482;
        e.linkPath = scratch.filePath(QStringLiteral("meter")).toStdString();
        emu::MeterEmulator meter(e);
        QVERIFY(meter.start());

        // The first run: a program of its own, with private per-user folders.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const char *var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            const QString d = scratch.filePath(QString::fromLatin1(var));
            QDir().mkpath(d);
            env.insert(QString::fromLatin1(var), d);
        }
        QDir().mkpath(scratch.filePath(QStringLiteral("program")));
        QFile ini(scratch.filePath(QStringLiteral("program/KV481.INI")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(kFastIni);
        ini.close();
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--record"), scratch.filePath(QStringLiteral("program/KV481")),
                     scratch.filePath(QStringLiteral("meter")), windows});
        QVERIFY(child.waitForStarted());
        QVector<QStringList> shown; // the rows the child's run took
        QByteArray out;
        QElapsedTimer t;
        t.start();
        while (shown.size() < 5 && t.elapsed() < 30000 && child.state() == QProcess::Running) {
            child.waitForReadyRead(200);
            out += child.readAllStandardOutput();
            int nl;
            while ((nl = out.indexOf('\n')) >= 0) {
                shown << QString::fromUtf8(out.left(nl)).split(QLatin1Char('|'));
                out.remove(0, nl + 1);
            }
        }
        QVERIFY2(shown.size() >= 5, "the child recorded too few rows");
        child.kill(); // SIGKILL: no handler, no clean-up
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        // The next start, pointed at the same folder, offers them.
        const QString folder = scratch.filePath(QStringLiteral("XDG_DATA_HOME/KV481/recordings"));
        QCOMPARE(journals(folder).size(), 1);
        const QString journal = journals(folder).first();
        Restart next(folder, {true});
        QVERIFY(next.started());
        QCOMPARE(next.prompt.questions.size(), 1);
        const QList<TfrmList *> lists = next.fileLists();
        QCOMPARE(lists.size(), 1);
        // The recovered recording's window names its file.
        QCOMPARE(QFileInfo(lists[0]->windowTitle()).fileName(), QFileInfo(journal).fileName());
        const QVector<QStringList> recovered = rowsOf(*lists[0]->grid());
        // The note made after the second row comes back with the rows.
        QVERIFY2(next.prompt.questions[0].contains(QStringLiteral("with its note")), qPrintable(next.prompt.questions[0]));
        QCOMPARE(lists[0]->notes().size(), 1);
        QCOMPARE(lists[0]->notes().at(0).text, QStringLiteral("door opened"));
        // Every row shown before the kill, and at most the one being
        // shown when it came.
        QVERIFY2(recovered.size() == shown.size() || recovered.size() == shown.size() + 1,
                 qPrintable(QStringLiteral("%1 rows shown, %2 recovered").arg(shown.size()).arg(recovered.size())));
        for (int r = 0; r < shown.size(); ++r)
            QCOMPARE(recovered[r], shown[r]);
    }
};

// The first run of the killed recording: the main window over the given
// program folder and meter, recording at once (with the real-time graph and
// list closed first when asked); every row the run takes is printed, cells
// separated by '|', after it went to the journal.
static int recordUntilKilled(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ScriptedPrompt prompt;
    MainOptions o;
    o.programPath = QString::fromLocal8Bit(argv[2]);
    o.extraPorts << QString::fromLocal8Bit(argv[3]);
    o.systemPorts = false;
    o.prompt = &prompt;
    TfrmMain main(o);
    const bool closed = argc > 4 && std::strcmp(argv[4], "closed") == 0;
    QObject::connect(&main, &TfrmMain::shown, &main, [&] {
        if (closed) {
            TfrmMain::frameOf(main.realTimeList())->close();
            TfrmMain::frameOf(main.realTimeGraph())->close();
        }
        main.btnRun->click();
    });
    QObject::connect(&main.liveRun(), &LiveRun::sampleTaken, &main, [&] {
        // Printed once the row has reached the system, where a kill cannot
        // take it back.
        main.journal()->waitWritten();
        const RunRows &rows = main.liveRun().rows();
        if (rows.count() == 2) // written whole before it returns
            main.liveRun().addNote(QStringLiteral("door opened"));
        std::printf("%s\n", rows.cells(rows.count() - 1).join(QLatin1Char('|')).toUtf8().constData());
        std::fflush(stdout);
    });
    main.show();
    return app.exec();
}

int main(int argc, char **argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--record") == 0)
        return recordUntilKilled(argc, argv);
    QApplication app(argc, argv);
    TestJournalMain test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal_main.moc"
