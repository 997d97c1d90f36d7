// Files named on the command line (or opened from the desktop) go to the
// main window, which opens each as Open would.

#include "LoggerMemory.h"
#include "logger/ui/TfrmDataLogger.h"
#include "support/BuildPaths.h"
#include "support/MainSession.h"

#include <QMdiArea>
#include <QTableView>
#include <QtTest>

using namespace kv;

class TestOpenFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void collectionFileOpensInTheDataLoggerWindow()
    {
        test::Session s(0);
        QVERIFY(s.started());
        const emu::Bytes memory = emu::buildMemoryOfKind(emu::MemoryKind::Demo, 2);
        const QString rec = s.dir.filePath(QStringLiteral("demo.REC"));
        std::string error;
        QVERIFY(emu::saveMemoryFile(rec.toStdString(), memory, 2, &error));

        QVERIFY(s.main->openFile(rec));
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        QVERIFY(window);
        QVERIFY(window->collection());
        QCOMPARE(window->collection()->sets.size(), emu::setCount(memory));
        QCOMPARE(window->Grid2->model()->rowCount(), emu::setCount(memory));
        QVERIFY(s.prompt.errors.isEmpty());

        // A second file replaces the sets in the same window.
        const emu::Bytes other = emu::buildMemoryOfKind(emu::MemoryKind::Branches, 1);
        const QString rec2 = s.dir.filePath(QStringLiteral("branches.rec"));
        QVERIFY(emu::saveMemoryFile(rec2.toStdString(), other, 1, &error));
        QVERIFY(s.main->openFile(rec2));
        QCOMPARE(s.main->dataLoggerWindow(), window);
        QCOMPARE(window->collection()->sets.size(), emu::setCount(other));
    }

    void filesThatCannotBeShownAreTold()
    {
        test::Session s(0);
        QVERIFY(s.started());
        // Missing: the read error, nothing opened.
        QVERIFY(!s.main->openFile(s.dir.filePath(QStringLiteral("gone.rec"))));
        QCOMPARE(s.prompt.errors.size(), 1);
        QVERIFY(s.prompt.errors.first().contains(QLatin1String("gone.rec")));
        QVERIFY(!s.main->dataLoggerWindow() || !s.main->dataLoggerWindow()->collection());
        // A graph file that is not there: said so, naming it, no window.
        const int windows = s.main->mdiArea()->subWindowList().size();
        QVERIFY(!s.main->openFile(s.dir.filePath(QStringLiteral("run.ghf"))));
        QCOMPARE(s.prompt.errors.size(), 2);
        QVERIFY(s.prompt.errors.last().contains(QLatin1String("run.ghf")));
        QCOMPARE(s.main->mdiArea()->subWindowList().size(), windows);
    }

    void filesThatHoldNoCollectionOpenNoWindow()
    {
        test::Session s(0);
        QVERIFY(s.started());
        const int windows = s.main->mdiArea()->subWindowList().size();
        const QString data = kv::test::testData(QStringLiteral("rec/"));
        // Random bytes named .rec: said to be no collection.
        for (const char *name : {"random_bytes.rec", "random_bytes_count_in_range.rec", "set_count_zero.rec"}) {
            QVERIFY(!s.main->openFile(data + QLatin1String(name)));
            QVERIFY2(s.prompt.errors.last().contains(QStringLiteral("is not a data set collection")),
                     qPrintable(s.prompt.errors.last()));
            QVERIFY(s.prompt.errors.last().contains(QLatin1String(name)));
        }
        QCOMPARE(s.prompt.errors.size(), 3);
        // A collection with a damaged record: the read error, and no empty window either.
        QVERIFY(!s.main->openFile(data + QStringLiteral("bad_end_marker.rec")));
        QCOMPARE(s.prompt.informations.size(), 1);
        QVERIFY(!s.main->dataLoggerWindow());
        QCOMPARE(s.main->mdiArea()->subWindowList().size(), windows);

        // A good file opens; a damaged one afterwards leaves it shown.
        QVERIFY(s.main->openFile(data + QStringLiteral("two_sets_482_tail_kept.rec")));
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        QVERIFY(window);
        QCOMPARE(window->collection()->sets.size(), 2);
        QVERIFY(!s.main->openFile(data + QStringLiteral("random_bytes.rec")));
        QVERIFY(!s.main->openFile(data + QStringLiteral("bad_end_marker.rec")));
        QCOMPARE(s.main->dataLoggerWindow(), window);
        QCOMPARE(window->collection()->sets.size(), 2);
    }
};

QTEST_MAIN(TestOpenFiles)
#include "tst_open_files.moc"
