// The ruled table form: its geometry on a recorded canvas, its size on real
// devices and in a PDF file, and the print dialogs.

#include "common/LocaleText.h"
#include "print/QtPageCanvas.h"
#include "print/TablePrintJob.h"
#include "print/TablePrinter.h"
#include "print/TfrmPrintOption.h"
#include "views/GridSource.h"
#include "views/ProgressDialog.h"

#include "RecordingCanvas.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace kv;
using kv::test::RecordingCanvas;

namespace {

// A list window's table: row 0 the titles, column 0 the row numbers.
class Table final : public GridSource
{
public:
    // channels 2: 8 columns as the two-channel list; 1: 6 columns.
    Table(int dataRows, int channels)
    {
        m_rows << (channels == 2 ? QStringList{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"}
                                 : QStringList{"NO", "DATE", "TIME", "Value", "UNIT", "FUNCTION"});
        for (int r = 1; r <= dataRows; ++r) {
            const QString n = QString::number(r);
            if (channels == 2)
                m_rows << QStringList{n, "05/12/2007", "14:03:10", "23.5", "C", "OL", "C", " HOLD"};
            else
                m_rows << QStringList{n, "05/12/2007", "14:03:10", "23.5", "C", " MAX"};
        }
    }
    // An empty real-time list: one data row, every cell empty.
    static Table emptyRealTime()
    {
        Table t(1, 2);
        t.m_rows[1] = QStringList(8, QString());
        return t;
    }
    int RowCount() const override { return int(m_rows.size()); }
    int ColCount() const override { return int(m_rows[0].size()); }
    QString cell(int col, int row) const override { return m_rows.value(row).value(col); }

private:
    QList<QStringList> m_rows;
};

// The range dialog's rules for a "Select" range: absolute values, the two
// swapped when reversed, to cut at the last row, from 0 taken as 1.
RowRange selectRange(int from, int to, int lastRow)
{
    from = std::abs(from);
    to = std::abs(to);
    if (to < from)
        std::swap(from, to);
    return {std::max(from, 1), std::min(to, lastRow)};
}

const int kTitleX[8] = {250, 630, 1100, 1600, 2020, 2380, 2950, 3280};
const int kDataX[8] = {250, 600, 1050, 1650, 2100, 2550, 3000, 3350};

// The texts of the title row, and of data row k (0 to 49) of a page: those
// between the rules around it.
QVector<RecordingCanvas::Text> titleRow(const RecordingCanvas::Page &page)
{
    return page.within(250, 460);
}
QVector<RecordingCanvas::Text> dataRow(const RecordingCanvas::Page &page, int k)
{
    return page.within(470 + 100 * k, 570 + 100 * k);
}

// The row numbers printed on a page (column 0 of the data rows), top to bottom.
QStringList rowNumbers(const RecordingCanvas::Page &page)
{
    QStringList out;
    for (int k = 0; k < 50; ++k)
        if (const auto row = dataRow(page, k); !row.isEmpty())
            out << row.first().text;
    return out;
}

// Frame, rules and titles, exactly as every page carries them.
void checkForm(const RecordingCanvas::Page &page, const QStringList &titles)
{
    QCOMPARE(page.frames.size(), 1);
    QCOMPARE(page.frames[0], QRect(QPoint(150, 250), QPoint(4500, 5500)));
    QCOMPARE(page.framePens[0], 20);
    QVector<int> across, down;
    for (const auto &l : page.lines) {
        QCOMPARE(l.pen, 5);
        if (l.y1 == l.y2) {
            QCOMPARE(l.x1, 150);
            QCOMPARE(l.x2, 4500);
            across << l.y1;
        } else {
            QCOMPARE(l.x1, l.x2);
            QCOMPARE(l.y1, 250);
            QCOMPARE(l.y2, 5500);
            down << l.x1;
        }
    }
    QVector<int> wantAcross{460, 470};
    for (int y = 570; y <= 5370; y += 100)
        wantAcross << y;
    QCOMPARE(across, wantAcross);
    QCOMPARE(down, (QVector<int>{510, 980, 1450, 2000, 2300, 2930, 3230, 3650}));
    const auto title = titleRow(page);
    QCOMPARE(title.size(), 8);
    for (int c = 0; c < 8; ++c) {
        QCOMPARE(title[c].text, titles.value(c));
        QCOMPARE(title[c].font.family(), QStringLiteral("Arial"));
        QVERIFY(title[c].font.bold());
        // Only a title too wide for its column is printed smaller, and
        // moved to fit.
        if (title[c].font.pointSizeF() == 10.0) {
            QCOMPARE(title[c].x, kTitleX[c]);
            QCOMPARE(title[c].y, 320);
        } else {
            QVERIFY(title[c].font.pointSizeF() < 10.0);
        }
    }
}

// The bounding box of the dark pixels of an image.
QRect inked(const QImage &img)
{
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                l = std::min(l, x), r = std::max(r, x);
                t = std::min(t, y), b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

QImage paper(int dpi)
{
    QImage img(int(8.5 * dpi), 11 * dpi, QImage::Format_RGB32);
    img.fill(Qt::white);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    return img;
}

const QStringList kTwo{"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"};

} // namespace

class TstPrint : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fullRangeFillsPagesOfFifty()
    {
        const Table grid(120, 2);
        RecordingCanvas canvas;
        const TablePrintResult r = PrintGrid(grid, {1, 119 + 1}, canvas);
        QCOMPARE(r.pages, 3);
        QCOMPARE(r.rows, 120);
        QVERIFY(!r.cancelled && !r.failed);
        QCOMPARE(canvas.pages.size(), 3);
        const int perPage[3] = {50, 50, 20};
        for (int p = 0; p < 3; ++p) {
            checkForm(canvas.pages[p], kTwo);
            const QStringList numbers = rowNumbers(canvas.pages[p]);
            QCOMPARE(numbers.size(), perPage[p]);
            QCOMPARE(numbers.first(), QString::number(p * 50 + 1));
        }
        // A full page ends with its 50th row under the last rule; nothing
        // is printed below it.
        QCOMPARE(dataRow(canvas.pages[0], 49).value(0).text, QStringLiteral("50"));
        for (const auto &t : canvas.pages[0].texts)
            QVERIFY(t.y < 5470);
    }

    void partialRangeStartsAtTheTopOfItsPage()
    {
        const Table grid(120, 2);
        RecordingCanvas canvas;
        const TablePrintResult r = PrintGrid(grid, {51, 60}, canvas);
        QCOMPARE(r.pages, 1);
        QCOMPARE(rowNumbers(canvas.pages[0]),
                 (QStringList{"51", "52", "53", "54", "55", "56", "57", "58", "59", "60"}));
        QCOMPARE(dataRow(canvas.pages[0], 0).value(0).text, QStringLiteral("51"));
        QCOMPARE(dataRow(canvas.pages[0], 9).value(0).text, QStringLiteral("60"));
        checkForm(canvas.pages[0], kTwo);
    }

    void columnsFollowTheChannelCount()
    {
        {
            const Table one(3, 1);
            RecordingCanvas canvas;
            PrintGrid(one, {1, 3}, canvas);
            const auto row = dataRow(canvas.pages[0], 1);
            QCOMPARE(row.size(), 8);
            QCOMPARE(row[5].x, 2550);
            QCOMPARE(row[5].text, QStringLiteral(" MAX"));
            QVERIFY(row[6].text.isEmpty() && row[7].text.isEmpty());
            QCOMPARE(titleRow(canvas.pages[0])[5].text, QStringLiteral("FUNCTION"));
        }
        {
            const Table two(3, 2);
            RecordingCanvas canvas;
            PrintGrid(two, {1, 3}, canvas);
            const auto row = dataRow(canvas.pages[0], 2);
            QCOMPARE(row.size(), 8);
            const QStringList want{"3", "05/12/2007", "14:03:10", "23.5", "C", "OL", "C", " HOLD"};
            for (int c = 0; c < 8; ++c) {
                // The date would reach the rule after it at x 600 and moves
                // left, clear of it.
                if (c == 1)
                    QVERIFY(row[c].x < kDataX[c] && row[c].x > 510);
                else
                    QCOMPARE(row[c].x, kDataX[c]);
                QCOMPARE(row[c].text, want[c]);
                QCOMPARE(row[c].font.pointSize(), 10);
                QVERIFY(row[c].font.bold());
            }
        }
    }

    void selectedRangeIsNormalisedBeforePrinting()
    {
        const Table grid(10, 2);
        RecordingCanvas canvas;
        PrintGrid(grid, selectRange(-4, 2, grid.RowCount() - 1), canvas);
        QCOMPARE(rowNumbers(canvas.pages[0]), (QStringList{"2", "3", "4"}));
        // Rows outside the grid are never read, whatever range comes in.
        RecordingCanvas beyond;
        QCOMPARE(PrintGrid(grid, {8, 500}, beyond).rows, 3);
        RecordingCanvas none;
        const TablePrintResult r = PrintGrid(grid, {20, 30}, none);
        QCOMPARE(r.pages, 0);
        QVERIFY(none.pages[0].texts.isEmpty() && none.pages[0].frames.isEmpty());
    }

    void emptyRealTimeListPrintsOnePage()
    {
        const Table grid = Table::emptyRealTime();
        RecordingCanvas canvas;
        const TablePrintResult r = PrintGrid(grid, {1, grid.RowCount() - 1}, canvas);
        QCOMPARE(r.pages, 1);
        QCOMPARE(r.rows, 1);
        checkForm(canvas.pages[0], kTwo);
        const auto row = dataRow(canvas.pages[0], 0);
        QCOMPARE(row.size(), 8);
        for (const auto &t : row)
            QVERIFY(t.text.isEmpty());
    }

    void cancelEndsTheJobAfterTheCurrentRow()
    {
        const Table grid(120, 2);
        RecordingCanvas canvas;
        QVector<int> told;
        const TablePrintResult r = PrintGrid(grid, {1, 120}, canvas, [&](int done, int total) {
            told << done;
            if (total != 120)
                return true;
            return done < 50;
        });
        QVERIFY(r.cancelled);
        QCOMPARE(r.pages, 1);
        QCOMPARE(r.rows, 50);
        QCOMPARE(canvas.pages.size(), 1);
        QCOMPARE(told.size(), 50);
        QCOMPARE(told.first(), 1);
        QCOMPARE(told.last(), 50);
    }

    void aPageThatCannotStartEndsTheJob()
    {
        const Table grid(120, 2);
        RecordingCanvas canvas;
        canvas.failNewPage = true;
        const TablePrintResult r = PrintGrid(grid, {1, 120}, canvas);
        QVERIFY(r.failed);
        QCOMPARE(r.rows, 50);
        QCOMPARE(r.pages, 1);
    }

    // One unit is 1/600 inch and 10 pt stays 10 pt, whatever the resolution.
    void formKeepsItsSizeOnAnyResolution_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("72") << 72;
        QTest::newRow("150") << 150;
        QTest::newRow("600") << 600;
    }
    void formKeepsItsSizeOnAnyResolution()
    {
        QFETCH(int, dpi);
        QImage img = paper(dpi);
        {
            QtPageCanvas canvas(&img);
            QVERIFY(canvas.isActive());
            DrawTablePage(canvas);
        }
        const QRect frame = inked(img);
        const double inch = dpi;
        // 7.25 by 8.75 inches between the frame's centre lines, plus the
        // frame pen's width of 20/600 inch.
        QVERIFY2(std::abs(frame.width() - 4370 * inch / 600) <= 2, qPrintable(QString::number(frame.width())));
        QVERIFY2(std::abs(frame.height() - 5270 * inch / 600) <= 2, qPrintable(QString::number(frame.height())));
        QVERIFY(std::abs(frame.left() - 140 * inch / 600) <= 1.5);
        QVERIFY(std::abs(frame.top() - 240 * inch / 600) <= 1.5);

        // A capital H at 10 pt stands about 0.1 inch tall.
        QImage text = paper(dpi);
        {
            QtPageCanvas canvas(&text);
            canvas.setFont(TableFonts::standard().data);
            canvas.text(600, 600, QStringLiteral("H"));
        }
        const QRect h = inked(text);
        QVERIFY(!h.isNull());
        const double capInches = double(h.height()) / inch;
        QVERIFY2(capInches > 0.085 && capInches < 0.115, qPrintable(QString::number(capInches)));
        // Its top stands just below the given top, not above it.
        QVERIFY(h.top() >= inch - 1 && h.top() < inch + 0.05 * inch);
    }

    void pdfHoldsThePagesAtTheirSize()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.pdf"));
        const Table grid(120, 2);
        {
            QPdfWriter pdf(path);
            pdf.setResolution(600);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            const TablePrintOutcome out = printTable(grid, {1, 120}, pdf);
            QVERIFY(out.started);
            QVERIFY(out.error.isEmpty());
            QCOMPARE(out.result.pages, 3);
            QCOMPARE(pdf.pageLayout().orientation(), QPageLayout::Portrait);
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page>>")
                     + bytes.count("/Type /Page "),
                 3);

        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm is not installed");
        QProcess p;
        p.start(pdftoppm, {"-png", "-r", "60", "-f", "3", "-l", "3", path, dir.filePath("page")});
        QVERIFY(p.waitForFinished(30000));
        const QStringList pngs = QDir(dir.path()).entryList({"page*.png"});
        QCOMPARE(pngs.size(), 1);
        const QImage page(dir.filePath(pngs[0]));
        QCOMPARE(page.size(), QSize(496, 702)); // A4 at 60 dpi
        const QRect frame = inked(page);
        QVERIFY2(std::abs(frame.width() - 435) <= 3, qPrintable(QString::number(frame.width())));
        QVERIFY2(std::abs(frame.height() - 525) <= 3, qPrintable(QString::number(frame.height())));
    }

    // A heading above each page's frame and its number below, found in the
    // PDF's own text; the form beneath stays where it was.
    void headingAndPageNumbersInThePdf()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("headed.pdf"));
        Table grid(120, 2);
        TableHeading heading;
        heading.subject = QStringLiteral("fridge.txt");
        heading.model = 482;
        heading.printedAt = 46365.5; // 9 December 2026, noon
        {
            QPdfWriter pdf(path);
            pdf.setResolution(600);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            const TablePrintOutcome out = printTable(grid, {1, 120}, pdf, {}, TableFonts::standard(), heading);
            QVERIFY(out.error.isEmpty());
            QCOMPARE(out.result.pages, 3);
        }
        const auto pageText = [&](int page) {
            QProcess p;
            p.start(pdftotext, {"-layout", "-f", QString::number(page), "-l", QString::number(page), path, "-"});
            p.waitForFinished(30000);
            return QString::fromUtf8(p.readAllStandardOutput());
        };
        const QString second = pageText(2);
        QVERIFY2(second.contains(QLatin1String("Page 2 of 3")), qPrintable(second));
        const QString line = QStringLiteral("fridge.txt   Model 482   05/12/2007 14:03:10");
        QVERIFY2(second.simplified().contains(QStringLiteral("fridge.txt Model 482 05/12/2007 14:03:10")),
                 qPrintable(second));
        QCOMPARE(heading.line(grid, 1, 120), line);
        QVERIFY(second.contains(QStringLiteral("Printed ") + shortDateText(46365.5)));
        QVERIFY(pageText(3).contains(QLatin1String("Page 3 of 3")));
        QVERIFY(!pageText(1).contains(QLatin1String("Page 2")));

        // On the recorded canvas: the heading over the frame, the page's
        // number and date under it, the form's own texts unmoved.
        RecordingCanvas canvas;
        PrintGrid(grid, {51, 60}, canvas, {}, TableFonts::standard(), heading);
        QCOMPARE(canvas.pages.size(), 1);
        const RecordingCanvas::Page &page = canvas.pages[0];
        const auto above = page.within(0, 240);
        QCOMPARE(above.size(), 1);
        QCOMPARE(above[0].text, QStringLiteral("fridge.txt   Model 482   05/12/2007 14:03:10"));
        QStringList below;
        for (const auto &t : page.within(5510, 6000))
            below << t.text;
        QCOMPARE(below.size(), 2);
        QVERIFY(below.contains(QStringLiteral("Page 1 of 1")));
        checkForm(page, {"NO", "DATE", "TIME", "T1", "UNIT", "T2", "UNIT", "FUNCTION"});
        QCOMPARE(rowNumbers(page).first(), QStringLiteral("51"));
    }

    void withoutPrinterTheJobGoesToAPdfFile()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed here");
        QTemporaryDir dir;
        const Table grid(200, 2);
        kv::test::ScriptedPrompt prompt;

        // No file chosen: nothing is printed.
        TablePrintOutcome out = printTableWithProgress(grid, {1, 200}, prompt);
        QVERIFY(!out.started);
        QCOMPARE(prompt.saveAsked, QStringList{"Print to PDF file"});

        // An empty range asks nothing.
        prompt.saveAsked.clear();
        out = printTableWithProgress(grid, {300, 400}, prompt);
        QVERIFY(!out.started && prompt.saveAsked.isEmpty());

        // Cancel in the progress window ends the job with what was drawn.
        const QString path = dir.filePath(QStringLiteral("t.pdf"));
        prompt.saveNames.enqueue(path);
        QString caption, label;
        int maximum = -1;
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<ProgressDialog *>(w); d && d->isVisible()) {
                    caption = d->windowTitle();
                    label = d->text();
                    maximum = d->maximum();
                    d->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
                }
        });
        out = printTableWithProgress(grid, {1, 200}, prompt);
        QVERIFY(out.started);
        QVERIFY(out.error.isEmpty());
        QCOMPARE(caption, QStringLiteral("Print Progress"));
        QCOMPARE(label, QStringLiteral("printing"));
        QCOMPARE(maximum, 200);
        QVERIFY(out.result.cancelled);
        QVERIFY(out.result.rows >= 1 && out.result.rows < 200);
        QCOMPARE(out.pdfFile, path);
        QVERIFY(QFile(path).size() > 0);

        // A file that cannot be written gives a message, not success.
        prompt.saveNames.enqueue(dir.filePath(QStringLiteral("no/such/folder/t.pdf")));
        out = printTableWithProgress(grid, {1, 2}, prompt);
        QVERIFY(!out.error.isEmpty());
        QVERIFY(out.pdfFile.isEmpty());
    }

    void progressDialogForwardsCancel()
    {
        ProgressDialog d(QStringLiteral("Saving Progress"), QStringLiteral("saving....."));
        d.start(10);
        d.show();
        QVERIFY(d.step(3));
        QCOMPARE(d.value(), 3);
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.cancelled());
        QVERIFY(d.isVisible()); // the job closes it, not Cancel
        QVERIFY(!d.step(4));
        d.start(5);
        QVERIFY(!d.cancelled());
        QCOMPARE(d.value(), 0);
    }

    void printOptionAnswersByButton()
    {
        const QPair<QString, PrintChoice> cases[] = {{"Button1", PrintChoice::Graph},
                                                     {"Button2", PrintChoice::Text},
                                                     {"Button3", PrintChoice::Cancel}};
        for (const auto &c : cases) {
            TfrmPrintOption d;
            QCOMPARE(d.windowTitle(), QStringLiteral("Print Option"));
            QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
            d.show();
            QVERIFY(!d.findChild<QLabel *>("Image1")->pixmap().isNull());
            QVERIFY(!d.findChild<QLabel *>("Image2")->pixmap().isNull());
            d.findChild<QPushButton *>(c.first)->click();
            QCOMPARE(d.choice(), c.second);
            QCOMPARE(d.result(), int(c.second));
            QVERIFY(!d.isVisible());
        }
        TfrmPrintOption d;
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        QCOMPARE(d.choice(), PrintChoice::Cancel);
        QCOMPARE(d.findChild<QPushButton *>("Button1")->text(), QStringLiteral("Print Graph"));
        QCOMPARE(d.findChild<QPushButton *>("Button2")->text(), QStringLiteral("Print Text"));
    }
};

QTEST_MAIN(TstPrint)
#include "tst_print.moc"
