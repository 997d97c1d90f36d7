// Where the printed table's texts stand: every text inside its cell and
// clear of the rules around it, measured with the fonts' real metrics; a
// text too wide for its column printed smaller in the same font; and on a
// real page no ink of any text on a rule.

#include "print/QtPageCanvas.h"
#include "print/TablePrinter.h"
#include "views/GridSource.h"

#include "RecordingCanvas.h"

#include <QDate>
#include <QImage>
#include <QLocale>
#include <QTest>

#include <cmath>

using namespace kv;
using kv::test::RecordingCanvas;

namespace {

class Rows final : public GridSource
{
public:
    explicit Rows(QList<QStringList> rows)
        : m_rows(std::move(rows))
    {
    }
    int RowCount() const override { return int(m_rows.size()); }
    int ColCount() const override { return int(m_rows[0].size()); }
    QString cell(int col, int row) const override { return m_rows.value(row).value(col); }

private:
    QList<QStringList> m_rows;
};

const QStringList kTwoChannelList{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"};
const QStringList kOneChannelList{"NO", "DATE", "TIME", "Value", "UNIT", "FUNCTION"};
const QStringList kLoggerTable{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", ""};

// The ink of the form: the frame's pen is 20 wide, the rules' 5, each
// centred on its line.
constexpr double kFrameHalf = 10.0, kRuleHalf = 2.5;
constexpr int kEdgeX[9] = {150, 510, 980, 1450, 2000, 2300, 2930, 3230, 3650};

// A table of `count` rows of the given cells, the row number first.
Rows table(const QStringList &titles, const QStringList &cells, int count)
{
    QList<QStringList> rows{titles};
    for (int r = 1; r <= count; ++r)
        rows << (QStringList{QString::number(r + 64000)} + cells);
    return Rows(rows);
}

// The clear room of column c and of printed row k (-1 the title row),
// between the inner edges of the ink around it.
QRectF cellRoom(int c, int k)
{
    const double left = kEdgeX[c] + (c == 0 ? kFrameHalf : kRuleHalf);
    const double right = kEdgeX[c + 1] - kRuleHalf;
    double top, bottom;
    if (k < 0) {
        top = 250 + kFrameHalf;
        bottom = 460 - kRuleHalf;
    } else {
        top = 470 + 100 * k + kRuleHalf;
        bottom = k == 49 ? 5500 - kFrameHalf : 570 + 100 * k - kRuleHalf;
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// Every text of every printed row of the page inside its cell, clear of
// the ink on all four sides; in the row's font, or a smaller size of it
// only when the text is wider than its column; all of a row on one baseline.
void checkCells(const RecordingCanvas::Page &page, const QFont &rowFont, int printedRows)
{
    for (int k = -1; k < printedRows; ++k) {
        const auto row = k < 0 ? page.within(250, 460) : page.within(470 + 100 * k, 570 + 100 * k);
        QCOMPARE(row.size(), 8);
        double baseline = -1;
        for (int c = 0; c < 8; ++c) {
            const auto &t = row[c];
            if (t.text.isEmpty())
                continue;
            const QString where = QStringLiteral("row %1 column %2 \"%3\" at (%4, %5) in %6 pt")
                                      .arg(k)
                                      .arg(c)
                                      .arg(t.text)
                                      .arg(t.x)
                                      .arg(t.y)
                                      .arg(t.font.pointSizeF());
            const TextBox box = RecordingCanvas::measureIn(t.font, t.text);
            const QRectF room = cellRoom(c, k);
            QVERIFY2(t.x > room.left() && t.x + box.width < room.right(), qPrintable(where));
            QVERIFY2(t.y > room.top() && t.y + box.height() < room.bottom(), qPrintable(where));

            QCOMPARE(t.font.family(), rowFont.family());
            QCOMPARE(t.font.bold(), rowFont.bold());
            const double fullWidth = RecordingCanvas::measureIn(rowFont, t.text).width;
            if (fullWidth > room.width())
                QVERIFY2(t.font.pointSizeF() < rowFont.pointSizeF(), qPrintable(where));
            else if (fullWidth < room.width() - 40)
                QVERIFY2(t.font.pointSizeF() == rowFont.pointSizeF(), qPrintable(where));
            if (t.font.pointSizeF() < rowFont.pointSizeF()) {
                // No smaller than it has to be.
                QFont larger = t.font;
                larger.setPointSizeF(t.font.pointSizeF() * 1.25);
                QVERIFY2(RecordingCanvas::measureIn(larger, t.text).width > room.width(), qPrintable(where));
            }

            if (baseline < 0)
                baseline = t.y + box.ascent;
            QVERIFY2(std::abs(t.y + box.ascent - baseline) <= 1.5, qPrintable(where));
        }
    }
}

QString dateIn(const char *locale)
{
    return QLocale(QLatin1String(locale)).toString(QDate(2026, 11, 28), QLocale::ShortFormat);
}

// Prints only the texts onto a real canvas, so their ink can be looked for
// where the rules go.
class TextsOnly final : public PageCanvas
{
public:
    explicit TextsOnly(PageCanvas &to)
        : m_to(to)
    {
    }
    void setPenWidth(int) override {}
    void setFont(const QFont &font) override { m_to.setFont(font); }
    TextBox measure(const QString &text) const override { return m_to.measure(text); }
    void rectangle(int, int, int, int) override {}
    void line(int, int, int, int) override {}
    void text(int x, int y, const QString &text) override { m_to.text(x, y, text); }
    bool newPage() override { return true; }

private:
    PageCanvas &m_to;
};

} // namespace

class TstTableCells : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textsStandInsideTheirCells_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("cells");
        const QString time = QStringLiteral("08:12:30");
        // The C locale writes "28 Nov 2026", wider than the date column.
        QTest::newRow("two channels, C") << kTwoChannelList
                                         << QStringList{dateIn("C"), time, "-199.9", "C", "1372.0", "C", " MAX HOLD"};
        QTest::newRow("two channels, en_GB") << kTwoChannelList
                                             << QStringList{dateIn("en_GB"), time, "23.5", "F", "OL", "F", " HOLD"};
        QTest::newRow("one channel, de_DE") << kOneChannelList
                                            << QStringList{dateIn("de_DE"), time, "-23,5", "C", " MAX"};
        QTest::newRow("one channel, en_US") << kOneChannelList
                                            << QStringList{dateIn("en_US"), "8:12:30 AM", "1000.0", "F", " REL"};
        QTest::newRow("data logger, ISO dates") << kLoggerTable
                                                << QStringList{"2026-11-28", time, "23.5", "C", "24.0", "C"};
        // A cell of a text file read from elsewhere may hold anything.
        QTest::newRow("long cells") << kTwoChannelList
                                    << QStringList{"Saturday, 28 November 2026", "08:12:30 Central European Time",
                                                   "-199.9 degrees", "CELSIUS", "1372.0", "F", QString(60, 'W')};
    }
    void textsStandInsideTheirCells()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, cells);
        const Rows grid = table(titles, cells, 70);
        RecordingCanvas canvas;
        const TablePrintResult r = PrintGrid(grid, {1, 70}, canvas);
        QCOMPARE(r.pages, 2);
        const QFont font = TableFonts::standard().data;
        checkCells(canvas.pages[0], font, 50);
        checkCells(canvas.pages[1], font, 20);
    }

    // The rules stay where they are; no text is moved or shrunk that fits
    // where it always stood.
    void fittingTextsKeepTheirPlaceAndSize()
    {
        const Rows grid = table(kOneChannelList, {"1/2/26", "8:12:30", "23.5", "C", " MAX"}, 3);
        RecordingCanvas canvas;
        PrintGrid(grid, {1, 3}, canvas);
        const auto &page = canvas.pages[0];
        const auto titles = page.within(250, 460);
        const int titleX[6] = {250, 630, 1100, 1600, 2020, 2380};
        for (int c = 0; c < 6; ++c) {
            QCOMPARE(titles[c].x, titleX[c]);
            QCOMPARE(titles[c].y, 320);
            QCOMPARE(titles[c].font.pointSizeF(), 10.0);
        }
        const int dataX[6] = {250, 600, 1050, 1650, 2100, 2550};
        for (int k = 0; k < 3; ++k) {
            const auto row = page.within(470 + 100 * k, 570 + 100 * k);
            for (int c = 0; c < 6; ++c) {
                QCOMPARE(row[c].x, dataX[c]);
                QCOMPARE(row[c].font.pointSizeF(), 10.0);
            }
        }
    }

    // On a real page at 300 dots per inch, where the ink of the rules goes
    // there is no ink of any text, and every text is there.
    void noTextInkOnTheRules()
    {
        const Rows grid = table(kTwoChannelList,
                                {dateIn("C"), "08:12:30", "-199.9", "C", "1372.0", "F", " MAX HOLD gyp"}, 50);
        QImage img(2300, 2800, QImage::Format_RGB32);
        img.fill(Qt::white);
        img.setDotsPerMeterX(qRound(300 / 0.0254));
        img.setDotsPerMeterY(qRound(300 / 0.0254));
        {
            QtPageCanvas canvas(&img);
            QVERIFY(canvas.isActive());
            TextsOnly texts(canvas);
            QCOMPARE(PrintGrid(grid, {1, 50}, texts).rows, 50);
        }
        const double s = 0.5; // pixels per unit
        const auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 160; };
        // Pixels whose centres lie on the ink of a line from a to b, pen p.
        const auto band = [&](double centre, double half) {
            return std::make_pair(int(std::ceil((centre - half) * s - 0.5)), int(std::floor((centre + half) * s - 0.5)));
        };
        QVector<double> across{460, 470};
        for (int y = 570; y <= 5370; y += 100)
            across << y;
        for (double y : across) {
            const auto [from, to] = band(y, kRuleHalf);
            for (int py = from; py <= to; ++py)
                for (int px = 0; px < img.width(); ++px)
                    QVERIFY2(!dark(px, py), qPrintable(QStringLiteral("ink at (%1, %2)").arg(px).arg(py)));
        }
        for (int c = 0; c < 9; ++c) {
            const auto [from, to] = band(kEdgeX[c], c == 0 ? kFrameHalf : kRuleHalf);
            for (int px = from; px <= to; ++px)
                for (int py = 0; py < img.height(); ++py)
                    QVERIFY2(!dark(px, py), qPrintable(QStringLiteral("ink at (%1, %2)").arg(px).arg(py)));
        }
        for (double y : {250.0, 5500.0}) {
            const auto [from, to] = band(y, kFrameHalf);
            for (int py = from; py <= to; ++py)
                for (int px = 0; px < img.width(); ++px)
                    QVERIFY2(!dark(px, py), qPrintable(QStringLiteral("ink at (%1, %2)").arg(px).arg(py)));
        }
        // Every cell of the last row holds ink.
        for (int c = 0; c < 8; ++c) {
            const QRectF room = cellRoom(c, 49);
            bool inked = false;
            for (int py = int(room.top() * s); py < int(room.bottom() * s) && !inked; ++py)
                for (int px = int(room.left() * s); px < int(room.right() * s) && !inked; ++px)
                    inked = dark(px, py);
            QVERIFY2(inked, qPrintable(QString::number(c)));
        }
    }
};

QTEST_MAIN(TstTableCells)
#include "tst_table_cells.moc"
