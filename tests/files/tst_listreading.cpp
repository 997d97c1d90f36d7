// Reading a list back as dates and times: strictly in the regional
// settings' short date form or in ISO 8601, the golden files under several
// settings, what a refusal says, kv481's ISO export read into a list, and
// overloads kept through the conversion into chart cells.

#include "common/DateTime.h"
#include "files/AnalysisCsv.h"
#include "files/ListGraphData.h"
#include "files/LocaleDateTimeReader.h"
#include "files/TextDataSet.h"
#include "support/BuildPaths.h"
#include "views/GridModel.h"

#include "support/FileBytes.h"
#include "support/TextRows.h"

#include <QBuffer>
#include <QDir>
#include <QtTest>

using namespace kv;
using namespace kv::test;
using kv::test::fileBytes;

namespace {

const QString kGolden = kv::test::testData(QStringLiteral("text/"));

} // namespace

class TstListReading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void graphFromListRefusesARowWhoseDateOrTimeDoesNotRead();
    void overloadInAListIsSavedFromItsGraphAsOverload();
    void listInTwoUnitsGraphsInTheUnitOfItsFirstRow();
    void goldenFilesReadOnlyUnderTheirOwnSettings_data();
    void goldenFilesReadOnlyUnderTheirOwnSettings();
    void unreadableDatesAreToldWithWhatIsExpected();
    void whatTheProgramWritesReadsBackUnderTheSameSettings_data();
    void whatTheProgramWritesReadsBackUnderTheSameSettings();
    void isoExportReadsIntoTheListsColumns();
    void numbersAcrossLocales_data();
    void numbersAcrossLocales();
    void listFromAnotherLocaleGraphsAndSavesItsNumbers();
};

void TstListReading::graphFromListRefusesARowWhoseDateOrTimeDoesNotRead()
{
    // One row that does not read makes no graph, and the first such row is
    // named: a graph with it left out or misdated would misstate the list.
    GridModel m;
    m.setColCount(8);
    m.appendRow({"1", "12/5/07", "10:00:00", "1.0", "C", "2.0", "F", ""});
    m.appendRow({"2", "13/45/07", "10:00:01", "3.0", "C", "4.0", "F", ""});
    m.appendRow({"3", "12/5/07", "25:00:00", "5.0", "C", "6.0", "F", ""});
    const ListGraphData d = convertListToGraph(m);
    QCOMPARE(d.badRow, 2);
    QCOMPARE(d.problem, QStringLiteral("holds the date \"13/45/07\" where a date such as 12/9/26 "
                                       "(month/day/year) or 2026-12-09 is expected"));
    QCOMPARE(firstUnreadableRow(m).row, 2);
    QCOMPARE(firstUnreadableRow(m).problem, d.problem);

    m.setRow(2, {"2", "12/5/07", "10:00:01", "3.0", "C", "4.0", "F", ""});
    const ListGraphData t = convertListToGraph(m);
    QCOMPARE(t.badRow, 3);
    QCOMPARE(t.problem, QStringLiteral("holds the time \"25:00:00\" where a time such as 2:03:10 PM is expected"));

    // A list written under other settings is refused at its first row.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const ListGraphData de = convertListToGraph(m);
    QCOMPARE(de.badRow, 1);
    QVERIFY(de.problem.startsWith(QStringLiteral("holds the date \"12/5/07\" where a date such as 09.12.26 "
                                                 "(day.month.year) or 2026-12-09")));
}

void TstListReading::overloadInAListIsSavedFromItsGraphAsOverload()
{
    // A list read from a file, turned into chart cells and written again
    // in the graph layout: every "OL" comes back as "OL", never as a value.
    const QByteArray file = "12/5/07\t14:03:10\t23.5\tC\tOL\tC\t\r\n"
                            "12/5/07\t14:03:12\tOL\tC\t-5.0\tC\t\r\n"
                            "12/5/07\t14:03:14\tOL\tC\tOL\tC\t\r\n";
    GridModel list;
    intoList(list, readBytes(file, TextDataSet::Tab));
    const ListGraphData d = convertListToGraph(list);
    QCOMPARE(d.subsets, 2);
    QCOMPARE(d.y[1][0], TextDataSet::OverloadValue);
    // The overloads take no part in the y range: 23.5 down to -5.0.
    QVERIFY(qAbs(d.yMax - (23.5 + 2.35)) < 1e-5);
    QVERIFY(qAbs(d.yMin - (-5.5)) < 1e-6);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(TextDataSet::writeGraph(out, GraphCells::over(d.points, d.x[0], d.y[0], d.y[1]), 1, d.points,
                                    QStringLiteral("C"), TextDataSet::Tab)
                .ok);
    QCOMPARE(out.data(), QByteArray("12/5/07\t2:03:10 PM\t23.5\tC\tOL\tC\t\r\n"
                                    "12/5/07\t2:03:12 PM\tOL\tC\t-5.0\tC\t\r\n"
                                    "12/5/07\t2:03:14 PM\tOL\tC\tOL\tC\t\r\n"));
}

void TstListReading::listInTwoUnitsGraphsInTheUnitOfItsFirstRow()
{
    // A recording during which the meter's unit was switched: the list
    // keeps what the meter sent, the graph takes the first row's unit and
    // converts the rest, its range fitted to the converted values.
    GridModel m;
    m.setColCount(8);
    m.appendRow({"1", "12/5/07", "14:03:10", "23.0", "C", "-5.0", "C", ""});
    m.appendRow({"2", "12/5/07", "14:03:12", "77.0", "F", "OL", "F", ""});
    m.appendRow({"3", "12/5/07", "14:03:14", "212.0", "F", "14.0", "F", ""});
    const ListGraphData d = convertListToGraph(m);
    QCOMPARE(d.unit, QStringLiteral("C"));
    QCOMPARE(d.y[0], (std::vector<float>{23.0f, 25.0f, 100.0f}));
    QCOMPARE(d.y[1], (std::vector<float>{-5.0f, TextDataSet::OverloadValue, -10.0f}));
    QCOMPARE(d.yMax, 110.0);
    QCOMPARE(d.yMin, -11.0);

    // A list in degrees F throughout stays in them; one without a unit
    // letter converts nothing.
    m.setRow(1, {"1", "12/5/07", "14:03:10", "73.4", "F", "23.0", "F", ""});
    const ListGraphData f = convertListToGraph(m);
    QCOMPARE(f.unit, QStringLiteral("F"));
    QCOMPARE(f.y[0], (std::vector<float>{73.4f, 77.0f, 212.0f}));
    GridModel bare;
    bare.setColCount(6);
    bare.appendRow({"1", "12/5/07", "14:03:10", "23.0", "", ""});
    bare.appendRow({"2", "12/5/07", "14:03:12", "77.0", "", ""});
    const ListGraphData none = convertListToGraph(bare);
    QCOMPARE(none.unit, QString());
    QCOMPARE(none.y[0], (std::vector<float>{23.0f, 77.0f}));
}

// Every golden file against several settings: its rows read under the
// settings it was written in (and the ISO ones under all), and under any
// other the first line is refused instead of read with day and month
// swapped.
void TstListReading::goldenFilesReadOnlyUnderTheirOwnSettings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("locale");
    const QStringList files = QDir(kGolden).entryList({QStringLiteral("*.txt"), QStringLiteral("*.csv")}, QDir::Files);
    QVERIFY(files.size() >= 15);
    for (const QString &f : files)
        for (const char *locale : {"en_US", "de_DE", "en_GB", "fr_FR", "ja_JP"})
            QTest::newRow(qPrintable(f + QLatin1Char(' ') + QLatin1String(locale))) << f << QString::fromLatin1(locale);
}

void TstListReading::goldenFilesReadOnlyUnderTheirOwnSettings()
{
    QFETCH(QString, file);
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    const TextListRows rows = TextDataSet::readFile(kGolden + file);
    QVERIFY(rows.ok);
    QVERIFY(!rows.rows.empty());
    const bool iso = file.contains(QLatin1String("_iso"));
    const bool own = iso || file.contains(locale);
    const UnreadableRow bad = firstUnreadableRow(rows);
    QCOMPARE(bad.row, own ? 0 : 1);
    if (!own) {
        QVERIFY2(bad.problem.startsWith(QStringLiteral("holds the date \"%1\"").arg(rows.rows.cell(0, 1))),
                 qPrintable(bad.problem));
        return;
    }
    GridModel list;
    intoList(list, rows);
    const ListGraphData d = convertListToGraph(list);
    QVERIFY2(d.badRow == 0, qPrintable(d.problem));
    QVERIFY(d.anyValue);
    // The files' first row: 5 December 2007 14:03:10 (the ISO ones, as
    // their first row says).
    const double start = file.startsWith(QLatin1String("export482")) ? at(2026, 11, 30, 23, 59, 50)
        : file.startsWith(QLatin1String("export481"))                ? at(2026, 3, 14, 9, 26, 53)
        : iso                                                        ? at(2026, 12, 9, 14, 3, 10)
                                                                     : at(2007, 12, 5, 14, 3, 10);
    QCOMPARE(d.start, start);
}

void TstListReading::unreadableDatesAreToldWithWhatIsExpected()
{
    LocaleDateTimeReader us;
    QCOMPARE(us.expectedDate(), QStringLiteral("a date such as 12/9/26 (month/day/year) or 2026-12-09"));
    QCOMPARE(us.expectedTime(), QStringLiteral("a time such as 2:03:10 PM"));
    QCOMPARE(us.problem(QStringLiteral("12/9/26"), QStringLiteral("2:03:10 PM")), QString());
    QCOMPARE(us.problem(QString(), QStringLiteral("10:00")),
             QStringLiteral("holds no date where a date such as 12/9/26 (month/day/year) or 2026-12-09 is expected"));
    // What a file holds is quoted with what cannot be shown replaced, and cut.
    QCOMPARE(us.problem(QStringLiteral("\x01\x7f\u00e9t\u00e9"), QString()),
             QStringLiteral("holds the date \"\uFFFD\uFFFD\u00e9t\u00e9\" where a date such as 12/9/26 "
                            "(month/day/year) or 2026-12-09 is expected"));
    QVERIFY(us.problem(QString(200, QLatin1Char('x')), QString()).contains(QString(24, QLatin1Char('x')) + QChar(0x2026) + '"'));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    LocaleDateTimeReader de;
    QCOMPARE(de.expectedDate(), QStringLiteral("a date such as 09.12.26 (day.month.year) or 2026-12-09"));
    QCOMPARE(de.expectedTime(), QStringLiteral("a time such as 14:03:10"));
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    QCOMPARE(LocaleDateTimeReader().expectedDate(), QStringLiteral("a date such as 2026-12-09 (year-month-day)"));
}

// The date and time texts of a written file (the graph layout's, the
// data-logger table's) read back as the same moment under the settings they
// were written in, also where a time holds words or a time-zone field was
// left out of it: otherwise the program would refuse its own files.
void TstListReading::whatTheProgramWritesReadsBackUnderTheSameSettings_data()
{
    QTest::addColumn<QString>("locale");
    for (const char *locale : {"en_US", "de_DE", "fr_CA", "bg_BG", "ja_JP", "ko_KR", "th_TH", "lo_LA", "hu_HU",
                               "es_ES", "fa_IR", "ar_EG", "en_CA", "fi_FI", "sq_AL", "be_BY"})
        QTest::newRow(locale) << QString::fromLatin1(locale);
}

void TstListReading::whatTheProgramWritesReadsBackUnderTheSameSettings()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    for (const double x : {at(2026, 12, 28, 14, 3, 10), at(2007, 1, 5, 0, 0, 5), at(2026, 6, 1, 12, 59, 59)}) {
        const QStringList fields = TextDataSet::graphLine(x, 23.5f, nullptr, QStringLiteral("C"), TextDataSet::Tab)
                                       .split(TextDataSet::Tab);
        LocaleDateTimeReader reader;
        double read = 0;
        QVERIFY2(reader.dateTime(fields.at(0), fields.at(1), read), qPrintable(reader.problem(fields.at(0), fields.at(1))));
        QCOMPARE(read, x);
    }
}

void TstListReading::isoExportReadsIntoTheListsColumns()
{
    // Under German settings: the values take a decimal comma, an "OL" flag
    // makes the value "OL", and rows are counted from the line under the
    // header.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const TextListRows two = TextDataSet::readFile(kGolden + QStringLiteral("export482_iso.csv"));
    QVERIFY(two.ok);
    QCOMPARE(two.columns, 8);
    QCOMPARE(two.lineOf(1), 2);
    QCOMPARE(two.rows.row(0, 8), (QStringList{"1", "2026-11-30", "23:59:50", "21,5", "C", "19,0", "C", ""}));
    QCOMPARE(two.rows.row(1, 8), (QStringList{"2", "2026-12-01", "00:00:00", "OL", "C", "19,1", "C", ""}));
    // The first of its two sets only: the second overlaps it in time, in °F.
    QCOMPARE(two.rows.size(), std::size_t(3));
    QVERIFY(two.moreSets);
    const TextListRows one = readBytes(fileBytes(kGolden + QStringLiteral("export481_iso.csv")), TextDataSet::Tab);
    QCOMPARE(one.columns, 6);
    QCOMPARE(one.rows.row(0, 6), (QStringList{"1", "2026-03-14", "09:26:53", "25,6", "C", ""}));
    QVERIFY(!one.moreSets);

    // Reading stops at a line of another shape; a time that is no ISO
    // time is kept whole, and refused as a date.
    const TextListRows cut = readBytes("set,time,T1,T1 flag,unit\n1,2026-03-14T09:26:53+01:00,25.6,,C\n"
                                       "1,12/9/26 14:03:10,25.6,,C\n\n1,2026-03-14T09:26:55+01:00,25.6,,C\n",
                                       TextDataSet::Comma);
    QCOMPARE(cut.rows.size(), std::size_t(2));
    const UnreadableRow bad = firstUnreadableRow(cut);
    QCOMPARE(bad.row, 2);
    QCOMPARE(cut.lineOf(bad.row), 3);
    QVERIFY(bad.problem.startsWith(QStringLiteral("holds the date \"12/9/26 14:03:10\"")));
    // A line with fields missing (or one too many) is a damaged file: it
    // opens as nothing and names the line, rather than dropping the
    // readings below it unnoticed.
    for (const QByteArray &line : {QByteArray("2026-12-09T14:03:12+01:00,25.0"),
                                   QByteArray("2026-12-09T14:03:12+01:00,25.0,C,,x")}) {
        const TextListRows damaged = readBytes("time,t1,t1_unit,t1_flag\n2026-12-09T14:03:11+01:00,24.0,C,\n" + line
                                                   + "\n2026-12-09T14:03:13+01:00,26.0,C,\n",
                                               TextDataSet::Comma);
        QVERIFY(!damaged.ok);
        QVERIFY(damaged.rows.empty());
        QVERIFY2(damaged.error.contains(QStringLiteral("line 3 holds")), qPrintable(damaged.error));
    }
    // A header of another layout holds no rows.
    QCOMPARE(readBytes("set,time,T1,T1 flag,X\n1,2026-03-14T09:26:53+01:00,25.6,,C\n", TextDataSet::Comma).rows.size(),
             std::size_t(0));
}

// Numbers across locales: a file's numbers are read in its own decimal
// form, which its first number with a point or comma tells, and take this
// computer's; a number that does not read that way, or the halves of one
// that a comma split, refuse the file at its line instead of reading as 0,
// as an empty value or as a unit.
void TstListReading::numbersAcrossLocales_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("values"); // T1 and T2 of row 1 as the list shows them
    QTest::addColumn<int>("line");           // the line refused, 0 for none
    QTest::addColumn<QString>("problem");
    const QByteArray de = "2026-12-09\t16:44:10\t22,5\tC\t21,2\tC\t\t\r\n";
    QTest::newRow("decimal commas, TAB, US") << "en_US" << false << de << QStringList{"22.5", "21.2"} << 0 << "";
    QTest::newRow("decimal points, TAB, German")
        << "de_DE" << false << QByteArray("2026-12-09\t16:44:10\t-1.0\tC\tOL\tC\t\t\r\n")
        << QStringList{"-1,0", "OL"} << 0 << "";
    QTest::newRow("both separators, TAB")
        << "en_US" << false << QByteArray(de + "2026-12-09\t16:44:11\t22.5\tC\t21,2\tC\t\t\r\n") << QStringList{}
        << 2 << "holds the value \"22.5\" with a decimal point where the file's numbers have a decimal comma";
    for (const char *locale : {"en_US", "de_DE"})
        QTest::newRow(qPrintable(QStringLiteral("split by commas, %1").arg(QLatin1String(locale))))
            << locale << true << QByteArray("2026-12-09,16:44:10,22,5,C,21,2,C,,\r\n") << QStringList{} << 1
            << "holds the unit \"5\" where C or F is expected";
    QTest::newRow("one channel split by commas")
        << "en_US" << true << QByteArray("2026-12-09,16:44:10,22,5,F,,\r\n") << QStringList{} << 1
        << "holds the unit \"5\"";
    QTest::newRow("no number")
        << "en_US" << false << QByteArray("2026-12-09\t16:44:10\t22.5\tC\t\r\n2026-12-09\t16:44:11\tabc\tC\t\r\n")
        << QStringList{} << 2 << "holds the value \"abc\" where a number such as 22.5 or OL is expected";
    QTest::newRow("beyond single precision")
        << "en_US" << false << QByteArray("2026-12-09\t16:44:10\t1e90\tC\t\r\n") << QStringList{} << 1
        << "holds the value \"1e90\" where a number";
    QTest::newRow("a date above is told first")
        << "de_DE" << false << QByteArray("12/9/26\t14:03:10\t1.0\tC\t\r\n2026-12-09\t14:03:11\tx\tC\t\r\n")
        << QStringList{} << 1 << "holds the date \"12/9/26\"";
}

void TstListReading::numbersAcrossLocales()
{
    QFETCH(QString, locale);
    QFETCH(bool, comma);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, values);
    QFETCH(int, line);
    QFETCH(QString, problem);
    QLocale::setDefault(QLocale(locale));
    const TextListRows rows = readBytes(bytes, comma ? TextDataSet::Comma : TextDataSet::Tab);
    QVERIFY(rows.ok);
    const UnreadableRow bad = firstUnreadableRow(rows);
    QCOMPARE(bad.row, line);
    if (line) {
        QVERIFY2(bad.problem.startsWith(problem), qPrintable(bad.problem));
        // The graph of such a list, had it opened, refuses it too (all but
        // a number in the other decimal form, which only the file tells).
        GridModel grid;
        grid.setColCount(rows.columns);
        for (std::size_t r = 0; r < rows.rows.size(); ++r)
            grid.appendRow(rows.rows.row(r));
        if (!bad.problem.contains(QLatin1String("with a decimal")))
            QCOMPARE(convertListToGraph(grid).badRow, line);
        return;
    }
    QCOMPARE(rows.columns, 8);
    QCOMPARE(rows.rows.cell(0, 3), values.at(0));
    QCOMPARE(rows.rows.cell(0, 5), values.at(1));
}

// A list saved under German settings and opened under US ones graphs its
// readings and saves them, as text and as CSV, as the numbers they are.
void TstListReading::listFromAnotherLocaleGraphsAndSavesItsNumbers()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    GridModel german;
    german.setColCount(8);
    german.appendRow({"1", "2026-12-09", "16:44:10", "22,5", "C", "21,2", "C", ""});
    german.appendRow({"2", "2026-12-09", "16:44:11", "OL", "C", "-0,5", "C", " MAX"});
    QBuffer txt;
    txt.open(QIODevice::WriteOnly);
    QVERIFY(TextDataSet::writeGrid(txt, german, 1, 2, TextDataSet::Tab).ok);

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    GridModel list;
    intoList(list, readBytes(txt.data(), TextDataSet::Tab));
    list.setRow(0, {"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", ""});
    const ListGraphData g = convertListToGraph(list);
    QCOMPARE(g.badRow, 0);
    QCOMPARE(g.y[0], (std::vector<float>{22.5f, TextDataSet::OverloadValue}));
    QCOMPARE(g.y[1], (std::vector<float>{21.2f, -0.5f}));

    // As CSV each number stays one field, also one the list holds with a
    // comma; a text with a comma is quoted. All of it reads back.
    list.setCell(5, 2, QStringLiteral("-0,5"));
    list.setCell(7, 1, QStringLiteral("MAX, MIN"));
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    QVERIFY(TextDataSet::writeGrid(csv, list, 1, 2, TextDataSet::Comma).ok);
    QCOMPARE(csv.data(), QByteArray("2026-12-09,16:44:10,22.5,C,21.2,C,\"MAX, MIN\",\r\n"
                                    "2026-12-09,16:44:11,OL,C,-0.5,C, MAX,\r\n"));
    const TextListRows back = readBytes(csv.data(), TextDataSet::Comma);
    QCOMPARE(firstUnreadableRow(back).row, 0);
    QCOMPARE(back.rows.row(0, 8), (QStringList{"1", "2026-12-09", "16:44:10", "22.5", "C", "21.2", "C", "MAX, MIN"}));

    // The CSV for analysis writes the numbers, flags the overload, and
    // refuses a value that is no number rather than leave it empty.
    list.setCell(5, 2, QStringLiteral("-0.5"));
    QBuffer analysis;
    analysis.open(QIODevice::WriteOnly);
    QVERIFY(AnalysisCsv::writeGrid(analysis, list, 1, 2).ok);
    const QList<QByteArray> lines = analysis.data().split('\n');
    QVERIFY2(lines.at(1).endsWith(",22.5,C,,21.2,C,"), lines.at(1).constData());
    QVERIFY2(lines.at(2).endsWith(",,C,OL,-0.5,C,"), lines.at(2).constData());
    list.setCell(3, 2, QStringLiteral("22;5"));
    QBuffer refused;
    refused.open(QIODevice::WriteOnly);
    const TextWriteResult r = AnalysisCsv::writeGrid(refused, list, 1, 2, {}, 0, true, {}, QStringLiteral("a.csv"));
    QVERIFY(!r.ok);
    QCOMPARE(r.error, QStringLiteral("The file a.csv is not written: row 2 holds the value \"22;5\" where a number "
                                     "such as 22.5 or OL is expected."));
}

QTEST_MAIN(TstListReading)
#include "tst_listreading.moc"
