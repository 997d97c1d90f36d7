// The data-logger window: its empty layout for either meter, showing data
// sets decoded from the emulator's memories (table, graph, highest and
// lowest readings, the cursor), the clicks and keys that move between sets
// and readings, and closing.

#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "logger/DataSetDecoder.h"
#include "logger/SampleDecoding.h"
#include "logger/ui/PaneHeading.h"
#include "logger/ui/SetReadings.h"
#include "logger/ui/StatisticsPanel.h"
#include "logger/ui/TfrmDataLogger.h"
#include "logger/ui/TfrmDecodeProcess.h"
#include "views/Chart.h"
#include "views/GridSource.h"

#include "LoggerMemory.h"
#include "support/ScriptedPrompt.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <qcustomplot.h>

#include <cmath>

using namespace kv;
using kv::test::ScriptedPrompt;

namespace {

constexpr double kNow = 46000.25;

QByteArray toImage(const emu::Bytes &memory, int channels)
{
    const emu::Bytes file = emu::collectionFileBytes(memory, channels);
    return QByteArray(reinterpret_cast<const char *>(file.data()), static_cast<int>(file.size()));
}

emu::DataSetDesc desc(std::vector<double> c1, std::vector<double> c2 = {}, int interval = 10, bool celsius = true)
{
    emu::DataSetDesc d;
    d.year = 2026;
    d.month = 4;
    d.day = 9;
    d.hour = 14;
    d.minute = 30;
    d.second = 0;
    d.intervalSeconds = interval;
    d.celsius = celsius;
    d.channel1 = std::move(c1);
    d.channel2 = std::move(c2);
    return d;
}

// What a string grid filled reading by reading would hold: the time moved
// on by one interval per row, each reading decoded on its own.
QVector<QStringList> expectedRows(const DataSetCollection &c, int index)
{
    const DataSet &s = c.sets.at(index);
    const int b = c.bytesPerSample;
    QVector<QStringList> rows;
    double t = s.start;
    const auto text = [&](int o) {
        const Sample v = DecodeSample(byteAt(c.image, o), byteAt(c.image, o + 1));
        if (v.overload)
            return QStringLiteral("OL");
        return QString::number(double(v.value), 'f', v.decimals).replace(QLatin1Char('.'), decimalSeparator());
    };
    int q = 1;
    for (int o = s.recordOffset + 14; o < s.recordEnd - 2; o += b, ++q) {
        QStringList r{QString::number(q), shortDateText(t), longTimeText(t), text(o), QString(s.unit)};
        if (b == 4)
            r << text(o + 2) << QString(s.unit);
        while (r.size() < 8)
            r << QString();
        rows << r;
        t += s.intervalSeconds / 86400.0;
    }
    return rows;
}

QStringList gridRow(const GridSource &g, int row)
{
    QStringList r;
    for (int c = 0; c < g.ColCount(); ++c)
        r << g.cell(c, row);
    return r;
}

void clickRow(QTableView *view, int row)
{
    const QRect r = view->visualRect(view->model()->index(row, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class TstDataLoggerWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
    ManualClock m_clock{kNow};

    std::unique_ptr<TfrmDataLogger> window(int model, double minScale = -10, double maxScale = 50)
    {
        const GraphTemplate tmpl = GraphTemplate::locate(m_dir.filePath(QStringLiteral("KV481")));
        auto w = std::make_unique<TfrmDataLogger>(model, minScale, maxScale, tmpl, m_prompt, m_clock);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->resize(1100, 750);
        return w;
    }

    // Decodes the image into the window and shows its first set, as the
    // download and the file open do.
    static void load(TfrmDataLogger &w, const QByteArray &image, Prompt &prompt)
    {
        DecodeResult r = decodeImage(image, prompt);
        QCOMPARE(r.outcome, DecodeOutcome::Decoded);
        w.collectionSlot() = std::move(r.collection);
        w.fillDataSetList();
        w.ShowDataSet(0);
        w.setDataSetsLoaded(true);
    }

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void emptyLayoutFollowsTheModel_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("481") << 481;
        QTest::newRow("482") << 482;
    }
    void emptyLayoutFollowsTheModel()
    {
        QFETCH(int, model);
        const bool two = model == 482;
        auto w = window(model, -10, 50);
        QCOMPARE(w->windowTitle(), QStringLiteral("DataLogger"));
        QCOMPARE(w->channelCount(), two ? 2 : 1);
        QCOMPARE(w->T1MAX->text(), two ? QStringLiteral("T1 MAX") : QStringLiteral("MAX"));
        QCOMPARE(w->T1MIN->text(), two ? QStringLiteral("T1 MIN") : QStringLiteral("MIN"));
        for (QWidget *t2 : {static_cast<QWidget *>(w->T2MAX), static_cast<QWidget *>(w->lblT2MAX),
                            static_cast<QWidget *>(w->T2MIN), static_cast<QWidget *>(w->lblT2MIN),
                            static_cast<QWidget *>(w->imgT2Max), static_cast<QWidget *>(w->imgT2Min)})
            QCOMPARE(t2->isHidden(), !two);

        const GridSource &table = w->sampleTable();
        QCOMPARE(table.ColCount(), 8);
        QCOMPARE(table.RowCount(), 2);
        QStringList titles{"NO", "DATE", "TIME", "T1", "UNIT"};
        if (two)
            titles << "T2" << "UNIT";
        while (titles.size() < 8)
            titles << QString();
        QCOMPARE(gridRow(table, 0), titles);
        QCOMPARE(gridRow(table, 1), QStringList(QVector<QString>(8)));
        QCOMPARE(gridRow(w->dataSetList(), 0), (QStringList{"Set", "DATE", "TIME", "Rate", "Nums"}));
        QCOMPARE(w->dataSetList().RowCount(), 2);

        Chart *c = w->chart();
        QCOMPARE(c, w->PESGraph1);
        QCOMPARE(c->subsets(), two ? 2 : 1);
        QCOMPARE(c->points(), 500);
        QCOMPARE(c->manualMinX(), kNow);
        QVERIFY(std::fabs((c->manualMaxX() - c->manualMinX()) * 86400.0 - 500.0) < 1e-6);
        QCOMPARE(c->manualMinY(), -10.0);
        QCOMPARE(c->manualMaxY(), 50.0);
        QCOMPARE(w->highlightedPane(), TfrmDataLogger::Pane::DataSets);
        QCOMPARE(w->shownSet(), -1);
        QVERIFY(w->collection() == nullptr);
    }

    // Every reading of the emulator's test sets, in both locales, against
    // a grid filled reading by reading.
    void tableCellsAreThoseOfAFilledGrid_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("locale");
        QTest::newRow("one channel, en_US") << 1 << "en_US";
        QTest::newRow("two channels, en_US") << 2 << "en_US";
        QTest::newRow("two channels, de_DE") << 2 << "de_DE";
    }
    void tableCellsAreThoseOfAFilledGrid()
    {
        QFETCH(int, channels);
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        auto w = window(482);
        load(*w, toImage(emu::buildMemoryOfKind(emu::MemoryKind::Branches, channels), channels), m_prompt);
        const DataSetCollection &c = *w->collection();
        for (int i = 0; i < c.sets.size(); ++i) {
            w->ShowDataSet(i);
            QCOMPARE(w->shownSet(), i);
            const QVector<QStringList> rows = expectedRows(c, i);
            const GridSource &table = w->sampleTable();
            QCOMPARE(table.RowCount(), int(rows.size()) + 1);
            QCOMPARE(table.ColCount(), 8);
            for (int r = 0; r < rows.size(); ++r)
                QCOMPARE(gridRow(table, r + 1), rows.at(r));
            // The view shows the same texts.
            const QModelIndex last = w->Grid1->model()->index(int(rows.size()) - 1, 3);
            QCOMPARE(last.data().toString(), rows.last().at(3));
        }
        if (locale == QLatin1String("de_DE"))
            QCOMPARE(w->sampleTable().cell(3, 2), QStringLiteral("-0,1")); // the last set's second reading
    }

    void shortSetsKeepFourPointsAndTheirTimeSpan()
    {
        auto w = window(482);
        load(*w, toImage(emu::buildMemory(2, {desc({21.0}, {22.0}, 7), desc({21.0, 21.5}, {22.0, 22.5}, 7),
                                               desc({21.0, 21.5, 22.0}, {1, 2, 3}, 7), desc({1, 2, 3, 4, 5}, {}, 7)}),
                                2),
             m_prompt);
        Chart *c = w->chart();
        for (int i = 0; i < 4; ++i) {
            w->ShowDataSet(i);
            const DataSet &s = w->collection()->sets.at(i);
            const int n = s.sampleCount;
            QCOMPARE(c->points(), std::max(4, n));
            // One interval a reading; a lone reading in the middle of its own.
            const double from = n == 1 ? s.start - 3.5 / 86400.0 : s.start;
            QVERIFY(std::fabs((c->manualMinX() - from) * 86400.0) < 1e-5);
            QVERIFY(std::fabs((c->manualMaxX() - from) * 86400.0 - 7.0 * n) < 1e-5);
            for (int p = 0; p < c->points(); ++p) {
                QCOMPARE(c->xData(0, p) != 0.0, p < n);
                if (p < n)
                    QVERIFY(std::fabs((c->xData(1, p) - s.start) * 86400.0 - 7.0 * p) < 1e-5);
            }
        }
    }

    // Sets whose readings take no time (interval 0, one reading, none) get a
    // time axis around their start, not the axis of the set shown before;
    // a lone reading stands inside its axis, not on its edge under the
    // cursor line.
    void setsWithoutATimeSpanShowAroundTheirStart()
    {
        auto w = window(481);
        std::vector<emu::DataSetDesc> sets{desc({20, 21, 22}, {}, 10), desc({20, 21, 22}, {}, 0),
                                           desc({20}, {}, 0), desc({}, {}, 10), desc({20}, {}, 10)};
        for (std::size_t i = 1; i < sets.size(); ++i)
            sets[i].day = 20;
        load(*w, toImage(emu::buildMemory(1, sets), 1), m_prompt);
        for (int i = 1; i < 5; ++i) {
            w->ShowDataSet(0);
            w->ShowDataSet(i);
            const double start = w->collection()->sets.at(i).start;
            QVERIFY2(w->chart()->shownMinX() < start && w->chart()->shownMaxX() > start, qPrintable(QString::number(i)));
        }
    }

    // The data set list's columns are as wide as what they hold: titles, set
    // numbers of four digits, intervals of 18 hours, long dates.
    void dataSetListColumnsFitTheirTexts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("4000 sets") << int(emu::MemoryKind::ManySets);
        QTest::newRow("every kind of set") << int(emu::MemoryKind::Branches);
    }
    void dataSetListColumnsFitTheirTexts()
    {
        QFETCH(int, kind);
        QLocale::setDefault(QLocale::c());
        auto w = window(482);
        load(*w, toImage(emu::buildMemoryOfKind(emu::MemoryKind(kind), 2), 2), m_prompt);
        const GridSource &list = w->dataSetList();
        // What the view itself wants for every row, not only those in sight.
        QTableView *g = w->Grid2;
        const int widths[] = {g->columnWidth(0), g->columnWidth(1), g->columnWidth(2), g->columnWidth(3),
                              g->columnWidth(4)};
        g->horizontalHeader()->setResizeContentsPrecision(-1);
        for (int c = 0; c < list.ColCount(); ++c) {
            g->resizeColumnToContents(c);
            QVERIFY2(widths[c] >= g->columnWidth(c), qPrintable(QStringLiteral("%1: %2 < %3").arg(c).arg(widths[c]).arg(g->columnWidth(c))));
        }
    }

    void allOverloadsGiveTheWholeScaleAndOl()
    {
        auto w = window(482);
        const double nan = std::nan("");
        load(*w, toImage(emu::buildMemory(2, {desc({nan, nan, nan}, {nan, nan, nan})}), 2), m_prompt);
        Chart *c = w->chart();
        for (int s = 0; s < 2; ++s)
            for (int p = 0; p < 3; ++p)
                QCOMPARE(c->yData(s, p), 9999.0f);
        QCOMPARE(c->manualMinY(), -200.0);
        QCOMPARE(c->manualMaxY(), 1370.0);
        const QString none = longTimeText(0.0) + QStringLiteral("\tOL");
        QCOMPARE(none, QStringLiteral("12:00:00 AM\tOL"));
        for (QLabel *l : {w->lblT1MAX, w->lblT1MIN, w->lblT2MAX, w->lblT2MIN})
            QCOMPARE(l->text(), none);
        QCOMPARE(w->sampleTable().cell(3, 2), QStringLiteral("OL"));
    }

    // A set that recorded nothing has no extremes and no figures to show,
    // not even overloads.
    void aSetWithoutReadingsShowsNothing()
    {
        auto w = window(482);
        load(*w, toImage(emu::buildMemory(2, {desc({}, {})}), 2), m_prompt);
        QCOMPARE(w->collection()->sets.at(0).sampleCount, 0);
        for (QLabel *l : {w->lblT1MAX, w->lblT1MIN, w->lblT2MAX, w->lblT2MIN})
            QCOMPARE(l->text(), QString());
        for (auto r : {StatisticsPanel::T1Mean, StatisticsPanel::T1Sd, StatisticsPanel::T2Mean, StatisticsPanel::T2Sd})
            QCOMPARE(w->PanelStatistics->value(r)->text(), QString());
        QCOMPARE(w->PanelStatistics->value(StatisticsPanel::Duration)->text(), QStringLiteral("00:00:00"));
    }

    // In a small tile the time labels are thinned until they stand apart.
    void timeLabelsNeverOverlap()
    {
        auto w = window(482);
        std::vector<double> c1(400, 21.0);
        load(*w, toImage(emu::buildMemory(2, {desc(c1, c1, 7)}), 2), m_prompt);
        w->show();
        for (const int width : {1100, 560, 380}) {
            w->resize(width, 400);
            w->chart()->plot()->replot();
            QCPAxis *x = w->chart()->plot()->xAxis;
            const QVector<double> ticks = x->tickVector();
            QVERIFY(!ticks.isEmpty());
            const QFontMetrics fm(x->tickLabelFont());
            const QStringList lines = x->tickVectorLabels()[0].split('\n'); // time, date
            const int label = std::max(fm.horizontalAdvance(lines[0]), fm.horizontalAdvance(lines[1]));
            for (int i = 1; i < ticks.size(); ++i)
                QVERIFY2(x->coordToPixel(ticks[i]) - x->coordToPixel(ticks[i - 1]) > label, qPrintable(QString::number(width)));
        }
    }

    // Mean and deviation beside the extremes, by channel, overloads left
    // out; start, end and duration of the set; German decimals in German.
    void statisticsShowBesideTheExtremes()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        auto w = window(482);
        const double nan = std::nan("");
        // T1: 20, 24, OL -> mean 22, sd sqrt(8) = 2.83. T2 all overloads.
        load(*w, toImage(emu::buildMemory(2, {desc({20.0, 24.0, nan}, {nan, nan, nan}, 3725)}), 2), m_prompt);
        StatisticsPanel *p = w->PanelStatistics;
        const auto text = [p](StatisticsPanel::Row r) { return p->value(r)->text(); };
        QCOMPARE(text(StatisticsPanel::T1Mean), QStringLiteral("22,00 \u00B0C"));
        QCOMPARE(text(StatisticsPanel::T1Sd), QStringLiteral("2,83 \u00B0C"));
        QCOMPARE(text(StatisticsPanel::T2Mean), QStringLiteral("OL"));
        QCOMPARE(text(StatisticsPanel::Duration), QStringLiteral("02:04:10"));
        const double start = encodeDate(2026, 4, 9) + encodeTime(14, 30, 0);
        QCOMPARE(text(StatisticsPanel::Start), shortDateText(start) + QLatin1Char(' ') + longTimeText(start));
        const double end = start + 2 * 3725 / kSecondsPerDay;
        QCOMPARE(text(StatisticsPanel::End), shortDateText(end) + QLatin1Char(' ') + longTimeText(end));
        QVERIFY(!p->value(StatisticsPanel::T2Sd)->isHidden());
        QCOMPARE(p->value(StatisticsPanel::T1Mean)->accessibleName(), QStringLiteral("T1 mean"));
        QCOMPARE(p->value(StatisticsPanel::T1Sd)->focusPolicy(), Qt::StrongFocus);

        // A one-channel set drops the T2 rows and the channel from the captions.
        load(*w, toImage(emu::buildMemory(1, {desc({10.0})}), 1), m_prompt);
        QVERIFY(p->value(StatisticsPanel::T2Mean)->isHidden());
        QCOMPARE(p->caption(StatisticsPanel::T1Mean)->text(), QStringLiteral("MEAN"));
        QCOMPARE(text(StatisticsPanel::T1Sd), QStringLiteral("0,00 \u00B0C"));
        QCOMPARE(text(StatisticsPanel::Duration), QStringLiteral("00:00:00"));
        w->close();
        QVERIFY(text(StatisticsPanel::T1Mean).isEmpty());
    }

    void verticalRangeWidensByATenth_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<std::vector<double>>("c1");
        QTest::addColumn<std::vector<double>>("c2");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        const double nan = std::nan("");
        QTest::newRow("45 and -10") << 1 << std::vector<double>{20.0, 45.0, -10.0} << std::vector<double>{} << -11.0
                                    << 49.5;
        QTest::newRow("across channels") << 2 << std::vector<double>{45.0, 30.0} << std::vector<double>{-10.0, 5.0}
                                         << -11.0 << 49.5;
        QTest::newRow("one channel all overload") << 2 << std::vector<double>{nan, nan}
                                                  << std::vector<double>{-20.0, 100.0} << -22.0 << 110.0;
        QTest::newRow("positive minimum") << 1 << std::vector<double>{10.0, 20.0} << std::vector<double>{} << 9.0
                                          << 22.0;
        QTest::newRow("all zero") << 1 << std::vector<double>{0.0, 0.0} << std::vector<double>{} << -1.0 << 1.0;
    }
    void verticalRangeWidensByATenth()
    {
        QFETCH(int, channels);
        QFETCH(std::vector<double>, c1);
        QFETCH(std::vector<double>, c2);
        QFETCH(double, min);
        QFETCH(double, max);
        auto w = window(482);
        load(*w, toImage(emu::buildMemory(channels, {desc(c1, c2)}), channels), m_prompt);
        QVERIFY(std::fabs(w->chart()->manualMinY() - min) < 1e-4);
        QVERIFY(std::fabs(w->chart()->manualMaxY() - max) < 1e-4);
    }

    void firstOccurrenceWinsTies()
    {
        auto w = window(482);
        load(*w, toImage(emu::buildMemory(2, {desc({18.5, 22.0, 18.5, 22.0, 20.0}, {5.0, 5.0, 5.0, 7.0, 7.0}, 3,
                                                   false)}),
                         2),
             m_prompt);
        const double start = w->collection()->sets.at(0).start;
        const auto at = [&](int k) { return longTimeText(start + k * 3 / 86400.0) + QLatin1Char('\t'); };
        QCOMPARE(w->lblT1MAX->text(), at(1) + QStringLiteral("22.0"));
        QCOMPARE(w->lblT1MIN->text(), at(0) + QStringLiteral("18.5"));
        QCOMPARE(w->lblT2MAX->text(), at(3) + QStringLiteral("7.0"));
        QCOMPARE(w->lblT2MIN->text(), at(0) + QStringLiteral("5.0"));
        // Fahrenheit marks beside all four.
        QCOMPARE(w->imgT1Max->pixmap().toImage(), w->imgFY.toImage());
        QCOMPARE(w->imgT2Min->pixmap().toImage(), w->imgFR.toImage());
        QVERIFY(w->imgFY.toImage() != w->imgCY.toImage());
    }

    void cursorFollowsTableClicksAndKeys()
    {
        auto w = window(482);
        const double nan = std::nan("");
        load(*w, toImage(emu::buildMemory(2, {desc({25.3, 25.4, 1100.0}, {nan, 19.0, 19.5}, 15)}), 2), m_prompt);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        Chart *c = w->chart();
        const double start = w->collection()->sets.at(0).start;
        const auto line = [&] { return c->contents().lines.value(0); };

        QCOMPARE(line().text, longTimeText(start) + QStringLiteral(" T1:25.3 T2:OL"));
        QCOMPARE(line().x, start);
        QCOMPARE(line().color, QColor(255, 0, 0));

        clickRow(w->Grid1, 2);
        QCOMPARE(w->highlightedPane(), TfrmDataLogger::Pane::Tabular);
        QCOMPARE(line().x, c->xData(0, 2));
        QCOMPARE(line().text, longTimeText(start + 30 / 86400.0) + QStringLiteral(" T1:1100 T2:19.5"));

        // Back to the graph, then a click on the row already chosen still
        // counts.
        w->HighlightPane(TfrmDataLogger::Pane::Graph);
        clickRow(w->Grid1, 2);
        QCOMPARE(w->highlightedPane(), TfrmDataLogger::Pane::Tabular);

        w->Grid1->setFocus();
        QTest::keyClick(w->Grid1, Qt::Key_Up);
        QCOMPARE(line().x, c->xData(0, 1));
        QVERIFY(line().text.endsWith(QStringLiteral(" T1:25.4 T2:19.0")));
    }

    void dataSetListAnswersOnlyOnceLoaded()
    {
        auto w = window(482);
        DecodeResult r = decodeImage(toImage(emu::buildMemoryOfKind(emu::MemoryKind::Demo, 2), 2), m_prompt);
        QVERIFY(r.collection);
        w->collectionSlot() = std::move(r.collection);
        w->fillDataSetList();
        QCOMPARE(w->dataSetList().RowCount(), w->collection()->sets.size() + 1);
        QCOMPARE(gridRow(w->dataSetList(), 1), dataSetListRows(*w->collection()).at(0));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));

        clickRow(w->Grid2, 1);
        w->Grid2->setFocus();
        QTest::keyClick(w->Grid2, Qt::Key_Down);
        QCOMPARE(w->shownSet(), -1);
        QCOMPARE(w->sampleTable().RowCount(), 2);

        w->setDataSetsLoaded(true);
        clickRow(w->Grid2, 1);
        QCOMPARE(w->shownSet(), 1);
        QCOMPARE(w->sampleTable().RowCount(), w->collection()->sets.at(1).sampleCount + 1);
        QTest::keyClick(w->Grid2, Qt::Key_Down);
        QCOMPARE(w->shownSet(), 2);
        QTest::keyClick(w->Grid2, Qt::Key_Up);
        QTest::keyClick(w->Grid2, Qt::Key_Up);
        QCOMPARE(w->shownSet(), 0);
    }

    void channelsFollowTheCollection_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("channels");
        QTest::newRow("one-channel file, model 482") << 482 << 1;
        QTest::newRow("two-channel file, model 481") << 481 << 2;
    }
    void channelsFollowTheCollection()
    {
        QFETCH(int, model);
        QFETCH(int, channels);
        const bool two = channels == 2;
        auto w = window(model);
        load(*w, toImage(emu::buildMemory(channels, {desc({20.0, 21.0}, {30.0, 31.0})}), channels), m_prompt);
        QCOMPARE(w->channelCount(), channels);
        QCOMPARE(w->chart()->subsets(), channels);
        QCOMPARE(w->T1MAX->text(), two ? QStringLiteral("T1 MAX") : QStringLiteral("MAX"));
        QCOMPARE(w->lblT2MAX->isHidden(), !two);
        QCOMPARE(w->sampleTable().cell(5, 0), two ? QStringLiteral("T2") : QString());
        QCOMPARE(w->sampleTable().cell(5, 2), two ? QStringLiteral("31.0") : QString());
        QCOMPARE(w->sampleTable().cell(3, 2), QStringLiteral("21.0"));
        QCOMPARE(w->Grid1->isColumnHidden(5), !two);
        const QString cursor = w->chart()->contents().lines.value(0).text;
        QVERIFY2(cursor.endsWith(two ? QStringLiteral(" T1:20.0 T2:30.0") : QStringLiteral(" T:20.0")),
                 qPrintable(cursor));
        QCOMPARE(w->lblT1MAX->text().section(QLatin1Char('\t'), 1), QStringLiteral("21.0"));
    }

    // The emulator's memories as downloads bring them, every set shown.
    void emulatorMemoriesShowEverySet_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("step"); // show every step-th set
        for (int ch : {1, 2}) {
            const QByteArray suffix = ch == 1 ? " 481" : " 482";
            QTest::newRow("demo" + suffix) << int(emu::MemoryKind::Demo) << ch << 1;
            QTest::newRow("full" + suffix) << int(emu::MemoryKind::Full) << ch << 1;
            QTest::newRow("bad-date" + suffix) << int(emu::MemoryKind::BadDate) << ch << 1;
            QTest::newRow("many-sets" + suffix) << int(emu::MemoryKind::ManySets) << ch << 397;
        }
    }
    void emulatorMemoriesShowEverySet()
    {
        QFETCH(int, kind);
        QFETCH(int, channels);
        QFETCH(int, step);
        ScriptedPrompt prompt;
        // Impossible start dates are answered with the first of the month at noon.
        for (int i = 0; i < 3; ++i)
            prompt.dateTimeAnswers.enqueue({"2026", "6", "1", "12", "0", "0"});
        auto w = window(channels == 1 ? 482 : 481);
        load(*w, toImage(emu::buildMemoryOfKind(emu::MemoryKind(kind), channels), channels), prompt);
        QCOMPARE(prompt.informations, QStringList());
        const DataSetCollection &c = *w->collection();
        QCOMPARE(w->dataSetList().RowCount(), c.sets.size() + 1);
        // Sets of other lengths come and go in the same columns: the view
        // must be told of every row it gains or loses.
        QAbstractItemModelTester tester(w->Grid1->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < c.sets.size(); i += step) {
            w->ShowDataSet(i);
            const int n = c.sets.at(i).sampleCount;
            const GridSource &t = w->sampleTable();
            QCOMPARE(t.RowCount(), std::max(2, n + 1));
            QCOMPARE(w->Grid1->verticalHeader()->count(), t.RowCount() - 1);
            QCOMPARE(w->chart()->points(), std::max(4, n));
            if (n > 0) {
                QCOMPARE(t.cell(0, n), QString::number(n));
                QVERIFY(!t.cell(3, n).isEmpty());
                QCOMPARE(t.cell(4, n), QString(c.sets.at(i).unit));
            } else {
                QCOMPARE(gridRow(t, 1), QStringList(QVector<QString>(8)));
            }
            QCOMPARE(t.cell(0, n + 1), QString());
        }
    }

    void readerStopsAtTheImageEndAndReportsProgressInSteps()
    {
        // 5000 two-channel readings; the image ends after the first channel
        // of the last one.
        std::vector<double> c1(5000, 20.0), c2(5000, 30.0);
        c1.back() = 25.0;
        DecodeResult d = decodeImage(toImage(emu::buildMemory(2, {desc(c1, c2)}), 2), m_prompt);
        DataSetCollection &c = *d.collection;
        const DataSet &set = c.sets.at(0);
        c.image.truncate(set.recordOffset + 14 + 4 * 4999 + 2);
        SetReader reader;
        QVector<int> steps;
        const SetReadings &r = reader.read(c, 0, 2, -999.0f, [&](int q) { steps << q; });
        QCOMPARE(steps, QVector<int>({0, SetReader::kProgressStep}));
        QCOMPARE(r.x.size(), std::size_t(4999));
        QCOMPARE(r.y[1].back(), 30.0f);
        QCOMPARE(r.statistics.channel[0].count, 5000); // the cut reading's first channel counts
        QCOMPARE(r.statistics.channel[0].max, 25.0);
        QCOMPARE(r.statistics.channel[1].count, 4999);
        QCOMPARE(r.extremes[0].max, 20.0f); // but is not drawn
    }

    void collectionReplacedUnderTheTableReadsNothingStale()
    {
        auto w = window(482);
        load(*w, toImage(emu::buildMemoryOfKind(emu::MemoryKind::Full, 2), 2), m_prompt);
        const int rows = w->sampleTable().RowCount();
        QVERIFY(rows > 100);
        // A smaller collection arrives; until it is shown the table must not
        // read the old set's place in the new image.
        DecodeResult r = decodeImage(toImage(emu::buildMemory(2, {desc({1.0}, {2.0})}), 2), m_prompt);
        w->collectionSlot() = std::move(r.collection);
        QCOMPARE(w->sampleTable().cell(3, rows - 1), QString());
        QCOMPARE(w->sampleTable().cell(2, 1), QString());
        w->Grid1->model()->index(rows - 2, 3).data(); // the view asks too
        w->fillDataSetList();
        w->ShowDataSet(0);
        QCOMPARE(w->sampleTable().cell(3, 1), QStringLiteral("1.0"));
        // A set that no longer exists is not shown.
        w->ShowDataSet(5);
        QCOMPARE(w->shownSet(), 0);
    }

    void showingASetAgainFollowsWhatItHoldsNow()
    {
        auto w = window(481);
        w->show();
        const auto image = [](double first) {
            return toImage(emu::buildMemory(1, {desc({first, first + 1, first + 2})}), 1);
        };
        load(*w, image(20.0), m_prompt);
        // Another collection with a set at the same place: its readings show.
        DecodeResult r = decodeImage(image(30.0), m_prompt);
        w->collectionSlot() = std::move(r.collection);
        w->ShowDataSet(0);
        QCOMPARE(w->sampleTable().cell(3, 1), QStringLiteral("30.0"));
        QCOMPARE(w->chart()->yData(0, 2), 32.0f);
        QCOMPARE(w->lblT1MAX->text().section(QLatin1Char('\t'), 1), QStringLiteral("32.0"));
        QCOMPARE(w->PanelStatistics->value(StatisticsPanel::T1Mean)->text(), QStringLiteral("31.00 \u00B0C"));
        // Another locale: the same set is shown in it.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        w->ShowDataSet(0);
        QCOMPARE(w->sampleTable().cell(3, 1), QStringLiteral("30,0"));
        QCOMPARE(w->Grid1->model()->index(0, 1).data().toString(), shortDateText(w->collection()->sets.at(0).start));

        // The same set again: back on its first reading, at the top.
        load(*w, toImage(emu::buildMemoryOfKind(emu::MemoryKind::Full, 1), 1), m_prompt);
        w->Grid1->selectRow(90);
        QVERIFY(w->Grid1->verticalScrollBar()->value() > 0);
        w->ShowDataSet(0);
        QCOMPARE(w->Grid1->currentIndex().row(), 0);
        QCOMPARE(w->Grid1->verticalScrollBar()->value(), 0);
        QCOMPARE(w->chart()->contents().lines.value(0).x, w->chart()->xData(0, 0));
    }

    void showingPutsUpTheProgressWindowAndIgnoresClicksMeanwhile()
    {
        auto w = window(482);
        load(*w, toImage(emu::buildMemoryOfKind(emu::MemoryKind::Demo, 2), 2), m_prompt);
        QString seen;
        int shownMeanwhile = -2;
        QTimer::singleShot(0, this, [&] {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<TfrmDecodeProcess *>(top); d && d->isVisible())
                    seen = d->windowTitle();
            w->ShowDataSet(2); // a list click while the first is being shown
            shownMeanwhile = w->shownSet();
        });
        w->ShowDataSet(1);
        QCOMPARE(seen, QStringLiteral("decoding data"));
        QCOMPARE(shownMeanwhile, 0);
        QCOMPARE(w->shownSet(), 1);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<TfrmDecodeProcess *>(top) || !top->isVisible());
    }

    void panesTitlesAndKeyboard()
    {
        auto w = window(482);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::mouseClick(w->StaticText3, Qt::LeftButton);
        QCOMPARE(w->highlightedPane(), TfrmDataLogger::Pane::Graph);
        QVERIFY(w->StaticText3->isActive() && !w->StaticText1->isActive() && !w->StaticText4->isActive());
        QCOMPARE(w->StaticText3->palette().color(QPalette::Window), QColor(0, 0, 255));
        QCOMPARE(w->StaticText3->palette().color(QPalette::WindowText), QColor(255, 255, 255));
        w->StaticText4->setFocus();
        QTest::keyClick(w->StaticText4, Qt::Key_Space);
        QCOMPARE(w->highlightedPane(), TfrmDataLogger::Pane::Tabular);
        QTest::mouseClick(w->chart()->plot(), Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(w->highlightedPane(), TfrmDataLogger::Pane::Graph);

        // Every control on the tab chain, each with a name.
        QSet<QWidget *> chain;
        QWidget *f = w->StaticText1;
        do {
            chain.insert(f);
            f = f->nextInFocusChain();
        } while (f != w->StaticText1);
        for (QWidget *c : {static_cast<QWidget *>(w->StaticText1), static_cast<QWidget *>(w->Grid2),
                           static_cast<QWidget *>(w->lblT1MAX), static_cast<QWidget *>(w->lblT2MIN),
                           static_cast<QWidget *>(w->StaticText3), static_cast<QWidget *>(w->PESGraph1),
                           static_cast<QWidget *>(w->StaticText4), static_cast<QWidget *>(w->Grid1)}) {
            QVERIFY2(chain.contains(c) && (c->focusPolicy() & Qt::TabFocus), qPrintable(c->objectName()));
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        }

        QSignalSpy zoomed(w.get(), &TfrmDataLogger::zoomedIn);
        Q_EMIT w->PESGraph1->zoomedIn();
        QCOMPARE(zoomed.count(), 1);
        QSignalSpy titles(w.get(), &TfrmDataLogger::titlesChanged);
        w->setTitles(QStringLiteral("Oven"), QStringLiteral("probe 2"));
        Q_EMIT w->PESGraph1->customizeDialogEnded(false);
        QCOMPARE(titles.count(), 0);
        Q_EMIT w->PESGraph1->customizeDialogEnded(true);
        QCOMPARE(titles.count(), 1);
        QCOMPARE(titles.at(0).at(0).toString(), QStringLiteral("Oven"));
        QCOMPARE(titles.at(0).at(1).toString(), QStringLiteral("probe 2"));
    }

    void closingFreesTheCollection()
    {
        const GraphTemplate tmpl = GraphTemplate::locate(m_dir.filePath(QStringLiteral("KV481")));
        QPointer<TfrmDataLogger> w = new TfrmDataLogger(482, -10, 50, tmpl, m_prompt, m_clock);
        load(*w, toImage(emu::buildMemoryOfKind(emu::MemoryKind::Demo, 2), 2), m_prompt);
        QVERIFY(!w->lblT1MAX->text().isEmpty());
        QVERIFY(!w->chart()->contents().lines.isEmpty());
        w->show();
        QVERIFY(w->close());
        QVERIFY(w); // freed once control returns to the event loop
        QVERIFY(w->collection() == nullptr);
        QVERIFY(w->chart()->contents().lines.isEmpty());
        for (QLabel *l : {w->lblT1MAX, w->lblT1MIN, w->lblT2MAX, w->lblT2MIN})
            QVERIFY(l->text().isEmpty());
        QCOMPARE(w->sampleTable().cell(3, 1), QString());
        QVERIFY(w->dataSetsLoaded()); // kept: it is the program's, not the window's
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
    }
};

QTEST_MAIN(TstDataLoggerWindow)
#include "tst_datalogger_window.moc"
