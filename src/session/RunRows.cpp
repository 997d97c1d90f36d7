#include "session/RunRows.h"

#include "common/LocaleText.h"

namespace kv {

void RunRows::clear(int model)
{
    m_model = model == 481 ? 481 : 482;
    m_rows.clear();
    m_rows.squeeze();
    m_texts.clear();
    m_cachedRow = -1;
}

int RunRows::intern(const QString &text)
{
    // A run sees a handful of units and function words: a row keeps indexes.
    const int i = m_texts.indexOf(text);
    if (i >= 0)
        return i;
    m_texts << text;
    return m_texts.size() - 1;
}

void RunRows::append(const LiveSample &s)
{
    const Reading &r = s.reading;
    Row row;
    row.dateTime = s.dateTime;
    row.t1 = r.t1;
    row.t2 = r.t2;
    row.t1Overload = r.t1Overload;
    row.t2Overload = r.t2Overload;
    row.unit1 = intern(r.unit1);
    row.unit2 = intern(r.unit2);
    row.status = intern(r.statusText);
    m_rows.append(row);
}

QStringList RunRows::titles(int model)
{
    return model == 481 ? QStringList{"NO", "DATE", "TIME", "Value", "UNIT", "FUNCTION"}
                        : QStringList{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"};
}

Reading RunRows::reading(int i) const
{
    const Row &row = m_rows.at(i);
    Reading r;
    r.t1 = row.t1;
    r.t2 = row.t2;
    r.t1Overload = row.t1Overload;
    r.t2Overload = row.t2Overload;
    r.unit1 = m_texts.at(row.unit1);
    r.unit2 = m_texts.at(row.unit2);
    r.statusText = m_texts.at(row.status);
    return r;
}

QStringList RunRows::cells(int i) const
{
    return liveRowCells(i + 1, m_rows.at(i).dateTime, reading(i), m_model);
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
    if (row < 1 || row > m_rows.size())
        return QString();
    if (m_cachedRow != row) {
        m_cachedCells = cells(row - 1);
        m_cachedRow = row;
    }
    return m_cachedCells.value(col);
}

} // namespace kv
