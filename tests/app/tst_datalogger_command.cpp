// The Data Logger command and the collection files through the real main
// window against the emulated meter: the download shown, refused and failed
// ways, Cancel, what stays unavailable meanwhile, and .REC files saved and
// opened again.

#include "app/TfrmMain.h"
#include "common/DateTime.h"
#include "files/CollectionFile.h"
#include "logger/DataSetDecoder.h"
#include "logger/ui/TfrmDataLogger.h"
#include "logger/ui/TfrmRetriveProgress.h"
#include "views/GridSource.h"
#include "watch/ui/WatchController.h"

#include "support/FileBytes.h"
#include "support/MainSession.h"

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QItemSelectionModel>
#include <QTableView>
#include <QToolButton>

#include <utility>

using namespace kv;
using kv::test::fileBytes;
using kv::test::Session;

namespace {

int setCount(const emu::Bytes &memory)
{
    return (memory[9] << 8) | memory[10];
}

// Clicks a row of a table view as the user would.
void clickRow(QTableView *view, int dataRow)
{
    const QRect r = view->visualRect(view->model()->index(dataRow, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class TestDataLoggerCommand : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void withoutMeterOnlyTheMessage()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        QVERIFY(window); // created first
        QCOMPARE(window->windowTitle(), QStringLiteral("DataLogger"));
        QCOMPARE(s.prompt.informations, QStringList{QStringLiteral("No thermometer is connected !")});
        QVERIFY(s.main->timer().isActive());
        QVERIFY(!window->dataSetsLoaded());
        QVERIFY(!window->collection());
    }

    void downloadShowsTheFirstSet_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("482") << 482;
        QTest::newRow("481") << 481;
    }
    void downloadShowsTheFirstSet()
    {
        QFETCH(int, model);
        Session s(model);
        QVERIFY(s.started());
        s.meter->clearReceived();
        // No reading can fire an alarm meanwhile: the alarms say so.
        WatchController *watch = s.main->findChild<WatchController *>();
        WatchOptions watched = watch->options();
        watched.alarms[AlarmChannel::T1].high = {true, 1000.0};
        watch->setOptions(watched);
        QString alarmLabel;
        QObject::connect(&s.main->liveRun(), &LiveRun::pollingPaused, [&] {
            alarmLabel = s.main->findChild<QLabel *>(QStringLiteral("StatusAlarm"))->text();
        });
        s.main->btnDataLogger->click();
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        QVERIFY(window);
        QVERIFY(s.prompt.messageCount() == 0);
        QCOMPARE(alarmLabel, QStringLiteral("Alarms paused: downloading"));
        const AlarmLogModel *log = watch->log();
        QCOMPARE(log->rowCount(), 1);
        QCOMPARE(log->text(0, AlarmLogModel::Value), QStringLiteral("paused: downloading"));
        QVERIFY(!log->text(0, AlarmLogModel::ClearedAt).isEmpty()); // resumed
        QVERIFY(window->dataSetsLoaded());
        QCOMPARE(window->shownSet(), 0);
        QCOMPARE(window->collection()->sets.size(), setCount(s.meter->memory()));
        QCOMPARE(window->channelCount(), model == 482 ? 2 : 1);
        QCOMPARE(window->dataSetList().RowCount(), setCount(s.meter->memory()) + 1);
        // One "P", then one "R" per block; polling runs again.
        const std::string asked = s.meter->received();
        QCOMPARE(asked.find('P'), asked.find_first_not_of('A'));
        QVERIFY(s.main->timer().isActive());
        QTRY_VERIFY_WITH_TIMEOUT(s.meter->received().back() == 'A', 3000);
        // The window fills the client area under the tool bar.
        QCOMPARE(s.main->frameOf(window)->pos(), QPoint(0, 0));

        // The list shows the other sets.
        clickRow(window->Grid2, 1);
        QCOMPARE(window->shownSet(), 1);
        // Save is for the data-logger window; Undo Zoom waits for a zoom.
        QVERIFY(s.main->Save1->isEnabled());
        QVERIFY(!s.main->UndoZoom->isEnabled());
    }

    void commandsThatWouldDisturbAreUnavailableMeanwhile()
    {
        Session s(482);
        QVERIFY(s.started());
        bool checked = false;
        QObject::connect(&s.main->dataLogger(), &DataLoggerCommand::transferringChanged, s.main.get(), [&](bool on) {
            if (!on)
                return;
            QVERIFY(!s.main->DataLogger1->isEnabled() && !s.main->btnDataLogger->isEnabled());
            QVERIFY(!s.main->Open1->isEnabled() && !s.main->SpeedButton1->isEnabled());
            QVERIFY(!s.main->Save1->isEnabled() && !s.main->SpeedButton2->isEnabled());
            QVERIFY(!s.main->Print1->isEnabled() && !s.main->btnPrint->isEnabled());
            QVERIFY(!s.main->PrinterSetup1->isEnabled() && !s.main->Exit1->isEnabled());
            QVERIFY(!s.main->Run1->isEnabled() && !s.main->btnRun->isEnabled());
            QVERIFY(!s.main->ComboBoxDeviceName->isEnabled());
            QVERIFY(!s.panel()->isEnabled());
            QVERIFY(!s.main->timer().isActive());
            // Closing the window that will show the download is refused,
            // and a second download does nothing.
            QVERIFY(!s.main->frameOf(s.main->dataLoggerWindow())->close());
            s.main->dataLogger().DataLogger1Click();
            // A recording may be stopped meanwhile.
            QVERIFY(s.main->btnPause->isEnabled());
            s.main->btnPause->click();
            checked = true;
        });
        s.main->btnRun->click();
        s.main->DataLogger1->trigger();
        QVERIFY(checked);
        // Run and Stop show the recording as it is now.
        QVERIFY(!s.main->recorder().recording());
        QVERIFY(s.main->btnRun->isEnabled() && !s.main->btnPause->isEnabled() && !s.main->Stop1->isEnabled());
        QVERIFY(s.main->dataLoggerWindow()->dataSetsLoaded());
        QVERIFY(s.main->DataLogger1->isEnabled() && s.main->btnDataLogger->isEnabled());
        QVERIFY(s.main->Open1->isEnabled() && s.main->ComboBoxDeviceName->isEnabled());
        QVERIFY(s.main->Run1->isEnabled() && s.panel()->isEnabled());
        QVERIFY(s.main->Exit1->isEnabled() && s.main->PrinterSetup1->isEnabled());
        // Only one "P": the second download was refused.
        const std::string asked = s.meter->received();
        QCOMPARE(std::count(asked.begin(), asked.end(), 'P'), 1);
    }

    void headerNeverComplete()
    {
        Session s(482);
        QVERIFY(s.started());
        emu::Faults f;
        f.shortAnswers = 80;
        s.meter->setFaults(f);
        s.main->DataLogger1->trigger();
        QCOMPARE(s.prompt.informations, QStringList{readErrorText()});
        QVERIFY(s.main->timer().isActive());
        QVERIFY(!s.main->dataLoggerWindow()->dataSetsLoaded());
    }

    void emptyMemory()
    {
        Session s(482, QByteArray(), [](emu::Options &o) { o.memoryKind = emu::MemoryKind::Empty; });
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        QCOMPARE(s.prompt.informations,
                 QStringList{QStringLiteral("There was not any data recorded in momery of meter !")});
        QVERIFY(!s.main->findChild<TfrmRetriveProgress *>());
        QVERIFY(s.main->timer().isActive());
    }

    void meterStopsAfterSomeBlocks()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        QVERIFY(window->dataSetsLoaded());
        const DataSetCollection *before = window->collection();
        const int sets = before->sets.size();

        s.meter->setMemory(emu::buildMemoryOfKind(emu::MemoryKind::Full, 2));
        emu::Faults f;
        f.stopAfterBlocks = 3;
        s.meter->setFaults(f);
        s.main->DataLogger1->trigger();
        QCOMPARE(s.main->dataLoggerWindow(), window); // the same window again
        QCOMPARE(s.prompt.informations, QStringList{readErrorText()});
        QVERIFY(!s.main->findChild<TfrmRetriveProgress *>());
        QVERIFY(s.main->timer().isActive());
        // The older sets are still shown but cannot be picked.
        QCOMPARE(window->collection(), before);
        QCOMPARE(window->collection()->sets.size(), sets);
        QVERIFY(!window->dataSetsLoaded());
        clickRow(window->Grid2, 1);
        QCOMPARE(window->shownSet(), 0);
        // The list still points at the set shown.
        QTRY_COMPARE(window->Grid2->selectionModel()->selectedRows().value(0).row(), 0);
    }

    // The tick ends by asking for a frame; a download started right after
    // it must not take that frame for the start of the memory.
    void frameStillOnItsWayWhenTheDownloadStarts()
    {
        // The meter answers "A" late: the frame reaches the port after the
        // download has begun, and the header comes after it.
        Session s(482, QByteArray(), [](emu::Options &o) { o.faults.frameDelayMs = 400; });
        QVERIFY(s.started());
        bool started = false;
        QObject::connect(&s.main->link(), &MeterLink::liveTick, s.main.get(), [&] {
            if (std::exchange(started, true))
                return;
            QTimer::singleShot(0, s.main.get(), [&] {
                s.meter->clearReceived();
                s.main->dataLogger().DataLogger1Click();
            });
        });
        QTRY_VERIFY_WITH_TIMEOUT(started && s.meter->received().find('P') != std::string::npos, 5000);
        QTRY_VERIFY(!s.main->dataLogger().transferring());
        QCOMPARE(s.prompt.informations, QStringList());
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        QVERIFY(window->dataSetsLoaded());
        QCOMPARE(window->collection()->sets.size(), setCount(s.meter->memory()));
    }

    void twoHundredDownloadsRightAfterTheTick()
    {
        emu::DataSetDesc set;
        set.year = 2026;
        set.month = 12;
        set.day = 9;
        set.intervalSeconds = 2;
        for (int i = 0; i < 40; ++i) {
            set.channel1.push_back(20.0 + i * 0.5);
            set.channel2.push_back(18.0 - i * 0.25);
        }
        const emu::Bytes memory = emu::buildMemory(2, {set});
        Session s(482, QByteArray(), [&](emu::Options &o) { o.memory = memory; });
        QVERIFY(s.started());
        // The ticks are driven by hand: each download starts the moment the
        // tick has sent its request, as when the user clicks just after it.
        s.main->timer().stop();
        MeterLink &link = s.main->link();
        for (int i = 0; i < 200; ++i) {
            link.ThTimer1Timer();
            // The frame is there within milliseconds; QTRY_VERIFY's 50 ms
            // steps would make the loop wait ten seconds for nothing.
            QVERIFY(QTest::qWaitFor([&] { return s.main->port().bytesWaiting() >= 10; }, 5000));
            link.ThTimer1Timer(); // takes that frame and asks for the next
            QVERIFY(link.connected());
            s.main->dataLogger().DataLogger1Click();
            if (!s.prompt.informations.isEmpty())
                QFAIL(qPrintable(QStringLiteral("download %1: %2").arg(i + 1).arg(s.prompt.informations.first())));
            QVERIFY(s.main->dataLoggerWindow()->dataSetsLoaded());
            QCOMPARE(s.main->dataLoggerWindow()->collection()->sets.size(), 1);
        }
    }

    void portLostDuringTheDownload()
    {
        Session s(482, QByteArray(), [](emu::Options &o) { o.memoryKind = emu::MemoryKind::Full; });
        QVERIFY(s.started());
        // The meter is unplugged once the first block is in.
        QObject::connect(&s.main->dataLogger(), &DataLoggerCommand::transferringChanged, s.main.get(), [&](bool on) {
            if (on)
                QTimer::singleShot(0, s.main.get(), [&] { s.meter->unplug(); });
        });
        s.main->DataLogger1->trigger();
        QCOMPARE(s.prompt.informations, QStringList());
        QCOMPARE(s.prompt.errors.size(), 1);
        const QString text = s.prompt.errors.first();
        QVERIFY2(text.contains(s.dir.filePath(QStringLiteral("meter"))), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral(" was lost.")), qPrintable(text));
        QVERIFY(!s.main->dataLoggerWindow()->dataSetsLoaded());
        QVERIFY(!s.main->findChild<TfrmRetriveProgress *>());
        QVERIFY(s.main->timer().isActive());
    }

    void closingTheMainWindowDuringADownload()
    {
        Session s(482, QByteArray(), [](emu::Options &o) { o.memoryKind = emu::MemoryKind::Full; });
        QVERIFY(s.started());
        bool refused = false;
        QObject::connect(&s.main->dataLogger(), &DataLoggerCommand::transferringChanged, s.main.get(), [&](bool on) {
            if (on)
                QTimer::singleShot(0, s.main.get(), [&] { refused = !s.main->close(); });
        });
        s.main->DataLogger1->trigger();
        // The download was cancelled instead of being cut off at the port,
        // and the window then closed as usual.
        QVERIFY(refused);
        QVERIFY(s.prompt.informations.isEmpty());
        QTRY_VERIFY(!s.main->isVisible());
        QVERIFY(!s.main->timer().isActive());
        QVERIFY(!s.main->port().isOpen());
    }

    void cancelKeepsWhatWasShown()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        const DataSetCollection *before = window->collection();
        s.meter->setMemory(emu::buildMemoryOfKind(emu::MemoryKind::Full, 2));
        s.prompt.informations.clear();
        s.meter->clearReceived();
        // Cancel as soon as the dialog counts the first block.
        QObject::connect(&s.main->dataLogger(), &DataLoggerCommand::transferringChanged, s.main.get(), [&](bool on) {
            if (on)
                QTimer::singleShot(0, s.main.get(), [&] {
                    if (auto *d = s.main->findChild<TfrmRetriveProgress *>())
                        d->BitBtn1->click();
                });
        });
        s.main->DataLogger1->trigger();
        QVERIFY(s.prompt.informations.isEmpty()); // no message for a cancel
        QCOMPARE(window->collection(), before);
        QVERIFY(s.main->timer().isActive());
        const std::string asked = s.meter->received();
        QVERIFY(std::count(asked.begin(), asked.end(), 'R') < 20);
    }

    void collectionSavedAndOpenedAgain()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        const QStringList firstRow = [&] {
            QStringList cells;
            for (int c = 0; c < window->sampleTable().ColCount(); ++c)
                cells << window->sampleTable().cell(c, 1);
            return cells;
        }();
        const int sets = window->collection()->sets.size();

        // Save: the chooser, then the collection file.
        const QString first = s.dir.filePath(QStringLiteral("download.REC"));
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(window));
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.saveNames.enqueue(first);
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.choosersShown.last(),
                 (QStringList{QStringLiteral("Save File"),
                              QStringLiteral("Save all data sets to a data set collection file(*.REC)"),
                              QStringLiteral("Save a single data set(*.TXT,*.CSV)")}));
        // In the program's folder, named after the first set's start.
        QCOMPARE(s.prompt.saveFolders.last(),
                 s.dir.filePath(QStringLiteral("Data sets ")
                                + fromDateTimeDouble(window->collection()->sets.first().start)
                                      .toString(QStringLiteral("yyyy-MM-dd HHmm"))));
        const QByteArray saved = fileBytes(first);
        QCOMPARE(saved.size(), CollectionFile::lastAddress(saved) + 257);
        // The title names the file the window's collection is now in.
        QCOMPARE(window->windowTitle(), QStringLiteral("DataLogger - download.REC"));

        // Closed, then opened from the file: the same sets and samples.
        s.main->frameOf(window)->close();
        QTRY_VERIFY(!s.main->dataLoggerWindow());
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.openNames.enqueue(first);
        s.main->Open1->trigger();
        QCOMPARE(s.prompt.choosersShown.last().at(1), QStringLiteral("Open a data set collection file(*.rec)"));
        window = s.main->dataLoggerWindow();
        QVERIFY(window && window->dataSetsLoaded());
        QCOMPARE(window->windowTitle(), QStringLiteral("DataLogger - download.REC"));
        QCOMPARE(window->collection()->sets.size(), sets);
        for (int c = 0; c < firstRow.size(); ++c)
            QCOMPARE(window->sampleTable().cell(c, 1), firstRow.at(c));

        // Saved again: byte for byte the same file.
        const QString second = s.dir.filePath(QStringLiteral("again.REC"));
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(window));
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.saveNames.enqueue(second);
        s.main->Save1->trigger();
        QCOMPARE(fileBytes(second), saved);
        QVERIFY(s.prompt.errors.isEmpty());
    }

    void badFilesAreRefusedAndReplaceNothing()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        const DataSetCollection *before = window->collection();

        const QString shortFile = s.dir.filePath(QStringLiteral("short.rec"));
        QFile f(shortFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, '\0'));
        f.close();
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.openNames.enqueue(shortFile);
        s.main->Open1->trigger();
        QCOMPARE(s.prompt.errors.size(), 1);
        QVERIFY(s.prompt.errors.last().contains(QStringLiteral("short.rec")));
        QVERIFY(s.prompt.errors.last().contains(QStringLiteral("100")));
        QCOMPARE(window->collection(), before);

        const QString missing = s.dir.filePath(QStringLiteral("missing.rec"));
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.openNames.enqueue(missing);
        s.main->Open1->trigger();
        QCOMPARE(s.prompt.errors.size(), 2);
        QVERIFY(s.prompt.errors.last().contains(QStringLiteral("missing.rec")));

        // A save that cannot be written says so; nothing else changes.
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(window));
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.saveNames.enqueue(s.dir.filePath(QStringLiteral("no/such/folder/x.REC")));
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.errors.size(), 3);
        QCOMPARE(window->collection(), before);

        // Save with no data-logger window active.
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(s.panel()));
        s.main->Save1Click();
        QCOMPARE(s.prompt.informations.last(), QStringLiteral("Did not choose any graph or list window."));
    }

    void cancelledChooserDoesNothing()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->Open1->trigger();
        QCOMPARE(s.prompt.choosersShown.size(), 1);
        QCOMPARE(s.prompt.choosersShown.last().at(0), QStringLiteral("Open File"));
        QCOMPARE(s.prompt.choosersShown.last().at(2), QStringLiteral("Open a data set(*.TXT,*.CSV,*.GHF)"));
        QVERIFY(s.prompt.openAsked.isEmpty());
        QVERIFY(!s.main->dataLoggerWindow());
    }
};

QTEST_MAIN(TestDataLoggerCommand)
#include "tst_datalogger_command.moc"
