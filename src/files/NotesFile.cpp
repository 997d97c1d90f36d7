#include "files/NotesFile.h"

#include "common/DateTime.h"
#include "common/SafeFile.h"
#include "files/AnalysisCsv.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

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

RunNotes parse(const QByteArray &bytes)
{
    RunNotes notes;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != kHeader.trimmed())
        return notes;
    for (int i = 1; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        const QList<QByteArray> fields = AnalysisCsv::csvFields(line);
        if (fields.size() != 2)
            continue;
        // The local time as written; the offset only tells the reader.
        const QDateTime local = QDateTime::fromString(QString::fromLatin1(fields.at(0).left(23)),
                                                      QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"));
        const QString text = noteText(QString::fromUtf8(fields.at(1)));
        if (local.isValid() && !text.isEmpty())
            insertNote(notes, {toDateTimeDouble(local), text});
    }
    return notes;
}

RunNotes read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxBytes)
        return {};
    return parse(f.readAll());
}

} // namespace NotesFile

} // namespace kv
