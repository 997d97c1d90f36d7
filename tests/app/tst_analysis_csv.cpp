// The files for analysis through the real main window: the CSV for
// analysis (the Save dialog's extra type for lists, graphs and the
// data-logger window's set, its bytes against `kv481 export --format
// csv-iso`, and Open reading it back into a list under another locale), and
// the Excel workbook of each, read back cell by cell as a spreadsheet does.

#include "app/TfrmMain.h"
#include "common/LocaleText.h"
#include "common/RunNote.h"
#include "files/AnalysisCsv.h"
#include "files/FileFilters.h"
#include "logger/DataSetStatistics.h"
#include "logger/SampleRows.h"
#include "logger/ui/TfrmDataLogger.h"
#include "support/BuildPaths.h"
#include "views/GridSource.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "support/FileBytes.h"
#include "support/MainSession.h"
#include "support/SessionSteps.h"
#include "support/WorkbookCells.h"

#include <QAction>
#include <QProcess>

using namespace kv;
using namespace kv::test;

namespace {

// The lines of a file written with LF line ends.
QList<QByteArray> lfLines(const QString &path)
{
    return fileBytes(path).trimmed().split('\n');
}

// The place of the "CSV for analysis" type in a Qt filter.
int analysisType(const QString &filter)
{
    const QStringList types = filter.split(QStringLiteral(";;"));
    for (int i = 0; i < types.size(); ++i)
        if (AnalysisCsv::isAnalysisType(types.at(i)))
            return i;
    return -1;
}

// A cell that holds a number close to expected.
bool near(const QJsonValue &cell, double expected, double within = 1e-9)
{
    return cell.isDouble() && std::abs(cell.toDouble() - expected) <= within;
}

// Milliseconds as days, for date cells that went through openpyxl's
// date-times.
constexpr double kMs = 1.0 / 86400000.0;

QByteArray kv481Export(const QStringList &args, const QString &locale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), locale);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(kv::test::builtFile(QStringLiteral("kv481")), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QByteArray("kv481 failed: ") + p.readAllStandardError();
    return p.readAllStandardOutput();
}

} // namespace

class TestAnalysisCsv : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The data-logger window's set saved as CSV for analysis is what kv481
    // writes of the same set, and opens again as a list under German
    // settings with the same readings.
    void dataSetMatchesKv481AndReadsBackInGerman()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *logger = s.main->dataLoggerWindow();
        QVERIFY(logger && logger->dataSetsLoaded());
        const int setIndex = logger->collection()->sets.size() > 1 ? 1 : 0;
        logger->ShowDataSet(setIndex);
        activate(s, logger);

        const QString rec = s.dir.filePath(QStringLiteral("all.rec"));
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.saveNames.enqueue(rec);
        s.main->Save1->trigger();
        QVERIFY(QFile::exists(rec));

        const QString csv = s.dir.filePath(QStringLiteral("set.csv"));
        s.prompt.choices.enqueue(Prompt::Choice::SingleSet);
        s.prompt.saveNames.enqueue(s.dir.filePath(QStringLiteral("set"))); // the type gives the extension
        s.prompt.saveTypes.enqueue(analysisType(FileFilters::qtFilter(FileFilters::saveTable(false))));
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        QVERIFY(s.prompt.errors.isEmpty());
        const QByteArray written = fileBytes(csv);
        QVERIFY(written.startsWith("time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag\n"));
        QCOMPARE(written.count('\n'), logger->sampleTable().RowCount());

        const QByteArray cli = kv481Export({QStringLiteral("export"), rec, QStringLiteral("--set"),
                                            QString::number(setIndex + 1), QStringLiteral("--format"),
                                            QStringLiteral("csv-iso")},
                                           QStringLiteral("de_DE.UTF-8"));
        QCOMPARE(cli, written);

        // Read back where a comma is the decimal separator.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const GridSource &table = logger->sampleTable(); // now in German texts
        TfrmList *list = openAsList(s, csv);
        QVERIFY2(list, qPrintable(s.prompt.errors.join(QLatin1Char('\n'))));
        const GridSource &read = *list->grid();
        QCOMPARE(read.ColCount(), 8);
        QCOMPARE(read.RowCount(), table.RowCount());
        for (int r = 1; r < table.RowCount(); ++r)
            for (int c : {3, 4, 5, 6})
                QCOMPARE(read.cell(c, r), table.cell(c, r));
        QVERIFY(read.cell(1, 1).startsWith(QStringLiteral("20")));       // ISO date
        QCOMPARE(read.cell(2, 1), hhmmssText(logger->collection()->sets.at(setIndex).start)); // 24-hour time

        // A note made on a set's graph is still there after another set was shown.
        QVERIFY(logger->collection()->sets.size() > 1);
        const RunNotes notes{{logger->collection()->sets.at(setIndex).start, QStringLiteral("lid on")}};
        logger->PESGraph1->setNotes(notes);
        logger->ShowDataSet(1 - setIndex);
        QVERIFY(logger->PESGraph1->notes().isEmpty());
        logger->ShowDataSet(setIndex);
        QCOMPARE(logger->PESGraph1->notes(), notes);
    }

    // Lists and graphs: their own columns, the function text, an overload
    // flagged with an empty value; the graph from the same recording.
    void listAndGraphHaveTheirColumns()
    {
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(recordSamples(s, 5));
        TfrmList *list = s.main->realTimeList();
        activate(s, list);
        const QString listCsv = s.dir.filePath(QStringLiteral("list.csv"));
        s.prompt.saveNames.enqueue(listCsv);
        s.prompt.saveTypes.enqueue(analysisType(FileFilters::qtFilter(FileFilters::saveTable(false))));
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        const QList<QByteArray> lines = lfLines(listCsv);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.first(), QByteArray("time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag,function"));
        const QString iso = isoText(kStart);
        QVERIFY2(lines.at(1).startsWith(iso.toLatin1() + ','), lines.at(1).constData());
        const QList<QByteArray> f = lines.at(1).split(',');
        QCOMPARE(f.size(), 8);
        QCOMPARE(f.at(1), QByteArray("23.4"));
        QCOMPARE(f.at(2), QByteArray("C"));

        // The same file by the EXCEL type is the old comma layout.
        const QString excel = s.dir.filePath(QStringLiteral("excel.csv"));
        s.prompt.saveNames.enqueue(excel);
        s.prompt.saveTypes.enqueue(1);
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        QVERIFY(!fileBytes(excel).startsWith("time,"));

        activate(s, s.main->realTimeGraph());
        const QString graphCsv = s.dir.filePath(QStringLiteral("graph"));
        s.prompt.saveNames.enqueue(graphCsv);
        s.prompt.saveTypes.enqueue(analysisType(FileFilters::qtFilter(FileFilters::saveGraph(false))));
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        const QList<QByteArray> graph = lfLines(graphCsv + QStringLiteral(".csv"));
        QCOMPARE(graph.size(), 6);
        QCOMPARE(graph.first(), QByteArray("time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag"));
        // The graph's times and values are the list's, without the function.
        for (int i = 1; i < 6; ++i)
            QCOMPARE(graph.at(i), lines.at(i).left(lines.at(i).lastIndexOf(',')));
    }

    // Notes: Add Note refuses an empty and a too long text with a message;
    // the run's notes go, each on the row nearest its time, into a last
    // "note" column of the list's CSV for analysis and of the graph's, and
    // come back with the file opened as a list and the graph made of it.
    void notesRideInALastColumnAndComeBack()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 5));
        s.prompt.textAnswers << QStringLiteral("  ") << QString(kMaxNoteLength + 1, QLatin1Char('x'))
                             << QStringLiteral("door, \"opened\"");
        s.main->findChild<QAction *>(QStringLiteral("AddNote1"))->trigger();
        QCOMPARE(s.prompt.errors.size(), 2);
        QVERIFY(s.main->liveRun().addNoteAt(kStart + 1.3 * kSecond, QStringLiteral("first crack")));
        QCOMPARE(s.main->realTimeGraph()->PESGraph1->notes(), s.main->liveRun().notes());
        QCOMPARE(s.main->liveRun().notes().size(), 2);

        activate(s, s.main->realTimeList());
        const QString csv = s.dir.filePath(QStringLiteral("noted.csv"));
        s.prompt.saveNames.enqueue(csv);
        s.prompt.saveTypes.enqueue(analysisType(FileFilters::qtFilter(FileFilters::saveTable(false))));
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        const QList<QByteArray> lines = lfLines(csv);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.first(), QByteArray("time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag,function,note"));
        QVERIFY2(lines.at(2).endsWith(",first crack"), lines.at(2).constData());
        QVERIFY2(lines.at(5).endsWith(",\"door, \"\"opened\"\"\""), lines.at(5).constData()); // made now: the newest row
        QVERIFY(lines.at(3).endsWith(','));

        TfrmList *list = openAsList(s, csv);
        QVERIFY(list);
        QCOMPARE(list->notes().size(), 2);
        QCOMPARE(list->notes().at(0).text, QStringLiteral("first crack"));
        QVERIFY(qAbs(list->notes().at(0).at - (kStart + kSecond)) < 0.001 * kSecond); // at its row's time
        QCOMPARE(list->notes().at(1).text, QStringLiteral("door, \"opened\""));
        TfrmGraph *graph = graphOf(s, list);
        QVERIFY(graph);
        QCOMPARE(graph->PESGraph1->notes(), list->notes());

        // The graph's CSV for analysis carries them the same way.
        activate(s, graph);
        const QString graphCsv = s.dir.filePath(QStringLiteral("noted-graph.csv"));
        s.prompt.saveNames.enqueue(graphCsv);
        s.prompt.saveTypes.enqueue(analysisType(FileFilters::qtFilter(FileFilters::saveGraph(false))));
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        const QList<QByteArray> graphLines = lfLines(graphCsv);
        QCOMPARE(graphLines.first(), QByteArray("time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag,note"));
        QVERIFY2(graphLines.at(2).endsWith(",first crack"), graphLines.at(2).constData());
    }

    // The writer's own rules on a hand-made list: an overload is an empty
    // value flagged OL, a decimal comma becomes a point, a function text
    // with a comma is quoted, and the reader takes all of it back.
    void overloadCommaAndQuotingRoundTrip()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TfrmList list([] { return 482; });
        list.grid()->setRowCount(3);
        list.grid()->setRow(1, {"1", "2026-12-09", "14:03:10", "23,5", "C", "OL", "C", " HOLD"});
        list.grid()->setRow(2, {"2", "2026-12-09", "14:03:11", "-5,0", "F", "1234,5", "F", "MAX, MIN \"x\""});
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(AnalysisCsv::writeGrid(out, *list.grid(), 1, 2).ok);
        const QList<QByteArray> lines = out.data().split('\n');
        QCOMPARE(lines.at(1).mid(25), QByteArray(",23.5,C,,,C,OL,HOLD"));
        QCOMPARE(lines.at(2).mid(25), QByteArray(",-5.0,F,,1234.5,F,,\"MAX, MIN \"\"x\"\"\""));
        QVERIFY(lines.at(1).startsWith("2026-12-09T14:03:10"));

        QBuffer in(&out.buffer());
        in.open(QIODevice::ReadOnly);
        const TextListRows back = TextDataSet::read(in, TextDataSet::Comma);
        QCOMPARE(back.columns, 8);
        QCOMPARE(back.rows.row(0, 8), (QStringList{"1", "2026-12-09", "14:03:10", "23,5", "C", "OL", "C", "HOLD"}));
        QCOMPARE(back.rows.row(1, 8).at(7), QStringLiteral("MAX, MIN \"x\""));
    }

    // A whole collection: "Sets" with each set's figures, then a sheet per
    // set with real dates, values, overloads flagged OL and a chart of its
    // channels; a single set the same; kv481 writes the same cells.
    void workbookHoldsTheCollectionCellByCell()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *logger = s.main->dataLoggerWindow();
        QVERIFY(logger && logger->dataSetsLoaded());
        activate(s, logger);
        const DataSetCollection &c = *logger->collection();
        const QString path = s.dir.filePath(QStringLiteral("all.xlsx")), rec = s.dir.filePath(QStringLiteral("a.rec"));
        for (const QString &name : {path, rec}) {
            s.prompt.choices.enqueue(Prompt::Choice::Collection);
            s.prompt.saveNames.enqueue(name);
            s.main->Save1->trigger();
        }
        QVERIFY2(s.prompt.errors.isEmpty(), qPrintable(s.prompt.errors.join('\n')));
        QString why;
        const QJsonObject book = workbookCells(path, &why);
        QVERIFY2(!book.isEmpty(), qPrintable(why));
        QCOMPARE(book.value("title").toString(), QStringLiteral("all"));
        QVERIFY(book.value("subject").toString().contains(QStringLiteral("482")));
        QVERIFY(book.value("description").toString().startsWith(QStringLiteral("Written by KV481")));
        const QJsonArray sheets = book.value("sheets").toArray();
        QCOMPARE(sheets.size(), c.sets.size() + 1);
        const QJsonObject list = sheets.at(0).toObject();
        QCOMPARE(list.value("name").toString(), QStringLiteral("Sets"));
        int overloads = 0;
        for (int i = 0; i < c.sets.size(); ++i) {
            const DataSet &set = c.sets.at(i);
            const DataSetStatistics f = dataSetStatistics(c, i, 2);
            const QJsonArray line = sheetRow(list, i + 1);
            QCOMPARE(line.at(0).toInt(), i + 1);
            QVERIFY(near(line.at(1), set.start, kMs));
            QCOMPARE(line.at(2).toInt(), set.intervalSeconds);
            QCOMPARE(line.at(3).toInt(), set.sampleCount);
            QCOMPARE(line.at(4).toString(), QStringLiteral("°") + set.unit);
            for (int ch = 0; ch < 2; ++ch) {
                const ChannelStatistics &k = f.channel[ch];
                QVERIFY(k.any() ? near(line.at(5 + 4 * ch), k.max, 1e-4) && near(line.at(8 + 4 * ch), k.stdDev)
                                : line.at(5 + 4 * ch).isNull());
            }
            QVERIFY(near(line.at(13), f.durationSeconds / 86400.0, kMs));

            const QJsonObject sheet = sheets.at(i + 1).toObject();
            const QString name = QStringLiteral("Set %1").arg(i + 1);
            QCOMPARE(sheet.value("name").toString(), name);
            QCOMPARE(sheet.value("frozen").toString(), QStringLiteral("A2"));
            const QString unit = QStringLiteral("°") + set.unit;
            QCOMPARE(sheetRow(sheet, 0).toVariantList(),
                     (QVariantList{"Date and time", "Elapsed (s)", "T1 (" + unit + ")", "T1 flag", "T2 (" + unit + ")",
                                   "T2 flag"}));
            QCOMPARE(sheet.value("rows").toArray().size(), set.sampleCount + 1);
            QCOMPARE(sheet.value("formats").toArray().at(0).toString(), QStringLiteral("yyyy-mm-dd hh:mm:ss"));
            const QString last = QString::number(set.sampleCount + 1);
            QCOMPARE(sheet.value("charts").toArray().at(0).toObject().value("formulas").toVariant().toStringList(),
                     (QStringList{"'" + name + "'!$C$1", "'" + name + "'!$A$2:$A$" + last,
                                          "'" + name + "'!$C$2:$C$" + last, "'" + name + "'!$E$1",
                                          "'" + name + "'!$A$2:$A$" + last, "'" + name + "'!$E$2:$E$" + last}));
            for (int k = 0; k < set.sampleCount; ++k) {
                const QJsonArray row = sheetRow(sheet, k + 1);
                QVERIFY(near(row.at(0), set.start + k * set.intervalSeconds / 86400.0, kMs));
                QVERIFY(near(row.at(1), double(k) * set.intervalSeconds));
                for (int ch = 0; ch < 2; ++ch) {
                    const Sample v = *sampleAt(c, set, k, ch);
                    overloads += v.overload;
                    QVERIFY2(v.overload ? row.at(2 + 2 * ch).isNull() && row.at(3 + 2 * ch) == QStringLiteral("OL")
                                        : near(row.at(2 + 2 * ch), v.value, 1e-4) && row.at(3 + 2 * ch).isNull(),
                             qPrintable(QStringLiteral("%1 row %2").arg(name).arg(k + 2)));
                }
            }
        }
        QVERIFY(overloads > 0);

        // kv481's workbook of the same file, under German settings.
        const QString cli = s.dir.filePath(QStringLiteral("cli.xlsx"));
        const QByteArray said = kv481Export(
            {QStringLiteral("export"), rec, QStringLiteral("--all"), QStringLiteral("--output"), cli},
            QStringLiteral("de_DE.UTF-8"));
        QVERIFY2(said.isEmpty(), said.constData());
        QCOMPARE(workbookCells(cli).value("sheets"), book.value("sheets"));

        // One set from the window's Save: its own sheet, the rows it shows.
        logger->ShowDataSet(1);
        const QString one = s.dir.filePath(QStringLiteral("one.xlsx"));
        s.prompt.choices.enqueue(Prompt::Choice::SingleSet);
        s.prompt.saveNames.enqueue(one);
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        const QJsonArray single = workbookCells(one).value("sheets").toArray();
        QCOMPARE(single.size(), 1);
        QCOMPARE(single.at(0).toObject().value("rows"), sheets.at(2).toObject().value("rows"));
    }

    // A list recorded under German settings and its graph: real dates and
    // numbers, whatever the texts; the function words; the same readings.
    void workbookOfAListAndAGraph()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(recordSamples(s, 5));
        TfrmList *list = s.main->realTimeList();
        activate(s, list);
        const QString listPath = s.dir.filePath(QStringLiteral("list.xlsx"));
        s.prompt.saveNames.enqueue(listPath);
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        activate(s, s.main->realTimeGraph());
        const QString graphPath = s.dir.filePath(QStringLiteral("graph.xlsx"));
        s.prompt.saveNames.enqueue(graphPath);
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        QVERIFY2(s.prompt.errors.isEmpty(), qPrintable(s.prompt.errors.join('\n')));

        const QJsonObject sheet = workbookCells(listPath).value("sheets").toArray().at(0).toObject();
        QCOMPARE(sheet.value("name").toString(), QStringLiteral("List"));
        QCOMPARE(sheetRow(sheet, 0).last().toString(), QStringLiteral("FUNCTION"));
        const QJsonObject graph = workbookCells(graphPath).value("sheets").toArray().at(0).toObject();
        QCOMPARE(graph.value("name").toString(), QStringLiteral("Graph"));
        const GridSource &grid = *list->grid();
        QCOMPARE(sheet.value("rows").toArray().size(), grid.RowCount());
        for (int r = 1; r < grid.RowCount(); ++r) {
            const QJsonArray row = sheetRow(sheet, r);
            QVERIFY(near(row.at(0), kStart + (r - 1) * kSecond, kMs));
            QVERIFY(near(row.at(1), r - 1.0));
            for (int ch = 0; ch < 2; ++ch)
                QVERIFY(near(row.at(2 + 2 * ch), QLocale().toDouble(grid.cell(3 + 2 * ch, r)), 1e-4));
            QCOMPARE(row.at(6).toString(), grid.cell(7, r).trimmed());
            QCOMPARE(sheetRow(graph, r).toVariantList(), row.toVariantList().mid(0, 6));
        }
    }
};

QTEST_MAIN(TestAnalysisCsv)
#include "tst_analysis_csv.moc"
