// Open, Save and Output Data to Graph through the real main window against
// the emulated meter: what is written byte for byte from the real-time
// graph and list, the range and progress dialogs, text and graph files
// opened again, lists turned into graphs, the comma-decimal locale, and
// files that are refused.

#include "app/TfrmMain.h"
#include "common/DateTime.h"
#include "files/FileFilters.h"
#include "files/ui/FileCommands.h"
#include "views/Chart.h"
#include "views/GridModel.h"
#include "views/ProgressDialog.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "support/FileBytes.h"
#include "support/MainSession.h"
#include "support/SessionSteps.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QStandardPaths>
#include <QToolButton>
#include <qcustomplot.h>

using namespace kv;
using namespace kv::test;

namespace {

Prompt::RangeAnswer select(const QString &from, const QString &to) { return {false, from, to}; }

// Watches the next progress window: its caption, text and bar values, and
// presses its Cancel once the bar reaches cancelAt (0: never).
class ProgressWatch : public QObject
{
public:
    explicit ProgressWatch(int cancelAt = 0) : m_cancelAt(cancelAt)
    {
        m_poll.setInterval(0);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *d = qobject_cast<ProgressDialog *>(w);
                if (!d || !d->isVisible())
                    continue;
                m_poll.stop();
                objectName = d->objectName();
                caption = d->windowTitle();
                text = d->text();
                maximum = d->maximum();
                values << d->value();
                auto *bar = d->findChild<QProgressBar *>();
                connect(bar, &QProgressBar::valueChanged, this, [this, d](int v) {
                    values << v;
                    if (m_cancelAt && v >= m_cancelAt)
                        d->cancel();
                });
                if (m_cancelAt && d->value() >= m_cancelAt)
                    d->cancel();
                return;
            }
        });
        m_poll.start();
    }
    QString objectName, caption, text;
    int maximum = -1;
    QList<int> values;

private:
    int m_cancelAt;
    QTimer m_poll;
};

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void realTimeGraphSavedAsFarAsRecorded()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 10));
        TfrmGraph *graph = s.main->realTimeGraph();
        activate(s, graph);
        QVERIFY(s.main->Save1->isEnabled());
        QVERIFY(!s.main->btnToGraph->isEnabled());

        const QString path = s.dir.filePath(QStringLiteral("rt.txt"));
        ProgressWatch watch;
        saveAll(s, path);
        QCOMPARE(s.prompt.saveFilters.last(), FileFilters::qtFilter(FileFilters::saveGraph(false)));
        // In the program's folder, named after the recording's first sample.
        QCOMPARE(s.prompt.saveFolders.last(), QFileInfo(s.dir.path()).absoluteFilePath() + QLatin1Char('/')
                                                  + QStringLiteral("Recording ")
                                                  + fromDateTimeDouble(kStart).toString(QStringLiteral("yyyy-MM-dd HHmm")));
        // The dialog offers the recorded points, not the chart's 5000.
        QCOMPARE(s.prompt.rangesShown.last().first, QStringLiteral("Save File"));
        QCOMPARE(s.prompt.rangesShown.last().second.fromText, QStringLiteral("1"));
        QCOMPARE(s.prompt.rangesShown.last().second.toText, QStringLiteral("10"));
        const QList<QByteArray> lines = fileLines(path);
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.first(), QByteArray("12/5/07\t2:03:10 PM\t23.4\tC\t21.7\tC\t\r"));
        QCOMPARE(lines.last(), QByteArray("12/5/07\t2:03:19 PM\t23.4\tC\t21.7\tC\t"));
        QVERIFY(fileBytes(path).endsWith("\t\r\n"));
        QCOMPARE(watch.objectName, QStringLiteral("TfrmProgress"));
        QCOMPARE(watch.caption, QStringLiteral("Saving Progress"));
        QCOMPARE(watch.text, QStringLiteral("saving....."));
        QCOMPARE(watch.maximum, 10);
        QCOMPARE(watch.values.last(), 10);

        // A selection past the recording ends at the first unrecorded point;
        // an upper-case CSV gets commas; the dialog refuses a name of
        // another kind and stays open for a name it saves.
        const QString csv = s.dir.filePath(QStringLiteral("run.CSV"));
        s.prompt.saveNames.enqueue(csv);
        s.prompt.rangeAnswers.enqueue(select(QStringLiteral("4000"), QStringLiteral("8")));
        s.main->Save1->trigger();
        const QList<QByteArray> part = fileLines(csv);
        QCOMPARE(part.size(), 3);
        QCOMPARE(part.first(), QByteArray("12/5/07,2:03:17 PM,23.4,C,21.7,C,\r"));
        const QString other = s.dir.filePath(QStringLiteral("run.dat"));
        s.prompt.saveNames.enqueue(other);
        s.main->Save1->trigger();
        QVERIFY(!QFile::exists(other));
        QCOMPARE(s.prompt.rangesShown.size(), 2);
        QCOMPARE(s.prompt.saveRefusals.size(), 1);
        QCOMPARE(s.prompt.messageCount(), 0);
    }

    // An overload in the middle of a recording is saved as "OL" and the
    // readings after it are saved too.
    void savingKeepsAnOverloadedSample()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 3));
        // The meter shows T1 overloaded for one sample, then comes back.
        const auto sampleWith = [&](double t1, bool overload, int second) {
            s.main->recorder().stop();
            s.main->timer().start();
            s.meter->setTemperatures(t1, 21.7);
            const bool seen =
                QTest::qWaitFor([&] { return s.main->link().reading().t1Overload == overload; }, 8000);
            s.main->timer().stop();
            s.main->recorder().run();
            s.main->liveRun().onLiveTick(kStart + second * kSecond, true);
            return seen;
        };
        QVERIFY(sampleWith(1500.0, true, 3));
        QVERIFY(sampleWith(23.4, false, 4));
        QCOMPARE(s.main->recorder().state().realTimePointCount, 5);

        activate(s, s.main->realTimeGraph());
        const QString path = s.dir.filePath(QStringLiteral("ol.txt"));
        saveAll(s, path);
        const auto lines = fileLines(path);
        QCOMPARE(lines.size(), 5);
        QVERIFY2(lines.at(3).split('\t').contains("OL"), lines.at(3).constData());
        QVERIFY2(!lines.at(4).split('\t').contains("OL"), lines.at(4).constData());
        QVERIFY2(lines.at(4).contains("23.4"), lines.at(4).constData());
    }

    void realTimeGraphKeepsOneUnitWhenTheMeterSwitches()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 2));
        // The meter's unit key, from the panel: the meter now sends degrees F.
        QVERIFY(pressUnitKeyAndRecord(s, 2, 2));

        // The list shows what the meter sent; the graph stays in degrees C
        // and says so, on screen and in the file saved from it.
        const GridModel &list = *s.main->realTimeList()->grid();
        QCOMPARE(list.row(2).mid(3, 4), (QStringList{"23.4", "C", "21.7", "C"}));
        QCOMPARE(list.row(3).mid(3, 4), (QStringList{"74.1", "F", "71.1", "F"}));
        Chart *chart = s.main->realTimeGraph()->PESGraph1;
        QCOMPARE(chart->look().yAxisLabel, QStringLiteral("Degree (\u00B0C)"));
        QCOMPARE(chart->plot()->yAxis->label(), QStringLiteral("Degree (\u00B0C)"));
        activate(s, s.main->realTimeGraph());
        const QString path = s.dir.filePath(QStringLiteral("units.txt"));
        saveAll(s, path);
        const QList<QByteArray> lines = fileLines(path);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(1), QByteArray("12/5/07\t2:03:11 PM\t23.4\tC\t21.7\tC\t\r"));
        QCOMPARE(lines.at(3), QByteArray("12/5/07\t2:03:13 PM\t23.4\tC\t21.7\tC\t"));
    }

    void realTimeListSavedByExtension()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 8));
        TfrmList *list = s.main->realTimeList();
        activate(s, list);
        QVERIFY(s.main->Save1->isEnabled() && s.main->SpeedButton2->isEnabled());
        QVERIFY(!s.main->btnToGraph->isEnabled());
        const QString function = list->grid()->cell(7, 1);

        struct Case
        {
            QString name;
            char separator;
        };
        for (const Case &c : {Case{QStringLiteral("run.CSV"), ','}, Case{QStringLiteral("run.txt"), '\t'},
                              Case{QStringLiteral("run.dat"), '\t'}}) {
            const QString path = s.dir.filePath(c.name);
            s.prompt.saveNames.enqueue(path);
            s.prompt.rangeAnswers.enqueue(select(QStringLiteral("7"), QStringLiteral("-3")));
            ProgressWatch watch;
            s.main->Save1->trigger();
            const QList<QByteArray> lines = fileLines(path);
            QCOMPARE(lines.size(), 5); // rows 3 to 7, no titles, no numbers
            const QByteArray sep(1, c.separator);
            QCOMPARE(lines.first(), QByteArray("12/5/07" + sep + "14:03:12" + sep + "23.4" + sep + "C" + sep + "21.7" + sep
                                               + "C" + sep + function.toUtf8() + sep + "\r"));
            QCOMPARE(watch.objectName, QStringLiteral("TfrmPrintProgress"));
            QCOMPARE(watch.maximum, 5);
        }
        QCOMPARE(s.prompt.saveFilters.last(), FileFilters::qtFilter(FileFilters::saveTable(false)));
        QCOMPARE(s.prompt.rangesShown.last().second.toText, QStringLiteral("8"));
        // A graph or collection name is no table file: the dialog says
        // which types it saves and stays open for a name it takes.
        const QString ghf = s.dir.filePath(QStringLiteral("run.GHF")), rec = s.dir.filePath(QStringLiteral("run.rec"));
        s.prompt.saveNames << ghf << rec << s.dir.filePath(QStringLiteral("run2"));
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        QVERIFY(!QFile::exists(ghf) && !QFile::exists(rec));
        QCOMPARE(s.prompt.saveRefusals.size(), 2);
        QVERIFY(s.prompt.saveRefusals.first().contains(QStringLiteral("TXT file(*.txt,data seperated by tab)")));
        QCOMPARE(fileLines(s.dir.filePath(QStringLiteral("run2.TXT"))).first().count('\t'), 7);

        // A bound that is no number: the message, and no file at all.
        const QString bad = s.dir.filePath(QStringLiteral("bad.txt"));
        s.prompt.saveNames.enqueue(bad);
        s.prompt.rangeAnswers.enqueue(select(QStringLiteral("x1"), QStringLiteral("3")));
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.informations, QStringList{QStringLiteral("invalid integer")});
        QVERIFY(!QFile::exists(bad));
        // Cancelling the range dialog writes nothing either.
        s.prompt.saveNames.enqueue(bad);
        s.main->Save1->trigger();
        QVERIFY(!QFile::exists(bad));
    }

    void twoChannelListReadBackCellForCell()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 6));
        TfrmList *live = s.main->realTimeList();
        activate(s, live);
        const QString path = s.dir.filePath(QStringLiteral("list.txt"));
        saveAll(s, path);

        auto *read = openAsList(s, path);
        QCOMPARE(s.prompt.choosersShown.last(),
                 (QStringList{QStringLiteral("Open File"), QStringLiteral("Open a data set collection file(*.rec)"),
                              QStringLiteral("Open a data set(*.TXT,*.CSV,*.GHF)")}));
        QCOMPARE(s.prompt.openFilters.last(), FileFilters::qtFilter(FileFilters::openDataSet(false)));
        QVERIFY(read);
        QVERIFY(!read->isRealTime());
        QCOMPARE(read->grid()->ColCount(), 8);
        QCOMPARE(read->grid()->RowCount(), live->grid()->RowCount());
        for (int r = 1; r < live->grid()->RowCount(); ++r) {
            QCOMPARE(read->grid()->cell(0, r), QString::number(r));
            for (int c = 1; c < 8; ++c)
                QCOMPARE(read->grid()->cell(c, r), live->grid()->cell(c, r));
        }
        // A list from a file saves and turns into a graph; the real one only saves.
        activate(s, read);
        QVERIFY(s.main->Save1->isEnabled() && s.main->btnToGraph->isEnabled());
        activate(s, live);
        const int before = windows(s).size();
        s.main->btnToGraph->click(); // disabled: nothing
        s.main->btnToGraphClick();   // and the command itself refuses
        QCOMPARE(windows(s).size(), before);
        QCOMPARE(s.prompt.messageCount(), 0);
    }

    void oneChannelFileGivesSixColumnsWhateverTheMeter()
    {
        Session s(0); // the 482's columns by default
        QVERIFY(s.started());
        const QString path = s.dir.filePath(QStringLiteral("A.dat"));
        writeFileBytes(path, "12/5/07\t14:03:10\t23.5\tC\t HOLD\t\r\n12/5/07\t14:03:11\t24.5\tC\t\t\r\n\r\nlost\t\r\n");
        auto *list = openAsList(s, path);
        QVERIFY(list);
        QCOMPARE(list->grid()->ColCount(), 6);
        QCOMPARE(list->grid()->RowCount(), 3); // stops at the empty line
        QCOMPARE(list->grid()->row(1), (QStringList{"1", "12/5/07", "14:03:10", "23.5", "C", " HOLD"}));
        // Output Data to Graph: one subset, 23.5 to 24.5 fitted by a tenth.
        auto *graph = graphOf(s, list);
        QVERIFY(graph);
        Chart *chart = graph->PESGraph1;
        QCOMPARE(chart->subsets(), 1);
        QCOMPARE(chart->points(), 2);
        QCOMPARE(chart->yData(0, 1), 24.5f);
        QCOMPARE(chart->manualMaxY(), double(24.5f) + double(0.1f * 24.5f));
        QCOMPARE(chart->manualMinY(), double(23.5f) - double(0.1f * 23.5f));
        QVERIFY(qAbs(chart->xData(0, 1) - (kStart + kSecond)) < 1e-9);
        QVERIFY(chart->contents().scale.manualX);
        QCOMPARE(s.main->mdiArea()->activeSubWindow()->widget(), graph);
        // A zoom into the new graph offers Undo Zoom at once.
        QVERIFY(!s.main->UndoZoom->isEnabled());
        Q_EMIT chart->zoomedIn();
        QVERIFY(s.main->UndoZoom->isEnabled());
    }

    void graphFilesByExtensionInAnyCase()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 4));
        activate(s, s.main->realTimeGraph());
        const QString path = s.dir.filePath(QStringLiteral("A.GHF"));
        s.prompt.saveNames.enqueue(path);
        s.main->Save1->trigger();
        QVERIFY(QFile::exists(path));
        QVERIFY(s.prompt.rangesShown.isEmpty()); // a graph file holds everything

        openFile(s, path);
        auto *opened = windowTitled<TfrmGraph>(s, QDir::toNativeSeparators(path));
        QVERIFY(opened);
        QCOMPARE(s.main->frameOf(opened)->pos(), QPoint(0, 0));
        QVERIFY(opened->PESGraph1->contents() == s.main->realTimeGraph()->PESGraph1->contents());
        QVERIFY(!opened->isRealTime());
        Q_EMIT opened->PESGraph1->zoomedIn();
        QVERIFY(s.main->UndoZoom->isEnabled());

        // Saved again as text it is no real-time graph: all its points are
        // offered, and writing stops at the first unrecorded one.
        activate(s, opened);
        const QString txt = s.dir.filePath(QStringLiteral("again.txt"));
        saveAll(s, txt);
        QCOMPARE(s.prompt.rangesShown.last().second.toText, QString::number(opened->PESGraph1->points()));
        QCOMPARE(fileLines(txt).size(), 4);
    }

    void saveWithoutGraphOrListSaysSo()
    {
        Session s(482);
        QVERIFY(s.started());
        activate(s, s.panel());
        QVERIFY(!s.main->Save1->isEnabled());
        s.main->Save1Click();
        QCOMPARE(s.prompt.informations, QStringList{QStringLiteral("Did not choose any graph or list window.")});
        QVERIFY(s.prompt.saveAsked.isEmpty());
        s.main->btnToGraphClick();
        QCOMPARE(s.prompt.messageCount(), 1);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    void roundTrip()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const bool comma = locale.decimalPoint() == QStringLiteral(",");
        Session s(482);
        QVERIFY(recordSamples(s, 12));
        TfrmList *live = s.main->realTimeList();

        // The real-time list as TXT (and as CSV where the point is the decimal).
        activate(s, live);
        QStringList listFiles{s.dir.filePath(QStringLiteral("list.txt"))};
        if (!comma)
            listFiles << s.dir.filePath(QStringLiteral("list.csv"));
        for (const QString &p : listFiles) {
            saveAll(s, p);
            QVERIFY(QFile::exists(p));
        }
        const QString filters = s.prompt.saveFilters.last();
        QCOMPARE(filters.contains(QStringLiteral("EXCEL")), !comma);
        QVERIFY(filters.contains(QStringLiteral("CSV for analysis (*.csv)")));
        QCOMPARE(filters, FileFilters::qtFilter(FileFilters::saveTable(comma)));

        // The graph as TXT and CSV: a name typed with .csv is written with
        // commas even where the dialog does not offer it.
        activate(s, s.main->realTimeGraph());
        for (const QString &name : {QStringLiteral("graph.txt"), QStringLiteral("graph.csv")}) {
            saveAll(s, s.dir.filePath(name));
            QCOMPARE(fileLines(s.dir.filePath(name)).size(), 12);
        }
        QCOMPARE(s.prompt.saveFilters.last().contains(QStringLiteral("EXCEL")), !comma);
        const QByteArray csvLine = fileLines(s.dir.filePath(QStringLiteral("graph.csv"))).first();
        QCOMPARE(csvLine.count(','), 6); // no value split by a decimal comma
        QVERIFY(csvLine.contains(",23.4,C,21.7,C,"));
        if (comma)
            QVERIFY(fileLines(s.dir.filePath(QStringLiteral("graph.txt"))).first().contains("\t23,4\tC\t21,7\tC\t"));

        // Open every file again; the chooser follows the locale too.
        QList<TfrmList *> lists;
        for (const QString &p : listFiles + QStringList{s.dir.filePath(QStringLiteral("graph.txt")),
                                                         s.dir.filePath(QStringLiteral("graph.csv"))}) {
            auto *list = openAsList(s, p);
            QVERIFY2(list, qPrintable(p));
            QCOMPARE(list->grid()->RowCount(), 13);
            QCOMPARE(list->grid()->ColCount(), 8);
            lists << list;
        }
        QCOMPARE(s.prompt.choosersShown.last().at(2), FileFilters::openSingleSetCaption(comma));
        QCOMPARE(s.prompt.choosersShown.last().at(2).contains(QStringLiteral("CSV")), !comma);
        QCOMPARE(s.prompt.openFilters.last().contains(QStringLiteral("CSV")), !comma);

        // Each reopened list becomes the same graph.
        for (TfrmList *list : lists) {
            activate(s, list);
            s.main->btnToGraph->click();
            auto *graph = qobject_cast<TfrmGraph *>(s.main->mdiArea()->activeSubWindow()->widget());
            QVERIFY(graph);
            QCOMPARE(graph->windowTitle(), list->windowTitle());
            Chart *chart = graph->PESGraph1;
            QCOMPARE(chart->subsets(), 2);
            QCOMPARE(chart->points(), 12);
            for (int p = 0; p < 12; ++p) {
                QVERIFY(qAbs(chart->xData(0, p) - (kStart + p * kSecond)) < 1e-8);
                QCOMPARE(chart->yData(0, p), 23.4f);
                QCOMPARE(chart->yData(1, p), 21.7f);
            }
            QCOMPARE(chart->manualMaxY(), double(23.4f) + double(0.1f * 23.4f));
            QCOMPARE(chart->manualMinY(), double(21.7f) - double(0.1f * 21.7f));
        }
        QCOMPARE(s.prompt.messageCount(), 0);

        // The last graph as a graph file, opened once more: the same chart.
        auto *made = qobject_cast<TfrmGraph *>(s.main->mdiArea()->activeSubWindow()->widget());
        const QString ghf = s.dir.filePath(QStringLiteral("made.ghf"));
        s.prompt.saveNames.enqueue(ghf);
        s.main->Save1->trigger();
        openFile(s, ghf);
        auto *again = windowTitled<TfrmGraph>(s, QDir::toNativeSeparators(ghf));
        QVERIFY(again);
        QVERIFY(again->PESGraph1->contents() == made->PESGraph1->contents());
    }

    void badGraphFilesOpenNoWindow()
    {
        Session s(0);
        QVERIFY(s.started());
        QByteArray good;
        {
            Chart chart;
            chart.setPoints(3);
            good = chart.saveState();
        }
        const QByteArray length = [&] {
            QByteArray b(4, 0);
            qToLittleEndian<quint32>(quint32(good.size()), b.data());
            return b;
        }();
        const struct
        {
            const char *name;
            QByteArray bytes;
        } cases[] = {
            {"short.ghf", QByteArray("\x10\x00", 2)},
            {"cut.ghf", length + good.left(good.size() / 2)},
            {"garbage.ghf", QByteArray("\x08\x00\x00\x00", 4) + QByteArray("garbage!")},
        };
        const int before = windows(s).size();
        for (const auto &c : cases) {
            const QString path = s.dir.filePath(QLatin1String(c.name));
            writeFileBytes(path, c.bytes);
            openFile(s, path);
            QCOMPARE(windows(s).size(), before);
            QVERIFY(s.prompt.errors.last().contains(QDir::toNativeSeparators(path)));
        }
        QCOMPARE(s.prompt.errors.size(), 3);
        // A missing text file: said, and no empty list.
        openFile(s, s.dir.filePath(QStringLiteral("missing.txt")));
        QCOMPARE(windows(s).size(), before);
        QCOMPARE(s.prompt.errors.size(), 4);
        // The good block still opens.
        writeFileBytes(s.dir.filePath(QStringLiteral("good.ghf")), length + good);
        openFile(s, s.dir.filePath(QStringLiteral("good.ghf")));
        QCOMPARE(windows(s).size(), before + 1);
    }

    void fileThatCannotBeWrittenIsNamed()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 2));
        const QString path = s.dir.filePath(QStringLiteral("no/such/folder/x.txt"));
        activate(s, s.main->realTimeList());
        saveAll(s, path);
        activate(s, s.main->realTimeGraph());
        saveAll(s, path);
        s.prompt.saveNames.enqueue(s.dir.filePath(QStringLiteral("no/such/folder/x.ghf")));
        s.main->Save1->trigger();
        QCOMPARE(s.prompt.errors.size(), 3);
        for (const QString &e : s.prompt.errors)
            QVERIFY2(e.contains(QStringLiteral("x.")), qPrintable(e));
    }

    void cancelKeepsWhatWasDone()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 20));
        activate(s, s.main->realTimeGraph());
        const QString path = s.dir.filePath(QStringLiteral("cut.txt"));
        {
            ProgressWatch watch(5);
            saveAll(s, path);
            QCOMPARE(watch.maximum, 20);
        }
        QCOMPARE(fileLines(path).size(), 5);

        // Output Data to Graph cancelled: the rows so far, still fitted and shown.
        activate(s, s.main->realTimeList());
        const QString list = s.dir.filePath(QStringLiteral("list.txt"));
        saveAll(s, list);
        auto *read = openAsList(s, list);
        QVERIFY(read);
        ProgressWatch watch(8);
        auto *graph = graphOf(s, read);
        QCOMPARE(watch.caption, QStringLiteral("Graphing Progress"));
        QCOMPARE(watch.text, QStringLiteral("graphing....."));
        QCOMPARE(watch.maximum, 20);
        QVERIFY(graph);
        Chart *chart = graph->PESGraph1;
        QCOMPARE(chart->points(), 20);
        QVERIFY(chart->xData(0, 6) != 0.0);
        QCOMPARE(chart->xData(0, 7), 0.0);
        QCOMPARE(chart->manualMaxY(), double(23.4f) + double(0.1f * 23.4f));
    }

    void saveFolderFallsBackToDocuments()
    {
        test::ScriptedPrompt prompt;
        Session s(0);
        QVERIFY(s.started());
        FileCommandContext writable;
        writable.programFolder = s.dir.path();
        FileCommands here(prompt, s.main->dataLogger(), writable);
        QCOMPARE(here.saveFolder(), QFileInfo(s.dir.path()).absoluteFilePath());
        FileCommandContext gone;
        gone.programFolder = s.dir.filePath(QStringLiteral("not-there"));
        FileCommands there(prompt, s.main->dataLogger(), gone);
        QCOMPARE(there.saveFolder(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
