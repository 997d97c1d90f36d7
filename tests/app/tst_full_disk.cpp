// Saving and printing onto a real full file system through the real main
// window: each writer says which file failed and the system's reason, and
// the earlier file stays byte for byte.

#include "app/TfrmMain.h"
#include "common/DateTime.h"
#include "common/SafeFile.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "LoggerMemory.h"
#include "support/FileBytes.h"
#include "support/MainSession.h"
#include "support/SessionSteps.h"
#include "support/SmallDisk.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QPrinterInfo>

#include <cerrno>

using namespace kv;
using namespace kv::test;
using kv::test::fileBytes;
using kv::test::Session;
using kv::test::SmallDisk;
using kv::test::writeFileBytes;

// A command that must be refused; the test ends at the first that is not.
#define KV_REFUSED(...)                                                                                                \
    do {                                                                                                               \
        refused(__VA_ARGS__);                                                                                          \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)

namespace {

const QByteArray kEarlier = "the earlier file\r\n";

} // namespace

class TestFullDisk : public QObject
{
    Q_OBJECT

    // One command onto the full disk: its one message names the file and
    // the reason, and the earlier file is as it was.
    static void refused(Session &s, const QString &path, const std::function<void()> &command)
    {
        const int before = s.prompt.errors.size();
        command();
        QCOMPARE(s.prompt.errors.size(), before + 1);
        const QString message = s.prompt.errors.last();
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY2(message.contains(SafeFile::systemText(ENOSPC)), qPrintable(message));
        QCOMPARE(fileBytes(path), kEarlier);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed: printing would go to it instead of a PDF file");
    }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void everySaveAndPrintKeepsTheEarlierFile()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(recordSamples(s, 400));
        // The data-logger window from a collection file, as a download
        // would fill it.
        const QString demo = s.dir.filePath(QStringLiteral("demo.rec"));
        std::string why;
        QVERIFY(emu::saveMemoryFile(demo.toStdString(), emu::buildMemoryOfKind(emu::MemoryKind::Demo, 2), 2, &why));
        QVERIFY(s.main->openFile(demo));
        TfrmDataLogger *logger = s.main->dataLoggerWindow();
        QVERIFY(logger && logger->dataSetsLoaded());
        for (const char *name : {"keep.txt", "keep.csv", "keep.ghf", "keep.rec", "keep.xlsx", "table.pdf", "graph.pdf"})
            writeFileBytes(disk.path(name), kEarlier);
        // A page of room: every file here is larger, so each write fails
        // part way, where a small file once came out 4096 bytes long.
        QVERIFY(disk.fill(4096));

        const auto save = [&](QWidget *window, const QString &path, bool range) {
            activate(s, window);
            s.prompt.saveNames.enqueue(path);
            if (range)
                s.prompt.rangeAnswers.enqueue({true, QString(), QString()});
            s.main->Save1->trigger();
        };
        KV_REFUSED(s, disk.path("keep.txt"), [&] { save(s.main->realTimeList(), disk.path("keep.txt"), true); });
        KV_REFUSED(s, disk.path("keep.csv"), [&] { save(s.main->realTimeGraph(), disk.path("keep.csv"), true); });
        KV_REFUSED(s, disk.path("keep.ghf"), [&] { save(s.main->realTimeGraph(), disk.path("keep.ghf"), false); });
        KV_REFUSED(s, disk.path("keep.rec"), [&] {
            s.prompt.choices.enqueue(Prompt::Choice::Collection);
            save(logger, disk.path("keep.rec"), false);
        });
        // A workbook is put together beside its target: no scratch file of
        // it stays behind.
        KV_REFUSED(s, disk.path("keep.xlsx"), [&] { save(s.main->realTimeList(), disk.path("keep.xlsx"), true); });
        KV_REFUSED(s, disk.path("keep.xlsx"), [&] {
            s.prompt.choices.enqueue(Prompt::Choice::Collection);
            save(logger, disk.path("keep.xlsx"), false);
        });
        KV_REFUSED(s, disk.path("table.pdf"), [&] {
            activate(s, s.main->realTimeList());
            s.prompt.rangeAnswers.enqueue({true, QString(), QString()});
            s.prompt.saveNames.enqueue(disk.path("table.pdf"));
            s.main->Print1->trigger();
        });
        KV_REFUSED(s, disk.path("graph.pdf"), [&] {
            activate(s, s.main->realTimeGraph());
            s.prompt.saveNames.enqueue(disk.path("graph.pdf"));
            s.main->Print1->trigger();
        });
        // A small list onto a disk without a byte free, where it once came
        // out empty.
        QVERIFY(disk.fill());
        KV_REFUSED(s, disk.path("keep.txt"), [&] {
            activate(s, s.main->realTimeList());
            s.prompt.saveNames.enqueue(disk.path("keep.txt"));
            s.prompt.rangeAnswers.enqueue({false, QStringLiteral("1"), QStringLiteral("1")});
            s.main->Save1->trigger();
        });
        QCOMPARE(disk.names(), (QStringList{QStringLiteral("graph.pdf"), QStringLiteral("keep.csv"),
                                           QStringLiteral("keep.ghf"), QStringLiteral("keep.rec"),
                                           QStringLiteral("keep.txt"), QStringLiteral("keep.xlsx"),
                                           QStringLiteral("table.pdf")}));

        // With room again, a graph printed to PDF gets the permissions of
        // every other file the program writes.
        disk.empty();
        const QString list = disk.path("new.txt"), pdf = disk.path("new.pdf");
        save(s.main->realTimeList(), list, true);
        activate(s, s.main->realTimeGraph());
        s.prompt.saveNames.enqueue(pdf);
        s.main->Print1->trigger();
        QCOMPARE(s.prompt.errors.size(), 9);
        QVERIFY(fileBytes(pdf).startsWith("%PDF"));
        QCOMPARE(QFileInfo(pdf).permissions(), QFileInfo(list).permissions());
    }
};

QTEST_MAIN(TestFullDisk)
#include "tst_full_disk.moc"
