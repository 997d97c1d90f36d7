#include "session/RunRows.h"

#include "common/LocaleText.h"
#include "common/Temperature.h"

#include <algorithm>

namespace kv {

void RunRows::clear(int model)
{
    m_model = model == 481 ? 481 : 482;
    std::deque<Row>().swap(m_rows);
    std::vector<Block>().swap(m_blocks);
    m_stretches.clear();
    m_first = 0;
    m_units.clear();
    m_texts.clear();
    m_unitText.clear();
    m_unit = -1;
    m_startTime = 0.0;
    m_backFirst = -1;
    m_back.clear();
    m_backRows.clear();
    m_backError.clear();
    m_cachedRow = -1;
}

int RunRows::intern(QStringList &texts, const QString &text, int most)
{
    // A run sees a handful of units and function words: a row keeps indexes.
    const int i = texts.indexOf(text);
    if (i >= 0)
        return i;
    if (texts.size() > most)
        return 0; // never in practice; the first text rather than another's
    texts << text;
    return texts.size() - 1;
}

void RunRows::append(const LiveSample &s, bool breakBefore)
{
    const Reading &r = s.reading;
    Row row;
    row.dateTime = s.dateTime;
    row.t1 = r.t1;
    row.t2 = r.t2;
    row.t1Overload = r.t1Overload;
    row.t2Overload = r.t2Overload;
    row.breakBefore = breakBefore && !isEmpty();
    row.unit1 = static_cast<quint8>(intern(m_units, r.unit1, 250));
    row.unit2 = static_cast<quint8>(intern(m_units, r.unit2, 250));
    row.status = static_cast<quint16>(intern(m_texts, r.statusText, 65000));
    if (isEmpty()) {
        m_startTime = s.dateTime;
        m_unitText = r.unit1;
        m_unit = row.unit1;
    }
    m_rows.push_back(row);
    summarise(row);
    if (static_cast<int>(m_rows.size()) > m_cap)
        evict();
}

bool RunRows::value(const Row &r, int channel, float &v) const
{
    if (channel == 0 ? r.t1Overload : r.t2Overload)
        return false;
    const double raw = channel == 0 ? r.t1 : r.t2;
    const int unit = channel == 0 ? r.unit1 : r.unit2;
    // A run keeps the unit of its first row; readings taken after the
    // meter's unit was switched are converted.
    v = static_cast<float>(unit == m_unit ? raw : convertTemperature(raw, m_units.value(unit), m_unitText));
    return true;
}

void RunRows::summarise(const Row &r)
{
    if ((count() - 1) % Block::kRows == 0) {
        Block b;
        b.first = r.dateTime;
        m_blocks.push_back(b);
    }
    Block &b = m_blocks.back();
    b.last = r.dateTime;
    b.breaks = b.breaks || r.breakBefore;
    for (int ch = 0; ch < channels(); ++ch) {
        float v;
        if (!value(r, ch, v))
            continue;
        if (!b.any[ch]) {
            b.min[ch] = b.max[ch] = v;
            b.any[ch] = true;
        } else {
            b.min[ch] = std::min(b.min[ch], v);
            b.max[ch] = std::max(b.max[ch], v);
        }
    }
}

void RunRows::evict()
{
    // Only rows the journal holds leave memory.
    while (static_cast<int>(m_rows.size()) > m_cap) {
        const Stretch *s = stretchOf(m_first);
        if (!s || s->stopped)
            return;
        m_rows.pop_front();
        ++m_first;
    }
}

const RunRows::Stretch *RunRows::stretchOf(int i) const
{
    auto it = std::upper_bound(m_stretches.begin(), m_stretches.end(), i,
                               [](int row, const Stretch &s) { return row < s.first; });
    if (it == m_stretches.begin())
        return nullptr;
    --it;
    return i < it->first + it->rows ? &*it : nullptr;
}

void RunRows::noteJournaled(int i, const QString &path, qint64 offset, qint64 bytes)
{
    if (!m_stretches.empty()) {
        Stretch &s = m_stretches.back();
        if (!s.stopped && s.first + s.rows == i && s.end == offset && s.path == path) {
            if (s.rows % kMark == 0)
                s.marks.push_back(offset);
            ++s.rows;
            s.end += bytes;
            return;
        }
    }
    Stretch s;
    s.first = i;
    s.rows = 1;
    s.path = path;
    s.end = offset + bytes;
    s.marks.push_back(offset);
    m_stretches.push_back(std::move(s));
}

void RunRows::renameJournal(const QString &path)
{
    if (!m_stretches.empty())
        m_stretches.back().path = path;
}

void RunRows::journalStopped()
{
    if (!m_stretches.empty())
        m_stretches.back().stopped = true;
}

QStringList RunRows::titles(int model)
{
    return model == 481 ? QStringList{"NO", "DATE", "TIME", "Value", "UNIT", "FUNCTION"}
                        : QStringList{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"};
}

Reading RunRows::reading(int i) const
{
    const Row &row = this->row(i);
    Reading r;
    r.t1 = row.t1;
    r.t2 = row.t2;
    r.t1Overload = row.t1Overload;
    r.t2Overload = row.t2Overload;
    r.unit1 = m_units.value(row.unit1);
    r.unit2 = m_units.value(row.unit2);
    r.statusText = m_texts.value(row.status);
    if (!inMemory(i) && readBack(i)) // the function words as the journal has them
        r.statusText = m_back[i - m_backFirst].value(ColCount() - 1);
    return r;
}

QStringList RunRows::cells(int i) const
{
    if (inMemory(i)) {
        const Row &row = m_rows[i - m_first];
        return liveRowCells(i + 1, row.dateTime, reading(i), m_model);
    }
    if (readBack(i))
        return m_back[i - m_backFirst];
    QStringList none;
    for (int c = 0; c < ColCount(); ++c)
        none << QString();
    none[0] = QString::number(i + 1);
    return none;
}

QStringList liveRowCells(int number, double dateTime, const Reading &r, int model)
{
    QStringList cells{QString::number(number), shortDateText(dateTime), hhmmssText(dateTime),
                      r.t1Overload ? QStringLiteral("OL") : fixedText(r.t1, 1), r.unit1};
    if (model == 482)
        cells << (r.t2Overload ? QStringLiteral("OL") : fixedText(r.t2, 1)) << r.unit2;
    cells << r.statusText;
    return cells;
}

QString RunRows::cell(int col, int row) const
{
    if (row == 0)
        return titles(m_model).value(col);
    if (row < 1 || row > count())
        return QString();
    if (m_cachedRow != row) {
        m_cachedCells = cells(row - 1);
        m_cachedRow = row;
    }
    return m_cachedCells.value(col);
}

} // namespace kv
