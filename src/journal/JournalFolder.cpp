#include "journal/JournalFolder.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "files/NotesFile.h"
#include "files/TextDataSet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#endif

namespace kv {

namespace {

const QString kStampFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
const QString kSuffix = QStringLiteral(".txt");

const QRegularExpression &nameExpression()
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)(?:-(\\d{1,4}))?\\.txt$"));
    return re;
}

// Oldest first: by the start stamp, then by the number of a second journal
// of the same second.
struct NameKey
{
    QString stamp;
    int number = 1;
    bool operator<(const NameKey &o) const { return stamp != o.stamp ? stamp < o.stamp : number < o.number; }
};

NameKey keyOf(const QString &fileName)
{
    const auto m = nameExpression().match(fileName);
    return {m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()};
}

// Journals this process writes. A marker holding our own process id is
// otherwise one a crashed program left under the same id.
QMutex ownMutex;
QSet<QString> ownJournals;

bool isOwn(const QString &journalPath)
{
    QMutexLocker lock(&ownMutex);
    return ownJournals.contains(QFileInfo(journalPath).absoluteFilePath());
}

void setOwn(const QString &journalPath, bool own)
{
    QMutexLocker lock(&ownMutex);
    const QString key = QFileInfo(journalPath).absoluteFilePath();
    if (own)
        ownJournals.insert(key);
    else
        ownJournals.remove(key);
}

qint64 currentProcessId()
{
    return QCoreApplication::applicationPid();
}

bool processAlive(qint64 pid)
{
    if (pid <= 0 || pid == currentProcessId())
        return false;
#ifdef Q_OS_WIN
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return alive;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

// When the system last started, in milliseconds since the epoch; 0 when
// not known.
qint64 systemStart()
{
#if defined(Q_OS_WIN)
    return QDateTime::currentMSecsSinceEpoch() - static_cast<qint64>(GetTickCount64());
#elif defined(Q_OS_LINUX)
    QFile f(QStringLiteral("/proc/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("btime "))
            return line.mid(6).trimmed().toLongLong() * 1000;
    return 0;
#else
    return 0;
#endif
}

// A marker written before the system last started (a power cut, say) names
// a process id that may since have gone to another program. A few minutes
// of leeway allow for the clock being set right after the start.
bool markerFromEarlierStart(const QString &journalPath)
{
    const qint64 start = systemStart();
    if (start <= 0)
        return false;
    const QDateTime written = QFileInfo(JournalFolder::markerPath(journalPath)).lastModified();
    return written.isValid() && written.toMSecsSinceEpoch() < start - 10 * 60 * 1000;
}

// The process recording into a journal, or 0 when the marker holds none.
qint64 markerProcess(const QString &journalPath)
{
    QFile f(JournalFolder::markerPath(journalPath));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.read(32).trimmed().toLongLong();
}

QStringList splitFields(const QByteArray &line)
{
    const QString text = TextDataSet::decode(line);
    return text.split(TextDataSet::Tab);
}

} // namespace

QString JournalFolder::defaultFolder()
{
    // The generic location, so the folder is the same whatever the
    // application object is called.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/KV481/recordings");
}

QString JournalFolder::newJournalPath(const QString &folder, const QDateTime &start, int firstNumber)
{
    const QString stamp = stampOf(start);
    const QDir dir(folder);
    const auto nameOf = [&](int n) {
        return n <= 1 ? stamp + kSuffix : stamp + QLatin1Char('-') + QString::number(n) + kSuffix;
    };
    int n = std::max(1, firstNumber);
    while (QFileInfo::exists(dir.filePath(nameOf(n))) && n < 9999)
        ++n;
    return dir.filePath(nameOf(n));
}

QString JournalFolder::alarmsPath(const QString &journalPath)
{
    QString base = journalPath;
    if (base.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(".alarms.csv");
}

QString JournalFolder::notesPath(const QString &journalPath)
{
    return NotesFile::pathBeside(journalPath);
}

QString JournalFolder::stampOf(const QDateTime &start)
{
    return start.toString(kStampFormat);
}

QString JournalFolder::nextJournalPath(const QString &journalPath)
{
    const QFileInfo fi(journalPath);
    const NameKey key = keyOf(fi.fileName());
    return fi.dir().filePath(key.stamp + QLatin1Char('-') + QString::number(key.number + 1) + kSuffix);
}

int JournalFolder::journalNumber(const QString &journalPath)
{
    return keyOf(QFileInfo(journalPath).fileName()).number;
}

bool JournalFolder::isJournalName(const QString &fileName)
{
    return nameExpression().match(fileName).hasMatch();
}

bool JournalFolder::writeMarker(const QString &journalPath)
{
    QFile f(markerPath(journalPath));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray pid = QByteArray::number(currentProcessId()) + '\n';
    setOwn(journalPath, true);
    return f.write(pid) == pid.size();
}

void JournalFolder::removeMarker(const QString &journalPath)
{
    setOwn(journalPath, false);
    QFile::remove(markerPath(journalPath));
}

void JournalFolder::releaseMarker(const QString &journalPath)
{
    setOwn(journalPath, false);
}

JournalScan JournalFolder::scan(const QString &path)
{
    JournalScan s;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return s;
    s.size = f.size();
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    qint64 at = 0;            // file offset of the chunk
    qint64 lastLineStart = 0; // where the last whole line begins
    for (;;) {
        const qint64 n = f.read(chunk.data(), chunk.size());
        if (n < 0)
            return s;
        if (n == 0)
            break;
        const char *p = chunk.constData();
        qint64 from = 0;
        while (const void *hit = std::memchr(p + from, '\n', static_cast<size_t>(n - from))) {
            const qint64 end = static_cast<const char *>(hit) - p;
            ++s.rows;
            lastLineStart = s.wholeBytes;
            s.wholeBytes = at + end + 1;
            from = end + 1;
            if (from >= n)
                break;
        }
        at += n;
    }
    // The first and the last line, as far as a line's fields can reach.
    const auto lineAt = [&](qint64 start) {
        f.seek(start);
        QByteArray line = f.read(std::min<qint64>(s.wholeBytes - start, 4096));
        const int nl = line.indexOf('\n');
        if (nl >= 0)
            line.truncate(nl);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    };
    if (s.rows > 0) {
        s.firstLine = lineAt(0);
        s.lastLine = lineAt(lastLineStart);
    }
    s.ok = true;
    return s;
}

bool JournalFolder::cutToWholeLines(const QString &path, const JournalScan &scan)
{
    if (!scan.ok || scan.wholeBytes == scan.size)
        return scan.ok;
    QFile f(path);
    return f.resize(scan.wholeBytes);
}

std::vector<UnfinishedJournal> JournalFolder::findUnfinished(const QString &folder)
{
    std::vector<UnfinishedJournal> found;
    const QDir dir(folder);
    const QStringList markers = dir.entryList({QStringLiteral("*.txt.open")}, QDir::Files);
    for (const QString &marker : markers) {
        const QString journal = dir.filePath(marker.left(marker.size() - 5));
        if (isOwn(journal) || (!markerFromEarlierStart(journal) && processAlive(markerProcess(journal))))
            continue; // another program records into it now
        const JournalScan s = scan(journal);
        if (!s.ok) {
            removeMarker(journal); // gone, or not to be read
            continue;
        }
        UnfinishedJournal u;
        u.path = journal;
        u.rows = s.rows;
        if (s.rows == 0) {
            // Nothing reached the disk: the user is told so, by the start
            // the name holds, instead of the journal vanishing unseen.
            if (s.size == 0)
                QFile::remove(journal);
            const QString stamp = keyOf(QFileInfo(journal).fileName()).stamp;
            const double start = toDateTimeDouble(QDateTime::fromString(stamp, kStampFormat));
            u.firstDate = u.lastDate = shortDateText(start);
            u.firstTime = u.lastTime = longTimeText(start);
            found.push_back(u);
            continue;
        }
        cutToWholeLines(journal, s);
        const QStringList first = splitFields(s.firstLine);
        const QStringList last = splitFields(s.lastLine);
        u.firstDate = first.value(0);
        u.firstTime = first.value(1);
        u.lastDate = last.value(0);
        u.lastTime = last.value(1);
        found.push_back(u);
    }
    std::sort(found.begin(), found.end(), [](const UnfinishedJournal &a, const UnfinishedJournal &b) {
        return keyOf(QFileInfo(b.path).fileName()) < keyOf(QFileInfo(a.path).fileName());
    });
    return found;
}

QStringList JournalFolder::prune(const QString &folder, const QStringList &keep, int keepCount, qint64 keepBytes)
{
    const QDir dir(folder);
    QStringList keepNames;
    for (const QString &path : keep)
        keepNames << QFileInfo(path).fileName();
    QFileInfoList journals;
    for (const QFileInfo &fi : dir.entryInfoList({QStringLiteral("*.txt")}, QDir::Files))
        if (isJournalName(fi.fileName()))
            journals << fi;
    std::sort(journals.begin(), journals.end(), [](const QFileInfo &a, const QFileInfo &b) {
        return keyOf(b.fileName()) < keyOf(a.fileName());
    });
    QStringList removed;
    int count = 0;
    qint64 bytes = 0;
    bool full = false;
    for (const QFileInfo &fi : journals) {
        const bool inUse = keepNames.contains(fi.fileName()) || QFileInfo::exists(markerPath(fi.filePath()));
        // A journal's alarm events and notes go with it and count with it.
        const QFileInfo companions[] = {QFileInfo(alarmsPath(fi.filePath())), QFileInfo(notesPath(fi.filePath()))};
        qint64 size = fi.size();
        for (const QFileInfo &c : companions)
            size += c.isFile() ? c.size() : 0;
        if (!full && count < keepCount && bytes + size <= keepBytes) {
            ++count;
            bytes += size;
            continue;
        }
        // Once one does not fit, every older one goes too.
        full = true;
        if (inUse) {
            ++count;
            bytes += size;
            continue;
        }
        if (QFile::remove(fi.filePath())) {
            removed.prepend(fi.fileName());
            int at = 1;
            for (const QFileInfo &c : companions)
                if (c.isFile() && QFile::remove(c.filePath()))
                    removed.insert(at++, c.fileName());
        }
    }
    return removed;
}

} // namespace kv
