// Pictures of a chart (PNG at its size, at a chosen size and twice that;
// SVG; vector PDF), written through the checked writer and read back; and a
// second run drawn behind the chart's lines, then taken away.

#include "views/Chart.h"
#include "views/PictureCommands.h"

#include <QBuffer>
#include <QComboBox>
#include <QSpinBox>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <qcustomplot.h>

#include <cmath>

using namespace kv;

namespace {

constexpr double kStart = 46000.5;

// A two-channel recording of `points` readings a second apart, titled,
// with the data-logger window's cursor line and its label.
void fill(Chart &c, int points, const QString &cursorText)
{
    c.setSubsets(2);
    c.setPoints(points);
    for (int p = 0; p < points; ++p) {
        c.setXData(0, p, kStart + p / 86400.0);
        c.setXData(1, p, kStart + p / 86400.0);
        c.setYData(0, p, float(20 + 10 * std::sin(p / 40.0)));
        c.setYData(1, p, float(25 + 5 * std::cos(p / 30.0)));
    }
    c.setManualX(kStart, kStart + points / 86400.0);
    c.setManualY(0, 40);
    c.look().mainTitle = QStringLiteral("Roast 12");
    c.look().subsetLabels = {QStringLiteral("T1"), QStringLiteral("T2")};
    c.look().subsetColors = {Qt::black, Qt::red};
    c.look().showVertLineAnnotations = true;
    c.setVertLine(0, kStart + 10 / 86400.0, 2, Qt::red, cursorText);
    c.resetImage();
}

int inkedPixels(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            if (qGray(img.pixel(x, y)) < 200)
                ++n;
    return n;
}

} // namespace

class TestChartPicture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pngAtItsSizeAChosenOneAndTwice()
    {
        QTemporaryDir dir;
        Chart c;
        c.resize(600, 400);
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        fill(c, 300, QStringLiteral("10:15:30 T1:25.3 T2:OL"));

        const QString own = dir.filePath(QStringLiteral("own.png"));
        QString error;
        QVERIFY2(c.exportPicture(own, Chart::PictureFormat::Png, QSize(), 1.0, &error), qPrintable(error));
        const QImage ownImage(own);
        QCOMPARE(ownImage.size(), c.plot()->size());
        QVERIFY(inkedPixels(ownImage) > 500);

        const QString chosen = dir.filePath(QStringLiteral("chosen.png"));
        QVERIFY(c.exportPicture(chosen, Chart::PictureFormat::Png, QSize(800, 500), 2.0));
        QCOMPARE(QImage(chosen).size(), QSize(1600, 1000));

        // The cursor line's label is the screen's: the picture is the same
        // as that of the chart with an unlabelled line, and the screen keeps
        // its label.
        Chart bare;
        bare.resize(600, 400);
        fill(bare, 300, QString());
        QCOMPARE(c.pictureImage(QSize(500, 300)), bare.pictureImage(QSize(500, 300)));
        QList<QCPItemText *> labels = c.plot()->findChildren<QCPItemText *>();
        QVERIFY(!labels.isEmpty());
        for (QCPItemText *t : labels)
            QVERIFY(t->visible());

        // Written through the checked writer: a folder that is not there
        // gives the reason and no file.
        const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.png"));
        QVERIFY(!c.exportPicture(nowhere, Chart::PictureFormat::Png, QSize(), 1.0, &error));
        QVERIFY2(error.contains(nowhere), qPrintable(error));
        QVERIFY(!QFile::exists(nowhere));

        // The largest size the dialog offers, drawn twice for print, would
        // take a gigabyte: refused with the reason, nothing written, while
        // the same size as a vector drawing is written.
        const QString huge = dir.filePath(QStringLiteral("huge.png"));
        QVERIFY(!c.exportPicture(huge, Chart::PictureFormat::Png, QSize(8000, 8000), 2.0, &error));
        QVERIFY2(error.contains(QStringLiteral("16000 by 16000")) && error.contains(QStringLiteral("64 million")),
                 qPrintable(error));
        QVERIFY(!QFile::exists(huge));
        QVERIFY(c.pictureImage(QSize(8000, 8000), 2.0).isNull());
        QVERIFY(c.exportPicture(dir.filePath(QStringLiteral("huge.svg")), Chart::PictureFormat::Svg, QSize(8000, 8000)));
    }

    void svgHoldsTheCurvesAsPaths()
    {
        Chart c;
        c.resize(600, 400);
        fill(c, 300, QStringLiteral("label"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("graph.svg"));
        QCOMPARE(Chart::pictureFormatFor(path), Chart::PictureFormat::Svg);
        QVERIFY(c.exportPicture(path, Chart::pictureFormatFor(path), QSize(640, 360)));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        int longPaths = 0;
        bool titled = false;
        QString size;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("svg"))
                size = xml.attributes().value(QLatin1String("viewBox")).toString();
            if (xml.isStartElement() && (xml.name() == QLatin1String("path") || xml.name() == QLatin1String("polyline"))) {
                const QString d = xml.attributes().value(QLatin1String(xml.name() == QLatin1String("path") ? "d" : "points")).toString();
                // A curve of hundreds of readings, not an axis or a tick.
                if (d.count(QLatin1Char(',')) > 100)
                    ++longPaths;
            }
            if (xml.isCharacters() && xml.text().contains(QLatin1String("Roast 12")))
                titled = true;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY2(longPaths >= 2, qPrintable(QString::number(longPaths)));
        QVERIFY(titled);
        QCOMPARE(size, QStringLiteral("0 0 640 360"));
    }

    // Notes stay in pictures (the cursor line's label does not), and the
    // context menu finds a note by its line or its label.
    void notesAreInPicturesAndUnderTheMouse()
    {
        Chart c;
        c.resize(600, 400);
        fill(c, 300, QStringLiteral("cursor here"));
        c.setNotes({{kStart + 100 / 86400.0, QStringLiteral("first crack")}});
        const QByteArray svg = c.picture(Chart::PictureFormat::Svg, QSize(640, 360));
        QVERIFY(svg.contains("first crack"));
        QVERIFY(!svg.contains("cursor here"));
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        c.plot()->replot();
        const int x = int(c.plot()->xAxis->coordToPixel(Chart::keyOf(kStart + 100 / 86400.0)));
        const int y = int(c.plot()->axisRect()->center().y());
        QCOMPARE(c.noteAt(QPoint(x + 2, y)), 0);
        QCOMPARE(c.noteAt(QPoint(x + 40, y)), -1);
    }

    void pdfIsOneVectorPage()
    {
        Chart c;
        c.resize(600, 400);
        fill(c, 300, QStringLiteral("label"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("graph.pdf"));
        QVERIFY(c.exportPicture(path, Chart::PictureFormat::Pdf, QSize(800, 450)));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page>>") + bytes.count("/Type /Page "), 1);
        // Vector: no page-sized image in it.
        QVERIFY(!bytes.contains("/Subtype /Image"));
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        if (!pdfinfo.isEmpty()) {
            QProcess p;
            p.start(pdfinfo, {path});
            QVERIFY(p.waitForFinished(30000));
            const QString info = QString::fromUtf8(p.readAllStandardOutput());
            QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
            QVERIFY2(info.contains(QStringLiteral("600 x 33")), qPrintable(info)); // 800 x 450 px at 96 dpi
        }
    }

    // The export dialog sizes a PDF as a page, in millimetres, and is
    // wide enough for its title.
    void pictureDialogSizesPdfPagesInMillimetres()
    {
        TfrmPicture dialog(QSize(800, 450));
        QCOMPARE(dialog.edtWidth->suffix(), QStringLiteral(" px"));
        dialog.cmbFormat->setCurrentIndex(2);
        QCOMPARE(dialog.edtWidth->suffix(), QStringLiteral(" mm"));
        QCOMPARE(QSize(dialog.edtWidth->value(), dialog.edtHeight->value()), QSize(212, 119));
        dialog.edtWidth->setValue(297);
        dialog.edtHeight->setValue(210);
        QCOMPARE(dialog.request().size, QSize(1123, 794)); // A4 across, at 96 dpi
        dialog.cmbFormat->setCurrentIndex(0);
        QCOMPARE(dialog.edtWidth->value(), 1123);
        const QString title = dialog.windowTitle() + QStringLiteral(" \u2014 KV481");
        QVERIFY(dialog.minimumWidth() > dialog.fontMetrics().horizontalAdvance(title));
    }

    // Another run behind the chart's own lines: moved to start with it,
    // light, in the legend, kept through redraws and zoom, then removed.
    void comparisonDrawnAndRemoved()
    {
        Chart c;
        c.resize(600, 400);
        fill(c, 120, QString());
        const int own = c.plot()->graphCount();
        Chart::Comparison run;
        run.name = QStringLiteral("roast 11");
        run.subsets = 2;
        const double otherStart = kStart - 3.25; // three days earlier
        for (int p = 0; p < 100; ++p) {
            run.x.push_back(otherStart + p / 86400.0);
            run.y[0].push_back(float(18 + p * 0.1));
            run.y[1].push_back(p == 50 ? c.nullY() : float(30));
        }
        run.offset = c.firstX() - otherStart;
        c.setComparison(run);
        QCOMPARE(c.plot()->graphCount(), own + 2);
        QCPGraph *behind = c.plot()->graph(own);
        QCOMPARE(behind->name(), QStringLiteral("roast 11 T1"));
        QCOMPARE(behind->data()->constBegin()->key, c.plot()->graph(0)->data()->constBegin()->key);
        QVERIFY(behind->layer()->index() < c.plot()->graph(0)->layer()->index());
        QVERIFY(behind->pen().color() != c.plot()->graph(0)->pen().color());
        QVERIFY(qGray(behind->pen().color().rgb()) > 100); // light, not black
        QVERIFY(std::isnan((c.plot()->graph(own + 1)->data()->constBegin() + 50)->value)); // an overload is a gap
        bool inLegend = false;
        for (int i = 0; i < c.plot()->legend->itemCount(); ++i)
            if (auto *item = qobject_cast<QCPPlottableLegendItem *>(c.plot()->legend->item(i)))
                inLegend = inLegend || item->plottable() == behind;
        QVERIFY(inLegend);

        // The value axis widens to show its readings (18 to 27.9, T2 30),
        // and narrows again without it.
        QVERIFY(c.plot()->yAxis->range().upper >= 40); // the chart's own scale holds it
        run.y[1].assign(100, 55.0f);
        c.setComparison(run);
        QVERIFY2(c.plot()->yAxis->range().upper >= 55 * 1.1 - 1e-3, qPrintable(QString::number(c.plot()->yAxis->range().upper)));
        QCOMPARE(c.plot()->yAxis->range().lower, 0.0);

        // Redraws, a zoom and its undo keep it; the picture shows it.
        const QImage with = c.pictureImage(QSize(400, 300));
        c.resetImage();
        c.undoZoom();
        QCOMPARE(c.plot()->graphCount(), own + 2);

        QVERIFY(c.plot()->yAxis->range().upper >= 60); // after the undo too
        c.removeComparison();
        QCOMPARE(c.plot()->graphCount(), own);
        QCOMPARE(c.plot()->yAxis->range().upper, 40.0);
        QVERIFY(!c.hasComparison());
        QVERIFY(c.pictureImage(QSize(400, 300)) != with);
        c.resetImage();
        QCOMPARE(c.plot()->graphCount(), own);
    }
};

QTEST_MAIN(TestChartPicture)
#include "tst_chart_picture.moc"
