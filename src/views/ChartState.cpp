#include "views/ChartState.h"

#include <QtEndian>

#include <cmath>
#include <algorithm>
#include <cstring>

namespace kv {

namespace {

// Relative luminance of a colour, 0 (black) to 1 (white), as the usual
// contrast rules weigh the three channels.
double luminance(const QColor &c)
{
    const auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// Below this a thin line is hard to make out.
constexpr double kLineContrast = 3.0;

} // namespace

QColor plotAreaColor(Background background)
{
    return background == Background::DarkGradient ? QColor(16, 18, 24) : QColor(Qt::white);
}

QColor visibleLineColor(const QColor &c, Background background)
{
    const QColor area = plotAreaColor(background);
    if (contrast(c, area) >= kLineContrast)
        return c;
    // The same hue at the opposite lightness, and from there on towards
    // white (on a dark area) or black until it shows.
    const QColor hsl = c.toHsl();
    const bool darkArea = luminance(area) < 0.5;
    int lightness = 255 - hsl.lightness();
    QColor shown;
    for (;;) {
        shown = QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), qBound(0, lightness, 255), c.alpha());
        if (contrast(shown, area) >= kLineContrast || lightness <= 0 || lightness >= 255)
            break;
        lightness += darkArea ? 8 : -8;
    }
    return shown.toRgb();
}

bool ChartLook::operator==(const ChartLook &o) const
{
    return mainTitle == o.mainTitle && subTitle == o.subTitle && xAxisLabel == o.xAxisLabel
        && yAxisLabel == o.yAxisLabel && subsetLabels == o.subsetLabels && subsetColors == o.subsetColors
        && subsetLineTypes == o.subsetLineTypes && plotting == o.plotting && grid == o.grid
        && background == o.background && yAxisColor == o.yAxisColor && vertLineColor0 == o.vertLineColor0
        && vertLineColor1 == o.vertLineColor1 && lineAnnotationTextSize == o.lineAnnotationTextSize
        && graphAnnotationTextSize == o.graphAnnotationTextSize
        && showVertLineAnnotations == o.showVertLineAnnotations && showGraphAnnotations == o.showGraphAnnotations
        && zooming == o.zooming && dataPrecision == o.dataPrecision;
}

bool ChartScale::operator==(const ChartScale &o) const
{
    return manualX == o.manualX && minX == o.minX && maxX == o.maxX && manualY == o.manualY && minY == o.minY
        && maxY == o.maxY;
}

bool VertLine::operator==(const VertLine &o) const
{
    return x == o.x && type == o.type && color == o.color && text == o.text;
}

bool ChartContents::operator==(const ChartContents &o) const
{
    return data == o.data && scale == o.scale && look == o.look && lines == o.lines && nullY == o.nullY;
}

// --- cells ------------------------------------------------------------------

void ChartData::setSubsets(int n)
{
    if (n < 1 || n > kMaxSubsets)
        throw ChartError("subset count out of range");
    if (n == subsets())
        return;
    ++m_changes;
    m_x.resize(n);
    m_y.resize(n);
    for (int s = 0; s < n; ++s) {
        m_x[s].resize(m_points, 0.0);
        m_y[s].resize(m_points, 0.0f);
    }
}

void ChartData::setPoints(int n)
{
    if (n < 0 || n > kMaxPoints)
        throw ChartError("point count out of range");
    if (n == m_points)
        return;
    ++m_changes;
    m_points = n;
    for (auto &v : m_x)
        v.resize(n, 0.0);
    for (auto &v : m_y)
        v.resize(n, 0.0f);
}

void ChartData::check(int s, int p) const
{
    if (s < 0 || s >= subsets())
        throw ChartError("no such subset");
    if (p < 0 || p >= m_points)
        throw ChartError("no such point");
}

double ChartData::x(int s, int p) const
{
    check(s, p);
    return m_x[s][p];
}

float ChartData::y(int s, int p) const
{
    check(s, p);
    return m_y[s][p];
}

void ChartData::setX(int s, int p, double v)
{
    check(s, p);
    ++m_changes;
    m_x[s][p] = v;
}

void ChartData::setY(int s, int p, float v)
{
    check(s, p);
    ++m_changes;
    m_y[s][p] = v;
}

void ChartData::emptySubset(int s)
{
    if (s < 0 || s >= subsets())
        throw ChartError("no such subset");
    ++m_changes;
    std::fill(m_x[s].begin(), m_x[s].end(), 0.0);
    std::fill(m_y[s].begin(), m_y[s].end(), 0.0f);
}

void ChartData::setSubsetCells(int s, const std::vector<double> &x, const std::vector<float> &y)
{
    if (s < 0 || s >= subsets())
        throw ChartError("no such subset");
    const auto n = static_cast<std::ptrdiff_t>(std::min({x.size(), y.size(), std::size_t(m_points)}));
    // The same cells again (a set shown once more) change nothing. Compared
    // as bytes: a NaN equals itself.
    const auto zero = [](const auto &v) { return v == 0; };
    if ((n == 0
         || (std::memcmp(x.data(), m_x[s].data(), n * sizeof(double)) == 0
             && std::memcmp(y.data(), m_y[s].data(), n * sizeof(float)) == 0))
        && std::all_of(m_x[s].begin() + n, m_x[s].end(), zero) && std::all_of(m_y[s].begin() + n, m_y[s].end(), zero))
        return;
    ++m_changes;
    std::copy(x.begin(), x.begin() + n, m_x[s].begin());
    std::copy(y.begin(), y.begin() + n, m_y[s].begin());
    std::fill(m_x[s].begin() + n, m_x[s].end(), 0.0);
    std::fill(m_y[s].begin() + n, m_y[s].end(), 0.0f);
}

void ChartData::appendBlock(int count)
{
    if (count <= 0)
        return;
    ++m_changes;
    const std::size_t k = std::min<std::size_t>(count, m_points);
    for (int s = 0; s < subsets(); ++s) {
        std::move(m_x[s].begin() + k, m_x[s].end(), m_x[s].begin());
        std::fill(m_x[s].end() - k, m_x[s].end(), 0.0);
        std::move(m_y[s].begin() + k, m_y[s].end(), m_y[s].begin());
        std::fill(m_y[s].end() - k, m_y[s].end(), 0.0f);
    }
}

bool ChartData::operator==(const ChartData &o) const
{
    return m_points == o.m_points && m_x == o.m_x && m_y == o.m_y;
}

// --- the state block ----------------------------------------------------------

namespace {

const char kMagic[4] = {'K', 'V', 'C', 'H'};
constexpr quint16 kVersion = 1;
constexpr quint32 kMaxText = 1 << 16;
constexpr quint32 kMaxList = 4096;

class Writer
{
public:
    QByteArray out;
    template <typename T> void num(T v)
    {
        T le = qToLittleEndian(v);
        out.append(reinterpret_cast<const char *>(&le), sizeof le);
    }
    void f64(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        num<quint64>(bits);
    }
    void f32(float v)
    {
        quint32 bits;
        std::memcpy(&bits, &v, sizeof bits);
        num<quint32>(bits);
    }
    void text(const QString &s)
    {
        const QByteArray u = s.left(kMaxText / 4).toUtf8();
        num<quint32>(static_cast<quint32>(u.size()));
        out.append(u);
    }
    void color(const QColor &c) { num<quint32>(c.rgba()); }
};

// Reads with every length checked against what is left, so no field can
// make it read or allocate beyond the block.
class Reader
{
public:
    explicit Reader(const QByteArray &b)
        : m_data(b.constData())
        , m_left(static_cast<quint64>(b.size()))
    {
    }
    bool ok = true;
    quint64 left() const { return m_left; }
    bool take(void *to, quint64 n)
    {
        if (!ok || n > m_left) {
            ok = false;
            return false;
        }
        if (n)
            std::memcpy(to, m_data, n);
        m_data += n;
        m_left -= n;
        return true;
    }
    template <typename T> T num()
    {
        T v{};
        take(&v, sizeof v);
        return qFromLittleEndian(v);
    }
    double f64()
    {
        const quint64 bits = num<quint64>();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    float f32()
    {
        const quint32 bits = num<quint32>();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    QString text()
    {
        const quint32 n = num<quint32>();
        if (!ok || n > kMaxText || n > m_left) {
            ok = false;
            return {};
        }
        const QString s = QString::fromUtf8(m_data, static_cast<int>(n));
        m_data += n;
        m_left -= n;
        return s;
    }
    QColor color() { return QColor::fromRgba(num<quint32>()); }
    quint32 count(quint32 max)
    {
        const quint32 n = num<quint32>();
        if (n > max)
            ok = false;
        return ok ? n : 0;
    }

private:
    const char *m_data;
    quint64 m_left;
};

template <typename E> bool enumIn(int v, E last)
{
    return v >= 0 && v <= static_cast<int>(last);
}

} // namespace

QByteArray saveChartState(const ChartContents &c)
{
    Writer w;
    w.out.reserve(256 + c.data.subsets() * c.data.points() * 12);
    w.out.append(kMagic, 4);
    w.num<quint16>(kVersion);

    const ChartLook &l = c.look;
    w.text(l.mainTitle);
    w.text(l.subTitle);
    w.text(l.xAxisLabel);
    w.text(l.yAxisLabel);
    w.num<quint32>(static_cast<quint32>(l.subsetLabels.size()));
    for (const QString &s : l.subsetLabels)
        w.text(s);
    w.num<quint32>(static_cast<quint32>(l.subsetColors.size()));
    for (const QColor &col : l.subsetColors)
        w.color(col);
    w.num<quint32>(static_cast<quint32>(l.subsetLineTypes.size()));
    for (int t : l.subsetLineTypes)
        w.num<qint32>(t);
    w.num<quint8>(static_cast<quint8>(l.plotting));
    w.num<quint8>(static_cast<quint8>(l.grid));
    w.num<quint8>(static_cast<quint8>(l.background));
    w.color(l.yAxisColor);
    w.color(l.vertLineColor0);
    w.color(l.vertLineColor1);
    w.num<qint32>(l.lineAnnotationTextSize);
    w.num<qint32>(l.graphAnnotationTextSize);
    w.num<quint8>(l.showVertLineAnnotations);
    w.num<quint8>(l.showGraphAnnotations);
    w.num<quint8>(l.zooming);
    w.num<qint32>(l.dataPrecision);

    const ChartScale &s = c.scale;
    w.num<quint8>(s.manualX);
    w.f64(s.minX);
    w.f64(s.maxX);
    w.num<quint8>(s.manualY);
    w.f64(s.minY);
    w.f64(s.maxY);
    w.f32(c.nullY);

    w.num<quint32>(static_cast<quint32>(c.lines.size()));
    for (const VertLine &v : c.lines) {
        w.f64(v.x);
        w.num<qint32>(v.type);
        w.color(v.color);
        w.text(v.text);
    }

    const ChartData &d = c.data;
    w.num<quint32>(static_cast<quint32>(d.subsets()));
    w.num<quint32>(static_cast<quint32>(d.points()));
    for (int sub = 0; sub < d.subsets(); ++sub) {
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            w.out.append(reinterpret_cast<const char *>(d.xs(sub).data()), d.points() * 8);
            w.out.append(reinterpret_cast<const char *>(d.ys(sub).data()), d.points() * 4);
        } else {
            for (double v : d.xs(sub))
                w.f64(v);
            for (float v : d.ys(sub))
                w.f32(v);
        }
    }
    return w.out;
}

bool restoreChartState(const QByteArray &block, ChartContents &out, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    Reader r(block);
    char magic[4] = {};
    if (!r.take(magic, 4) || std::memcmp(magic, kMagic, 4) != 0)
        return fail(QStringLiteral("it is not a chart state"));
    const quint16 version = r.num<quint16>();
    if (!r.ok || version != kVersion)
        return fail(QStringLiteral("it was written in a format this program does not know (version %1)").arg(version));

    ChartContents c;
    ChartLook &l = c.look;
    l.mainTitle = r.text();
    l.subTitle = r.text();
    l.xAxisLabel = r.text();
    l.yAxisLabel = r.text();
    for (quint32 i = 0, n = r.count(kMaxList); i < n && r.ok; ++i)
        l.subsetLabels << r.text();
    for (quint32 i = 0, n = r.count(kMaxList); i < n && r.ok; ++i)
        l.subsetColors << r.color();
    for (quint32 i = 0, n = r.count(kMaxList); i < n && r.ok; ++i)
        l.subsetLineTypes << r.num<qint32>();
    const int plotting = r.num<quint8>();
    const int grid = r.num<quint8>();
    const int background = r.num<quint8>();
    if (!enumIn(plotting, PlottingMethod::Step) || !enumIn(grid, GridStyle::Solid)
        || !enumIn(background, Background::DarkGradient))
        r.ok = false;
    l.plotting = static_cast<PlottingMethod>(plotting);
    l.grid = static_cast<GridStyle>(grid);
    l.background = static_cast<Background>(background);
    l.yAxisColor = r.color();
    l.vertLineColor0 = r.color();
    l.vertLineColor1 = r.color();
    l.lineAnnotationTextSize = r.num<qint32>();
    l.graphAnnotationTextSize = r.num<qint32>();
    l.showVertLineAnnotations = r.num<quint8>() != 0;
    l.showGraphAnnotations = r.num<quint8>() != 0;
    l.zooming = r.num<quint8>() != 0;
    l.dataPrecision = r.num<qint32>();
    if (l.lineAnnotationTextSize < 1 || l.lineAnnotationTextSize > 1000 || l.graphAnnotationTextSize < 1
        || l.graphAnnotationTextSize > 1000 || l.dataPrecision < 0 || l.dataPrecision > 9)
        r.ok = false;

    ChartScale &s = c.scale;
    s.manualX = r.num<quint8>() != 0;
    s.minX = r.f64();
    s.maxX = r.f64();
    s.manualY = r.num<quint8>() != 0;
    s.minY = r.f64();
    s.maxY = r.f64();
    c.nullY = r.f32();

    for (quint32 i = 0, n = r.count(kMaxList); i < n && r.ok; ++i) {
        VertLine v;
        v.x = r.f64();
        v.type = r.num<qint32>();
        v.color = r.color();
        v.text = r.text();
        c.lines << v;
    }

    const quint32 subsets = r.num<quint32>();
    const quint32 points = r.num<quint32>();
    if (!r.ok)
        return fail(QStringLiteral("it is damaged"));
    if (subsets < 1 || subsets > ChartData::kMaxSubsets || points > ChartData::kMaxPoints)
        return fail(QStringLiteral("its size is out of range"));
    // The cells must all be there before anything is allocated for them.
    if (quint64(subsets) * points * 12 != r.left())
        return fail(QStringLiteral("its cells do not match its size"));
    c.data.setSubsets(static_cast<int>(subsets));
    c.data.setPoints(static_cast<int>(points));
    for (quint32 sub = 0; sub < subsets; ++sub) {
        std::vector<double> xs(points);
        std::vector<float> ys(points);
        for (quint32 p = 0; p < points; ++p)
            xs[p] = r.f64();
        for (quint32 p = 0; p < points; ++p)
            ys[p] = r.f32();
        for (quint32 p = 0; p < points; ++p) {
            c.data.setX(static_cast<int>(sub), static_cast<int>(p), xs[p]);
            c.data.setY(static_cast<int>(sub), static_cast<int>(p), ys[p]);
        }
    }
    if (!r.ok || r.left() != 0)
        return fail(QStringLiteral("it ends too early"));
    out = std::move(c);
    return true;
}

} // namespace kv
