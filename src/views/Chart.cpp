#include "views/Chart.h"

#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "common/Prompt.h"
#include "views/ChartColumns.h"
#include "views/ChartCustomizeDialog.h"
#include "views/PlotSurface.h"
#include "views/DateTimeTicker.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kv {

namespace {

constexpr double kUnixEpochDay = 25569.0; // 1970-01-01 as a date-time double
// Beyond this many points a spline is indistinguishable from lines and
// only costs time.
constexpr int kMaxSplinePoints = 1500;

// An axis range the plot can show. A range of no width (all cells at one
// time, or one value) would be refused and leave the previous axis standing;
// it becomes one of `width` around its value.
QCPRange visibleRange(double lower, double upper, double minWidth, double width)
{
    if (std::fabs(upper - lower) >= minWidth || !std::isfinite(lower) || !std::isfinite(upper))
        return QCPRange(lower, upper);
    const double centre = (lower + upper) / 2;
    return QCPRange(centre - width / 2, centre + width / 2);
}

Qt::PenStyle penStyle(int lineType)
{
    switch (lineType) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    default: return Qt::SolidLine;
    }
}

QPen subsetPen(const ChartLook &l, int s)
{
    const QColor c = s < l.subsetColors.size() ? l.subsetColors.at(s) : (s == 0 ? QColor(Qt::black) : QColor(Qt::red));
    const int type = s < l.subsetLineTypes.size() ? l.subsetLineTypes.at(s) : 0;
    // Whole-pixel cosmetic pens: anything else is stroked as a path, some
    // forty times slower for a full real-time graph.
    QPen pen(visibleLineColor(c, l.background), type == 4 ? 2 : 1, penStyle(type));
    pen.setCosmetic(true);
    return pen;
}

// A smooth curve through the cells that never leaves the range of the two
// samples around it: a monotone piecewise cubic (Fritsch and Carlson, with
// the weighted harmonic mean of the neighbouring slopes for the tangents).
// It is flat at every local high or low and rises or falls with the data
// elsewhere, so it never shows a temperature nobody measured. Runs end at
// gaps (NaN values) and wherever time does not move forward; no curve is
// drawn across either.
QVector<QCPGraphData> monotoneCurve(const QVector<QCPGraphData> &cells)
{
    const int n = cells.size();
    // Segments of few samples get more intermediate points; at many samples
    // a few per segment already look smooth.
    const int steps = qBound(4, 6000 / qMax(1, n), 16);
    QVector<QCPGraphData> out;
    out.reserve(n * steps);
    std::vector<double> tangent;
    int i = 0;
    while (i < n) {
        // One run: finite values, keys strictly rising.
        int j = i;
        if (!std::isnan(cells[i].value))
            while (j + 1 < n && !std::isnan(cells[j + 1].value) && cells[j + 1].key > cells[j].key)
                ++j;
        const int m = j - i + 1;
        if (m < 2) {
            out.append(cells[i]);
            i = j + 1;
            continue;
        }
        const auto h = [&](int k) { return cells[i + k + 1].key - cells[i + k].key; };
        const auto slope = [&](int k) { return (cells[i + k + 1].value - cells[i + k].value) / h(k); };
        tangent.assign(m, 0.0);
        tangent[0] = slope(0);
        tangent[m - 1] = slope(m - 2);
        for (int k = 1; k < m - 1; ++k) {
            const double d0 = slope(k - 1), d1 = slope(k);
            if (d0 * d1 <= 0.0)
                continue; // a local high, low or flat stretch: flat here
            const double h0 = h(k - 1), h1 = h(k);
            tangent[k] = 3.0 * (h0 + h1) / ((2.0 * h1 + h0) / d0 + (h1 + 2.0 * h0) / d1);
        }
        for (int k = 0; k < m - 1; ++k) {
            const QCPGraphData &a = cells[i + k], &b = cells[i + k + 1];
            out.append(a);
            const double dk = b.key - a.key, lo = std::min(a.value, b.value), hi = std::max(a.value, b.value);
            const double ma = tangent[k] * dk, mb = tangent[k + 1] * dk;
            for (int st = 1; st < steps; ++st) {
                const double t = double(st) / steps, t2 = t * t, t3 = t2 * t;
                const double v = (2 * t3 - 3 * t2 + 1) * a.value + (t3 - 2 * t2 + t) * ma
                    + (-2 * t3 + 3 * t2) * b.value + (t3 - t2) * mb;
                // Rounding alone could step a hair outside.
                out.append(QCPGraphData(a.key + dk * t, std::clamp(v, lo, hi)));
            }
        }
        out.append(cells[j]);
        i = j + 1;
    }
    return out;
}

} // namespace

double Chart::dateTimeOf(double key)
{
    return key / kSecondsPerDay + kUnixEpochDay;
}

namespace {
// A dotted frame over the whole chart, letting every click through.
class FocusFrame : public QWidget
{
public:
    explicit FocusFrame(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(QColor(40, 120, 230), 2, Qt::DotLine));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
};
} // namespace

Chart::Chart(QWidget *parent)
    : QWidget(parent)
    , m_plot(new PlotSurface(this))
    , m_focusFrame(new FocusFrame(this))
{
    setObjectName(QStringLiteral("PESGraph1"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);

    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    // A zoom, a new size or new scales: a line given per pixel column is
    // handed over again for the columns now laid out, before they are drawn.
    connect(m_plot, &QCustomPlot::afterLayout, this, &Chart::refreshColumns);
    m_plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new DateTimeTicker(m_plot->xAxis)));
    m_plot->xAxis->ticker()->setTickCount(6);
    m_plot->plotLayout()->insertRow(0);
    m_plot->plotLayout()->insertRow(0);
    // Main and sub title in two rows above the plot.
    m_mainTitle = new QCPTextElement(m_plot, QString(), QFont(font().family(), 12, QFont::Bold));
    m_subTitle = new QCPTextElement(m_plot, QString(), QFont(font().family(), 9));
    m_plot->plotLayout()->addElement(0, 0, m_mainTitle);
    m_plot->plotLayout()->addElement(1, 0, m_subTitle);
    m_plot->legend->setVisible(true);
    m_plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    m_plot->installEventFilter(this);
    // The plot keeps mouse events (and so the context menu request) to
    // itself: the menu of the chart's actions opens from it, by mouse or
    // by the menu key.
    m_plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_plot, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (contextMenuPolicy() != Qt::ActionsContextMenu || actions().isEmpty())
            return;
        m_differenceAction->setVisible(subsets() == 2);
        // The menu takes the button's release: a zoom rectangle the press
        // began would stay drawn.
        if (m_plot->selectionRect() && m_plot->selectionRect()->isActive())
            m_plot->selectionRect()->cancel();
        // Inside the time axis: a note added from the menu goes where it opened.
        const QCPRange shown = m_plot->xAxis->range();
        m_menuTime = dateTimeOf(qBound(shown.lower, m_plot->xAxis->pixelToCoord(pos.x()), shown.upper));
        m_menuNote = noteAt(pos);
        Q_EMIT contextMenuOpening();
        auto *menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addActions(actions());
        menu->popup(m_plot->mapToGlobal(pos));
    });

    connect(m_plot->selectionRect(), &QCPSelectionRect::accepted, this, [this](const QRect &rect, QMouseEvent *) {
        if (rect.width() < 3 && rect.height() < 3)
            return;
        m_zoomed = true;
        if (m_autoScale) {
            setAutoScale(false);
            m_autoScaleBeforeZoom = true;
        }
        Q_EMIT zoomedIn();
    });

    m_c.look.subsetLabels = {QStringLiteral("T1")};
    m_c.look.subsetColors = {QColor(Qt::black)};
    m_c.look.subsetLineTypes = {0};
    buildOwnActions();
    resetImage();
}

void Chart::setManualX(double min, double max)
{
    m_c.scale.manualX = true;
    m_c.scale.minX = min;
    m_c.scale.maxX = max;
}

void Chart::setManualY(double min, double max)
{
    m_c.scale.manualY = true;
    m_c.scale.minY = min;
    m_c.scale.maxY = max;
}

void Chart::setVertLine(int index, double x, int type, const QColor &color, const QString &text)
{
    if (index < 0) {
        m_c.lines.clear();
        return;
    }
    if (index > 1000)
        throw ChartError("annotation index out of range");
    while (m_c.lines.size() <= index)
        m_c.lines.append(VertLine{});
    m_c.lines[index] = VertLine{x, type, color, text};
}

bool Chart::restoreState(const QByteArray &block, QString *error)
{
    if (!restoreChartState(block, m_c, error))
        return false;
    m_zoomed = false;
    m_fitted = false;
    m_dataApplied = false; // other cells, whatever their count of changes
    resetImage();
    refit(true);
    return true;
}

void Chart::applyLook()
{
    const ChartLook &l = m_c.look;
    m_mainTitle->setText(l.mainTitle);
    m_subTitle->setText(l.subTitle);
    m_plot->xAxis->setLabel(l.xAxisLabel);
    m_plot->yAxis->setLabel(l.yAxisLabel);

    QColor text = Qt::black;
    QBrush desk = Qt::white, rect = plotAreaColor(l.background);
    if (l.background == Background::LightGradient) {
        QLinearGradient g(0, 0, 0, 600);
        g.setColorAt(0, QColor(236, 241, 248));
        g.setColorAt(1, QColor(196, 208, 226));
        desk = g;
    } else if (l.background == Background::DarkGradient) {
        QLinearGradient g(0, 0, 0, 600);
        g.setColorAt(0, QColor(60, 66, 78));
        g.setColorAt(1, QColor(24, 28, 36));
        desk = g;
        text = QColor(230, 230, 230);
    }
    m_plot->setBackground(desk);
    m_plot->axisRect()->setBackground(rect);
    m_mainTitle->setTextColor(text);
    m_subTitle->setTextColor(text);
    for (QCPAxis *a : {m_plot->xAxis, m_plot->yAxis}) {
        const QColor c = a == m_plot->yAxis ? visibleLineColor(l.yAxisColor, l.background) : text;
        a->setBasePen(QPen(c));
        a->setTickPen(QPen(c));
        a->setSubTickPen(QPen(c));
        a->setTickLabelColor(text);
        a->setLabelColor(c);
        QPen grid(text == Qt::black ? QColor(150, 150, 150) : QColor(110, 110, 120), 0);
        switch (l.grid) {
        case GridStyle::None: grid.setStyle(Qt::NoPen); break;
        case GridStyle::Dot: grid.setStyle(Qt::DotLine); break;
        case GridStyle::Dash: grid.setStyle(Qt::DashLine); break;
        case GridStyle::Solid: grid.setStyle(Qt::SolidLine); break;
        }
        a->grid()->setPen(grid);
        a->grid()->setZeroLinePen(grid);
    }
    m_plot->legend->setBrush(rect.color() == Qt::white ? QColor(255, 255, 255, 210) : QColor(40, 44, 54, 210));
    m_plot->legend->setTextColor(text);
    m_plot->setSelectionRectMode(l.zooming ? QCP::srmZoom : QCP::srmNone);
}

void Chart::applyData()
{
    const ChartLook &l = m_c.look;
    const ChartData &d = m_c.data;
    // Graphs 0 to n-1 draw the subsets; graphs n to 2n-1 draw, as dots, the
    // readings of each that have no reading beside them (between two breaks
    // or overloads, or alone in a set): a line would not show them at all.
    const int n = d.subsets();
    // The comparison's graphs come last; they are made again after the data.
    for (QCPAbstractPlottable *g : std::as_const(m_comparisonGraphs))
        m_plot->removePlottable(g);
    m_comparisonGraphs.clear();
    while (m_plot->graphCount() > 2 * n)
        m_plot->removeGraph(m_plot->graphCount() - 1);
    while (m_plot->graphCount() < 2 * n)
        m_plot->addGraph();
    for (int s = 0; s < n; ++s) {
        QCPGraph *g = m_plot->graph(s);
        g->addToLegend();
        g->setName(s < l.subsetLabels.size() ? l.subsetLabels.at(s) : QStringLiteral("T%1").arg(s + 1));
        g->setPen(subsetPen(l, s));
        g->setAdaptiveSampling(true);
        const bool points = l.plotting == PlottingMethod::Points || l.plotting == PlottingMethod::PointsAndLine;
        g->setScatterStyle(points ? QCPScatterStyle(QCPScatterStyle::ssDisc, 4) : QCPScatterStyle());
        switch (l.plotting) {
        case PlottingMethod::Points: g->setLineStyle(QCPGraph::lsNone); break;
        case PlottingMethod::Bar: g->setLineStyle(QCPGraph::lsImpulse); break;
        case PlottingMethod::Step: g->setLineStyle(QCPGraph::lsStepLeft); break;
        default: g->setLineStyle(QCPGraph::lsLine); break;
        }
        QCPGraph *dots = m_plot->graph(n + s);
        dots->removeFromLegend();
        dots->setPen(subsetPen(l, s));
        dots->setLineStyle(QCPGraph::lsNone);
        dots->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 5));
    }
    applyCells();
    m_dataApplied = true;
    m_appliedChanges = d.changes();
    m_appliedNullY = m_c.nullY;
}

void Chart::applyCells()
{
    const ChartLook &l = m_c.look;
    // A line is handed over per pixel column of the time it will show.
    QCPRange span;
    int columns = 0;
    if (m_columnCells && !m_everyCell
        && (l.plotting == PlottingMethod::Line || l.plotting == PlottingMethod::Spline)) {
        span = m_c.scale.manualX && !m_zoomed ? manualXRange() : m_plot->xAxis->range();
        columns = m_plot->axisRect()->width();
    }
    setCells(span.lower, span.upper, columns);
}

void Chart::setCells(double from, double to, int columns)
{
    const ChartLook &l = m_c.look;
    const ChartData &d = m_c.data;
    m_cellColumns = columns;
    m_cellsFrom = from;
    m_cellsTo = to;
    const bool ownDots = l.plotting != PlottingMethod::Points && l.plotting != PlottingMethod::PointsAndLine
        && l.plotting != PlottingMethod::Bar; // these show every reading themselves
    for (int s = 0; s < d.subsets(); ++s) {
        SubsetCells cells = subsetCells(d.xs(s), d.ys(s), d.points(), m_c.nullY, from, to, columns);
        const bool curve = l.plotting == PlottingMethod::Spline && cells.cells > 2 && cells.cells <= kMaxSplinePoints;
        if (curve && columns > 0)
            cells = subsetCells(d.xs(s), d.ys(s), d.points(), m_c.nullY); // a curve through every cell
        if (curve)
            cells.line = monotoneCurve(cells.line);
        m_plot->graph(s)->data()->set(cells.line, cells.sorted);
        m_plot->graph(d.subsets() + s)->data()->set(ownDots ? cells.lone : QVector<QCPGraphData>(), cells.sorted);
    }
}

void Chart::refreshColumns()
{
    const PlottingMethod method = m_c.look.plotting;
    // Cells not handed over yet go with the next redraw's.
    if (!m_columnCells || m_everyCell || !m_dataApplied || m_appliedChanges != m_c.data.changes()
        || m_plot->graphCount() < 2 * subsets() || (method != PlottingMethod::Line && method != PlottingMethod::Spline))
        return;
    const QCPRange shown = m_plot->xAxis->range();
    const int columns = m_plot->axisRect()->width();
    const double half = shown.size() / std::max(1, columns) / 2;
    if (columns != m_cellColumns || std::fabs(shown.lower - m_cellsFrom) > half
        || std::fabs(shown.upper - m_cellsTo) > half)
        setCells(shown.lower, shown.upper, columns);
}

QCPRange Chart::manualXRange() const
{
    // Keys are seconds: spans under a second show a minute. The ends are
    // taken to the millisecond, so an axis from one whole second to another
    // has its ticks at both ends, not a hair outside them.
    const auto wholeMs = [](double key) { return std::round(key * 1000.0) / 1000.0; };
    return visibleRange(wholeMs(keyOf(m_c.scale.minX)), wholeMs(keyOf(m_c.scale.maxX)), 1.0, 60.0);
}

void Chart::applyScales()
{
    const ChartScale &s = m_c.scale;
    if (s.manualX)
        m_plot->xAxis->setRange(manualXRange());
    else
        m_plot->xAxis->rescale(true);
    if (m_autoScale && m_fitted)
        m_plot->yAxis->setRange(m_fittedMin, m_fittedMax);
    else if (s.manualY)
        m_plot->yAxis->setRange(visibleRange(s.minY, s.maxY, 1e-6, 2.0));
    else
        m_plot->yAxis->rescale(true);
    if (m_plot->xAxis->range().size() <= 0)
        m_plot->xAxis->setRange(m_plot->xAxis->range().lower, m_plot->xAxis->range().lower + 60);
}

void Chart::applyLines()
{
    for (QCPAbstractItem *item : std::as_const(m_lineItems))
        m_plot->removeItem(item);
    m_lineItems.clear();
    if (!m_c.look.showVertLineAnnotations)
        return;
    const double size = 8.0 * m_c.look.lineAnnotationTextSize / 100.0;
    for (const VertLine &v : std::as_const(m_c.lines)) {
        if (v.x == 0.0)
            continue;
        auto *line = new QCPItemStraightLine(m_plot);
        line->point1->setCoords(keyOf(v.x), 0);
        line->point2->setCoords(keyOf(v.x), 1);
        line->setPen(QPen(visibleLineColor(v.color, m_c.look.background), 1.2, penStyle(v.type == 2 ? 0 : v.type)));
        m_lineItems << line;
        if (!v.text.isEmpty()) {
            auto *label = new QCPItemText(m_plot);
            label->position->setTypeX(QCPItemPosition::ptPlotCoords);
            label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
            label->position->setCoords(keyOf(v.x), 0.02);
            label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setText(v.text);
            label->setColor(v.color);
            label->setFont(QFont(font().family(), qMax(5, int(size)), QFont::Bold));
            label->setPadding(QMargins(3, 1, 3, 1));
            label->setBrush(QColor(255, 255, 255, 200));
            m_lineItems << label;
        }
    }
}

void Chart::resetImage()
{
    // Pens, fonts and colours set again drop the plot's cached labels.
    const bool lookChanged = !m_lookApplied || !(m_c.look == m_appliedLook);
    if (lookChanged) {
        applyLook();
        m_appliedLook = m_c.look;
        m_lookApplied = true;
    }
    // Tens of thousands of cells are not handed over again unchanged (a
    // cursor moved, a set shown again).
    if (lookChanged || !m_dataApplied || m_appliedChanges != m_c.data.changes() || m_appliedNullY != m_c.nullY)
        applyData();
    applyDifference();
    if (!m_zoomed) {
        applyScales();
        refit(false);
    }
    applyLines();
    applyNotes();
    applyComparison();
    m_plot->replot(QCustomPlot::rpQueuedRefresh);
}

void Chart::resetCells()
{
    // The comparison's graphs are made again with the data; a scale that
    // fits the data moves with it.
    if (hasComparison() || !(m_zoomed || (m_c.scale.manualX && m_c.scale.manualY))) {
        resetImage();
        return;
    }
    applyData();
    // The lines get a layer and a buffer of their own, right above the
    // grid and the annotations and below the axes and the legend; the
    // first time, everything is drawn.
    const QString name = QStringLiteral("cells");
    QCPLayer *cells = m_plot->layer(name);
    bool all = !cells;
    if (!cells) {
        m_plot->addLayer(name, m_plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
        cells = m_plot->layer(name);
        cells->setMode(QCPLayer::lmBuffered);
    }
    for (int g = 0; g < m_plot->graphCount(); ++g)
        if (m_plot->graph(g)->layer() != cells) {
            m_plot->graph(g)->setLayer(cells);
            all = true;
        }
    if (all) {
        m_plot->replot(QCustomPlot::rpQueuedRefresh);
        return;
    }
    cells->replot();
}

void Chart::undoZoom()
{
    m_zoomed = false;
    if (m_autoScaleBeforeZoom)
        setAutoScale(true);
    applyScales();
    refit(true);
    fitComparison();
    m_plot->replot(QCustomPlot::rpQueuedRefresh);
}

void Chart::reinitAndReset()
{
    m_zoomed = false;
    m_fitted = false;
    applyScales();
    refit(true);
    resetImage();
}

double Chart::shownMinX() const
{
    return dateTimeOf(m_plot->xAxis->range().lower);
}

double Chart::shownMaxX() const
{
    return dateTimeOf(m_plot->xAxis->range().upper);
}

bool Chart::customize()
{
    ChartCustomizeDialog dialog(m_c.look, subsets(), this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted) {
        m_c.look = dialog.look();
        resetImage();
    }
    Q_EMIT customizeDialogEnded(accepted);
    return accepted;
}

void Chart::focusInEvent(QFocusEvent *event)
{
    m_focusFrame->setGeometry(rect());
    m_focusFrame->raise();
    m_focusFrame->show();
    QWidget::focusInEvent(event);
}

void Chart::focusOutEvent(QFocusEvent *event)
{
    m_focusFrame->hide();
    QWidget::focusOutEvent(event);
}

void Chart::resizeEvent(QResizeEvent *event)
{
    m_focusFrame->setGeometry(rect());
    QWidget::resizeEvent(event);
}

bool Chart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_plot && event->type() == QEvent::MouseButtonPress)
        Q_EMIT clicked();
    return QWidget::eventFilter(watched, event);
}

} // namespace kv
