// Data set text files of any content, read as a list, written back as a
// table and read again, then turned into chart cells. The first byte picks
// the separator and the locale; the rest is the file.

#include "files/AnalysisCsv.h"
#include "files/ListGraphData.h"
#include "files/TextDataSet.h"
#include "views/GridSource.h"

#include <QBuffer>
#include <QByteArray>
#include <QLocale>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

class Rows final : public kv::GridSource
{
public:
    explicit Rows(const kv::TextListRows &r) : m_r(r) {}
    int RowCount() const override { return static_cast<int>(m_r.rows.size()) + 1; }
    int ColCount() const override { return m_r.columns; }
    QString cell(int col, int row) const override
    {
        if (row < 1 || row >= RowCount() || col < 0 || col >= m_r.columns)
            return QString();
        return m_r.rows[row - 1].at(col);
    }

private:
    const kv::TextListRows &m_r;
};

kv::TextListRows readAll(QByteArray bytes, QChar sep)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return kv::TextDataSet::read(buffer, sep, QStringLiteral("fuzz.txt"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 || size > 200000)
        return 0;
    const QChar sep = (data[0] & 1) ? kv::TextDataSet::Comma : kv::TextDataSet::Tab;
    QLocale::setDefault((data[0] & 2) ? QLocale(QLocale::German, QLocale::Germany)
                                      : QLocale(QLocale::English, QLocale::UnitedStates));
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));

    const kv::TextListRows r = readAll(bytes, sep);
    // A refused file (an analysis CSV with a broken line) says why.
    if (!r.ok) {
        if (r.error.isEmpty())
            std::abort();
        return 0;
    }
    if (r.rows.empty() != (r.columns == 0) || (r.columns != 0 && r.columns != 6 && r.columns != 8))
        std::abort();
    bool rewritable = true;
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
        const QStringList row = r.rows[i];
        if (row.size() != r.columns || row.at(0) != QString::number(i + 1))
            std::abort();
        qsizetype length = 0;
        for (int c = 1; c < row.size(); ++c) {
            const QString &cell = row.at(c);
            // A cell may hold the separator (a quoted field, or a number
            // given this locale's decimal comma), never a line end.
            if (cell.contains(QLatin1Char('\r')) || cell.contains(QLatin1Char('\n'))
                || cell.size() >= kv::TextDataSet::MaxLineLength)
                std::abort();
            // Written back, a cell may gain quotes (and double its own).
            length += cell.size() + 3 + cell.count(QLatin1Char('"'));
        }
        // Written back, the empty fields that were missing add separators;
        // a line grown past the limit would be cut when read again.
        if (length > kv::TextDataSet::MaxLineLength)
            rewritable = false;
    }

    // A table written from what was read reads back the same, unless the
    // first cell starts with what would be taken for a byte-order mark.
    const Rows grid(r);
    if (!r.rows.empty() && r.rows[0].at(1).startsWith(QChar(0xFEFF)))
        rewritable = false;
    // A list with a value that does not read is refused on opening and so
    // never written back; its cells keep the file's own form.
    if (r.valueRow != 0)
        rewritable = false;
    if (rewritable && !r.rows.empty()) {
        QByteArray written;
        QBuffer out(&written);
        out.open(QIODevice::WriteOnly);
        const kv::TextWriteResult w =
            kv::TextDataSet::writeGrid(out, grid, 1, grid.RowCount() - 1, sep, {}, QStringLiteral("fuzz.txt"));
        if (!w.ok || w.lines != static_cast<int>(r.rows.size()))
            std::abort();
        // A first cell that reads like the analysis CSV's header (behind a
        // byte-order mark it did not) would be read back as that format.
        if (kv::AnalysisCsv::isHeader(written))
            return 0;
        const kv::TextListRows again = readAll(written, sep);
        if (again.columns != r.columns || again.rows.size() != r.rows.size())
            std::abort();
        for (std::size_t i = 0; i < r.rows.size(); ++i)
            if (again.rows[i] != r.rows[i])
                std::abort();
    }

    const kv::ListGraphData g = kv::convertListToGraph(grid);
    if (g.points != static_cast<int>(r.rows.size()) || static_cast<int>(g.x.size()) != g.subsets
        || static_cast<int>(g.y.size()) != g.subsets || (g.subsets != 1 && g.subsets != 2))
        std::abort();
    for (int s = 0; s < g.subsets; ++s)
        if (static_cast<int>(g.x[s].size()) != g.points || static_cast<int>(g.y[s].size()) != g.points)
            std::abort();
    if (!std::isfinite(g.yMin) || !std::isfinite(g.yMax) || g.yMin > g.yMax)
        std::abort();
    // Every list the graph refuses is refused on opening, at that row or
    // before. Opening knows the file's decimal form and may refuse more (a
    // number in the other form), which never reaches a graph.
    const kv::UnreadableRow bad = kv::firstUnreadableRow(r);
    if (g.badRow != 0 && (bad.row == 0 || bad.row > g.badRow || bad.problem.isEmpty()))
        std::abort();
    return 0;
}
