// The front panel: what its LCD shows for chosen frames of both models, its
// model layouts, and its window behaviour.

#include "link/LiveFrame.h"
#include "panel/Artwork.h"
#include "panel/TfrmPanel.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QtTest>

#include <cstring>

using namespace kv;

namespace {

// Frames go through the real decoder, as the link hands them on.
struct Rig
{
    int model;
    FrameDecoder decoder;
    TfrmPanel panel{loadGlyphs(), nullptr};

    explicit Rig(int m)
        : model(m)
    {
        panel.applyModelLayout(model);
    }
    void frame(const char *hex)
    {
        const QByteArray b = QByteArray::fromHex(hex);
        Frame f;
        std::copy(b.begin(), b.end(), f.begin());
        Reading previous;
        if (decoder.dispatchFrame(f, model, &previous))
            panel.applyFrame(previous, decoder.reading(), model);
    }
    bool shown(Mark m) const { return !panel.mark(m)->isHidden(); }
    QString main() const { return digits(0); }
    QString third() const { return digits(1); }
    QString sub() const { return digits(2); }
    // Digits as the LCD shows them: ' ' blank, '-' dash, '?' no glyph.
    QString digits(int d) const
    {
        QString s;
        for (int i = 0; i < 4; ++i) {
            const int c = panel.digitCode(d, i);
            s += c <= 9 ? QChar('0' + c) : c == kGlyphDash ? QChar('-') : c == kGlyphBlank ? QChar(' ') : QChar('?');
        }
        return s;
    }
};

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newPanelShowsOnlyPictureAndKeys()
    {
        TfrmPanel p(loadGlyphs(), nullptr);
        QCOMPARE(p.size(), QSize(146, 434));
        QCOMPARE(p.windowTitle(), QStringLiteral("PANEL"));
        QVERIFY(!p.mark(Mark::imgtk)->isHidden());
        for (int i = 0; i < kMarkCount; ++i)
            if (Mark(i) != Mark::imgtk)
                QVERIFY2(p.mark(Mark(i))->isHidden(), markName(Mark(i)));
        QVERIFY(p.findChild<QLabel *>(QStringLiteral("MainD1"))->isHidden());
        QVERIFY(!p.btnClose->isHidden());
        QCOMPARE(p.btnClose->toolTip(), QStringLiteral("Close PANEL"));
        // Every key names its function in its hint; ΔREL becomes TIME on
        // the two-channel meter.
        for (QWidget *key : {static_cast<QWidget *>(p.btnMMA), static_cast<QWidget *>(p.btnREL),
                             static_cast<QWidget *>(p.btnHOLD), static_cast<QWidget *>(p.btnTT),
                             static_cast<QWidget *>(p.btnCF)})
            QVERIFY2(!key->toolTip().isEmpty(), qPrintable(key->objectName()));
        QVERIFY(p.btnREL->toolTip().startsWith(QStringLiteral("\u0394REL")));
        p.applyModelLayout(482);
        QVERIFY(p.btnREL->toolTip().startsWith(QStringLiteral("TIME")));
        QCOMPARE(p.btnREL->accessibleName(), QStringLiteral("TIME"));
        QVERIFY(p.btnHOLD->toolTip().startsWith(QStringLiteral("HOLD")));
        QVERIFY(p.btnTT->toolTip().startsWith(QStringLiteral("REC")));
        QVERIFY(p.btnCF->toolTip().startsWith(QStringLiteral("\u00B0C/\u00B0F")));
        QVERIFY(!p.Stayontop1->isChecked());
        QVERIFY(!p.stayOnTop());
        // The glyph table is loaded by its resource names.
        const QVector<QPixmap> glyphs = loadGlyphs();
        QCOMPARE(glyphs.size(), 25);
        QCOMPARE(glyphs.first().size(), QSize(14, 24));
        QCOMPARE(glyphs.last().size(), QSize(8, 14));
    }

    void artworkAtBothResolutions()
    {
        QStringList names;
        for (int i = 0; i <= 11; ++i)
            names << QStringLiteral(":/LCDM%1").arg(i);
        for (int i = 0; i <= 12; ++i)
            names << QStringLiteral(":/LCDS%1").arg(i);
        names << QStringLiteral(":/panel/Image1");
        for (int i = 0; i < kMarkCount; ++i)
            if (Mark(i) != Mark::lblt1 && Mark(i) != Mark::lblt2 && Mark(i) != Mark::lblnolink)
                names << QStringLiteral(":/panel/") + QLatin1String(markName(Mark(i)));
        for (const QString &name : names) {
            const QPixmap normal = loadArtwork(name);
            const QPixmap sharp = loadArtwork(name, 2.0);
            QVERIFY2(!normal.isNull() && !sharp.isNull(), qPrintable(name));
            QCOMPARE(normal.devicePixelRatio(), 1.0);
            QCOMPARE(sharp.devicePixelRatio(), 2.0);
            QCOMPARE(sharp.size(), normal.size() * 2);
            QCOMPARE(sharp.deviceIndependentSize(), QSizeF(normal.size()));
        }
        const QVector<QPixmap> normal = loadGlyphs();
        const QVector<QPixmap> sharp = loadGlyphs(2.0);
        QCOMPARE(normal.size(), 25);
        QCOMPARE(sharp.size(), 25);
        for (int i = 0; i < 25; ++i) {
            const QSize size = i < 12 ? QSize(14, 24) : QSize(8, 14);
            QCOMPARE(normal.at(i).size(), size);
            QCOMPARE(sharp.at(i).size(), size * 2);
            QCOMPARE(sharp.at(i).devicePixelRatio(), 2.0);
        }
    }

    void sharpGlyphsLightTheirSegments()
    {
        // Segments a-g of each code: digits, dash, blank, and the small H.
        const char *expected[13] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg",
                                    "abc",    "abcdefg", "abcdfg", "g", "", "bcefg"};
        // The middle of each segment's area, as a share of width and height.
        const struct
        {
            char segment;
            double x, y;
        } centres[] = {{'a', 0.5, 0.09},  {'b', 0.85, 0.29}, {'c', 0.85, 0.71}, {'d', 0.5, 0.91},
                       {'e', 0.15, 0.71}, {'f', 0.15, 0.29}, {'g', 0.5, 0.5}};
        const QVector<QPixmap> sharp = loadGlyphs(2.0);
        for (int i = 0; i < 25; ++i) {
            const bool small = i >= 12;
            const int code = small ? i - 12 : i;
            const QImage img = sharp.at(i).toImage().convertToFormat(QImage::Format_ARGB32);
            for (const auto &c : centres) {
                const int alpha = qAlpha(img.pixel(int(c.x * img.width()), int(c.y * img.height())));
                const bool lit = std::strchr(expected[code], c.segment) != nullptr;
                const QByteArray what = QByteArray(small ? "small " : "main ") + QByteArray::number(code) + ' ' + c.segment;
                if (lit)
                    QVERIFY2(alpha > 200, what.constData());
                else
                    QVERIFY2(alpha < 40, what.constData());
            }
        }
    }

    void panelDrawsTheSharpGlyphsOnADenseScreen()
    {
        Rig rig(481);
        rig.frame("02800002380000000003");
        QLabel *place = rig.panel.findChild<QLabel *>(QStringLiteral("MainD4"));
        QImage dense(28, 48, QImage::Format_ARGB32_Premultiplied);
        dense.setDevicePixelRatio(2.0);
        dense.fill(Qt::transparent);
        place->render(&dense, QPoint(), QRegion(), QWidget::DrawChildren);
        QImage want = loadGlyphs(2.0).at(8).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        want.setDevicePixelRatio(2.0);
        QCOMPARE(dense, want);
        // At one device pixel per pixel the label shows the plain glyph.
        QCOMPARE(place->pixmap().toImage(), loadGlyphs().at(8).toImage());
    }

    void modelLayouts()
    {
        Rig one(481);
        QVERIFY(!one.shown(Mark::imgSpec482));
        QVERIFY(!one.shown(Mark::imgT1));
        QVERIFY(one.shown(Mark::imgmd));
        QVERIFY(one.shown(Mark::imghm));
        QVERIFY(one.shown(Mark::imgK));
        QVERIFY(!one.panel.findChild<QLabel *>(QStringLiteral("SubD4"))->isHidden());
        Rig two(482);
        QVERIFY(two.shown(Mark::imgSpec482));
        QVERIFY(two.shown(Mark::imgPartOf482));
        QVERIFY(two.shown(Mark::imgT1_T2));
        QVERIFY(two.shown(Mark::lblt2));
    }

    void mainDigitsAndPoint_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<bool>("point");
        QTest::addColumn<bool>("minus");
        QTest::newRow("0.5") << QByteArray("02800000050000000003") << "  05" << true << false;
        QTest::newRow("0.0") << QByteArray("02800000000000000003") << "  00" << true << false;
        QTest::newRow("1005") << QByteArray("02800010050000000003") << "1005" << true << false;
        QTest::newRow("whole degrees") << QByteArray("02800412340000000003") << "1234" << false << false;
        QTest::newRow("negative") << QByteArray("02800201230000000003") << " 123" << true << true;
        QTest::newRow("overload") << QByteArray("02800300000000000003") << "----" << false << true;
        QTest::newRow("no glyph") << QByteArray("028000C0DE0000000003") << "?0??" << true << false;
    }
    void mainDigitsAndPoint()
    {
        QFETCH(QByteArray, frame);
        Rig rig(481);
        rig.frame(frame.constData());
        QFETCH(QString, digits);
        QCOMPARE(rig.main(), digits);
        QTEST(rig.shown(Mark::imgPoint), "point");
        QTEST(rig.shown(Mark::MainMinus), "minus");
        if (digits.startsWith(QLatin1Char('?'))) {
            // Codes without a glyph of their own show blank.
            const QPixmap blank = loadGlyphs().at(kGlyphBlank);
            QCOMPARE(rig.panel.findChild<QLabel *>(QStringLiteral("MainD1"))->pixmap().toImage(), blank.toImage());
        }
    }

    void holdFreezesTheMainDisplay()
    {
        Rig rig(481);
        rig.frame("02800002340000000003"); // 23.4
        rig.frame("02A00002350000000003"); // HOLD on, 23.5: drawn
        QCOMPARE(rig.main(), QStringLiteral(" 235"));
        QVERIFY(rig.shown(Mark::imgHOLD));
        rig.frame("02A00002360000000003"); // still held
        QCOMPARE(rig.main(), QStringLiteral(" 235"));
        rig.frame("02800002370000000003"); // hold cleared: the first changed frame after it stays
        QCOMPARE(rig.main(), QStringLiteral(" 235"));
        QVERIFY(!rig.shown(Mark::imgHOLD));
        rig.frame("02800002380000000003"); // drawn again
        QCOMPARE(rig.main(), QStringLiteral(" 238"));
    }

    void holdFreezesTheMainSignAndPoint()
    {
        Rig rig(481);
        rig.frame("02A00201230000000003"); // HOLD on, -12.3: drawn
        QVERIFY(rig.shown(Mark::MainMinus));
        QVERIFY(rig.shown(Mark::imgPoint));
        rig.frame("02A00401240000000003"); // held: 124 whole degrees, positive
        QVERIFY(rig.shown(Mark::MainMinus));
        QVERIFY(rig.shown(Mark::imgPoint));
        rig.frame("02A00300000000000003"); // held: overload
        QVERIFY(rig.shown(Mark::imgPoint));
        QCOMPARE(rig.main(), QStringLiteral(" 123"));
        rig.frame("02800401250000000003"); // hold cleared: still the held look
        QVERIFY(rig.shown(Mark::MainMinus));
        QVERIFY(rig.shown(Mark::imgPoint));
        rig.frame("02800401260000000003"); // drawn again
        QVERIFY(!rig.shown(Mark::MainMinus));
        QVERIFY(!rig.shown(Mark::imgPoint));
        QCOMPARE(rig.main(), QStringLiteral(" 126"));
    }

    void holdCarriesAcrossPanels()
    {
        // The hold of the frame before is the decoder's, not the panel's: a
        // panel opened while the meter holds keeps the rule.
        FrameDecoder d;
        Reading previous;
        const QByteArray held = QByteArray::fromHex("02A00002350000000003");
        Frame f;
        std::copy(held.begin(), held.end(), f.begin());
        d.dispatchFrame(f, 481, &previous);
        TfrmPanel fresh(loadGlyphs(), nullptr);
        fresh.applyModelLayout(481);
        const QByteArray next = QByteArray::fromHex("02800002360000000003");
        std::copy(next.begin(), next.end(), f.begin());
        d.dispatchFrame(f, 481, &previous);
        fresh.applyFrame(previous, d.reading(), 481);
        QCOMPARE(fresh.digitCode(0, 3), int(kGlyphBlank)); // untouched since creation
    }

    void annunciators()
    {
        Rig one(481);
        one.frame("02F28000000000000003"); // MAX, REL, HOLD, LBT, C, auto-off
        QVERIFY(one.shown(Mark::imgMAX));
        QVERIFY(!one.shown(Mark::imgMIN));
        QVERIFY(one.shown(Mark::imgREL));
        QVERIFY(one.shown(Mark::imglbt));
        QVERIFY(one.shown(Mark::imgAutoOff));
        QVERIFY(one.shown(Mark::imguC));
        QVERIFY(!one.shown(Mark::imguF));
        one.frame("02070000000000000003"); // both MAX and MIN, recording, F
        QVERIFY(one.shown(Mark::imgMAX) && one.shown(Mark::imgMIN));
        QVERIFY(one.shown(Mark::imgREC));
        QVERIFY(one.shown(Mark::imguF));

        Rig two(482);
        two.frame("02920000000000000003"); // REL and MAX on the two-channel meter
        QVERIFY(!two.shown(Mark::imgREL));
        QVERIFY(two.shown(Mark::imgMAX));
    }

    void oneChannelDateAndTime()
    {
        Rig rig(481);
        rig.frame("02800002340120093003");
        QCOMPARE(rig.third(), QStringLiteral("0120"));
        QCOMPARE(rig.sub(), QStringLiteral("0930"));
        QVERIFY(rig.shown(Mark::imgCOL));
        QVERIFY(rig.shown(Mark::imgdash));
    }

    void twoChannelThirdAndSub()
    {
        Rig rig(482);
        rig.frame("02800002500100015003"); // T1 25.0, T1-T2 10.0, T2 15.0
        QCOMPARE(rig.sub(), QStringLiteral(" 150"));
        QVERIFY(rig.shown(Mark::imgSubPoint));
        QVERIFY(rig.shown(Mark::imgSubC));
        QVERIFY(!rig.shown(Mark::imgCOL));
        QCOMPARE(rig.third(), QStringLiteral(" 100"));
        QVERIFY(rig.shown(Mark::imgThirdPoint));
        QVERIFY(!rig.shown(Mark::imgThirdMinus));
        // T1 drops below the T2 of the frame before: the difference turns negative.
        rig.frame("02800001000050015003"); // T1 10.0, T2 still 15.0
        QVERIFY(rig.shown(Mark::imgThirdMinus));
        // A negative T2 carries its minus.
        rig.frame("02801002000000025003");
        QVERIFY(rig.shown(Mark::imgSubMinus));
        // Overloads dash the difference and the channel.
        rig.frame("02800800000000000003");
        QCOMPARE(rig.third(), QStringLiteral("----"));
        QCOMPARE(rig.sub(), QStringLiteral("----"));
    }

    void differenceSignUsesTheT2OfTheFrameBefore()
    {
        // The difference display is decoded before the sub display, so its
        // sign compares the new T1 with the T2 still held from the frame
        // before; a T2 that changes in the same frame shows one frame late.
        Rig rig(482);
        rig.frame("02800002000100010003"); // T1 20.0, T2 10.0
        QVERIFY(!rig.shown(Mark::imgThirdMinus));
        rig.frame("02800002500050030003"); // T1 25.0 > 10.0 before; T2 now 30.0
        QVERIFY(!rig.shown(Mark::imgThirdMinus));
        rig.frame("02800002000150005003"); // T1 20.0 < 30.0 before; T2 now 5.0
        QVERIFY(rig.shown(Mark::imgThirdMinus));
        rig.frame("02800002100160005003"); // T1 21.0 > 5.0
        QVERIFY(!rig.shown(Mark::imgThirdMinus));
    }

    void fahrenheitOnTheTwoChannelSmallDisplays()
    {
        Rig rig(482);
        rig.frame("02000007700020075003"); // F: T1 77.0, T2 75.0
        QVERIFY(rig.shown(Mark::imgThirdF));
        QVERIFY(!rig.shown(Mark::imgThirdC));
        QVERIFY(rig.shown(Mark::imgSubF));
        QVERIFY(!rig.shown(Mark::imgSubC));
        QVERIFY(rig.shown(Mark::imguF));
        rig.frame("02800002500010024003"); // back to C
        QVERIFY(rig.shown(Mark::imgThirdC));
        QVERIFY(!rig.shown(Mark::imgThirdF));
        QVERIFY(rig.shown(Mark::imgSubC));
        QVERIFY(!rig.shown(Mark::imgSubF));
        // The clock hides both units.
        rig.frame("02080020261208143503");
        QVERIFY(!rig.shown(Mark::imgThirdF) && !rig.shown(Mark::imgSubF));
    }

    void twoChannelClock()
    {
        Rig rig(482);
        rig.frame("02880020261208143503");
        QVERIFY(rig.shown(Mark::imgy));
        QCOMPARE(rig.main(), QStringLiteral("2026"));
        QVERIFY(!rig.shown(Mark::imgPoint));
        QVERIFY(!rig.shown(Mark::imguC));
        QCOMPARE(rig.third(), QStringLiteral("1208"));
        QVERIFY(rig.shown(Mark::imgmd));
        QVERIFY(!rig.shown(Mark::imgT1_T2));
        QVERIFY(!rig.shown(Mark::imgK));
        QCOMPARE(rig.sub(), QStringLiteral("1435"));
        QVERIFY(rig.shown(Mark::imghm));
        QVERIFY(rig.shown(Mark::imgCOL));
        QVERIFY(!rig.shown(Mark::imgT2));
        QVERIFY(!rig.shown(Mark::imgSubPoint));
        QVERIFY(!rig.shown(Mark::imgMAX));
    }

    void noConnectionLabel()
    {
        Rig rig(482);
        rig.panel.setNoConnection(true);
        QLabel *l = rig.panel.mark(Mark::lblnolink);
        QVERIFY(!l->isHidden());
        QCOMPARE(l->text(), QStringLiteral("No Connection"));
        QCOMPARE(l->geometry(), QRect(18, 72, 105, 20));
        rig.panel.setNoConnection(false);
        QVERIFY(l->isHidden());
    }

    void stayOnTopOnlyWhenTicked()
    {
        QMdiArea area;
        area.resize(800, 600);
        area.show();
        auto *panel = new TfrmPanel(loadGlyphs(), nullptr);
        QMdiSubWindow *frame = area.addSubWindow(panel, Qt::FramelessWindowHint);
        frame->move(0, 0);
        frame->show();
        QMdiSubWindow *graph = area.addSubWindow(new QWidget);
        graph->show();
        QMdiSubWindow *list = area.addSubWindow(new QWidget);
        list->show();
        // Stacking order: later children of the viewport lie above earlier ones.
        const auto above = [&](QMdiSubWindow *other) {
            const QObjectList &stack = area.viewport()->children();
            return stack.indexOf(frame) > stack.indexOf(other);
        };

        // Clear at creation: an ordinary child, under every window opened
        // after it; one that fills the area (a data-logger window, maximized
        // or placed over the whole area) shows all of itself.
        QVERIFY(!panel->Stayontop1->isChecked());
        QVERIFY(!panel->stayOnTop());
        QVERIFY(!above(graph) && !above(list));
        QMdiSubWindow *logger = area.addSubWindow(new QWidget);
        logger->setGeometry(0, 0, area.viewport()->width(), area.viewport()->height());
        logger->show();
        QVERIFY(!above(logger));
        logger->showMaximized();
        QVERIFY(!above(logger));
        // Activated, it comes forward as any child does.
        area.setActiveSubWindow(frame);
        QVERIFY(above(logger));
        area.setActiveSubWindow(graph);
        QVERIFY(!above(graph));
        logger->close();

        // Ticked: above the others at once, and it stays there.
        panel->Stayontop1->trigger();
        QVERIFY(panel->Stayontop1->isChecked());
        QVERIFY(panel->stayOnTop());
        QVERIFY(above(graph) && above(list));
        area.setActiveSubWindow(list);
        QVERIFY(above(list));
        graph->raise();
        QVERIFY(above(graph));
        QMdiSubWindow *later = area.addSubWindow(new QWidget);
        later->show();
        QVERIFY(above(later));

        // Cleared again: the others cover it.
        panel->Stayontop1->trigger();
        QVERIFY(!panel->Stayontop1->isChecked() && !panel->stayOnTop());
        area.setActiveSubWindow(list);
        QVERIFY(!above(list));
        // The handler itself flips the mark, as the menu does.
        panel->Stayontop1Click();
        QVERIFY(panel->Stayontop1->isChecked() && panel->stayOnTop());
        QVERIFY(above(list));

        // It never leaves the area.
        QVERIFY(!panel->isWindow());
        QCOMPARE(panel->frameWidget(), frame);
        QCOMPARE(area.subWindowList().size(), 4);
    }

    void windowBehaviour()
    {
        QMdiArea area;
        area.resize(800, 600);
        area.show();
        auto *panel = new TfrmPanel(loadGlyphs(), nullptr);
        QMdiSubWindow *sw = area.addSubWindow(panel, Qt::FramelessWindowHint);
        sw->move(0, 0);
        sw->show();
        QCOMPARE(panel->frameWidget(), sw);

        // Dragging the picture moves the window.
        QWidget *picture = panel->findChild<QLabel *>(QStringLiteral("Image1"));
        QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(70, 20));
        QMouseEvent move(QEvent::MouseMove, QPointF(100, 60), picture->mapToGlobal(QPointF(100, 60)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(picture, &move);
        QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(100, 60));
        QCOMPARE(sw->pos(), QPoint(30, 40));

        // The power key closes and frees the panel.
        QPointer<TfrmPanel> guard(panel);
        QTest::mouseClick(panel->btnClose, Qt::LeftButton);
        QTRY_VERIFY(guard.isNull());
    }
};

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
