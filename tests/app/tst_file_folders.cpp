// Where the file dialogs start and what they suggest: each kind of file
// goes back to the folder last used for it, also in the next run, under a
// name made from what is saved; the windows' titles name their files.

#include "app/TfrmMain.h"
#include "common/DateTime.h"
#include "common/FileNames.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/PictureCommands.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "support/MainSession.h"
#include "support/SessionSteps.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QtTest>

using namespace kv;
using namespace kv::test;

namespace {

QString stamp(double dateTime)
{
    return fromDateTimeDouble(dateTime).toString(QStringLiteral("yyyy-MM-dd HHmm"));
}

// Save, a single data set, every row, under path.
void saveShownSet(Session &s, const QString &path)
{
    activate(s, s.main->dataLoggerWindow());
    s.prompt.choices.enqueue(Prompt::Choice::SingleSet);
    s.prompt.saveNames.enqueue(path);
    s.prompt.rangeAnswers.enqueue(all());
    s.main->Save1->trigger();
}

TfrmDataLogger *download(Session &s)
{
    s.main->DataLogger1->trigger();
    TfrmDataLogger *window = s.main->dataLoggerWindow();
    return window && window->dataSetsLoaded() ? window : nullptr;
}

} // namespace

class TestFileFolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void savedDataSetsFolderComesBackAfterARestart()
    {
        Session s(482);
        QVERIFY(s.started());
        TfrmDataLogger *window = download(s);
        QVERIFY(window);
        QVERIFY(window->collection()->sets.size() >= 2);
        const QString kept = s.dir.filePath(QStringLiteral("kept"));
        QVERIFY(QDir().mkpath(kept));

        // The first time: the program's folder, the shown set's name.
        saveShownSet(s, kept + QStringLiteral("/first.txt"));
        QCOMPARE(s.prompt.saveFolders.last(),
                 s.dir.filePath(QStringLiteral("Set 1 ") + stamp(window->collection()->sets.at(0).start)));
        QVERIFY(QFileInfo::exists(kept + QStringLiteral("/first.txt")));
        QVERIFY(s.settingsText().contains(QStringLiteral("[File Folders]")));

        // Started again: the next data set goes where the first went.
        QVERIFY(s.restart());
        window = download(s);
        QVERIFY(window);
        window->ShowDataSet(1);
        saveShownSet(s, kept + QStringLiteral("/second.txt"));
        QCOMPARE(s.prompt.saveFolders.last(),
                 QDir(kept).filePath(QStringLiteral("Set 2 ") + stamp(window->collection()->sets.at(1).start)));
        QVERIFY(QFileInfo::exists(kept + QStringLiteral("/second.txt")));
        // Opening a data set starts there too; a collection, never saved
        // yet, still where it always did.
        s.prompt.choices.enqueue(Prompt::Choice::SingleSet);
        s.main->Open1->trigger();
        QCOMPARE(s.prompt.openFolders.last(), kept);
        activate(s, window);
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.main->Save1->trigger();
        QCOMPARE(QFileInfo(s.prompt.saveFolders.last()).absolutePath(), QFileInfo(s.dir.path()).absoluteFilePath());
    }

    void settingsWrittenOnlyWhenAFolderChanges()
    {
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(download(s));
        const QString a = s.dir.filePath(QStringLiteral("a"));
        const QString b = s.dir.filePath(QStringLiteral("b"));
        QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
        saveShownSet(s, a + QStringLiteral("/1.txt"));
        QVERIFY(QFile::remove(s.main->settingsPath()));
        // The same folder again: nothing to write.
        saveShownSet(s, a + QStringLiteral("/2.txt"));
        QVERIFY(QFileInfo::exists(a + QStringLiteral("/2.txt")));
        QVERIFY(!QFileInfo::exists(s.main->settingsPath()));
        // Another folder: written at once, not only at the end.
        saveShownSet(s, b + QStringLiteral("/3.txt"));
        QVERIFY(s.settingsText().contains(QStringLiteral("Data Sets=") + b));
        QCOMPARE(s.main->folders().folder(QStringLiteral("Data Sets")), b);
        // A folder since removed: the dialog starts where it would the
        // first time, still with the name.
        QVERIFY(QDir(b).removeRecursively());
        saveShownSet(s, a + QStringLiteral("/4.txt"));
        QCOMPARE(QFileInfo(s.prompt.saveFolders.last()).absolutePath(), QFileInfo(s.dir.path()).absoluteFilePath());
        QVERIFY(QFileInfo(s.prompt.saveFolders.last()).fileName().startsWith(QStringLiteral("Set 1 ")));
    }

    void settingsFileThatCannotBeWrittenIsToldOnce()
    {
        // Folders change while the settings file cannot be written (here
        // a folder stands where the file goes): the dialogs still follow
        // the folders in this run, and the user hears of the file once,
        // at the end, not at every save.
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(download(s));
        QFile::remove(s.main->settingsPath());
        QVERIFY(QDir().mkpath(s.main->settingsPath()));
        const QString a = s.dir.filePath(QStringLiteral("a"));
        const QString b = s.dir.filePath(QStringLiteral("b"));
        QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
        saveShownSet(s, a + QStringLiteral("/1.txt"));
        saveShownSet(s, b + QStringLiteral("/2.txt"));
        QVERIFY(QFileInfo::exists(b + QStringLiteral("/2.txt")));
        QCOMPARE(s.main->folders().folder(QStringLiteral("Data Sets")), b);
        QVERIFY(!s.main->folders().lastError().isEmpty());
        QCOMPARE(s.prompt.errors.size(), 0);
        s.main->close();
        QCOMPARE(s.prompt.errors.size(), 1);
        QVERIFY(s.prompt.errors.first().contains(s.main->settingsPath()));
    }

    void eachKindKeepsItsOwnFolder()
    {
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(recordSamples(s, 5));
        const QString graphs = s.dir.filePath(QStringLiteral("graphs"));
        const QString texts = s.dir.filePath(QStringLiteral("texts"));
        QVERIFY(QDir().mkpath(graphs) && QDir().mkpath(texts));
        const QString recording = QStringLiteral("Recording ") + stamp(kStart);

        activate(s, s.main->realTimeGraph());
        s.prompt.saveNames.enqueue(graphs + QStringLiteral("/g.GHF"));
        s.main->Save1->trigger();
        QCOMPARE(QFileInfo(s.prompt.saveFolders.last()).fileName(), recording);
        QVERIFY(QFileInfo::exists(graphs + QStringLiteral("/g.GHF")));
        // The real-time list is a data set: its dialog did not move.
        activate(s, s.main->realTimeList());
        s.prompt.saveNames.enqueue(texts + QStringLiteral("/l.txt"));
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.saveFolders.last(), s.dir.filePath(recording));
        // Each goes back to its own.
        activate(s, s.main->realTimeGraph());
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.saveFolders.last(), QDir(graphs).filePath(recording));
        activate(s, s.main->realTimeList());
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.saveFolders.last(), QDir(texts).filePath(recording));

        // Printing into a PDF file (no printer here) suggests the same name,
        // and the PDF files keep their own folder.
        if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            const QString pdfs = s.dir.filePath(QStringLiteral("pdfs"));
            QVERIFY(QDir().mkpath(pdfs));
            activate(s, s.main->realTimeGraph());
            s.prompt.saveNames.enqueue(pdfs + QStringLiteral("/p.pdf"));
            s.main->Print1->trigger();
            QCOMPARE(s.prompt.saveFolders.last(), recording);
            QVERIFY(QFileInfo(pdfs + QStringLiteral("/p.pdf")).size() > 0);
            s.main->Print1->trigger();
            QCOMPARE(s.prompt.saveFolders.last(), QDir(pdfs).filePath(recording));
        }

        // Pictures of a graph keep a folder of their own and are offered
        // the graph's name.
        {
            auto *pictures = s.main->findChild<PictureCommands *>(QStringLiteral("PictureCommands"));
            QVERIFY(pictures);
            pictures->setRequestSource([](QSize) {
                return std::optional<PictureRequest>(PictureRequest{Chart::PictureFormat::Png, QSize(200, 120), 1.0});
            });
            const QString pictureFolder = s.dir.filePath(QStringLiteral("pictures"));
            QVERIFY(QDir().mkpath(pictureFolder));
            activate(s, s.main->realTimeGraph());
            s.prompt.saveNames.enqueue(pictureFolder + QStringLiteral("/p.png"));
            s.main->findChild<QAction *>(QStringLiteral("ExportPicture1"))->trigger();
            QCOMPARE(s.prompt.saveFolders.last(), recording);
            QVERIFY(QFileInfo(pictureFolder + QStringLiteral("/p.png")).size() > 0);
            s.main->findChild<QAction *>(QStringLiteral("ExportPicture1"))->trigger();
            QCOMPARE(s.prompt.saveFolders.last(), QDir(pictureFolder).filePath(recording));
            QCOMPARE(s.main->folders().folder(QStringLiteral("Pictures")), pictureFolder);
        }

        // A graph opened from a file is named after it and suggests its name.
        s.prompt.choices.enqueue(Prompt::Choice::SingleSet);
        s.prompt.openNames.enqueue(graphs + QStringLiteral("/g.GHF"));
        s.main->Open1->trigger();
        QCOMPARE(s.prompt.openFolders.last(), texts); // a data set's dialog
        auto *opened = windowTitled<TfrmGraph>(s, QDir::toNativeSeparators(graphs + QStringLiteral("/g.GHF")));
        QVERIFY(opened);
        QCOMPARE(opened->suggestedFileName(), QStringLiteral("g"));
    }

    void dataLoggerTitleNamesItsCollectionFile()
    {
        Session s(482);
        QVERIFY(s.started());
        TfrmDataLogger *window = download(s);
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), TfrmDataLogger::caption());
        const QString file = s.dir.filePath(QStringLiteral("week 49.REC"));
        activate(s, window);
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.saveNames.enqueue(file);
        s.main->Save1->trigger();
        QCOMPARE(window->windowTitle(), QStringLiteral("DataLogger - week 49.REC"));
        // A save that fails names no file.
        activate(s, window);
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.saveNames.enqueue(s.dir.filePath(QStringLiteral("no such folder/x.REC")));
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.errors.size(), 1);
        QCOMPARE(window->windowTitle(), QStringLiteral("DataLogger - week 49.REC"));
        // A new download is in no file.
        QVERIFY(download(s) == window);
        QCOMPARE(window->windowTitle(), TfrmDataLogger::caption());
        // Opened from the file: named again.
        QVERIFY(s.main->openFile(file));
        QCOMPARE(window->windowTitle(), QStringLiteral("DataLogger - week 49.REC"));
    }

    void suggestedNamesSuitEveryFileSystem()
    {
        QCOMPARE(safeFileName(QStringLiteral("a/b\\c:d*e?f\"g<h>i|j")), QStringLiteral("a-b-c-d-e-f-g-h-i-j"));
        QCOMPARE(safeFileName(QStringLiteral(" .. x\t\n  y\x01. ")), QStringLiteral("x y-"));
        QCOMPARE(safeFileName(QStringLiteral(" ... ")), QString());
        QCOMPARE(safeFileName(QString(300, QLatin1Char('x'))).size(), 120);
        // Names Windows keeps for its devices, with or without an extension.
        QCOMPARE(safeFileName(QStringLiteral("con")), QStringLiteral("con-"));
        QCOMPARE(safeFileName(QStringLiteral("NUL.backup")), QStringLiteral("NUL-.backup"));
        QCOMPARE(safeFileName(QStringLiteral("com1")), QStringLiteral("com1-"));
        QCOMPARE(safeFileName(QStringLiteral("Console")), QStringLiteral("Console"));
        // Never half a character.
        const QString emoji = QString(119, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x98\x80");
        QCOMPARE(safeFileName(emoji), QString(119, QLatin1Char('x')));
        // The same stamp in every locale, to the minute.
        const double t = toDateTimeDouble(QDate(2026, 12, 9), QTime(10, 30, 59));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(dataSetFileName(3, t), QStringLiteral("Set 3 2026-12-09 1030"));
        QCOMPARE(recordingFileName(t), QStringLiteral("Recording 2026-12-09 1030"));
        QCOMPARE(collectionFileName(t), QStringLiteral("Data sets 2026-12-09 1030"));
    }
};

QTEST_MAIN(TestFileFolders)
#include "tst_file_folders.moc"
