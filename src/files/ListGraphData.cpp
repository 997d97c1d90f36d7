#include "files/ListGraphData.h"

#include "common/LocaleText.h"
#include "common/Temperature.h"
#include "files/LocaleDateTimeReader.h"
#include "views/GridSource.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv {

namespace {

constexpr int kDateCol = 1;
constexpr int kTimeCol = 2;
constexpr int kValue1Col = 3;
constexpr int kUnit1Col = 4;
constexpr int kValue2Col = 5;
constexpr int kUnit2Col = 6;

bool isUnit(const QString &text)
{
    return text == QLatin1String("C") || text == QLatin1String("F");
}

// An empty cell or the graph layout's "----": no reading, no point.
bool isNoReading(const QString &text)
{
    const QString t = text.trimmed();
    return t.isEmpty() || t == QLatin1String("----");
}

struct Extremes
{
    float largest = -99999.0f;
    float smallest = 99999.0f;
    void take(float v)
    {
        largest = std::max(largest, v);
        smallest = std::min(smallest, v);
    }
};

} // namespace

namespace {

// Reads value cells with the decimal separator looked up once. Accepts what
// the locale's number reading accepts (blanks around, a sign, digits with
// one decimal separator, an exponent; no thousands separators) and a point
// where the locale's separator is a comma.
class ValueReader
{
public:
    ValueReader() : m_point(decimalSeparator().at(0)), m_alsoPoint(m_point == QLatin1Char(',')) {}

    bool read(const QString &text, float &value) const
    {
        if (text == QLatin1String("OL"))
            return false;
        QByteArray ascii;
        if (!normalise(text, ascii))
            return false;
        bool ok = false;
        const double v = ascii.toDouble(&ok);
        const auto f = static_cast<float>(v);
        // Beyond single precision it is no temperature either.
        if (!ok || !std::isfinite(v) || !std::isfinite(f))
            return false;
        value = f;
        return true;
    }

private:
    bool normalise(const QString &text, QByteArray &out) const
    {
        qsizetype i = 0, n = text.size();
        while (i < n && text.at(i).isSpace())
            ++i;
        while (n > i && text.at(n - 1).isSpace())
            --n;
        out.reserve(n - i);
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            out += static_cast<char>(text.at(i++).unicode());
        int digits = 0;
        bool separator = false;
        for (; i < n; ++i) {
            const QChar c = text.at(i);
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                out += static_cast<char>(c.unicode());
                ++digits;
            } else if (!separator && (c == m_point || (m_alsoPoint && c == QLatin1Char('.')))) {
                out += '.';
                separator = true;
            } else {
                break;
            }
        }
        if (digits == 0)
            return false;
        if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
            out += 'e';
            ++i;
            if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
                out += static_cast<char>(text.at(i++).unicode());
            int exponent = 0;
            for (; i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i, ++exponent)
                out += static_cast<char>(text.at(i).unicode());
            if (exponent == 0)
                return false;
        }
        return i == n;
    }

    QChar m_point;
    bool m_alsoPoint;
};

} // namespace

bool listValue(const QString &text, float &value)
{
    return ValueReader().read(text, value);
}

QString unreadableValue(const QString &text)
{
    return QStringLiteral("holds the value %1 where a number such as %2 or OL is expected")
        .arg(LocaleDateTimeReader::quotedText(text), fixedText(22.5, 1));
}

namespace {

// The first row up to `last` whose date or time does not read.
UnreadableRow firstUnreadableDate(const GridSource &list, int last)
{
    LocaleDateTimeReader reader;
    const int n = std::min(last, list.RowCount() - 1);
    for (int row = 1; row <= n; ++row) {
        const QString date = list.cell(kDateCol, row);
        const QString time = list.cell(kTimeCol, row);
        double value = 0;
        if (!reader.dateTime(date, time, value))
            return {row, reader.problem(date, time)};
    }
    return {};
}

} // namespace

UnreadableRow firstUnreadableRow(const GridSource &list)
{
    return firstUnreadableDate(list, list.RowCount() - 1);
}

UnreadableRow firstUnreadableRow(const TextListRows &rows)
{
    // The rows as the list's grid will hold them: row 0 the titles.
    class Rows final : public GridSource
    {
    public:
        explicit Rows(const TextListRows &r) : m_r(r) {}
        int RowCount() const override { return static_cast<int>(m_r.rows.size()) + 1; }
        int ColCount() const override { return m_r.columns; }
        QString cell(int col, int row) const override
        {
            return row > 0 ? m_r.rows.cell(static_cast<std::size_t>(row - 1), col) : QString();
        }

    private:
        const TextListRows &m_r;
    };
    // A date above the first unreadable value is told first.
    const int last = rows.valueRow ? rows.valueRow : static_cast<int>(rows.rows.size());
    if (const UnreadableRow date = firstUnreadableDate(Rows(rows), last); date.row)
        return date;
    return {rows.valueRow, rows.valueProblem};
}

ListGraphData convertListToGraph(const GridSource &list, const TextProgress &progress)
{
    ListGraphData g;
    const int n = std::max(0, list.RowCount() - 1);
    const QString unit2 = list.ColCount() > kUnit2Col ? list.cell(kUnit2Col, 1) : QString();
    g.subsets = unit2.contains(QLatin1Char('F')) || unit2.contains(QLatin1Char('C')) ? 2 : 1;
    g.points = n;
    g.x.assign(g.subsets, std::vector<double>(n, 0.0));
    g.y.assign(g.subsets, std::vector<float>(n, 0.0f));

    for (int row = 1; row <= n && g.unit.isEmpty(); ++row)
        if (const QString u = list.cell(kUnit1Col, row); isUnit(u))
            g.unit = u;

    LocaleDateTimeReader reader;
    const ValueReader values;
    // A row whose date or time does not read makes no graph: its points
    // would be misdated or missing. The first such row is named.
    const auto convert = [&](int row, double &into) {
        const QString date = list.cell(kDateCol, row);
        const QString time = list.cell(kTimeCol, row);
        if (reader.dateTime(date, time, into))
            return true;
        into = 0;
        g.badRow = row;
        g.problem = reader.problem(date, time);
        return false;
    };
    if (n > 0 && !convert(1, g.start))
        return g;

    Extremes ex[2];
    for (int row = 1; row <= n; ++row) {
        if (progress && !progress(row, n)) {
            g.cancelled = true;
            break;
        }
        g.rowsDone = row;
        const int p = row - 1;
        double x = 0;
        if (!convert(row, x))
            return g;
        if (row == n)
            g.end = x;
        for (int s = 0; s < g.subsets; ++s) {
            g.x[s][p] = x;
            const QString cell = list.cell(s == 0 ? kValue1Col : kValue2Col, row);
            float v = 0;
            if (cell.trimmed() == QLatin1String("OL")) {
                // The overload mark: not drawn, not in the range, saved as "OL".
                g.y[s][p] = TextDataSet::OverloadValue;
            } else if (values.read(cell, v)) {
                if (const QString u = list.cell(s == 0 ? kUnit1Col : kUnit2Col, row); isUnit(u) && u != g.unit)
                    v = static_cast<float>(convertTemperature(v, u, g.unit));
                g.y[s][p] = v;
                ex[s].take(v);
                g.anyValue = true;
            } else if (isNoReading(cell)) {
                // No reading: a break in the line, saved as "----" again
                // rather than as a reading of 0.
                g.y[s][p] = std::numeric_limits<float>::quiet_NaN();
            } else {
                // A value that does not read would be drawn as 0.
                g.badRow = row;
                g.problem = unreadableValue(cell);
                return g;
            }
            if (const QString u = list.cell(s == 0 ? kUnit1Col : kUnit2Col, row); unitIsNumber(u)) {
                g.badRow = row;
                g.problem = misplacedUnit(u);
                return g;
            }
        }
        // A second channel that is not drawn is still checked as opening
        // checks it, so a list the graph takes is one that opens.
        if (g.subsets == 1 && list.ColCount() > kUnit2Col) {
            const QString cell = list.cell(kValue2Col, row);
            const QString u = list.cell(kUnit2Col, row);
            float v = 0;
            if (cell.trimmed() != QLatin1String("OL") && !isNoReading(cell) && !values.read(cell, v)) {
                g.badRow = row;
                g.problem = unreadableValue(cell);
                return g;
            }
            if (unitIsNumber(u)) {
                g.badRow = row;
                g.problem = misplacedUnit(u);
                return g;
            }
        }
    }

    // A cancelled graph still spans the whole list.
    if (g.cancelled && !convert(n, g.end))
        return g;

    if (g.anyValue) {
        float top = ex[0].largest;
        float bottom = ex[0].smallest;
        if (g.subsets == 2) {
            top = std::max(top, ex[1].largest);
            bottom = std::min(bottom, ex[1].smallest);
        }
        const float topTenth = 0.1f * std::fabs(top);
        const float bottomTenth = 0.1f * std::fabs(bottom);
        g.yMax = static_cast<double>(top) + static_cast<double>(topTenth);
        g.yMin = static_cast<double>(bottom) - static_cast<double>(bottomTenth);
    }
    return g;
}

} // namespace kv
