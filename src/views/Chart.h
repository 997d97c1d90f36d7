#pragma once
// The chart every graph window holds: subsets of time-stamped cells drawn
// over QCustomPlot, with manual scales, rubber-band zoom, vertical line
// annotations, its own customization and print dialogs, and a state block
// that stores data and look together.

#include "common/RunNote.h"
#include "views/ChartState.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <vector>

class QAction;
class QCustomPlot;
class QCPAbstractItem;
class QCPRange;
class QTimer;
class QCPAbstractPlottable;
class QCPTextElement;
class QPrinter;
class QPagedPaintDevice;

namespace kv {
class Prompt;
}

namespace kv {

class Chart : public QWidget
{
    Q_OBJECT
public:
    explicit Chart(QWidget *parent = nullptr);

    // Cells. Operations on a subset or point that does not exist throw
    // ChartError.
    int subsets() const { return m_c.data.subsets(); }
    void setSubsets(int n) { m_c.data.setSubsets(n); }
    int points() const { return m_c.data.points(); }
    void setPoints(int n) { m_c.data.setPoints(n); }
    double xData(int s, int p) const { return m_c.data.x(s, p); }
    float yData(int s, int p) const { return m_c.data.y(s, p); }
    void setXData(int s, int p, double x) { m_c.data.setX(s, p, x); }
    void setYData(int s, int p, float y) { m_c.data.setY(s, p, y); }
    void emptySubset(int s) { m_c.data.emptySubset(s); }
    void setSubsetCells(int s, const std::vector<double> &x, const std::vector<float> &y)
    {
        m_c.data.setSubsetCells(s, x, y);
    }
    // Drops the 100 oldest cells of every subset and keeps the point count.
    void appendBlock(int count = 100) { m_c.data.appendBlock(count); }
    const ChartData &data() const { return m_c.data; }

    // The value of y that is not drawn (an overload).
    float nullY() const { return m_c.nullY; }
    void setNullY(float v) { m_c.nullY = v; }

    // Scales. Without a manual scale an axis fits the data.
    void setManualX(double min, double max);
    void setManualMinX(double v) { m_c.scale.minX = v; }
    void setManualMaxX(double v) { m_c.scale.maxX = v; }
    double manualMinX() const { return m_c.scale.minX; }
    double manualMaxX() const { return m_c.scale.maxX; }
    void setManualY(double min, double max);
    void setManualMinY(double v) { m_c.scale.minY = v; }
    void setManualMaxY(double v) { m_c.scale.maxY = v; }
    double manualMinY() const { return m_c.scale.minY; }
    double manualMaxY() const { return m_c.scale.maxY; }

    // The look: titles, labels, colours, line types, plotting method, grid.
    const ChartLook &look() const { return m_c.look; }
    ChartLook &look() { return m_c.look; }

    // Vertical line annotations (index -1 removes them all).
    void setVertLine(int index, double x, int type, const QColor &color, const QString &text);
    void removeVertLines() { m_c.lines.clear(); }

    // A line of many more readings than the chart is wide drawn from each
    // pixel column's first, lowest, highest and last reading of the time
    // shown, as fast for tens of thousands as for a thousand; every reading
    // where the time shown holds fewer than two a column (zoomed in), and
    // every one on pictures and printed pages. Off by default.
    void setColumnCells(bool on) { m_columnCells = on; }
    bool columnCells() const { return m_columnCells; }

    // Puts cells, scales, look and annotations on the screen.
    void resetImage();
    // Puts changed cells on the screen when nothing else changed. With both
    // scales fixed (manual or zoomed) only the lines' layer is drawn again,
    // not the axes, grid, titles and legend, a fraction of the cost for a
    // graph that changes a few points a second; otherwise as resetImage().
    void resetCells();
    // Back from a zoom to the full scales.
    void undoZoom();
    // After a change of the manual scales: forgets any zoom, as undoZoom
    // does, and redraws, so the new scales show at once.
    void reinitAndReset();
    bool isZoomed() const { return m_zoomed; }

    // Auto scale: the value axis fits the readings in view (and the values
    // kept in sight) with a margin of 5 % of their span; the time axis
    // stays. While the chart is redrawn sample by sample it is fitted again
    // at most once a second. A zoom by hand turns it off until Undo Zoom.
    // Off, the manual scale shows. The chart's context menu has its check
    // item ("Auto Scale").
    static constexpr int kRefitMs = 1000;
    static constexpr double kFitMargin = 0.05;
    void setAutoScale(bool on);
    bool autoScale() const { return m_autoScale; }
    QAction *autoScaleAction() const { return m_autoScaleAction; }
    // Values auto scale keeps in sight besides the readings (the alarm
    // limits drawn on the chart).
    void setKeepInSight(const QVector<double> &values);
    // Fits the value axis to what is in view now (when auto scale is on and
    // the chart is not zoomed); the caller redraws.
    void fitValueAxis();

    // T1-T2 drawn from the two channels' readings as a line of its own
    // (check item "T1−T2" in the context menu, offered only on a chart of
    // two subsets). While drawn it is part of what the chart saves, prints
    // and exports, as a third subset.
    static QString differenceLabel() { return QStringLiteral("T1\u2212T2"); }
    static QColor differenceColor() { return QColor(0, 150, 60); }
    void setDifferenceShown(bool shown);
    bool differenceShown() const { return m_differenceShown; }
    bool differenceDrawn() const { return m_differenceShown && subsets() == 2; }
    QAction *differenceAction() const { return m_differenceAction; }

    // The customization dialog; true when the user accepted it.
    bool customize();
    // Prints onto the printer chosen in the print dialog, or, when no
    // printer is installed, into a PDF file the prompt asks for (suggesting
    // pdfName); false when cancelled.
    bool printDialog(Prompt &prompt, const QString &pdfName = QString());
    // Draws the chart onto a printer page filling it.
    // false when the printer could not start or reported an error.
    bool printTo(QPrinter &printer);
    // The chart is printed at the screen's resolution.
    static constexpr int kPrintResolution = 96;

    // Pictures of what the chart shows (its zoom, titles, lines and any
    // comparison), without the cursor line's label. size is in pixels at
    // the screen's resolution (empty: the chart's own); scale draws a PNG
    // with that many times the pixels (2 for print).
    enum class PictureFormat { Png, Svg, Pdf };
    QImage pictureImage(QSize size = QSize(), double scale = 1.0) const;
    QByteArray picture(PictureFormat format, QSize size = QSize(), double scale = 1.0) const;
    // Writes the picture through the checked writer; false with the
    // reason in error.
    bool exportPicture(const QString &path, PictureFormat format, QSize size = QSize(), double scale = 1.0,
                       QString *error = nullptr) const;
    static PictureFormat pictureFormatFor(const QString &path);

    // Another run drawn behind the chart's own lines, in light colours,
    // named in the legend; its x values are moved by offset (days) so it
    // lines up with this one. Kept through redraws until removed.
    struct Comparison
    {
        QString name;
        int subsets = 1;
        std::vector<double> x;
        std::vector<float> y[2];
        double offset = 0.0;
        QString unit; // "C", "F" or empty when the run does not say
        bool isEmpty() const { return x.empty(); }
    };
    void setComparison(Comparison comparison);
    void removeComparison();
    const Comparison &comparison() const { return m_comparison; }
    bool hasComparison() const { return !m_comparison.isEmpty(); }
    // The first and last x of the chart's own cells (0 when none).
    double firstX() const;

    // Notes on the time line: a labelled vertical line at each, kept through
    // redraws and drawn on pictures and printed pages as well. They are not
    // part of the state block.
    // redraw false: the caller redraws the whole chart next (resetImage),
    // which draws the notes with everything else.
    void setNotes(const RunNotes &notes, bool redraw = true);
    const RunNotes &notes() const { return m_notes; }
    // The note whose line or label is at pos (in the chart); -1 for none.
    int noteAt(const QPoint &pos) const;
    // Where the context menu was last opened: the date-time under it
    // (within the time shown) and the note there (-1: none).
    double menuTime() const { return m_menuTime; }
    int menuNote() const { return m_menuNote; }

    // With the T1-T2 line drawn, the block holds it as a third subset.
    QByteArray saveState() const;
    // Replaces the whole chart; on a block that does not read nothing changes.
    bool restoreState(const QByteArray &block, QString *error = nullptr);
    const ChartContents &contents() const { return m_c; }

    QCustomPlot *plot() const { return m_plot; }
    // The x axis range shown, as date-time doubles (after a zoom, the zoomed one).
    double shownMinX() const;
    double shownMaxX() const;

    // Date-time doubles and the plot's keys (seconds, local wall time).
    static double keyOf(double dateTime) { return (dateTime - 25569.0) * 86400.0; } // 25569: 1970-01-01
    static double dateTimeOf(double key);

Q_SIGNALS:
    void zoomedIn();
    void customizeDialogEnded(bool accepted);
    void clicked();
    void autoScaleChanged(bool on);
    void differenceShownChanged(bool shown);
    // The context menu is about to open: menuTime() and menuNote() tell
    // where, so its actions can follow what is there.
    void contextMenuOpening();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The plot covers the whole widget; a frame drawn over it shows that
    // the keyboard is here.
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Draws the chart over the printable area of device's page, whose
    // resolution has been set to resolution.
    bool paintPage(QPagedPaintDevice &device, int resolution);
    void applyLook();
    void applyData();
    // The cells of every subset to the plot, per pixel column when asked for.
    void applyCells();
    void setCells(double from, double to, int columns);
    // After the plot's layout: the cells again when the columns have moved.
    void refreshColumns();
    QCPRange manualXRange() const;
    void applyScales();
    void applyLines();
    void applyComparison();
    void applyDifference();
    // The value axis for auto scale, fitted now or (after a fit less than a
    // second ago) once that second is over.
    void refit(bool now);
    void buildOwnActions();
    void applyNotes();
    // Unless zoomed, widens the value axis so the comparison's readings in
    // the time shown are seen too.
    void fitComparison();
    // Hides the cursor line's label while a picture is drawn.
    class PictureScope;
    // While a picture or a page is drawn, the plot has every cell.
    class EveryCell
    {
    public:
        explicit EveryCell(const Chart &chart);
        ~EveryCell();
        EveryCell(const EveryCell &) = delete;
        EveryCell &operator=(const EveryCell &) = delete;

    private:
        Chart &m_chart;
        bool m_active = false;
        int m_columns = 0;
        double m_from = 0.0, m_to = 0.0;
    };

    ChartContents m_c;
    QCustomPlot *m_plot;
    QCPTextElement *m_mainTitle;
    QCPTextElement *m_subTitle;
    QList<QCPAbstractItem *> m_lineItems;
    QWidget *m_focusFrame;
    bool m_zoomed = false;
    Comparison m_comparison;
    QList<QCPAbstractPlottable *> m_comparisonGraphs;

    ChartLook m_appliedLook; // what the plot was last given
    bool m_lookApplied = false;
    // The cells the plot was last given, by their count of changes.
    bool m_dataApplied = false;
    quint64 m_appliedChanges = 0;
    float m_appliedNullY = 0.0f;
    bool m_columnCells = false;
    bool m_everyCell = false;
    int m_cellColumns = 0; // the columns the cells were given for (0: every cell)
    double m_cellsFrom = 0.0, m_cellsTo = 0.0;
    bool m_autoScale = false;
    bool m_autoScaleBeforeZoom = false; // turned off by the zoom, back on with Undo Zoom
    double m_fittedMin = 0.0, m_fittedMax = 0.0;
    bool m_fitted = false;
    QVector<double> m_keepInSight;
    QElapsedTimer m_lastFit;
    QTimer *m_refitTimer = nullptr;
    QAction *m_autoScaleAction = nullptr;
    bool m_differenceShown = false;
    QAction *m_differenceAction = nullptr;
    QPointer<QObject> m_differenceGraph; // the T1-T2 line while drawn
    RunNotes m_notes;
    QList<QCPAbstractItem *> m_noteItems;
    QList<QCPAbstractItem *> m_noteLabels; // by note; none where it has no label
    double m_menuTime = 0.0;
    int m_menuNote = -1;
};

} // namespace kv
