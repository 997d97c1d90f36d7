#pragma once
// What the text data set tests build their cases from: a date-time by its
// parts, a list read from bytes, and a list window's grid holding it.

#include "common/DateTime.h"
#include "files/TextDataSet.h"
#include "views/GridModel.h"

#include <QBuffer>

namespace kv::test {

inline double at(int y, int mo, int d, int h, int mi, int s)
{
    return toDateTimeDouble(QDate(y, mo, d), QTime(h, mi, s));
}

inline TextListRows readBytes(const QByteArray &bytes, QChar sep)
{
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    return TextDataSet::read(buf, sep);
}

// A list window's grid holding what the reader gave.
inline void intoList(GridModel &m, const TextListRows &rows)
{
    m.setColCount(rows.columns);
    m.appendRows(rows.rows);
}

} // namespace kv::test
