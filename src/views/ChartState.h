#pragma once
// Everything a chart holds, as plain data: its cells, scales, vertical line
// annotations and look, and the versioned binary block that stores it all
// (the block graph files and the chart template carry).

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

#include <stdexcept>
#include <vector>

namespace kv {

// An operation on a cell or subset that does not exist.
class ChartError : public std::out_of_range
{
public:
    using std::out_of_range::out_of_range;
};

enum class PlottingMethod { Line = 0, Spline, Points, PointsAndLine, Bar, Step };
enum class GridStyle { None = 0, Dot, Dash, Solid };
enum class Background { White = 0, LightGradient, DarkGradient };
// Line types of a subset: solid, dashed, dotted, dash-dot, thick solid.
constexpr int kLineTypeCount = 5;

struct ChartLook
{
    QString mainTitle;
    QString subTitle;
    QString xAxisLabel;
    QString yAxisLabel;
    QStringList subsetLabels;   // by subset
    QVector<QColor> subsetColors;
    QVector<int> subsetLineTypes;
    PlottingMethod plotting = PlottingMethod::Line;
    GridStyle grid = GridStyle::Dot;
    Background background = Background::White;
    QColor yAxisColor = Qt::black;
    QColor vertLineColor0 = Qt::blue; // the colours new vertical lines take
    QColor vertLineColor1 = Qt::red;
    int lineAnnotationTextSize = 100; // percent
    int graphAnnotationTextSize = 100;
    bool showVertLineAnnotations = true;
    bool showGraphAnnotations = true;
    bool zooming = true; // rubber-band zoom across and along
    int dataPrecision = 3;

    bool operator==(const ChartLook &o) const;
};

// The colour the plot area of a background is filled with.
QColor plotAreaColor(Background background);
// The colour a line of colour c is drawn in on background: c itself when
// it stands out against the plot area, otherwise the same hue at the
// opposite lightness (black turns white on the dark background), or plain
// white or black where even that would not show. Only the drawing changes:
// the look keeps the colour the user chose.
QColor visibleLineColor(const QColor &c, Background background);

struct ChartScale
{
    bool manualX = false;
    double minX = 0, maxX = 1;
    bool manualY = false;
    double minY = 0, maxY = 1;
    bool operator==(const ChartScale &o) const;
};

struct VertLine
{
    double x = 0;
    int type = 0;
    QColor color = Qt::red;
    QString text;
    bool operator==(const VertLine &o) const;
};

// Subsets of cells; a cell is an x date-time and a single-precision y. A
// cell whose x is 0 has not been set and is not drawn, nor is one whose y
// is the null value.
class ChartData
{
public:
    static constexpr int kMaxSubsets = 64;
    static constexpr int kMaxPoints = 16 * 1024 * 1024;

    int subsets() const { return static_cast<int>(m_x.size()); }
    int points() const { return m_points; }
    void setSubsets(int n);
    void setPoints(int n);

    double x(int s, int p) const;
    float y(int s, int p) const;
    void setX(int s, int p, double v);
    void setY(int s, int p, float v);
    // Every cell of the subset back to unset.
    void emptySubset(int s);
    // The subset's first cells from x and y (as many as both hold, at most
    // the point count), every later cell unset.
    void setSubsetCells(int s, const std::vector<double> &x, const std::vector<float> &y);
    // Drops the `count` oldest cells of every subset, moves the rest to the
    // front and adds `count` unset cells at the end: the point count stays.
    void appendBlock(int count);

    const std::vector<double> &xs(int s) const { return m_x.at(s); }
    const std::vector<float> &ys(int s) const { return m_y.at(s); }
    bool operator==(const ChartData &o) const;
    // Moves on with every change of the cells; the same count, the same
    // cells (of this object), so a drawing of them can be kept.
    quint64 changes() const { return m_changes; }

private:
    void check(int s, int p) const;
    quint64 m_changes = 0;
    int m_points = 0;
    std::vector<std::vector<double>> m_x{1};
    std::vector<std::vector<float>> m_y{1};
};

struct ChartContents
{
    ChartData data;
    ChartScale scale;
    ChartLook look;
    QVector<VertLine> lines;
    float nullY = 9999.0f;
    bool operator==(const ChartContents &o) const;
};

QByteArray saveChartState(const ChartContents &c);
// Replaces out only when the whole block reads; otherwise out is unchanged
// and error says why.
bool restoreChartState(const QByteArray &block, ChartContents &out, QString *error);

} // namespace kv
