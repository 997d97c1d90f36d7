#include "common/CompactRows.h"

#include <algorithm>

namespace kv {

void CompactRows::resize(std::size_t rows)
{
    for (std::size_t r = rows; r < m_rows.size(); ++r)
        m_waste += m_rows[r].length;
    m_rows.resize(rows);
    if (m_rows.empty())
        clear();
    else
        compactIfWasteful();
}

void CompactRows::clear()
{
    m_rows.clear();
    m_store.clear();
    m_waste = 0;
}

void CompactRows::reserve(std::size_t rows, std::size_t bytes)
{
    m_rows.reserve(rows);
    m_store.reserve(bytes);
}

std::string CompactRows::encode(const QStringList &cells, int maxCells)
{
    int last = std::min<int>(cells.size(), maxCells) - 1;
    while (last >= 0 && cells.at(last).isEmpty())
        --last;
    std::string s;
    for (int c = 0; c <= last; ++c) {
        if (c)
            s.push_back(kSep);
        QByteArray u = cells.at(c).toUtf8();
        u.replace(kSep, ' ');
        s.append(u.constData(), u.size());
    }
    return s;
}

void CompactRows::append(const QStringList &cells, int maxCells)
{
    const std::string s = encode(cells, maxCells);
    appendEncoded(s.data(), s.size());
}

void CompactRows::appendEncoded(const char *data, std::size_t size)
{
    m_rows.push_back({m_store.size(), static_cast<std::uint32_t>(size)});
    m_store.append(data, size);
}

void CompactRows::appendAll(const CompactRows &other)
{
    if (m_rows.empty() && other.m_waste == 0) {
        *this = other;
        return;
    }
    m_rows.reserve(m_rows.size() + other.m_rows.size());
    for (const Ref &r : other.m_rows)
        appendEncoded(other.m_store.data() + r.offset, r.length);
}

void CompactRows::set(std::size_t row, const QStringList &cells, int maxCells)
{
    const std::string s = encode(cells, maxCells);
    Ref &ref = m_rows[row];
    if (s.size() <= ref.length) {
        // Fits where it was: write over it.
        std::copy(s.begin(), s.end(), m_store.begin() + ref.offset);
        m_waste += ref.length - s.size();
    } else {
        m_waste += ref.length;
        ref.offset = m_store.size();
        m_store.append(s);
    }
    ref.length = static_cast<std::uint32_t>(s.size());
    compactIfWasteful();
}

void CompactRows::compactIfWasteful()
{
    if (m_waste < (1u << 20) || m_waste * 2 < m_store.size())
        return;
    std::string fresh;
    fresh.reserve(m_store.size() - m_waste + 1024);
    for (Ref &r : m_rows) {
        const std::uint64_t at = fresh.size();
        fresh.append(m_store, r.offset, r.length);
        r.offset = at;
    }
    m_store.swap(fresh);
    m_waste = 0;
}

QStringList CompactRows::row(std::size_t row, int minCells) const
{
    QStringList cells;
    if (row >= m_rows.size())
        return cells;
    const Ref &ref = m_rows[row];
    const char *p = m_store.data() + ref.offset;
    const char *end = p + ref.length;
    if (ref.length) {
        const char *start = p;
        for (; p <= end; ++p) {
            if (p == end || *p == kSep) {
                cells << QString::fromUtf8(start, static_cast<int>(p - start));
                start = p + 1;
            }
        }
    }
    while (cells.size() < minCells)
        cells << QString();
    return cells;
}

QString CompactRows::cell(std::size_t row, int col) const
{
    if (row >= m_rows.size() || col < 0)
        return QString();
    const Ref &ref = m_rows[row];
    const char *p = m_store.data() + ref.offset;
    const char *end = p + ref.length;
    int c = 0;
    for (; c < col && p < end; ++p)
        if (*p == kSep)
            ++c;
    if (c < col)
        return QString();
    const char *q = p;
    while (q < end && *q != kSep)
        ++q;
    return QString::fromUtf8(p, static_cast<int>(q - p));
}

} // namespace kv
