#pragma once
// The data-logger window: the data sets of the current collection in a list
// on the left with the highest and lowest readings of the shown set below
// it; on the right the shown set as a graph over a table of every reading.
// It owns the current collection and frees it when it closes.

#include "common/RunNote.h"
#include "logger/DataSet.h"
#include "logger/ui/DataSetExtremes.h"
#include "logger/ui/SetReadings.h"
#include "views/ChildWindow.h"
#include "views/GraphSetup.h"

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include <memory>

class QLabel;
class QModelIndex;
class QSplitter;
class QTableView;

namespace kv {

class Chart;
class Clock;
class GridModel;
class GridSource;
class PaneHeading;
class Prompt;
class SampleTable;
class StatisticsPanel;
class TfrmDecodeProcess;

class TfrmDataLogger : public QWidget, public ChildWindow
{
    Q_OBJECT
public:
    // The width of a grid column before any is set, in pixels, for a font
    // whose digits are 6 pixels wide; the columns are sized as multiples of
    // it, and it grows with the grid's font so dates and times fit.
    static constexpr int kDefaultColumnWidth = 64;

    static QString caption() { return QStringLiteral("DataLogger"); }

    // Builds the empty layout for the meter model (481 one channel, 482
    // two), its chart set up with 1 or 2 subsets of 500 points, x from now
    // to 500 s later and y from minScale to maxScale.
    TfrmDataLogger(int model, double minScale, double maxScale, const GraphTemplate &tmpl, Prompt &prompt,
                   Clock &clock, QWidget *parent = nullptr);
    ~TfrmDataLogger() override;

    // The current collection: decoding installs into this slot (replacing
    // what was there).
    std::unique_ptr<DataSetCollection> &collectionSlot() { return m_collection; }
    const DataSetCollection *collection() const { return m_collection.get(); }

    // The data set list from the current collection: one row per set with
    // its number, start date and time, interval and reading count.
    void fillDataSetList();
    // Whether a collection has been decoded and shown; the list answers
    // clicks only then.
    void setDataSetsLoaded(bool loaded) { m_dataSetsLoaded = loaded; }
    bool dataSetsLoaded() const { return m_dataSetsLoaded; }

    // Shows set `index` (0-based) of the current collection: table, graph,
    // highest and lowest readings, the cursor on the first reading.
    void ShowDataSet(int index);
    int shownSet() const { return m_shownSet; }
    // Moves the graph's red cursor line to reading `index` (0-based) and
    // labels it with the reading's time and values.
    void PositionCursor(int index);

    enum class Pane { DataSets, Graph, Tabular };
    void HighlightPane(Pane pane);
    Pane highlightedPane() const { return m_pane; }

    void setTitles(const QString &mainTitle, const QString &subTitle);
    // The collection file the window's collection was read from or saved
    // to (empty: none); the title names it after the caption.
    void setCollectionFile(const QString &path);
    QString collectionFile() const { return m_collectionFile; }
    // The shown data set's number and start.
    QString suggestedFileName() const override;
    // The sample table as saving and printing read it.
    const GridSource &sampleTable() const;
    const GridSource &dataSetList() const;
    // 1 or 2: the channels the window shows (the collection's once one is
    // shown, the meter model's before).
    int channelCount() const { return m_channels; }
    // The highest and lowest readings of the shown set, by channel.
    const ChannelExtremes &extremes(int channel) const { return m_extremes[channel == 1 ? 1 : 0]; }

    Chart *chart() const override { return PESGraph1; }

    Chart *PESGraph1;
    QTableView *Grid1; // readings of the shown set
    QTableView *Grid2; // the data sets
    PaneHeading *StaticText1, *StaticText3, *StaticText4;
    QWidget *Panel4, *Panel5;
    // Mean, deviation, start, end and duration of the shown set.
    StatisticsPanel *PanelStatistics;
    QLabel *T1MAX, *T1MIN, *T2MAX, *T2MIN;
    QLabel *lblT1MAX, *lblT1MIN, *lblT2MAX, *lblT2MIN;
    QLabel *imgT1Max, *imgT1Min, *imgT2Max, *imgT2Min;
    // The unit marks the icons take: yellow and red, Celsius and Fahrenheit.
    QPixmap imgCY, imgFY, imgCR, imgFR;

Q_SIGNALS:
    // The user zoomed into the graph (the main window enables Undo Zoom).
    void zoomedIn();
    // The user accepted the graph's customization; the titles are kept for
    // the next window.
    void titlesChanged(const QString &mainTitle, const QString &subTitle);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void InitialDataLogger(int model, double minScale, double maxScale);
    void buildLayout();
    QWidget *buildExtremesPanel();
    // Captions, T2 widgets, table columns and chart subsets for 1 or 2
    // channels.
    void applyChannelLayout(int channels);
    void placeCursor(int index);
    void Grid1Click(int row);
    void Grid2Click(int row);
    void PESGraph1CustomizeDlg(bool accepted);
    // Makes a row current without it counting as the user's choice.
    void selectRow(QTableView *view, int row);

    GraphTemplate m_template;
    Prompt &m_prompt;
    Clock &m_clock;
    std::unique_ptr<DataSetCollection> m_collection;
    SampleTable *m_table;
    GridModel *m_sets;
    QSplitter *m_columns = nullptr;
    QSplitter *m_right = nullptr;
    ChannelExtremes m_extremes[2];
    SetReader m_reader; // keeps the readings of the set shown last
    Pane m_pane = Pane::DataSets;
    QString m_collectionFile;
    int m_channels = 2;
    int m_shownSet = -1;
    QHash<int, RunNotes> m_setNotes; // by set, those not on the chart now
    int m_notesSet = -1;             // the set whose notes the chart holds
    bool m_dataSetsLoaded = false;
    bool m_showing = false;
    std::unique_ptr<TfrmDecodeProcess> m_progress; // made at the first set shown
    bool m_selecting = false;
    // The rows current when a mouse button went down in each table, so a
    // click that changed the row is not handled twice.
    int m_rowAtPress[2] = {-1, -1};
};

} // namespace kv
