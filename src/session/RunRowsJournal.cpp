// Rows of the run that have left memory, read back from the journal lines
// that hold them: a few thousand at a time, from the nearest mark before
// them, as the cells the real-time list showed and as rows for the graph.

#include "session/RunRows.h"

#include "files/ListGraphData.h"
#include "files/LocaleDateTimeReader.h"
#include "files/TextDataSet.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kv {

namespace {
const RunRows::Row kNoRow{};
}

const RunRows::Row &RunRows::row(int i) const
{
    if (inMemory(i))
        return m_rows[i - m_first];
    if (i >= 0 && i < m_first && readBack(i))
        return m_backRows[i - m_backFirst];
    return kNoRow;
}

bool RunRows::readBack(int i) const
{
    if (m_backFirst >= 0 && i >= m_backFirst && i < m_backFirst + static_cast<int>(m_back.size()))
        return true;
    const Stretch *s = stretchOf(i);
    if (!s)
        return false;
    const int k = (i - s->first) / kMark;
    const int first = s->first + k * kMark;
    // Only rows that left memory: the newest lines may still be on their
    // way to the disk.
    const int rows = std::min({kMark, s->rows - k * kMark, m_first - first});
    if (rows <= 0)
        return false;
    const qint64 from = s->marks[k];
    const qint64 to = k + 1 < static_cast<int>(s->marks.size()) ? s->marks[k + 1] : s->end;
    const auto fail = [&](const QString &why) {
        if (m_backError.isEmpty())
            m_backError = QStringLiteral("Readings %1 to %2 of the recording could not be read back from its "
                                         "safety copy %3: %4.")
                              .arg(first + 1)
                              .arg(first + rows)
                              .arg(QDir::toNativeSeparators(s->path), why);
        return false;
    };
    if (m_waitWritten && QFileInfo(s->path).size() < to)
        m_waitWritten();
    QFile file(s->path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QByteArray bytes;
    if (!file.seek(from) || (bytes = file.read(to - from)).isEmpty())
        return fail(QStringLiteral("the file is shorter than it was written"));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const TextListRows read = TextDataSet::read(buffer, TextDataSet::Tab, s->path);
    if (!read.ok || static_cast<int>(read.rows.size()) < rows)
        return fail(QStringLiteral("its lines are not those written"));

    m_back.assign(rows, QStringList());
    m_backRows.assign(rows, Row());
    LocaleDateTimeReader times;
    const int columns = ColCount();
    for (int j = 0; j < rows; ++j) {
        QStringList cells = read.rows.row(j, columns);
        cells[0] = QString::number(first + j + 1);
        Row &r = m_backRows[j];
        times.dateTime(cells.value(1), cells.value(2), r.dateTime);
        float v = 0;
        r.t1Overload = !listValue(cells.value(3), v);
        r.t1 = v;
        r.unit1 = static_cast<quint8>(std::max<int>(0, m_units.indexOf(cells.value(4))));
        if (m_model == 482) {
            r.t2Overload = !listValue(cells.value(5), v);
            r.t2 = v;
            r.unit2 = static_cast<quint8>(std::max<int>(0, m_units.indexOf(cells.value(6))));
        }
        r.status = static_cast<quint16>(std::max<int>(0, m_texts.indexOf(cells.value(columns - 1))));
        m_back[j] = std::move(cells);
    }
    m_backFirst = first;
    return true;
}

QStringList RunRows::journalFiles() const
{
    QStringList paths;
    for (const Stretch &s : m_stretches)
        if (!paths.contains(s.path))
            paths << s.path;
    return paths;
}

QString RunRows::readBackError() const
{
    if (!m_backError.isEmpty())
        return m_backError;
    for (const Stretch &s : m_stretches) {
        if (s.first >= m_first)
            break;
        const QFileInfo info(s.path);
        const qint64 needed = s.first + s.rows <= m_first ? s.end : s.marks.front() + 1;
        if (!info.exists() || info.size() < needed)
            return QStringLiteral("Readings %1 to %2 of the recording are no longer in its safety copy %3.")
                .arg(s.first + 1)
                .arg(std::min(s.first + s.rows, m_first))
                .arg(QDir::toNativeSeparators(s.path));
    }
    return QString();
}

} // namespace kv
