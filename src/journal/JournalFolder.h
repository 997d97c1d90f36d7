#pragma once
// The folder of recording journals: where it is, how journals and their
// "in use" markers are named, which journals a crash left unfinished, and
// the pruning that keeps the folder small.
//
// A journal is named after the date and time its recording started
// ("2024-05-03_14-03-10.txt", "...-2.txt" for a second one in the same
// second). While a program records into it, a marker beside it
// ("<journal>.open") holds the recording process's id; the marker is removed
// when the recording ends normally (cleared, or the main window closed).
// A marker whose process is gone marks a journal a crash, a kill, a power
// cut or a hasty exit left behind.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace kv {

struct UnfinishedJournal
{
    QString path;
    // Whole lines. 0 when none of the recording's rows reached the disk (a
    // disk full from the first row, say); the file, if empty, is gone.
    qint64 rows = 0;
    // The date and time fields of the first and the last whole line; with
    // no line, the start its name holds, in the same regional format.
    QString firstDate, firstTime, lastDate, lastTime;
};

struct JournalScan
{
    bool ok = false;
    qint64 size = 0;       // bytes in the file
    qint64 wholeBytes = 0; // bytes up to and including the last line end
    qint64 rows = 0;       // whole lines
    QByteArray firstLine, lastLine; // without their line ends
};

class JournalFolder
{
public:
    // The newest this many journals are kept, and no more than so many
    // bytes of them, whichever is less.
    static constexpr int kKeepCount = 50;
    static constexpr qint64 kKeepBytes = 200LL * 1024 * 1024;

    // The per-user folder: the user's data folder + "/KV481/recordings".
    static QString defaultFolder();

    // A name for a journal started at start (local time) that no file in
    // folder has yet, numbered from firstNumber on (1: the plain stamp,
    // 2: "-2", ...) when that second already has journals of its own.
    static QString newJournalPath(const QString &folder, const QDateTime &start, int firstNumber = 1);
    // The start second as journal names spell it: "2024-05-03_14-03-10".
    static QString stampOf(const QDateTime &start);
    // The same journal name with the next number of its second.
    static QString nextJournalPath(const QString &journalPath);
    // The number a journal's name holds for its second (1 for the plain stamp).
    static int journalNumber(const QString &journalPath);
    // Whether name is one the journal gives its files.
    static bool isJournalName(const QString &fileName);
    static QString markerPath(const QString &journalPath) { return journalPath + QStringLiteral(".open"); }
    // The alarm events of a recording, beside its journal: "<stamp>.alarms.csv".
    static QString alarmsPath(const QString &journalPath);
    // The notes of a recording, beside its journal: "<stamp>.notes.csv".
    static QString notesPath(const QString &journalPath);

    // Writes the marker of a journal being recorded by this process.
    static bool writeMarker(const QString &journalPath);
    static void removeMarker(const QString &journalPath);
    // This process no longer writes the journal, and its marker stays:
    // the journal now counts as unfinished.
    static void releaseMarker(const QString &journalPath);

    // Whole lines of a journal and where the last one ends.
    static JournalScan scan(const QString &path);
    // Cuts a line that a power cut left half-written, so the journal reads
    // as whole lines; false when the file could not be cut.
    static bool cutToWholeLines(const QString &path, const JournalScan &scan);

    // The journals of folder that were being recorded when their program
    // ended other than normally, newest first. Each one's unfinished last
    // line is cut off; one without any whole line is listed with no rows,
    // so the user hears of it, and an empty one's file is removed. Journals
    // that another running program records into are left alone.
    static std::vector<UnfinishedJournal> findUnfinished(const QString &folder);
    // The journal was offered: it is no longer unfinished.
    static void dismiss(const UnfinishedJournal &journal) { removeMarker(journal.path); }

    // Removes the oldest journals until at most keepCount remain holding
    // at most keepBytes, alarm event and notes files included, each going
    // with its journal; those in keep (paths) and journals in use are never
    // removed. Returns the names removed, oldest first, each journal's alarm
    // events and notes after it.
    static QStringList prune(const QString &folder, const QStringList &keep, int keepCount = kKeepCount,
                             qint64 keepBytes = kKeepBytes);
};

} // namespace kv
