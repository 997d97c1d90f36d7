#include "files/NotesFile.h"

#include "common/DateTime.h"
#include "common/SafeFile.h"
#include "files/AnalysisCsv.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cctype>

namespace kv {

namespace NotesFile {

namespace {
const QByteArray kHeader = "time,note\n";
// A notes file is small; a larger one is no notes file.
constexpr qint64 kMaxBytes = 4 << 20;
} // namespace

QString pathBeside(const QString &dataPath)
{
    const QFileInfo fi(dataPath);
    QString base = dataPath;
    if (!fi.suffix().isEmpty())
        base.chop(fi.suffix().size() + 1);
    return base + QStringLiteral(".notes.csv");
}

QByteArray bytes(const RunNotes &notes)
{
    QByteArray out = kHeader;
    for (const RunNote &n : notes) {
        out += isoText(fromDateTimeDouble(n.at), true).toLatin1();
        out += ',';
        out += AnalysisCsv::textField(n.text);
        out += '\n';
    }
    return out;
}

bool write(const QString &path, const RunNotes &notes, QString *error)
{
    if (notes.isEmpty()) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        if (error)
            *error = QStringLiteral("The file %1 could not be removed.").arg(path);
        return false;
    }
    return SafeFile::writeWhole(path, bytes(notes), error);
}

namespace {

// The local time at the start of an ISO 8601 text, seconds or milliseconds;
// an offset after it only tells the reader.
bool localTime(const QByteArray &field, double &at)
{
    const QByteArray t = field.trimmed();
    QDateTime local = QDateTime::fromString(QString::fromLatin1(t.left(19)), QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    if (!local.isValid())
        return false;
    if (t.size() > 20 && t.at(19) == '.') {
        int ms = 0, digits = 0;
        for (int i = 20; i < t.size() && digits < 3 && std::isdigit(uchar(t.at(i))); ++i, ++digits)
            ms = ms * 10 + (t.at(i) - '0');
        for (; digits < 3; ++digits)
            ms *= 10;
        local = local.addMSecs(ms);
    }
    at = toDateTimeDouble(local);
    return true;
}

} // namespace

RunNotes parse(const QByteArray &bytes, int *unread)
{
    RunNotes notes;
    int bad = 0;
    QList<QByteArray> lines = bytes.split('\n');
    // A spreadsheet that saved the file may have put a byte-order mark first.
    if (lines.first().startsWith("\xEF\xBB\xBF"))
        lines.first().remove(0, 3);
    const bool known = lines.first().trimmed().toLower() == kHeader.trimmed();
    for (int i = known ? 1 : 0; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        QList<QByteArray> fields = AnalysisCsv::csvFields(line);
        // A comma typed into a text by hand, without quotes, stays in it.
        const QByteArray when = fields.takeFirst();
        const QString text = noteText(QString::fromUtf8(fields.join(',')));
        double at = 0.0;
        if (known && localTime(when, at) && !text.isEmpty())
            insertNote(notes, {at, text});
        else
            ++bad;
    }
    if (unread)
        *unread = bad;
    return notes;
}

RunNotes read(const QString &path, int *unread)
{
    if (unread)
        *unread = 0;
    QFile f(path);
    if (!f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxBytes) {
        if (unread)
            *unread = -1;
        return {};
    }
    return parse(f.readAll(), unread);
}

QString unreadText(int unread)
{
    if (unread < 0)
        return QStringLiteral("its notes file could not be read");
    return unread == 1 ? QStringLiteral("1 line of its notes file could not be read")
                       : QStringLiteral("%1 lines of its notes file could not be read").arg(unread);
}

} // namespace NotesFile

} // namespace kv
