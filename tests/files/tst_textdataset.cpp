// Data set text files: the bytes the graph and table writers produce (and
// the golden files under data/text), the range rules, the reader's limits
// and encodings, and turning a read list back into chart cells.

#include "common/DateTime.h"
#include "files/AnalysisCsv.h"
#include "files/FileFilters.h"
#include "files/ListGraphData.h"
#include "files/LocaleDateTimeReader.h"
#include "files/ScopeRange.h"
#include "files/TextDataSet.h"
#include "support/BuildPaths.h"
#include "views/GridModel.h"

#include "support/FileBytes.h"
#include "support/TextRows.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace kv;
using namespace kv::test;
using kv::test::fileBytes;

namespace {

const QString kGolden = kv::test::testData(QStringLiteral("text/"));

// Chart cells as a graph window holds them.
struct Graph
{
    std::vector<double> x;
    std::vector<float> y0, y1;
    int subsets = 2;

    explicit Graph(int points, int subsetCount = 2) : x(points, 0.0), y0(points, 0.f), y1(points, 0.f), subsets(subsetCount) {}
    void set(int p, double xv, float a, float b = 0.f)
    {
        x[p] = xv;
        y0[p] = a;
        y1[p] = b;
    }
    GraphCells cells() const
    {
        GraphCells c;
        c.subsets = subsets;
        c.points = static_cast<int>(x.size());
        c.x = x.data();
        c.y0 = y0.data();
        c.y1 = subsets == 2 ? y1.data() : nullptr;
        return c;
    }
};

// The graph behind the golden files: a normal reading, a negative one, an
// overloaded and a missing second channel, a reading past midnight, then
// an unrecorded point and one more that must never be written.
Graph goldenGraph(int subsets)
{
    Graph g(7, subsets);
    g.set(0, at(2007, 12, 5, 14, 3, 10), 23.5f, 22.0f);
    g.set(1, at(2007, 12, 5, 14, 3, 12), -5.0f, -0.04f);
    g.set(2, at(2007, 12, 5, 14, 3, 14), 9999.0f, 1234.56f);
    g.set(3, at(2007, 12, 5, 23, 59, 59), 19999.0f, 9999.0f);
    g.set(4, at(2007, 12, 6, 0, 0, 1), 0.05f, 100.25f);
    g.set(6, at(2007, 12, 6, 0, 0, 5), 1.0f, 1.0f);
    return g;
}

// A list as the real-time list fills it.
void fillList(GridModel &m, bool twoChannel, bool commaDecimal)
{
    const auto num = [&](const char *s) {
        QString t = QString::fromLatin1(s);
        if (commaDecimal)
            t.replace(QLatin1Char('.'), QLatin1Char(','));
        return t;
    };
    m.setColCount(twoChannel ? 8 : 6);
    m.setRow(0, twoChannel ? QStringList{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"}
                           : QStringList{"NO", "DATE", "TIME", "Value", "UNIT", "FUNCTION"});
    const QString date = commaDecimal ? QStringLiteral("05.12.07") : QStringLiteral("12/5/07");
    if (twoChannel) {
        m.appendRow({"1", date, "14:03:10", num("23.5"), "C", num("22.0"), "C", ""});
        m.appendRow({"2", date, "14:03:12", "OL", "C", num("-5.0"), "C", " MAX"});
        m.appendRow({"3", date, "14:03:14", num("1234.5"), "C", "OL", "C", " HOLD MIN"});
    } else {
        m.appendRow({"1", date, "14:03:10", num("23.5"), "F", ""});
        m.appendRow({"2", date, "14:03:12", "OL", "F", " HOLD"});
    }
}

QByteArray writeGraphBytes(const Graph &g, int from, int to, QChar sep, TextWriteResult *result = nullptr,
                           const TextProgress &progress = {})
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    const TextWriteResult r = TextDataSet::writeGraph(buf, g.cells(), from, to, QStringLiteral("C"), sep, progress);
    if (result)
        *result = r;
    return buf.data();
}

QByteArray writeGridBytes(const GridSource &grid, int from, int to, QChar sep)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    TextDataSet::writeGrid(buf, grid, from, to, sep);
    return buf.data();
}

} // namespace

class TstTextDataSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void golden_data();
    void golden();
    void graphLinesHoldFourOrSixFieldsEachEndingInTheSeparator();
    void realTimeGraphSavedWithAllWritesOnlyItsRecordedPoints();
    void graphStopsAtTheFirstUnrecordedPoint();
    void graphLeavesOutABreakInTheLine();
    void graphRangeSelectsPointsAndCancelKeepsWhatWasWritten();
    void graphLinesFollowTheLocaleAnywhere();
    void valueCoding_data();
    void valueCoding();
    void rangeRules_data();
    void rangeRules();
    void separatorFollowsTheExtension_data();
    void separatorFollowsTheExtension();
    void tableSaveLeavesOutNumbersAndTitlesAndTakesItsRange();
    void commaSeparatedFileInCommaLocaleWritesNumbersWithAPoint();
    void fileSaveReplacesOnlyWhenDoneAndNamesTheFileOnFailure();
    void readerStopsAtTheFirstLineWithoutSeparator();
    void readerKeepsOnlyTerminatedFieldsThatFit();
    void readerCutsALongLineAndStopsAfterIt();
    void readerTakesAnyLineEndAndBothEncodings();
    void readerKeepsCellsApartWhateverTheyHold();
    void twoChannelListRoundTripsInBothLocales();
    void yRangeIsWidenedByATenthOfEachEnd_data();
    void yRangeIsWidenedByATenthOfEachEnd();
    void graphFromListTakesSubsetsAndTimesFromTheRows();
    void graphFromListReadsPointValuesInACommaLocale();
    void graphFromListStopsOnCancel();
    void dateAndTimeTextsReadInTheLocalesOrder_data();
    void dateAndTimeTextsReadInTheLocalesOrder();
    void valueCellsReadAsTheLocaleWritesThem_data();
    void valueCellsReadAsTheLocaleWritesThem();
    void filtersWithdrawCsvInACommaLocale();
};

// Every written layout, byte for byte. The file name says what is written:
// graph1/graph2 (subsets) or list481/list482, the locale, and the
// extension that decides the separator.
void TstTextDataSet::golden_data()
{
    QTest::addColumn<QString>("file");
    for (const char *f : {"graph2_en_US.txt", "graph2_en_US.csv", "graph2_de_DE.txt", "graph2_de_DE.csv",
                          "graph1_en_US.txt", "graph1_de_DE.csv", "list482_en_US.txt", "list482_en_US.csv",
                          "list482_de_DE.txt", "list482_de_DE.csv", "list481_en_US.txt"})
        QTest::newRow(f) << QString::fromLatin1(f);
}

void TstTextDataSet::golden()
{
    QFETCH(QString, file);
    const QStringList parts = file.section(QLatin1Char('.'), 0, 0).split(QLatin1Char('_'));
    const QString locale = parts.at(1) + QLatin1Char('_') + parts.at(2);
    QLocale::setDefault(QLocale(locale));
    const QChar sep = TextDataSet::separatorFor(file);
    QByteArray bytes;
    if (parts.at(0).startsWith(QLatin1String("graph"))) {
        const Graph g = goldenGraph(parts.at(0) == QLatin1String("graph2") ? 2 : 1);
        bytes = writeGraphBytes(g, 1, 7, sep);
    } else {
        GridModel m;
        fillList(m, parts.at(0) == QLatin1String("list482"), locale == QLatin1String("de_DE"));
        bytes = writeGridBytes(m, 1, m.RowCount() - 1, sep);
    }
    if (qEnvironmentVariableIsSet("KV_WRITE_GOLDEN")) {
        QFile f(kGolden + file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QCOMPARE(bytes, fileBytes(kGolden + file));

    // Read back, every line is a row and every field a cell, the values
    // with the locale's decimal separator.
    const TextListRows rows = readBytes(bytes, sep);
    QCOMPARE(rows.valueRow, 0);
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(rows.rows.size(), std::size_t(lines.size() - 1));
    for (std::size_t i = 0; i < rows.rows.size(); ++i) {
        const QStringList fields = QString::fromUtf8(lines[int(i)]).chopped(2).split(sep);
        for (int c = 1; c < rows.columns && c <= fields.size(); ++c) {
            QString field = fields.at(c - 1);
            if (c == 3 || c == 5)
                field.replace(QLatin1Char('.'), QLocale().decimalPoint());
            QCOMPARE(rows.rows[i].at(c), field);
        }
    }
}

void TstTextDataSet::graphLinesHoldFourOrSixFieldsEachEndingInTheSeparator()
{
    for (int subsets : {1, 2}) {
        for (QChar sep : {TextDataSet::Tab, TextDataSet::Comma}) {
            const QByteArray bytes = writeGraphBytes(goldenGraph(subsets), 1, 7, sep);
            const QList<QByteArray> lines = bytes.split('\n');
            QCOMPARE(lines.size(), 6); // five lines, then nothing after the last LF
            QVERIFY(lines.last().isEmpty());
            for (int i = 0; i < 5; ++i) {
                QVERIFY2(lines[i].endsWith(QByteArray(1, sep.toLatin1()) + '\r'), lines[i].constData());
                QCOMPARE(lines[i].count(sep.toLatin1()), subsets == 2 ? 6 : 4);
            }
        }
    }
}

void TstTextDataSet::realTimeGraphSavedWithAllWritesOnlyItsRecordedPoints()
{
    // The real-time chart has 5000 points; ten have been recorded.
    Graph g(5000, 1);
    for (int p = 0; p < 10; ++p)
        g.set(p, at(2007, 12, 5, 10, 0, p), 20.0f + p);
    const ScopeRange all = selectScopeRange(true, QStringLiteral("1"), QStringLiteral("10"), 10, 5000);
    QVERIFY(all.ok);
    TextWriteResult r;
    const QByteArray bytes = writeGraphBytes(g, all.from, all.to, TextDataSet::Tab, &r);
    QVERIFY(r.ok);
    QCOMPARE(r.lines, 10);
    QCOMPARE(bytes.count("\r\n"), 10);
    QVERIFY(bytes.endsWith("10:00:09 AM\t29.0\tC\t\r\n"));
    // With nothing recorded yet, All writes nothing.
    const ScopeRange none = selectScopeRange(true, QStringLiteral("1"), QStringLiteral("0"), 0, 5000);
    QCOMPARE(writeGraphBytes(g, none.from, none.to, TextDataSet::Tab), QByteArray());
}

void TstTextDataSet::graphStopsAtTheFirstUnrecordedPoint()
{
    // A sample whose first channel was overloaded got no x value; nothing
    // after it is written although later points hold readings.
    Graph g(10, 2);
    for (int p = 0; p < 10; ++p)
        if (p != 4)
            g.set(p, at(2007, 12, 5, 10, 0, p), 20.0f, 21.0f);
    TextWriteResult r;
    const QByteArray bytes = writeGraphBytes(g, 1, 10, TextDataSet::Tab, &r);
    QCOMPARE(r.lines, 4);
    QCOMPARE(bytes.count("\r\n"), 4);
    // A range starting past the gap writes from there.
    QCOMPARE(writeGraphBytes(g, 6, 10, TextDataSet::Tab).count("\r\n"), 5);
}

void TstTextDataSet::graphLeavesOutABreakInTheLine()
{
    // Where a recording lost its meter the graph holds a point without a
    // value in any subset: no reading, so no line, and the lines after it
    // are still written. A single missing channel is not such a break.
    const float none = std::numeric_limits<float>::quiet_NaN();
    Graph g(5, 2);
    g.set(0, at(2007, 12, 5, 10, 0, 0), 20.0f, 21.0f);
    g.set(1, at(2007, 12, 5, 10, 0, 2), none, none);
    g.set(2, at(2007, 12, 5, 10, 5, 0), 22.0f, 23.0f);
    TextWriteResult r;
    const QByteArray bytes = writeGraphBytes(g, 1, 5, TextDataSet::Tab, &r);
    QVERIFY(r.ok);
    QCOMPARE(r.lines, 2);
    QCOMPARE(bytes, QByteArray("12/5/07\t10:00:00 AM\t20.0\tC\t21.0\tC\t\r\n"
                               "12/5/07\t10:05:00 AM\t22.0\tC\t23.0\tC\t\r\n"));
}

void TstTextDataSet::graphRangeSelectsPointsAndCancelKeepsWhatWasWritten()
{
    Graph g(10, 1);
    for (int p = 0; p < 10; ++p)
        g.set(p, at(2007, 12, 5, 10, 0, p), float(p));
    QCOMPARE(writeGraphBytes(g, 3, 5, TextDataSet::Tab),
             QByteArray("12/5/07\t10:00:02 AM\t2.0\tC\t\r\n12/5/07\t10:00:03 AM\t3.0\tC\t\r\n"
                        "12/5/07\t10:00:04 AM\t4.0\tC\t\r\n"));
    // A to beyond the chart is held to it.
    QCOMPARE(writeGraphBytes(g, 9, 50, TextDataSet::Tab).count("\r\n"), 2);

    QList<QPair<int, int>> told;
    TextWriteResult r;
    const QByteArray bytes = writeGraphBytes(g, 2, 9, TextDataSet::Tab, &r, [&](int done, int total) {
        told << qMakePair(done, total);
        return done < 3;
    });
    QVERIFY(r.ok);
    QVERIFY(r.cancelled);
    QCOMPARE(r.lines, 3);
    QCOMPARE(bytes.count("\r\n"), 3);
    QCOMPARE(told, (QList<QPair<int, int>>{{1, 8}, {2, 8}, {3, 8}}));
}

void TstTextDataSet::graphLinesFollowTheLocaleAnywhere()
{
    // The writer formats times its own quick way; every line must still be
    // what the locale's own formatting gives.
    Graph g(6, 2);
    const int hours[] = {0, 9, 11, 12, 13, 23};
    for (int p = 0; p < 6; ++p)
        g.set(p, at(2024, 2, 29, hours[p], p * 7, p * 11), 20.25f + p, -3.75f * p);
    for (const char *name : {"en_US", "de_DE", "en_GB", "fr_FR", "ja_JP", "ko_KR", "ar_EG", "fa_IR", "hi_IN",
                             "zh_CN", "nl_NL", "bg_BG", "sq_AL"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        for (QChar sep : {TextDataSet::Tab, TextDataSet::Comma}) {
            QByteArray expected;
            for (int p = 0; p < 6; ++p)
                expected += TextDataSet::graphLine(g.x[p], g.y0[p], &g.y1[p], QStringLiteral("C"), sep).toUtf8()
                    + "\r\n";
            QCOMPARE(writeGraphBytes(g, 1, 6, sep), expected);
        }
    }
}

void TstTextDataSet::valueCoding_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<float>("y");
    QTest::addColumn<QChar>("sep");
    QTest::addColumn<QString>("text");
    const QChar tab = TextDataSet::Tab, comma = TextDataSet::Comma;
    QTest::newRow("overload") << "en_US" << 9999.0f << tab << "OL";
    QTest::newRow("no reading") << "en_US" << 19999.0f << tab << "----";
    QTest::newRow("break in the line") << "de_DE" << std::numeric_limits<float>::quiet_NaN() << comma << "----";
    QTest::newRow("overload, comma locale") << "de_DE" << 9999.0f << comma << "OL";
    QTest::newRow("one decimal") << "en_US" << 23.5f << tab << "23.5";
    QTest::newRow("whole number") << "en_US" << -5.0f << tab << "-5.0";
    QTest::newRow("single precision rounds") << "en_US" << 23.4f << tab << "23.4";
    QTest::newRow("negative zero") << "en_US" << -0.04f << tab << "0.0";
    QTest::newRow("no thousands separator") << "en_US" << 1234.5f << tab << "1234.5";
    QTest::newRow("locale comma in txt") << "de_DE" << 1234.5f << tab << "1234,5";
    QTest::newRow("point when comma separates") << "de_DE" << 1234.5f << comma << "1234.5";
    QTest::newRow("point locale in csv") << "en_US" << 1234.5f << comma << "1234.5";
    QTest::newRow("next to the marks") << "en_US" << 9998.9f << tab << "9998.9";
}

void TstTextDataSet::valueCoding()
{
    QFETCH(QString, locale);
    QFETCH(float, y);
    QFETCH(QChar, sep);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(TextDataSet::valueText(y, sep), text);
}

void TstTextDataSet::rangeRules_data()
{
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    // The list has 20 rows (the real-time graph case: 20 recorded of 5000
    // is covered by last and largest differing below).
    QTest::newRow("all") << true << "x" << "y" << true << 1 << 20;
    QTest::newRow("as given") << false << "3" << "7" << true << 3 << 7;
    QTest::newRow("swapped") << false << "7" << "3" << true << 3 << 7;
    QTest::newRow("negative from") << false << "-2" << "5" << true << 2 << 5;
    QTest::newRow("negative both, swapped") << false << "-9" << "-4" << true << 4 << 9;
    QTest::newRow("from 0") << false << "0" << "5" << true << 1 << 5;
    QTest::newRow("both 0") << false << "0" << "0" << true << 1 << 0;
    QTest::newRow("to past the end") << false << "5" << "99" << true << 5 << 20;
    QTest::newRow("blanks around") << false << " 4 " << "+6" << true << 4 << 6;
    QTest::newRow("most negative int") << false << "-2147483648" << "1" << true << 1 << 20;
    QTest::newRow("from no number") << false << "a" << "5" << false << 0 << 0;
    QTest::newRow("to no number") << false << "1" << "5.0" << false << 0 << 0;
    QTest::newRow("empty") << false << "" << "5" << false << 0 << 0;
    QTest::newRow("too large") << false << "1" << "99999999999" << false << 0 << 0;
}

void TstTextDataSet::rangeRules()
{
    QFETCH(bool, all);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, ok);
    QFETCH(int, first);
    QFETCH(int, last);
    const ScopeRange r = selectScopeRange(all, from, to, 20, 20);
    QCOMPARE(r.ok, ok);
    if (!ok) {
        QCOMPARE(r.error, QStringLiteral("invalid integer"));
        return;
    }
    QCOMPARE(r.from, first);
    QCOMPARE(r.to, last);
}

void TstTextDataSet::separatorFollowsTheExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("comma");
    QTest::newRow("run.CSV") << "/tmp/run.CSV" << true;
    QTest::newRow("run.csv") << "run.csv" << true;
    QTest::newRow("run.Csv") << "run.Csv" << true;
    QTest::newRow("run.txt") << "run.txt" << false;
    QTest::newRow("run") << "run" << false;
    QTest::newRow("folder looks like csv") << "/tmp/a.csv/run" << false;
    QTest::newRow("run.csv.txt") << "run.csv.txt" << false;
}

void TstTextDataSet::separatorFollowsTheExtension()
{
    QFETCH(QString, name);
    QFETCH(bool, comma);
    QCOMPARE(TextDataSet::separatorFor(name), comma ? TextDataSet::Comma : TextDataSet::Tab);
}

void TstTextDataSet::tableSaveLeavesOutNumbersAndTitlesAndTakesItsRange()
{
    GridModel m;
    fillList(m, true, false);
    QCOMPARE(writeGridBytes(m, 2, 2, TextDataSet::Tab),
             QByteArray("12/5/07\t14:03:12\tOL\tC\t-5.0\tC\t MAX\t\r\n"));
    // Rows past the grid are not invented.
    QCOMPARE(writeGridBytes(m, 3, 10, TextDataSet::Tab).count("\r\n"), 1);
    const QByteArray all = writeGridBytes(m, 1, 3, TextDataSet::Tab);
    QVERIFY(!all.contains("DATE"));
    QVERIFY(!all.startsWith("1\t"));
}

void TstTextDataSet::commaSeparatedFileInCommaLocaleWritesNumbersWithAPoint()
{
    // "23,5" in a comma-separated line would read back as two fields.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    GridModel m;
    fillList(m, true, true);
    m.setCell(7, 1, QStringLiteral("a,b")); // text that is no number is quoted
    const QByteArray bytes = writeGridBytes(m, 1, 1, TextDataSet::Comma);
    QCOMPARE(bytes, QByteArray("05.12.07,14:03:10,23.5,C,22.0,C,\"a,b\",\r\n"));
    const TextListRows rows = readBytes(writeGridBytes(m, 1, 3, TextDataSet::Comma), TextDataSet::Comma);
    QCOMPARE(rows.rows.at(0).at(7), QStringLiteral("a,b"));
    QCOMPARE(rows.rows.at(2).at(3), QStringLiteral("1234,5"));
    QCOMPARE(rows.rows.at(1).at(5), QStringLiteral("-5,0"));
}

void TstTextDataSet::fileSaveReplacesOnlyWhenDoneAndNamesTheFileOnFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.CSV"));
    Graph g = goldenGraph(2);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents\r\n");
    }
    // A cancelled save keeps the lines written so far, comma-separated by
    // the name.
    const TextWriteResult r = TextDataSet::writeGraphFile(path, g.cells(), 1, 7, QStringLiteral("F"),
                                                          [](int done, int) { return done < 2; });
    QVERIFY(r.ok);
    QVERIFY(r.cancelled);
    QCOMPARE(fileBytes(path), QByteArray("12/5/07,2:03:10 PM,23.5,F,22.0,F,\r\n12/5/07,2:03:12 PM,-5.0,F,0.0,F,\r\n"));

    const QString bad = dir.filePath(QStringLiteral("no such folder/run.txt"));
    const TextWriteResult failed = TextDataSet::writeGraphFile(bad, g.cells(), 1, 7, QStringLiteral("C"));
    QVERIFY(!failed.ok);
    QVERIFY2(failed.error.contains(QDir::toNativeSeparators(bad)), qPrintable(failed.error));
    QVERIFY(!QFile::exists(bad));

    GridModel m;
    fillList(m, false, false);
    const QString table = dir.filePath(QStringLiteral("run"));
    QVERIFY(TextDataSet::writeGridFile(table, m, 1, 2).ok);
    QCOMPARE(fileBytes(table), QByteArray("12/5/07\t14:03:10\t23.5\tF\t\t\r\n12/5/07\t14:03:12\tOL\tF\t HOLD\t\r\n"));
    const TextListRows back = TextDataSet::readFile(table);
    QVERIFY(back.ok);
    QCOMPARE(back.columns, 6);
    QCOMPARE(back.rows.size(), std::size_t(2));
    const TextListRows missing = TextDataSet::readFile(dir.filePath(QStringLiteral("missing.txt")));
    QVERIFY(!missing.ok);
    QVERIFY(missing.error.contains(QStringLiteral("missing.txt")));
}

void TstTextDataSet::readerStopsAtTheFirstLineWithoutSeparator()
{
    const TextListRows rows = readBytes("a\tb\tc\t\r\nd\te\tf\t\r\n\r\ng\th\ti\t\r\n", TextDataSet::Tab);
    QVERIFY(rows.ok);
    QCOMPARE(rows.rows.size(), std::size_t(2));
    QCOMPARE(rows.rows[1], (QStringList{"2", "d", "e", "f", "", ""}));
    // A line of text without the separator (a comma file read as TXT).
    QCOMPARE(readBytes("a,b,c,\r\n", TextDataSet::Tab).rows.size(), std::size_t(0));
    QCOMPARE(readBytes("a\tb\t\r\nno separator here\r\nc\td\t\r\n", TextDataSet::Tab).rows.size(), std::size_t(1));
    // Nothing read: the list keeps its own columns.
    const TextListRows empty = readBytes("", TextDataSet::Tab);
    QVERIFY(empty.ok);
    QCOMPARE(empty.columns, 0);
    QCOMPARE(empty.model(), 0);
}

void TstTextDataSet::readerKeepsOnlyTerminatedFieldsThatFit()
{
    // The first line decides the list: five fields make the one-channel
    // list, six or more the two-channel list.
    const TextListRows one = readBytes("1\t2\t3\t4\t5\tlast\r\n1\t2\t3\t4\t5\t6\t7\t\r\n", TextDataSet::Tab);
    QCOMPARE(one.columns, 6);
    QCOMPARE(one.model(), 481);
    QCOMPARE(one.rows[0], (QStringList{"1", "1", "2", "3", "4", "5"}));
    QCOMPARE(one.rows[1], (QStringList{"2", "1", "2", "3", "4", "5"}));
    const TextListRows two = readBytes("a,b,c,d,e,f,\r\na,b,,d,e,f,g,h,i,\r\nx,y\r\n", TextDataSet::Comma);
    QCOMPARE(two.columns, 8);
    QCOMPARE(two.model(), 482);
    QCOMPARE(two.rows[0], (QStringList{"1", "a", "b", "c", "d", "e", "f", ""}));
    QCOMPARE(two.rows[1], (QStringList{"2", "a", "b", "", "d", "e", "f", "g"}));
    QCOMPARE(two.rows[2], (QStringList{"3", "x", "", "", "", "", "", ""}));
}

void TstTextDataSet::readerCutsALongLineAndStopsAfterIt()
{
    const QByteArray field(10, 'x');
    QByteArray longLine;
    for (int i = 0; i < 20; ++i)
        longLine += field + '\t'; // 220 characters
    const TextListRows rows = readBytes("a\tb\t\r\n" + longLine + "\r\nc\td\t\r\n", TextDataSet::Tab);
    QCOMPARE(rows.rows.size(), std::size_t(2));
    QCOMPARE(rows.rows[1].at(5), QString::fromLatin1(field));
    // A cut line whose first 179 characters hold no separator is not read.
    QCOMPARE(readBytes(QByteArray(179, 'y') + "\t\r\n", TextDataSet::Tab).rows.size(), std::size_t(0));
    QCOMPARE(readBytes(QByteArray(178, 'y') + "\t\r\n", TextDataSet::Tab).rows.size(), std::size_t(1));
    // Characters, not bytes: 170 two-byte letters fit.
    const QByteArray wide = QString(170, QChar(0xE9)).toUtf8() + "\t\r\nz\t\r\n";
    const TextListRows w = readBytes(wide, TextDataSet::Tab);
    QCOMPARE(w.rows.size(), std::size_t(2));
    QCOMPARE(w.rows[0].at(1), QString(170, QChar(0xE9)));
    // A huge file of one line is not read whole.
    QCOMPARE(readBytes("a\t" + QByteArray(10 * 1024 * 1024, 'b'), TextDataSet::Tab).rows.size(), std::size_t(1));
}

void TstTextDataSet::readerTakesAnyLineEndAndBothEncodings()
{
    QCOMPARE(readBytes("a\t\nb\t\nc\t", TextDataSet::Tab).rows.size(), std::size_t(3));
    QCOMPARE(readBytes("a\t\rb\t\r\nc\t\r", TextDataSet::Tab).rows.size(), std::size_t(3));
    // Windows-1252 bytes where they are not UTF-8: degree sign and euro.
    const TextListRows ansi = readBytes("23\xB0\t\x80\t\r\nok\t\r\n", TextDataSet::Tab);
    QCOMPARE(ansi.rows[0].at(1), QStringLiteral("23\u00B0"));
    QCOMPARE(ansi.rows[0].at(2), QStringLiteral("\u20AC"));
    // UTF-8, its byte-order mark dropped.
    const TextListRows utf8 = readBytes("\xEF\xBB\xBF" "23\xC2\xB0\t\xE2\x82\xAC\t\r\n", TextDataSet::Tab);
    QCOMPARE(utf8.rows[0].at(1), QStringLiteral("23\u00B0"));
    QCOMPARE(utf8.rows[0].at(2), QStringLiteral("\u20AC"));
    QCOMPARE(TextDataSet::decode("\xE9t\xE9"), QStringLiteral("\u00E9t\u00E9"));
}

void TstTextDataSet::readerKeepsCellsApartWhateverTheyHold()
{
    // A unit separator inside a field is a space in the list, and the
    // fields after it stay in their own cells.
    QByteArray bytes = "a\x1f" "b\tc\t\r\n";
    for (int i = 2; i <= 12; ++i)
        bytes += "r" + QByteArray::number(i) + "\t\r\n";
    const TextListRows rows = readBytes(bytes, TextDataSet::Tab);
    QCOMPARE(rows.rows.size(), std::size_t(12));
    GridModel list;
    intoList(list, rows);
    QCOMPARE(list.row(1), (QStringList{"1", "a b", "c", "", "", ""}));
    QCOMPARE(list.row(12), (QStringList{"12", "r12", "", "", "", ""}));

    // 8-bit text is cut at 179 characters too, and the cut line is the
    // last: 170 letters and a separator, then more fields.
    QByteArray ansi = QByteArray(170, '\xE9') + "\t" + QByteArray(20, 'x') + "\tz\t\r\nnext\t\r\n";
    const TextListRows cut = readBytes(ansi, TextDataSet::Tab);
    QCOMPARE(cut.rows.size(), std::size_t(1));
    QCOMPARE(cut.rows[0].at(1), QString(170, QChar(0xE9)));
    QCOMPARE(cut.rows[0].at(2), QString()); // its separator lies past the cut

    // Two-byte letters past 179 characters: cut between two letters.
    const QByteArray wide = "a\t" + QString(200, QChar(0xE9)).toUtf8() + "\t\r\nb\t\r\n";
    const TextListRows w = readBytes(wide, TextDataSet::Tab);
    QCOMPARE(w.rows.size(), std::size_t(1));
    QCOMPARE(w.rows[0].at(1), QStringLiteral("a"));
    QCOMPARE(w.rows[0].at(2), QString());
}

void TstTextDataSet::twoChannelListRoundTripsInBothLocales()
{
    for (const char *locale : {"en_US", "de_DE"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        GridModel list;
        fillList(list, true, QLatin1String(locale) == QLatin1String("de_DE"));
        const TextListRows rows = readBytes(writeGridBytes(list, 1, 3, TextDataSet::Tab), TextDataSet::Tab);
        QCOMPARE(rows.columns, 8);
        GridModel back;
        intoList(back, rows);
        QCOMPARE(back.RowCount(), list.RowCount());
        for (int r = 1; r < list.RowCount(); ++r)
            for (int c = 0; c < 8; ++c)
                QCOMPARE(back.cell(c, r), list.cell(c, r));
    }
}

void TstTextDataSet::yRangeIsWidenedByATenthOfEachEnd_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("top");
    QTest::newRow("20 to 30") << QStringList{"20.0", "25.0", "30.0"} << 18.0 << 33.0;
    QTest::newRow("-10 to -2") << QStringList{"-10.0", "-2.0"} << -11.0 << -1.8;
    QTest::newRow("all OL") << QStringList{"OL", "OL"} << -200.0 << 1370.0;
    QTest::newRow("OL not counted") << QStringList{"OL", "10.0", "OL"} << 9.0 << 11.0;
    QTest::newRow("no numbers at all") << QStringList{"abc", ""} << -200.0 << 1370.0;
}

void TstTextDataSet::yRangeIsWidenedByATenthOfEachEnd()
{
    QFETCH(QStringList, values);
    QFETCH(double, bottom);
    QFETCH(double, top);
    GridModel m;
    m.setColCount(6);
    for (int i = 0; i < values.size(); ++i)
        m.appendRow({QString::number(i + 1), "12/5/07", QStringLiteral("10:00:%1").arg(i, 2, 10, QLatin1Char('0')),
                     values[i], "C", ""});
    const ListGraphData g = convertListToGraph(m);
    QCOMPARE(g.subsets, 1);
    QVERIFY2(qAbs(g.yMin - bottom) < 1e-6, qPrintable(QString::number(g.yMin, 'g', 12)));
    QVERIFY2(qAbs(g.yMax - top) < 1e-6, qPrintable(QString::number(g.yMax, 'g', 12)));
}

void TstTextDataSet::graphFromListTakesSubsetsAndTimesFromTheRows()
{
    // A two-channel list read from a graph file written in this locale
    // gives the same cells back (to the second, as written).
    const Graph g = goldenGraph(2);
    const TextListRows rows = readBytes(writeGraphBytes(g, 1, 7, TextDataSet::Tab), TextDataSet::Tab);
    GridModel list;
    intoList(list, rows);
    const ListGraphData d = convertListToGraph(list);
    QCOMPARE(d.badRow, 0);
    QCOMPARE(d.subsets, 2);
    QCOMPARE(d.points, 5);
    QCOMPARE(d.start, g.x[0]);
    QCOMPARE(d.end, g.x[4]);
    QVERIFY(d.hasXRange());
    for (int p = 0; p < 5; ++p) {
        QCOMPARE(d.x[0][p], g.x[p]);
        QCOMPARE(d.x[1][p], g.x[p]);
    }
    QCOMPARE(d.y[0][0], 23.5f);
    QCOMPARE(d.y[1][1], 0.0f);  // written "0.0"
    QCOMPARE(d.y[0][2], TextDataSet::OverloadValue); // "OL": the overload mark, not drawn
    QCOMPARE(d.y[1][2], 1234.6f);
    QVERIFY(std::isnan(d.y[0][3])); // "----": no reading, a break rather than a 0
    // The top is the larger of both subsets' largest values.
    QVERIFY(qAbs(d.yMax - (1234.6 + 123.46)) < 1e-3);
    QVERIFY(qAbs(d.yMin - (-5.0 - 0.5)) < 1e-6);

    // A one-channel list (column 6 empty) and a one-row list.
    GridModel one;
    one.setColCount(6);
    one.appendRow({"1", "12/5/07", "2:03:10 PM", "23.5", "C", " HOLD"});
    const ListGraphData o = convertListToGraph(one);
    QCOMPARE(o.subsets, 1);
    QCOMPARE(o.points, 1);
    QCOMPARE(o.start, o.end);
    QCOMPARE(o.start, at(2007, 12, 5, 14, 3, 10));
    QCOMPARE(o.x.size(), std::size_t(1));
}

void TstTextDataSet::graphFromListReadsPointValuesInACommaLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    GridModel m;
    m.setColCount(6);
    m.appendRow({"1", "05.12.07", "14:03:10", "23,5", "C", ""});
    m.appendRow({"2", "05.12.07", "14:03:11", "24.5", "C", ""}); // from a comma-separated file
    m.appendRow({"3", "05.12.07", "14:03:12", "1.234,5", "C", ""});
    const ListGraphData d = convertListToGraph(m);
    QCOMPARE(d.y[0][0], 23.5f);
    QCOMPARE(d.y[0][1], 24.5f);
    QCOMPARE(d.x[0][0], at(2007, 12, 5, 14, 3, 10));
    // Thousands separators are no number: no graph, rather than a 0 in it.
    QCOMPARE(d.badRow, 3);
    float v = 0;
    QVERIFY(!listValue(QStringLiteral("1e40"), v)); // beyond single precision
}

void TstTextDataSet::graphFromListStopsOnCancel()
{
    GridModel m;
    m.setColCount(6);
    for (int i = 0; i < 10; ++i)
        m.appendRow({QString::number(i + 1), "12/5/07", QStringLiteral("10:00:0%1").arg(i), QString::number(i), "C", ""});
    const ListGraphData d = convertListToGraph(m, [](int row, int total) {
        Q_UNUSED(total);
        return row <= 4;
    });
    QVERIFY(d.cancelled);
    QCOMPARE(d.rowsDone, 4);
    QCOMPARE(d.points, 10);
    QCOMPARE(d.x[0][3], at(2007, 12, 5, 10, 0, 3));
    QCOMPARE(d.x[0][4], 0.0);
    QCOMPARE(d.end, at(2007, 12, 5, 10, 0, 9));
    QVERIFY(qAbs(d.yMax - 3.3) < 1e-6);
}

void TstTextDataSet::dateAndTimeTextsReadInTheLocalesOrder_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QDateTime>("expected"); // invalid: not converted
    const QDateTime none;
    QTest::newRow("US, two-digit year") << "en_US" << "12/5/07" << "2:03:10 PM" << QDateTime({2007, 12, 5}, {14, 3, 10});
    // Strictly as the locale writes dates: its order, separators and digits.
    QTest::newRow("US, four-digit year where two are written") << "en_US" << "12/5/1999" << "14:03:10" << none;
    QTest::newRow("US date under German settings") << "de_DE" << "12/9/26" << "14:03:10" << none;
    QTest::newRow("commas, US") << "en_US" << "09,12,26" << "14:03:10" << none;
    QTest::newRow("commas, German") << "de_DE" << "09,12,26" << "14:03:10" << none;
    QTest::newRow("German date, one-digit day") << "de_DE" << "5.12.07" << "14:03:10" << none;
    QTest::newRow("US date under British settings") << "en_GB" << "12/5/07" << "14:03:10" << none;
    QTest::newRow("British date under US settings") << "en_US" << "05/12/2007" << "14:03:10" << none;
    QTest::newRow("US date, a leading zero") << "en_US" << "12/05/07" << "14:03:10" << QDateTime({2007, 12, 5}, {14, 3, 10});
    QTest::newRow("text after the date") << "en_US" << "12/5/07 x" << "14:03:10" << none;
    QTest::newRow("blanks around the date") << "de_DE" << " 05.12.07 " << "14:03:10" << QDateTime({2007, 12, 5}, {14, 3, 10});
    // ISO 8601 in every locale, and only in its own form.
    QTest::newRow("ISO, US") << "en_US" << "2026-12-09" << "14:03:10" << QDateTime({2026, 12, 9}, {14, 3, 10});
    QTest::newRow("ISO, German") << "de_DE" << "2026-12-09" << "14:03:10" << QDateTime({2026, 12, 9}, {14, 3, 10});
    QTest::newRow("ISO, British") << "en_GB" << "2026-12-09" << "2:03:10 PM" << QDateTime({2026, 12, 9}, {14, 3, 10});
    QTest::newRow("ISO, Japanese") << "ja_JP" << "2026-12-09" << "14:03:10" << QDateTime({2026, 12, 9}, {14, 3, 10});
    QTest::newRow("ISO, one-digit month") << "en_US" << "2026-1-09" << "14:03:10" << none;
    QTest::newRow("ISO, no such day") << "de_DE" << "2026-02-30" << "14:03:10" << none;
    QTest::newRow("Swedish, ISO is its own") << "sv_SE" << "2026-12-09" << "14:03:10" << QDateTime({2026, 12, 9}, {14, 3, 10});
    QTest::newRow("Japanese order") << "ja_JP" << "2026/12/09" << "14:03:10" << QDateTime({2026, 12, 9}, {14, 3, 10});
    QTest::newRow("midnight hour") << "en_US" << "1/1/24" << "12:30:00 AM" << QDateTime({2024, 1, 1}, {0, 30});
    QTest::newRow("noon hour") << "en_US" << "1/1/24" << "12:30 pm" << QDateTime({2024, 1, 1}, {12, 30});
    QTest::newRow("hour 13 with PM") << "en_US" << "1/1/24" << "13:00:00 PM" << none;
    QTest::newRow("no such day") << "en_US" << "2/30/24" << "10:00:00" << none;
    QTest::newRow("leap day") << "en_US" << "2/29/24" << "10:00:00" << QDateTime({2024, 2, 29}, {10, 0});
    // Two-digit years fall within 50 years of today (until 2049: 99 is 1999).
    QTest::newRow("year 99 is in the last century") << "en_US" << "1/1/99" << "00:00:00" << QDateTime({1999, 1, 1}, {0, 0});
    QTest::newRow("German order") << "de_DE" << "05.12.07" << "14:03:10" << QDateTime({2007, 12, 5}, {14, 3, 10});
    QTest::newRow("day first with slashes") << "en_GB" << "05/12/2007" << "14:03" << QDateTime({2007, 12, 5}, {14, 3});
    QTest::newRow("two fields") << "en_US" << "12/5" << "10:00:00" << none;
    QTest::newRow("minute 60") << "de_DE" << "05.12.07" << "10:60:00" << none;
    QTest::newRow("letters in the time") << "de_DE" << "05.12.07" << "10:00 Uhr" << none;
    QTest::newRow("empty time is midnight") << "de_DE" << "05.12.07" << "" << QDateTime({2007, 12, 5}, {0, 0});
}

void TstTextDataSet::dateAndTimeTextsReadInTheLocalesOrder()
{
    QFETCH(QString, locale);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QDateTime, expected);
    QLocale::setDefault(QLocale(locale));
    LocaleDateTimeReader reader;
    double v = -1;
    const bool ok = reader.dateTime(date, time, v);
    QCOMPARE(ok, expected.isValid());
    if (ok)
        QCOMPARE(v, toDateTimeDouble(expected));
}

void TstTextDataSet::valueCellsReadAsTheLocaleWritesThem_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<float>("value");
    QTest::newRow("plain") << "en_US" << "23.5" << true << 23.5f;
    QTest::newRow("blanks and sign") << "en_US" << " +23.5 " << true << 23.5f;
    QTest::newRow("exponent") << "en_US" << "-1.5e2" << true << -150.0f;
    QTest::newRow("point first") << "en_US" << ".5" << true << 0.5f;
    QTest::newRow("point last") << "en_US" << "5." << true << 5.0f;
    QTest::newRow("comma in a point locale") << "en_US" << "1,5" << false << 0.0f;
    QTest::newRow("two points") << "en_US" << "1.2.3" << false << 0.0f;
    QTest::newRow("bare exponent") << "en_US" << "1e" << false << 0.0f;
    QTest::newRow("two signs") << "en_US" << "--1" << false << 0.0f;
    QTest::newRow("empty") << "en_US" << "" << false << 0.0f;
    QTest::newRow("OL") << "en_US" << "OL" << false << 0.0f;
    QTest::newRow("dashes") << "en_US" << "----" << false << 0.0f;
    QTest::newRow("beyond single precision") << "en_US" << "1e40" << false << 0.0f;
    QTest::newRow("trailing text") << "en_US" << "23.5C" << false << 0.0f;
    QTest::newRow("comma locale") << "de_DE" << "-23,5" << true << -23.5f;
    QTest::newRow("point in a comma locale") << "de_DE" << "23.5" << true << 23.5f;
    QTest::newRow("thousands and decimals") << "de_DE" << "1.234,5" << false << 0.0f;
}

void TstTextDataSet::valueCellsReadAsTheLocaleWritesThem()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(float, value);
    QLocale::setDefault(QLocale(locale));
    float v = 0;
    QCOMPARE(listValue(text, v), ok);
    if (ok)
        QCOMPARE(v, value);
}

void TstTextDataSet::filtersWithdrawCsvInACommaLocale()
{
    for (bool comma : {false, true}) {
        for (const auto &pairs : {FileFilters::openDataSet(comma), FileFilters::saveGraph(comma),
                                  FileFilters::saveTable(comma)})
            for (const FileFilterPair &p : pairs) {
                // The CSV for analysis writes a decimal point in every
                // locale, so saving offers it in all of them.
                if (p.description == QLatin1String("CSV for analysis"))
                    continue;
                QCOMPARE(p.pattern.contains(QLatin1String("CSV"), Qt::CaseInsensitive), !comma && p.description.startsWith("EXCEL"));
            }
        QCOMPARE(FileFilters::saveTable(comma).at(comma ? 1 : 2), (FileFilterPair{"CSV for analysis", "*.csv"}));
        QCOMPARE(FileFilters::saveGraph(comma).last(), (FileFilterPair{"Excel workbook", "*.xlsx"}));
    }
    QCOMPARE(FileFilters::qtFilter(FileFilters::saveTable(false)),
             QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT *.txt);;"
                            "EXCEL file format(*.CSV,seperated by comma) (*.CSV *.csv);;"
                            "CSV for analysis (*.csv);;Excel workbook (*.xlsx);;All files (*.*)"));
    QVERIFY(AnalysisCsv::isAnalysisType(FileFilters::qtFilter(FileFilters::saveGraph(true)).split(";;").at(2)));
    QCOMPARE(FileFilters::saveGraph(true).size(), 4);
    QCOMPARE(FileFilters::openDataSet(true).at(0).pattern, QStringLiteral("*.txt;*.TXT"));
    QCOMPARE(FileFilters::openSingleSetCaption(true), QStringLiteral("Open a data set(*.TXT,*.GHF)"));
    QCOMPARE(FileFilters::saveSingleSetCaption(false), QStringLiteral("Save a single data set(*.TXT,*.CSV)"));
}

QTEST_MAIN(TstTextDataSet)
#include "tst_textdataset.moc"
