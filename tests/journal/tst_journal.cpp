// The journal on its own: its bytes against a TXT save of the same rows,
// one journal per recording, the recovery scan of unfinished and cut
// journals, pruning, and the settings switch.

#include "app/Settings.h"
#include "common/DateTime.h"
#include "files/NotesFile.h"
#include "files/TextDataSet.h"
#include "journal/JournalFolder.h"
#include "journal/JournalRecovery.h"
#include "journal/JournalRecovery.h"
#include "journal/JournalSyncer.h"
#include "journal/RecordingJournal.h"
#include "common/LocaleText.h"
#include "common/SafeFile.h"
#include "support/FileBytes.h"
#include "support/SmallDisk.h"
#include "support/ScriptedPrompt.h"
#include "views/GridModel.h"

#include "support/ScriptedPrompt.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cmath>
#include <chrono>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace kv;
using kv::test::fileBytes;
using kv::test::SmallDisk;
using kv::test::writeFileBytes;
using namespace std::chrono_literals;

namespace {

double at(int y, int mo, int d, int h, int mi, int s)
{
    return toDateTimeDouble(QDate(y, mo, d), QTime(h, mi, s));
}

// A two-channel list's grid with rows as the recorder fills them.
struct Grid
{
    GridModel model;
    Grid()
    {
        model.setColCount(8);
        model.setRowCount(2);
    }
    void add(const QStringList &cells)
    {
        if (!model.cell(0, 1).isEmpty())
            model.setRowCount(model.RowCount() + 1);
        const int row = model.RowCount() - 1;
        model.setRow(row, QStringList{QString::number(row)} + cells);
    }
    int last() const { return model.RowCount() - 1; }
};

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void rowsAreTheBytesOfATxtSave()
    {
        QTemporaryDir dir;
        Grid g;
        RecordingJournal j(dir.filePath(QStringLiteral("rec")));
        const double t = at(2024, 5, 3, 14, 3, 10);
        const QList<QStringList> rows{
            {"5/3/2024", "14:03:10", "23.4", "C", "21.7", "C", " MAX"},
            {"5/3/2024", "14:03:11", "OL", "C", "-5.0", "C", ""},
            {"5/3/2024", "14:03:12", "ü 23,5", "F", "1.0", "F", " HOLD"},
        };
        for (const QStringList &r : rows) {
            g.add(r);
            QVERIFY(j.appendRow(g.model, g.last(), t));
        }
        QCOMPARE(j.rowsWritten(), 3);
        // Named after the recording's start, inside the folder it made.
        QCOMPARE(j.currentPath(), dir.filePath(QStringLiteral("rec/2024-05-03_14-03-10.txt")));

        QByteArray saved;
        QBuffer b(&saved);
        b.open(QIODevice::WriteOnly);
        QVERIFY(TextDataSet::writeGrid(b, g.model, 1, 3, TextDataSet::Tab).ok);
        // Written to the system as the rows come, long before any sync.
        QTRY_COMPARE_WITH_TIMEOUT(fileBytes(j.currentPath()), saved, 2000);
        QCOMPARE(j.syncer().syncCount(), 0);
        QVERIFY(QFile::exists(JournalFolder::markerPath(j.currentPath())));
        j.flush();
        QVERIFY(j.syncer().syncCount() >= 1);
        // And it reads back as the list it came from.
        const TextListRows back = TextDataSet::readFile(j.currentPath());
        QCOMPARE(int(back.rows.size()), 3);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 8; ++c)
                QCOMPARE(back.rows[r].value(c), g.model.cell(c, r + 1));
    }

    void clearingStartsANewJournalAndEndsTheOldOneNormally()
    {
        QTemporaryDir dir;
        Grid g;
        RecordingJournal j(dir.path());
        const double t = at(2024, 5, 3, 9, 0, 0);
        g.add({"d", "t", "1.0", "C", "2.0", "C", ""});
        j.appendRow(g.model, g.last(), t);
        const QString first = j.currentPath();
        // Stop and Run leave the journal alone: more rows, same file.
        g.add({"d", "t", "1.5", "C", "2.0", "C", ""});
        j.appendRow(g.model, g.last(), t + 1.0 / 86400);
        QCOMPARE(j.currentPath(), first);

        j.startNew();
        QVERIFY(j.currentPath().isEmpty());
        g.add({"d", "t", "3.0", "C", "2.0", "C", ""});
        // A clear within the same second still gives a file of its own,
        // even before the first one is on the disk, and so do two more.
        j.appendRow(g.model, g.last(), t);
        QCOMPARE(j.currentPath(), dir.filePath(QStringLiteral("2024-05-03_09-00-00-2.txt")));
        const QString second = j.currentPath();
        j.startNew();
        j.appendRow(g.model, g.last(), t);
        QCOMPARE(j.currentPath(), dir.filePath(QStringLiteral("2024-05-03_09-00-00-3.txt")));
        j.startNew();
        j.appendRow(g.model, g.last(), t);
        j.flush();
        QCOMPARE(j.currentPath(), dir.filePath(QStringLiteral("2024-05-03_09-00-00-4.txt")));
        QVERIFY(!QFile::exists(JournalFolder::markerPath(first)));
        QVERIFY(!QFile::exists(JournalFolder::markerPath(second)));
        QVERIFY(QFile::exists(JournalFolder::markerPath(j.currentPath())));
        QCOMPARE(fileBytes(second).count('\n'), 1);
        QCOMPARE(fileBytes(first).count('\n'), 2);
        QCOMPARE(fileBytes(j.currentPath()).count('\n'), 1);
        QVERIFY(JournalFolder::findUnfinished(dir.path()).empty()); // ours, and we are running
    }

    void offJournalWritesNothing()
    {
        QTemporaryDir dir;
        Grid g;
        RecordingJournal j(dir.filePath(QStringLiteral("rec")));
        j.setEnabled(false);
        g.add({"d", "t", "1.0", "C", "2.0", "C", ""});
        QVERIFY(!j.appendRow(g.model, g.last(), at(2024, 1, 1, 0, 0, 0)));
        QVERIFY(!QDir(dir.filePath(QStringLiteral("rec"))).exists());
    }

    void aFolderThatCannotBeMadeIsReportedNotCrashedOn()
    {
        QTemporaryDir dir;
        writeFileBytes(dir.filePath(QStringLiteral("file")), "x");
        RecordingJournal j(dir.filePath(QStringLiteral("file/rec")));
        QVERIFY(!j.appendBytes("a\t\r\n", at(2024, 1, 1, 0, 0, 0)));
        QVERIFY(j.lastError().contains(QStringLiteral("could not be created")));
        QVERIFY(!j.takeNewError().isEmpty());
        QVERIFY(j.takeNewError().isEmpty());
        // Cleared and recorded again: the new journal fails too, and the
        // user is told again rather than left to think it works now.
        j.startNew();
        QVERIFY(!j.appendBytes("b\t\r\n", at(2024, 1, 1, 0, 0, 1)));
        QVERIFY(j.takeNewError().contains(QStringLiteral("could not be created")));
    }

    // The folder command does not hand a file in the folder's place to the
    // file manager.
    void theFolderCommandReportsAFileInTheFoldersPlace()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("rec"));
        writeFileBytes(folder, "x");
        test::ScriptedPrompt prompt;
        QList<QUrl> opened;
        const auto open = [&](const QUrl &url) {
            opened << url;
            return true;
        };
        QVERIFY(!openRecordingFolder(folder, open, prompt));
        QVERIFY(opened.isEmpty());
        QCOMPARE(prompt.errors.size(), 1);
        QVERIFY(prompt.errors[0].contains(QDir::toNativeSeparators(folder)));
    }

    // With no file manager to open it, the folder's path is shown on a line
    // of its own, to be copied from the message.
    void theFolderCommandShowsThePathWhenNothingOpensIt()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("rec"));
        test::ScriptedPrompt prompt;
        int asked = 0;
        const auto open = [&](const QUrl &url) {
            ++asked;
            return url != QUrl::fromLocalFile(folder);
        };
        QVERIFY(!openRecordingFolder(folder, open, prompt));
        QCOMPARE(asked, 1);
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(prompt.errors.isEmpty());
        QCOMPARE(prompt.informations.size(), 1);
        QVERIFY(prompt.informations[0].split(QLatin1Char('\n')).contains(QDir::toNativeSeparators(folder)));
        // And with no way to open anything at all.
        QVERIFY(!openRecordingFolder(folder, {}, prompt));
        QCOMPARE(prompt.informations.size(), 2);
    }

    void aJournalThatCannotBeOpenedStopsAndTellsOnce()
    {
#ifndef Q_OS_LINUX
        QSKIP("needs a folder where no file can be made");
#endif
        QTemporaryDir dir;
        // A folder where no file can be made, not even by root: the
        // thread's open fails.
        const QString folder = dir.filePath(QStringLiteral("rec"));
        QVERIFY(QFile::link(QStringLiteral("/proc/self"), folder));
        RecordingJournal j(folder);
        QVERIFY(j.appendBytes("a\t\r\n", at(2024, 1, 1, 0, 0, 0)));
        j.waitWritten();
        QVERIFY(!j.appendBytes("b\t\r\n", at(2024, 1, 1, 0, 0, 0)));
        QVERIFY(j.lastError().contains(QStringLiteral("could not be opened")));
        QCOMPARE(j.takeNewError(), j.lastError());
        QVERIFY(j.takeNewError().isEmpty());
        QVERIFY(!QFile::exists(JournalFolder::markerPath(j.currentPath())));
        // The next recording has a journal again.
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().mkpath(folder));
        j.startNew();
        QVERIFY(j.appendBytes("c\t\r\n", at(2024, 1, 1, 0, 0, 1)));
        j.flush();
        QCOMPARE(fileBytes(j.currentPath()), QByteArray("c\t\r\n"));
        QVERIFY(j.takeNewError().isEmpty());
    }

    void aNameTakenMeanwhileGoesOnToTheNextNumber()
    {
        // Another program started a recording in the same second and made
        // the file after this one was named: its file is left alone.
        QTemporaryDir dir;
        const QString taken = dir.filePath(QStringLiteral("2024-01-01_00-00-00.txt"));
        writeFileBytes(taken, "theirs\t\r\n");
        writeFileBytes(dir.filePath(QStringLiteral("2024-01-01_00-00-00-2.txt")), "theirs too\t\r\n");
        JournalSyncer s(10s);
        s.open(taken, 1);
        s.write("ours\t\r\n");
        s.flush();
        const QString made = dir.filePath(QStringLiteral("2024-01-01_00-00-00-3.txt"));
        QCOMPARE(s.openedPath(1), made);
        QVERIFY(s.openedPath(2).isEmpty());
        QCOMPARE(fileBytes(taken), QByteArray("theirs\t\r\n"));
        QCOMPARE(fileBytes(made), QByteArray("ours\t\r\n"));
        QVERIFY(QFile::exists(JournalFolder::markerPath(made)));
        QVERIFY(!QFile::exists(JournalFolder::markerPath(taken)));
        s.close(true);
        s.flush();
        QVERIFY(!QFile::exists(JournalFolder::markerPath(made)));
    }

    // A full disk takes part of a row: the journal keeps whole rows only,
    // even when it then ends normally and is never scanned for recovery.
    void aWriteCutShortByAFullDiskLeavesWholeRows()
    {
#ifdef Q_OS_LINUX
        QTemporaryDir dir;
        RecordingJournal j(dir.path());
        const QByteArray row1("1 Jan 2024\t00:00:00\t20.0\tC\t21.0\tC\t\t\r\n");
        const QByteArray row2("1 Jan 2024\t00:00:01\t20.1\tC\t21.1\tC\t\t\r\n");
        const QByteArray row3("1 Jan 2024\t00:00:02\t20.2\tC\t21.2\tC\t\t\r\n");
        QVERIFY(j.appendBytes(row1, at(2024, 1, 1, 0, 0, 0)));
        j.waitWritten();
        // Files of this process may grow to half of the third row.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(row1.size() + row2.size() + row3.size() / 2);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        j.appendBytes(row2, at(2024, 1, 1, 0, 0, 1));
        j.appendBytes(row3, at(2024, 1, 1, 0, 0, 2));
        j.waitWritten();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(j.takeNewError().contains(QStringLiteral("could not be written")));
        const QString path = j.currentPath();
        j.finish();
        j.flush();
        QCOMPARE(fileBytes(path), row1 + row2);
#else
        QSKIP("needs a file size limit to stand for a full disk");
#endif
    }

    // A disk full from the first row: the journal holds nothing, and the
    // next start says so instead of dropping it unseen. A disk that fills
    // later leaves the rows written before, which are offered.
    void aJournalOnAFullDiskIsToldOfAtTheNextStart()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        QVERIFY(disk.fill());
        const QByteArray row("5/3/2024\t14:03:10\t23.4\tC\t21.7\tC\t\t\r\n");
        QString empty;
        {
            RecordingJournal j(disk.folder());
            j.appendBytes(row, at(2024, 5, 3, 14, 3, 10));
            j.waitWritten();
            QVERIFY(!j.appendBytes(row, at(2024, 5, 3, 14, 3, 12)));
            QCOMPARE(j.takeNewError(), QStringLiteral("The journal %1 could not be written: %2.")
                                           .arg(j.currentPath(), SafeFile::systemText(ENOSPC)));
            empty = j.currentPath();
        } // the program ends without ending the recording
        disk.empty();
        QVERIFY(disk.fill(2 * 4096)); // a page for the marker, one for rows
        QString partial;
        int kept = 0;
        {
            RecordingJournal j(disk.folder());
            for (int i = 0; i < 200 && j.appendBytes(row, at(2024, 5, 4, 9, 0, 0)); ++i)
                j.waitWritten();
            QVERIFY(!j.takeNewError().isEmpty());
            partial = j.currentPath();
            kept = fileBytes(partial).count('\n');
            QVERIFY(kept > 0);
        }
        disk.empty();

        test::ScriptedPrompt prompt;
        prompt.confirmAnswers << false;
        offerRecovery(disk.folder(), prompt, [](const QString &) {});
        QCOMPARE(prompt.questions.size(), 1);
        const QString offered =
            QStringLiteral("The recording of 5/3/2024 14:03:10 did not end normally. %1 readings").arg(kept);
        QVERIFY2(prompt.questions[0].startsWith(offered), qPrintable(prompt.questions[0]));
        QVERIFY(prompt.questions[0].contains(partial));
        const double start = at(2024, 5, 3, 14, 3, 10);
        QCOMPARE(prompt.informations,
                 QStringList{QStringLiteral("The recording of %1 %2 did not end normally. None of its readings reached "
                                            "the disk: its journal\n%3\nheld nothing.")
                                 .arg(shortDateText(start), longTimeText(start), empty)});
        QVERIFY(!QFile::exists(empty));
        // Told once.
        offerRecovery(disk.folder(), prompt, [](const QString &) {});
        QCOMPARE(prompt.messageCount(), 2);
    }

    void unfinishedJournalsAreFoundAfterTheWriterIsGone()
    {
        QTemporaryDir dir;
        QString path;
        {
            RecordingJournal j(dir.path());
            j.appendBytes("5/3/2024\t14:03:10\t23.4\tC\t\r\n", at(2024, 5, 3, 14, 3, 10));
            j.appendBytes("5/3/2024\t14:03:12\t23.5\tC\t\r\n", at(2024, 5, 3, 14, 3, 10));
            path = j.currentPath();
        } // gone without finish(): a crash or a hasty exit
        // A journal that ended normally is not offered.
        {
            RecordingJournal j(dir.path());
            j.appendBytes("5/2/2024\t10:00:00\t1.0\tC\t\r\n", at(2024, 5, 2, 10, 0, 0));
            j.finish();
        }
        const auto found = JournalFolder::findUnfinished(dir.path());
        QCOMPARE(int(found.size()), 1);
        QCOMPARE(found[0].path, path);
        QCOMPARE(found[0].rows, 2);
        QCOMPARE(found[0].firstDate, QStringLiteral("5/3/2024"));
        QCOMPARE(found[0].firstTime, QStringLiteral("14:03:10"));
        QCOMPARE(found[0].lastTime, QStringLiteral("14:03:12"));
        JournalFolder::dismiss(found[0]);
        QVERIFY(JournalFolder::findUnfinished(dir.path()).empty());
        QVERIFY(QFile::exists(path)); // offered once, kept for good
    }

    void theOfferCountsTheReadingsAndOpensOnYes()
    {
        QTemporaryDir dir;
        QString one, two;
        {
            RecordingJournal a(dir.path());
            a.appendBytes("5/3/2024\t14:03:10\t23.4\tC\t\r\n", at(2024, 5, 3, 14, 3, 10));
            one = a.currentPath();
            RecordingJournal b(dir.path());
            b.appendBytes("5/4/2024\t09:00:00\t1.0\tC\t\r\n", at(2024, 5, 4, 9, 0, 0));
            b.appendBytes("5/4/2024\t09:00:02\t1.5\tC\t\r\n", at(2024, 5, 4, 9, 0, 0));
            two = b.currentPath();
        }
        test::ScriptedPrompt prompt;
        prompt.confirmAnswers << true << false; // newest first
        QStringList opened;
        offerRecovery(dir.path(), prompt, [&](const QString &path) { opened << path; });
        QCOMPARE(prompt.questions.size(), 2);
        QCOMPARE(prompt.questions[0],
                 QStringLiteral("The recording of 5/4/2024 09:00:00 did not end normally. 2 readings, from 5/4/2024 "
                                "09:00:00 to 5/4/2024 09:00:02, were kept in\n%1\n\nOpen them now?")
                     .arg(QDir::toNativeSeparators(two)));
        QCOMPARE(prompt.questions[1],
                 QStringLiteral("The recording of 5/3/2024 14:03:10 did not end normally. Its 1 reading was kept in\n"
                                "%1\n\nOpen it now?")
                     .arg(QDir::toNativeSeparators(one)));
        QCOMPARE(opened, QStringList{two});
        // Asked once, whatever the answer.
        offerRecovery(dir.path(), prompt, [&](const QString &path) { opened << path; });
        QCOMPARE(prompt.questions.size(), 2);
    }

    void aLineCutByAPowerCutIsDropped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray a = "5/3/2024\t14:03:10\t23.4\tC\t21.7\tC\t\t\r\n";
        const QByteArray b = "5/3/2024\t14:03:12\t23.5\tC\t21.8\tC\t\t\r\n";
        QTest::newRow("cut mid-field") << a + b + "5/3/2024\t14:0" << 2 << a + b;
        QTest::newRow("cut before LF") << a + b.left(b.size() - 1) << 1 << a;
        QTest::newRow("whole") << a + b << 2 << a + b;
        QTest::newRow("only a half line") << QByteArray("5/3/20") << 0 << QByteArray();
    }
    void aLineCutByAPowerCutIsDropped()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        QFETCH(QByteArray, kept);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2024-05-03_14-03-10.txt"));
        writeFileBytes(path, bytes);
        writeFileBytes(JournalFolder::markerPath(path), "999999999\n"); // a process long gone
        const auto found = JournalFolder::findUnfinished(dir.path());
        QCOMPARE(int(found.size()), 1);
        QCOMPARE(found[0].rows, rows);
        if (rows == 0)
            return; // told of as holding nothing
        QCOMPARE(fileBytes(path), kept);
        const TextListRows list = TextDataSet::readFile(path);
        QCOMPARE(int(list.rows.size()), rows);
        QCOMPARE(list.rows.back().value(2), rows == 2 ? QStringLiteral("14:03:12") : QStringLiteral("14:03:10"));
    }

    void aJournalAnotherProgramRecordsIntoIsLeftAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2024-05-03_14-03-10.txt"));
        writeFileBytes(path, "a\tb\t\r\n");
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted());
        writeFileBytes(JournalFolder::markerPath(path), QByteArray::number(other.processId()) + '\n');
        QVERIFY(JournalFolder::findUnfinished(dir.path()).empty());
        other.kill();
        other.waitForFinished();
        QCOMPARE(int(JournalFolder::findUnfinished(dir.path()).size()), 1);
    }

    // After a power cut the recorder's process id may belong to another
    // process: a marker written before the system started is stale.
    void aMarkerFromBeforeTheSystemStartedIsStale()
    {
#if defined(Q_OS_LINUX) || defined(Q_OS_WIN)
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2024-05-03_14-03-10.txt"));
        writeFileBytes(path, "a\tb\t\r\n");
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted());
        const QString marker = JournalFolder::markerPath(path);
        writeFileBytes(marker, QByteArray::number(other.processId()) + '\n');
        QFile f(marker);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)), QFileDevice::FileModificationTime));
        f.close();
        QCOMPARE(int(JournalFolder::findUnfinished(dir.path()).size()), 1);
        other.kill();
        other.waitForFinished();
#else
        QSKIP("the system's start time is not known here");
#endif
    }

    // A notes file edited by hand or saved by a spreadsheet reads as far as
    // it can, and says how much it could not; a full disk is reported.
    void notesFilesReadWhatTheyCan()
    {
        int unread = 0;
        const RunNotes notes = NotesFile::parse("\xEF\xBB\xBFTime,Note\r\n"
                                                "2026-12-09T10:00:05,lid on, \"hot\"\r\n"
                                                "yesterday,door opened\r\n"
                                                "2026-12-09T10:00:01.5+01:00,Gr\xC3\xB6\xC3\x9F" "e\r\n\r\n",
                                                &unread);
        QCOMPARE(unread, 1);
        QCOMPARE(notes.size(), 2);
        QCOMPARE(notes[0].text, QStringLiteral("Gr\u00F6\u00DFe"));
        QCOMPARE(qRound(std::fmod(notes[0].at, 1.0) * 864000.0), 360015); // 10:00:01.5
        QCOMPARE(notes[1].text, QStringLiteral("lid on, \"hot\""));
        NotesFile::parse("date;note\n2026-12-09T10:00:05;lid\n", &unread);
        QCOMPARE(unread, 2);

        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        QVERIFY(disk.fill());
        QString why;
        QVERIFY(!NotesFile::write(disk.folder() + QStringLiteral("/x.notes.csv"), notes, &why));
        QVERIFY(!why.isEmpty());
    }

    void pruningKeepsTheNewest()
    {
        QTemporaryDir dir;
        QDateTime t(QDate(2023, 12, 31), QTime(23, 59, 0));
        QStringList names;
        for (int i = 0; i < 55; ++i) {
            const QString p = JournalFolder::newJournalPath(dir.path(), t.addSecs(i * 7));
            writeFileBytes(p, QByteArray(100, 'x'));
            names << QFileInfo(p).fileName();
        }
        // Two journals of one second, and a file that is no journal.
        const QString second = JournalFolder::newJournalPath(dir.path(), t.addSecs(54 * 7));
        writeFileBytes(second, QByteArray(100, 'x'));
        names << QFileInfo(second).fileName();
        writeFileBytes(dir.filePath(QStringLiteral("notes.txt")), "mine");
        // Alarm events go with their journal, and only with it.
        const QString goneAlarms = JournalFolder::alarmsPath(dir.filePath(names.at(2)));
        const QString keptAlarms = JournalFolder::alarmsPath(dir.filePath(names.at(6)));
        writeFileBytes(goneAlarms, "alarm");
        writeFileBytes(keptAlarms, "alarm");
        const QString goneNotes = JournalFolder::notesPath(dir.filePath(names.at(2))); // and so do notes
        writeFileBytes(goneNotes, "time,note\n");

        QStringList removed = JournalFolder::prune(dir.path(), {dir.filePath(names.last())});
        QStringList expectedRemoved = names.mid(0, 6);
        expectedRemoved.insert(3, QFileInfo(goneAlarms).fileName());
        expectedRemoved.insert(4, QFileInfo(goneNotes).fileName());
        QCOMPARE(removed, expectedRemoved);
        QVERIFY(QFile::exists(keptAlarms));
        QVERIFY(QFile::remove(keptAlarms));
        QStringList left = QDir(dir.path()).entryList({QStringLiteral("2*.txt")}, QDir::Files);
        QStringList expected = names.mid(6);
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("notes.txt"))));

        // The byte limit, when it is the smaller, and the journal being
        // written and unfinished ones are kept whatever their age.
        writeFileBytes(JournalFolder::markerPath(dir.filePath(names.at(7))), "1\n");
        removed = JournalFolder::prune(dir.path(), {dir.filePath(names.at(6))}, 50, 1000);
        QCOMPARE(removed.size(), 50 - 10 - 2);
        QVERIFY(QFile::exists(dir.filePath(names.at(6))));
        QVERIFY(QFile::exists(dir.filePath(names.at(7))));
        QVERIFY(!QFile::exists(dir.filePath(names.at(8))));
        QVERIFY(QFile::exists(dir.filePath(names.last())));
    }

    void aNewJournalPrunesTheFolder()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 52; ++i)
            writeFileBytes(JournalFolder::newJournalPath(dir.path(), QDateTime(QDate(2020, 1, 1), QTime(0, 0, i))), "x");
        RecordingJournal j(dir.path());
        j.appendBytes("a\t\r\n", at(2024, 1, 1, 0, 0, 0));
        j.flush();
        const QStringList left = QDir(dir.path()).entryList({QStringLiteral("*.txt")}, QDir::Files);
        QCOMPARE(left.size(), 50);
        QCOMPARE(left.first(), QStringLiteral("2020-01-01_00-00-03.txt"));
        QCOMPARE(left.last(), QStringLiteral("2024-01-01_00-00-00.txt"));
    }

    void syncRunsWithinTheInterval()
    {
        QTemporaryDir dir;
        RecordingJournal j(dir.path(), 50ms);
        j.appendBytes("a\t\r\n", at(2024, 1, 1, 0, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(j.syncer().syncCount() >= 1, 2000);
        const long before = j.syncer().syncCount();
        QTest::qWait(200);
        QCOMPARE(j.syncer().syncCount(), before); // nothing new, nothing to sync
    }

    void settingsSwitch()
    {
        // On by default, and a file of an earlier version is written back
        // without the new key.
        const QByteArray old = "[Link]\r\nModel=481\r\n[RealTime]\r\nSampling Rate=5\r\n";
        SettingsValues v = Settings::parse(old);
        QVERIFY(v.journal);
        QVERIFY(!Settings::update(old, v).contains("Journal"));
        v.journal = false;
        const QByteArray off = Settings::update(old, v);
        QVERIFY(off.contains("[RealTime]\r\nSampling Rate=5\r\nRecording Journal=0\r\n"));
        QVERIFY(!Settings::parse(off).journal);
        // Turned on again by hand, the key stays as the user left it.
        QByteArray on = off;
        on.replace("Recording Journal=0", "Recording Journal=1");
        QVERIFY(Settings::parse(on).journal);
        QVERIFY(Settings::update(on, Settings::parse(on)).contains("Recording Journal=1"));
        QVERIFY(!Settings::parse("[RealTime]\nRecording Journal=0\n").journal);
        QVERIFY(Settings::parse("[RealTime]\nRecording Journal=junk\n").journal);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
