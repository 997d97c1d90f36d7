#include "session/RunEnvelope.h"

#include "session/RunRows.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv {

namespace {

using Block = RunRows::Block;

// Spans of up to this many samples are drawn exactly even where their
// rows have left memory (they are read back); longer ones take the rows'
// summaries, which place a summary that straddles two columns in the
// first of them.
constexpr int kReadBackRows = 200000;

// The first row at or after t. Between rows that left memory only to the
// summary's start, unless exact.
int rowAtOrAfter(const RunRows &run, double t, bool exact)
{
    const std::vector<Block> &blocks = run.blocks();
    const auto it = std::partition_point(blocks.begin(), blocks.end(), [t](const Block &b) { return b.last < t; });
    if (it == blocks.end())
        return run.count();
    int i = static_cast<int>(it - blocks.begin()) * Block::kRows;
    if (!exact && !run.inMemory(i))
        return i;
    const int end = std::min(run.count(), i + Block::kRows);
    while (i < end && run.row(i).dateTime < t)
        ++i;
    return i;
}

} // namespace

int RunEnvelope::columnOf(double t) const
{
    const double c = std::floor((t - m_from) / (m_to - m_from) * m_columns);
    return static_cast<int>(std::clamp(c, 0.0, double(m_columns - 1)));
}

void RunEnvelope::compute(const RunRows &run, double from, double to, int columns)
{
    m_from = from;
    m_to = to > from ? to : from + 1.0 / 86400.0;
    m_columns = std::max(1, columns);
    m_channels = run.channels();
    m_rawX.clear();
    m_rawBreak.clear();
    for (int ch = 0; ch < 2; ++ch) {
        m_rawY[ch].clear();
        m_cols[ch].clear();
    }
    const int n = run.count();
    m_next = n;
    int a = rowAtOrAfter(run, m_from, false);
    int b = rowAtOrAfter(run, m_to, false);
    const bool exact = b - a <= kReadBackRows;
    if (exact) {
        a = rowAtOrAfter(run, m_from, true);
        b = rowAtOrAfter(run, m_to, true);
    }
    m_inSpan = b - a;
    m_every = m_inSpan <= 2 * m_columns;
    if (m_every) {
        // With a sample either side, the line runs on to the edges.
        for (int i = std::max(0, a - 1); i < std::min(n, b + 1); ++i)
            addRaw(run, i);
        return;
    }
    for (int ch = 0; ch < m_channels; ++ch)
        m_cols[ch].assign(m_columns, Column());
    const std::vector<Block> &blocks = run.blocks();
    int i = a;
    while (i < b) {
        const int k = i / Block::kRows;
        const bool whole = i % Block::kRows == 0 && i + Block::kRows <= b;
        const bool gone = !run.inMemory(i);
        const Block &block = blocks[k];
        const int c = columnOf(block.first);
        // A summary stands for its rows where they share a column, and for
        // rows that left memory in a long span.
        if ((whole && (c == columnOf(block.last) || (gone && !exact))) || (gone && !exact)) {
            for (int ch = 0; ch < m_channels; ++ch) {
                Column &col = m_cols[ch][c];
                col.rows = true;
                col.breaks = col.breaks || block.breaks;
                if (!block.any[ch])
                    continue;
                col.min = col.any ? std::min(col.min, block.min[ch]) : block.min[ch];
                col.max = col.any ? std::max(col.max, block.max[ch]) : block.max[ch];
                col.any = true;
            }
            i = (k + 1) * Block::kRows;
            continue;
        }
        foldRow(run, i);
        ++i;
    }
}

bool RunEnvelope::foldRow(const RunRows &run, int i)
{
    const RunRows::Row &r = run.row(i);
    const int c = columnOf(r.dateTime);
    bool changed = false;
    for (int ch = 0; ch < m_channels; ++ch) {
        Column &col = m_cols[ch][c];
        changed = changed || !col.rows || (r.breakBefore && !col.breaks);
        col.rows = true;
        col.breaks = col.breaks || r.breakBefore;
        float v;
        if (!run.value(r, ch, v))
            continue;
        changed = changed || !col.any || v < col.min || v > col.max;
        col.min = col.any ? std::min(col.min, v) : v;
        col.max = col.any ? std::max(col.max, v) : v;
        col.any = true;
    }
    return changed;
}

void RunEnvelope::addRaw(const RunRows &run, int i)
{
    const RunRows::Row &r = run.row(i);
    m_rawX.push_back(r.dateTime);
    m_rawBreak.push_back(r.breakBefore);
    for (int ch = 0; ch < m_channels; ++ch) {
        float v;
        m_rawY[ch].push_back(run.value(r, ch, v) ? v : std::numeric_limits<float>::quiet_NaN());
    }
}

bool RunEnvelope::addNewest(const RunRows &run, bool *changed)
{
    if (changed)
        *changed = true;
    const int i = run.count() - 1;
    if (i < 0 || i != m_next || m_columns == 0 || run.channels() != m_channels)
        return false;
    m_next = i + 1;
    const double t = run.row(i).dateTime;
    if (t < m_from || t >= m_to)
        return false;
    ++m_inSpan;
    if (m_every) {
        if (m_inSpan > 2 * m_columns)
            return false;
        addRaw(run, i);
    } else if (!foldRow(run, i) && changed) {
        *changed = false;
    }
    return true;
}

RunEnvelope::Cells RunEnvelope::cells(int channel) const
{
    Cells out;
    if (channel < 0 || channel >= m_channels)
        return out;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    if (m_every) {
        out.x.reserve(m_rawX.size() + 8);
        out.y.reserve(m_rawX.size() + 8);
        for (std::size_t k = 0; k < m_rawX.size(); ++k) {
            if (m_rawBreak[k] && k > 0) {
                out.x.push_back((m_rawX[k - 1] + m_rawX[k]) / 2);
                out.y.push_back(nan);
            }
            out.x.push_back(m_rawX[k]);
            out.y.push_back(m_rawY[channel][k]);
        }
        return out;
    }
    const double dx = (m_to - m_from) / m_columns;
    const std::vector<Column> &cols = m_cols[channel];
    out.x.reserve(2 * cols.size());
    out.y.reserve(2 * cols.size());
    for (int c = 0; c < m_columns; ++c) {
        const Column &col = cols[c];
        if (!col.rows)
            continue;
        const double x = m_from + (c + 0.5) * dx;
        if (col.breaks && !out.x.empty()) {
            out.x.push_back(x - dx / 2);
            out.y.push_back(nan);
        }
        if (!col.any) { // overloads only: nothing drawn there
            out.x.push_back(x);
            out.y.push_back(nan);
            continue;
        }
        // The stroke starts at the end nearer the line coming in.
        const float last = out.y.empty() ? col.min : out.y.back();
        const bool downFirst = !std::isnan(last) && std::fabs(last - col.max) < std::fabs(last - col.min);
        out.x.push_back(x);
        out.y.push_back(downFirst ? col.max : col.min);
        if (col.max != col.min) {
            out.x.push_back(x);
            out.y.push_back(downFirst ? col.min : col.max);
        }
    }
    return out;
}

} // namespace kv
