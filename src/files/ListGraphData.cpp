#include "files/ListGraphData.h"

#include "common/LocaleText.h"
#include "files/LocaleDateTimeReader.h"
#include "views/GridSource.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr int kDateCol = 1;
constexpr int kTimeCol = 2;
constexpr int kValue1Col = 3;
constexpr int kValue2Col = 5;
constexpr int kUnit2Col = 6;

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

bool listValue(const QString &text, float &value)
{
    if (text == QLatin1String("OL"))
        return false;
    bool ok = false;
    double v = parseLocaleDouble(text, &ok);
    if (!ok && text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char(',')) && decimalSeparatorIsComma()) {
        QString t = text;
        t.replace(QLatin1Char('.'), QLatin1Char(','));
        v = parseLocaleDouble(t, &ok);
    }
    if (!ok)
        return false;
    const auto f = static_cast<float>(v);
    // Beyond single precision it is no temperature either.
    if (!std::isfinite(f))
        return false;
    value = f;
    return true;
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

    LocaleDateTimeReader reader;
    if (n > 0) {
        const auto convertOnce = [&](int row, double &into) {
            const QString date = list.cell(kDateCol, row);
            const QString time = list.cell(kTimeCol, row);
            if (!reader.dateTime(date, time, into)) {
                into = 0;
                if (g.error.isEmpty())
                    g.error = QStringLiteral("'%1 %2' is not a valid date and time").arg(date, time);
            }
        };
        convertOnce(1, g.start);
        convertOnce(n, g.end);
    }

    Extremes ex[2];
    for (int row = 1; row <= n; ++row) {
        if (progress && !progress(row, n)) {
            g.cancelled = true;
            break;
        }
        g.rowsDone = row;
        const int p = row - 1;
        double x = 0;
        // A row without a date-time gives no point in either subset.
        if (!reader.dateTime(list.cell(kDateCol, row), list.cell(kTimeCol, row), x))
            continue;
        for (int s = 0; s < g.subsets; ++s) {
            g.x[s][p] = x;
            float v = 0;
            if (listValue(list.cell(s == 0 ? kValue1Col : kValue2Col, row), v)) {
                g.y[s][p] = v;
                ex[s].take(v);
                g.anyValue = true;
            }
        }
    }

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
