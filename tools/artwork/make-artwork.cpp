// Draws the program's artwork: the meter front and its overlays, the LCD
// glyphs and marks, and the tool-bar icons. Run it to regenerate the PNG
// files under resources/ after changing a drawing:
//   make-artwork <path-to>/resources

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

#include "unit-icons.h"

namespace {

QString g_out;
const QColor kInk(28, 31, 26);         // LCD segments
const QColor kLcd(196, 206, 180);      // LCD glass
const QColor kFace(52, 56, 62);        // meter face
const QColor kHolster(232, 176, 20);   // rubber holster
const QColor kKeyText(245, 245, 240);

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void save(const QImage &img, const QString &name)
{
    const QString path = g_out + QLatin1Char('/') + name;
    if (!img.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QFont font(int pixelSize, bool bold = true, bool condensed = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    if (condensed)
        f.setStretch(QFont::Condensed);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// Panel pictures are written twice: "name.png" at their size on the form
// and "name@2x.png" at twice the resolution for high-density screens. The
// drawing works in form pixels; the painter is scaled for the 2x copy.
template<typename Draw>
void art(const QString &name, int w, int h, Draw draw, const QColor &background = Qt::transparent)
{
    for (int scale : {1, 2}) {
        QImage img(w * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
        img.fill(background);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(scale, scale);
        draw(p);
        p.end();
        save(img, name + (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png")));
    }
}

// --- seven-segment glyphs -------------------------------------------------

// Segments a-g of each code: 0-9, 10 dash, 11 blank, 12 an H.
const char *kSegments[13] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg",
                             "abc",    "abcdefg", "abcdfg", "g", "", "bcefg"};

// The outline of a digit: outer edges of the strokes, stroke width and the
// gap left between two segments at their bevelled ends.
struct DigitShape
{
    double left, right, top, bottom;
    double stroke;
    double gap;
};

// A horizontal segment centred on y from x0 to x1 (the centre lines of the
// verticals), or a vertical one centred on x from y0 to y1. Both ends come
// to a 45-degree point, so neighbouring segments meet along a diagonal.
QPolygonF horizontalSegment(double x0, double x1, double y, const DigitShape &d)
{
    const double h = d.stroke / 2;
    return QPolygonF({QPointF(x0 + d.gap, y), QPointF(x0 + d.gap + h, y - h), QPointF(x1 - d.gap - h, y - h),
                      QPointF(x1 - d.gap, y), QPointF(x1 - d.gap - h, y + h), QPointF(x0 + d.gap + h, y + h)});
}

QPolygonF verticalSegment(double x, double y0, double y1, const DigitShape &d)
{
    const double h = d.stroke / 2;
    return QPolygonF({QPointF(x, y0 + d.gap), QPointF(x + h, y0 + d.gap + h), QPointF(x + h, y1 - d.gap - h),
                      QPointF(x, y1 - d.gap), QPointF(x - h, y1 - d.gap - h), QPointF(x - h, y0 + d.gap + h)});
}

void drawSegments(QPainter &p, const QString &segs, const DigitShape &d)
{
    const double h = d.stroke / 2;
    const double xl = d.left + h, xr = d.right - h;
    const double ya = d.top + h, yd = d.bottom - h, yg = (ya + yd) / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (QChar c : segs) {
        switch (c.toLatin1()) {
        case 'a': p.drawPolygon(horizontalSegment(xl, xr, ya, d)); break;
        case 'b': p.drawPolygon(verticalSegment(xr, ya, yg, d)); break;
        case 'c': p.drawPolygon(verticalSegment(xr, yg, yd, d)); break;
        case 'd': p.drawPolygon(horizontalSegment(xl, xr, yd, d)); break;
        case 'e': p.drawPolygon(verticalSegment(xl, yg, yd, d)); break;
        case 'f': p.drawPolygon(verticalSegment(xl, ya, yg, d)); break;
        case 'g': p.drawPolygon(horizontalSegment(xl, xr, yg, d)); break;
        }
    }
}

// Main display, 14 x 24: strokes of 2 pixels on whole pixels, so the
// straight edges are sharp at both resolutions.
const DigitShape kMainDigit{1, 13, 1, 23, 2, 0.5};
// Small displays, 8 x 14: strokes of 1.5 pixels, which are 3 whole pixels
// at twice the size.
const DigitShape kSmallDigit{0.5, 7.5, 0.5, 13, 1.5, 0.5};

void glyphs()
{
    for (int code = 0; code <= 12; ++code) {
        const QString segs = QString::fromLatin1(kSegments[code]);
        if (code <= 11)
            art(QStringLiteral("LCDM%1").arg(code), 14, 24, [&](QPainter &p) { drawSegments(p, segs, kMainDigit); });
        art(QStringLiteral("LCDS%1").arg(code), 8, 14, [&](QPainter &p) { drawSegments(p, segs, kSmallDigit); });
    }
}

// --- LCD marks ------------------------------------------------------------

void textMark(const QString &name, int w, int h, const QString &text, int px, bool inverse = false)
{
    art(name, w, h, [&](QPainter &p) {
        const QRect r(0, 0, w, h);
        if (inverse) {
            p.fillRect(r, kInk);
            p.setPen(kLcd.lighter(115));
        } else {
            p.setPen(kInk);
        }
        p.setFont(font(px, true, w < text.size() * px * 0.6));
        p.drawText(r, Qt::AlignCenter, text);
    });
}

// A minus sign or dash: one bevelled segment of the given stroke, centred
// on y.
void minusMark(const QString &name, int w, int h, double y, const DigitShape &d)
{
    art(name, w, h, [&](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawPolygon(horizontalSegment(0, w, y, DigitShape{0, 0, 0, 0, d.stroke, 0}));
    });
}

// A decimal point: a small square whose bottom sits on the digits' baseline.
void pointMark(const QString &name, int w, int h, const QRectF &dot)
{
    art(name, w, h, [&](QPainter &p) { p.fillRect(dot, kInk); });
}

void marks()
{
    // Minus signs and the date dash match the middle segment of the digits
    // beside them.
    minusMark(QStringLiteral("MainMinus"), 7, 3, 1, kMainDigit);
    minusMark(QStringLiteral("imgThirdMinus"), 5, 2, 0.75, kSmallDigit);
    // The sub display's sign sits a pixel higher on the form than the third
    // display's, so its image is a pixel taller.
    minusMark(QStringLiteral("imgSubMinus"), 5, 3, 1.75, kSmallDigit);
    minusMark(QStringLiteral("imgdash"), 4, 2, 0.75, kSmallDigit);
    pointMark(QStringLiteral("imgPoint"), 3, 5, QRectF(1, 3, 2, 2));
    pointMark(QStringLiteral("imgThirdPoint"), 3, 3, QRectF(1, 0.5, 1.5, 1.5));
    pointMark(QStringLiteral("imgSubPoint"), 3, 3, QRectF(1, 0.5, 1.5, 1.5));
    art(QStringLiteral("imgCOL"), 3, 10, [](QPainter &p) {
        p.fillRect(QRectF(1, 2.5, 1.5, 1.5), kInk);
        p.fillRect(QRectF(1, 7, 1.5, 1.5), kInk);
    });
    textMark(QStringLiteral("imguC"), 13, 11, QStringLiteral("°C"), 9);
    textMark(QStringLiteral("imguF"), 13, 11, QStringLiteral("°F"), 9);
    textMark(QStringLiteral("imgThirdC"), 7, 8, QStringLiteral("C"), 7);
    textMark(QStringLiteral("imgThirdF"), 7, 8, QStringLiteral("F"), 7);
    textMark(QStringLiteral("imgSubC"), 7, 8, QStringLiteral("C"), 7);
    textMark(QStringLiteral("imgSubF"), 7, 8, QStringLiteral("F"), 7);
    textMark(QStringLiteral("imgMAX"), 19, 7, QStringLiteral("MAX"), 7);
    textMark(QStringLiteral("imgMIN"), 17, 7, QStringLiteral("MIN"), 7);
    textMark(QStringLiteral("imgREL"), 24, 7, QStringLiteral("ΔREL"), 7);
    textMark(QStringLiteral("imgHOLD"), 8, 9, QStringLiteral("H"), 8, true);
    textMark(QStringLiteral("imgREC"), 18, 7, QStringLiteral("REC"), 7);
    textMark(QStringLiteral("imgy"), 6, 8, QStringLiteral("y"), 8);
    textMark(QStringLiteral("imgmd"), 14, 7, QStringLiteral("m-d"), 7);
    textMark(QStringLiteral("imghm"), 14, 7, QStringLiteral("h:m"), 7);
    textMark(QStringLiteral("imgT1"), 11, 7, QStringLiteral("T1"), 7);
    textMark(QStringLiteral("imgT2"), 11, 7, QStringLiteral("T2"), 7);
    textMark(QStringLiteral("imgT1_T2"), 24, 7, QStringLiteral("T1-T2"), 7);
    textMark(QStringLiteral("imgK"), 7, 7, QStringLiteral("K"), 7);
    art(QStringLiteral("imglbt"), 11, 6, [](QPainter &p) {
        // Battery.
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, 8, 5));
        p.fillRect(QRectF(9, 1.5, 1.5, 3), kInk);
        p.fillRect(QRectF(2, 2, 2, 2), kInk);
    });
    art(QStringLiteral("imgAutoOff"), 11, 9, [](QPainter &p) {
        // Automatic power-off: a small clock face.
        p.setPen(QPen(kInk, 1.2));
        p.drawEllipse(QRectF(1, 0.5, 8, 8));
        p.drawLine(QPointF(5, 4.5), QPointF(5, 2));
        p.drawLine(QPointF(5, 4.5), QPointF(7, 4.5));
    });
}

// --- the meter front ------------------------------------------------------

void key(QPainter &p, const QRect &r, const QString &label, const QColor &top = QColor(120, 128, 140),
         const QColor &bottom = QColor(70, 76, 86))
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    QPainterPath path;
    path.addRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.setPen(QPen(QColor(24, 26, 30), 1));
    p.setBrush(g);
    p.drawPath(path);
    p.setPen(QColor(255, 255, 255, 60));
    p.drawLine(r.left() + 6, r.top() + 2, r.right() - 6, r.top() + 2);
    if (!label.isEmpty()) {
        p.setPen(kKeyText);
        p.setFont(font(label.size() > 5 ? 8 : 9));
        p.drawText(r, Qt::AlignCenter, label);
    }
}

void caption(QPainter &p, int x, int y, int w, const QString &text, const QColor &c = QColor(250, 210, 70))
{
    p.setPen(c);
    p.setFont(font(7));
    p.drawText(QRect(x, y, w, 9), Qt::AlignCenter, text);
}

void powerSymbol(QPainter &p, const QRect &r)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(r).center();
    p.setPen(QPen(QColor(120, 230, 120), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), 120 * 16, 300 * 16);
    p.drawLine(QPointF(c.x(), c.y() - 8), QPointF(c.x(), c.y() - 1));
}

void face(QPainter &p, int w, int h)
{
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath holster;
    holster.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 20, 20);
    QLinearGradient hg(0, 0, w, 0);
    hg.setColorAt(0, kHolster.darker(115));
    hg.setColorAt(0.5, kHolster.lighter(110));
    hg.setColorAt(1, kHolster.darker(120));
    p.setPen(QPen(QColor(150, 110, 0), 1));
    p.setBrush(hg);
    p.drawPath(holster);

    QPainterPath body;
    body.addRoundedRect(QRectF(6.5, 8.5, w - 13, h - 17), 14, 14);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, kFace.lighter(120));
    bg.setColorAt(1, kFace.darker(115));
    p.setPen(QPen(QColor(20, 22, 26), 1));
    p.setBrush(bg);
    p.drawPath(body);
}

void meterFront()
{
    const int w = 145, h = 436;
    // The LCD window is drawn at the form's offsets: the image sits 2
    // pixels higher than the form's origin.
    const int dy = 2;
    art(QStringLiteral("Image1"), w, h, [&](QPainter &p) {
        face(p, w, h);

        // Maker's line above the type text.
        p.setPen(QColor(235, 235, 235));
        p.setFont(font(12));
        p.drawText(QRect(10, 20, w - 20, 18), Qt::AlignCenter, QStringLiteral("KV 48x"));

        // LCD window.
        QPainterPath bezel;
        bezel.addRoundedRect(QRectF(10, 64 + dy, 125, 88), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(16, 17, 20));
        p.drawPath(bezel);
        QLinearGradient glass(0, 68 + dy, 0, 148 + dy);
        glass.setColorAt(0, kLcd.lighter(104));
        glass.setColorAt(1, kLcd.darker(104));
        p.setBrush(glass);
        p.drawRoundedRect(QRectF(13, 67 + dy, 119, 82), 3, 3);

        // Keys (form coordinates + 2 for the image's offset).
        auto at = [](int x, int y, int kw, int kh) { return QRect(x, y + 2, kw, kh); };
        const QRect power = at(21, 189, 42, 28);
        key(p, power, QString(), QColor(90, 96, 106), QColor(50, 54, 60));
        powerSymbol(p, power);
        key(p, at(85, 185, 42, 28), QStringLiteral("MAX\nMIN"));
        key(p, at(17, 242, 44, 28), QStringLiteral("ΔREL"));
        caption(p, 17, 272 + dy, 44, QStringLiteral("CLOCK"));
        key(p, at(86, 243, 42, 28), QStringLiteral("HOLD"));
        caption(p, 86, 273 + dy, 42, QStringLiteral("INTV"));
        const QRect rec = at(23, 293, 48, 31);
        key(p, rec, QString());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 40, 40));
        p.drawEllipse(QPointF(rec.left() + 12, rec.center().y() + 0.5), 3.5, 3.5);
        p.setPen(kKeyText);
        p.setFont(font(9));
        p.drawText(rec.adjusted(14, 0, 0, 0), Qt::AlignCenter, QStringLiteral("REC"));
        key(p, at(78, 290, 51, 32), QStringLiteral("°C/°F"));

        // Range text and the input socket.
        p.setPen(QColor(235, 235, 235));
        p.setFont(font(8, false));
        p.drawText(QRect(10, 338, w - 20, 12), Qt::AlignCenter, QStringLiteral("-200°C ~ 1370°C"));
        p.drawText(QRect(10, 350, w - 20, 12), Qt::AlignCenter, QStringLiteral("-328°F ~ 2498°F"));
        p.setPen(QColor(250, 210, 70));
        p.setFont(font(8));
        p.drawText(QRect(10, 366, w - 20, 12), Qt::AlignCenter, QStringLiteral("DATA LOGGER"));
        p.setPen(QPen(QColor(20, 22, 26), 1));
        p.setBrush(QColor(30, 32, 36));
        p.drawRoundedRect(QRectF(34.5, 388.5, 76, 26), 4, 4);
        p.setBrush(QColor(200, 180, 60));
        p.drawRect(QRectF(52, 397, 10, 8));
        p.drawRect(QRectF(83, 397, 10, 8));
        p.setPen(QColor(200, 200, 200));
        p.setFont(font(6, false));
        p.drawText(QRect(34, 415, 76, 9), Qt::AlignCenter, QStringLiteral("INPUT  K"));
    }, Qt::white);

    // TYPE K THERMOMETER.
    art(QStringLiteral("imgtk"), 113, 22, [](QPainter &t) {
        t.setPen(QColor(240, 240, 240));
        QFont tf = font(8);
        tf.setLetterSpacing(QFont::AbsoluteSpacing, 0.2);
        t.setFont(tf);
        t.drawText(QRect(0, 0, 113, 22), Qt::AlignCenter, QStringLiteral("TYPE K THERMOMETER"));
    });

    // The two-channel meter's key pair TIME / HOLD with CLOCK / INTV, and
    // the patch of face it lies on.
    art(QStringLiteral("imgPartOf482"), 127, 50, [&](QPainter &q) {
        QLinearGradient bg(0, -232, 0, h - 232);
        bg.setColorAt(0, kFace.lighter(120));
        bg.setColorAt(1, kFace.darker(115));
        q.fillRect(QRect(0, 0, 127, 50), bg);
    });
    art(QStringLiteral("keypair482"), 123, 48, [&](QPainter &q) {
        key(q, QRect(6, 9 + dy, 44, 28), QStringLiteral("TIME"));
        caption(q, 6, 39 + dy, 44, QStringLiteral("CLOCK"));
        key(q, QRect(75, 10 + dy, 42, 28), QStringLiteral("HOLD"));
        caption(q, 75, 39 + dy, 42, QStringLiteral("INTV"));
    });
}

// --- tool-bar icons -------------------------------------------------------

QImage icon()
{
    return canvas(24, 24);
}

void icons()
{
    const QPen outline(QColor(40, 44, 52), 1.2);
    {
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(outline);
        p.setBrush(QColor(240, 196, 70));
        QPolygonF back;
        back << QPointF(2.5, 5.5) << QPointF(9, 5.5) << QPointF(11, 8) << QPointF(20.5, 8) << QPointF(20.5, 19.5)
             << QPointF(2.5, 19.5);
        p.drawPolygon(back);
        p.setBrush(QColor(252, 220, 110));
        QPolygonF front;
        front << QPointF(5, 11) << QPointF(22.5, 11) << QPointF(20.5, 19.5) << QPointF(2.5, 19.5);
        p.drawPolygon(front);
        p.end();
        save(img, QStringLiteral("open.png"));
    }
    {
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(outline);
        p.setBrush(QColor(60, 110, 190));
        p.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
        p.setBrush(QColor(235, 238, 245));
        p.drawRect(QRectF(7, 3.5, 10, 6));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(6.5, 13, 11, 7.5));
        p.fillRect(QRectF(13, 4.5, 2, 4), QColor(60, 110, 190));
        p.end();
        save(img, QStringLiteral("save.png"));
    }
    {
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(outline);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 2.5, 10, 7));
        p.setBrush(QColor(150, 156, 166));
        p.drawRoundedRect(QRectF(2.5, 8.5, 19, 8), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 14, 11, 7.5));
        p.setPen(QColor(120, 120, 120));
        p.drawLine(QPointF(8.5, 17), QPointF(15.5, 17));
        p.drawLine(QPointF(8.5, 19), QPointF(13.5, 19));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(80, 200, 80));
        p.drawEllipse(QPointF(18.5, 11), 1, 1);
        p.end();
        save(img, QStringLiteral("print.png"));
    }
    {
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(20, 110, 30), 1.2));
        p.setBrush(QColor(60, 180, 70));
        QPolygonF tri;
        tri << QPointF(6.5, 4) << QPointF(20, 12) << QPointF(6.5, 20);
        p.drawPolygon(tri);
        p.end();
        save(img, QStringLiteral("run.png"));
    }
    {
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(140, 20, 20), 1.2));
        p.setBrush(QColor(210, 50, 50));
        p.drawRoundedRect(QRectF(5.5, 5.5, 13, 13), 1.5, 1.5);
        p.end();
        save(img, QStringLiteral("stop.png"));
    }
    {
        // Data logger: the meter with its memory coming down.
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(outline);
        p.setBrush(kHolster);
        p.drawRoundedRect(QRectF(3.5, 1.5, 11, 20), 2.5, 2.5);
        p.setBrush(kLcd);
        p.drawRect(QRectF(5.5, 4, 7, 5));
        p.setBrush(QColor(90, 96, 106));
        p.drawRect(QRectF(6, 11.5, 2.5, 2));
        p.drawRect(QRectF(10, 11.5, 2.5, 2));
        p.setPen(QPen(QColor(30, 100, 200), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(19, 6), QPointF(19, 18));
        p.drawLine(QPointF(15.5, 14.5), QPointF(19, 18));
        p.drawLine(QPointF(22.5, 14.5), QPointF(19, 18));
        p.end();
        save(img, QStringLiteral("datalogger.png"));
    }
    {
        // Clear and reset graph: a curve with an eraser.
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(40, 44, 52), 1.2));
        p.drawLine(QPointF(2.5, 2), QPointF(2.5, 21.5));
        p.drawLine(QPointF(2.5, 21.5), QPointF(22, 21.5));
        p.setPen(QPen(QColor(40, 90, 200), 1.5));
        QPainterPath curve(QPointF(4, 17));
        curve.cubicTo(QPointF(8, 4), QPointF(11, 16), QPointF(14, 8));
        p.drawPath(curve);
        p.translate(17, 14);
        p.rotate(-35);
        p.setPen(outline);
        p.setBrush(QColor(240, 120, 140));
        p.drawRect(QRectF(-6, -3.5, 8, 7));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(2, -3.5, 4, 7));
        p.end();
        save(img, QStringLiteral("clear.png"));
    }
    {
        // Output data to graph: a table and a chart.
        QImage img = icon();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(outline);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 3.5, 9, 12));
        for (int y = 7; y < 15; y += 3)
            p.drawLine(QPointF(1.5, y + 0.5), QPointF(10.5, y + 0.5));
        p.drawLine(QPointF(5.5, 3.5), QPointF(5.5, 15.5));
        p.setBrush(QColor(245, 248, 255));
        p.drawRect(QRectF(12.5, 8.5, 10, 12));
        p.setPen(QPen(QColor(210, 40, 40), 1.4));
        p.drawPolyline(QPolygonF({QPointF(13.5, 18), QPointF(16, 13), QPointF(18.5, 15), QPointF(21.5, 10)}));
        p.setPen(QPen(QColor(40, 90, 200), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7, 19), QPointF(11, 19));
        p.drawLine(QPointF(9, 17), QPointF(11, 19));
        p.drawLine(QPointF(9, 21), QPointF(11, 19));
        p.end();
        save(img, QStringLiteral("tograph.png"));
    }
    {
        // The program's own icon: the meter.
        QImage img = canvas(64, 64);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(150, 110, 0), 1.5));
        p.setBrush(kHolster);
        p.drawRoundedRect(QRectF(14, 2, 36, 60), 8, 8);
        p.setBrush(kFace);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(17, 5, 30, 54), 6, 6);
        p.setBrush(kLcd);
        p.drawRoundedRect(QRectF(20, 10, 24, 16), 2, 2);
        p.setPen(kInk);
        p.setFont(font(11));
        p.drawText(QRectF(20, 10, 24, 16), Qt::AlignCenter, QStringLiteral("23.5"));
        p.setBrush(QColor(120, 128, 140));
        p.setPen(Qt::NoPen);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c)
                p.drawRoundedRect(QRectF(21 + c * 12, 31 + r * 9, 10, 6), 2, 2);
        p.end();
        save(img, QStringLiteral("kv481.png"));
    }
}

} // namespace

void printOptionArt(const QString &resources); // PrintArt.cpp

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-artwork <resources folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(root + QStringLiteral("/panel"));
    QDir().mkpath(root + QStringLiteral("/icons"));
    g_out = root + QStringLiteral("/panel");
    glyphs();
    marks();
    meterFront();
    g_out = root + QStringLiteral("/icons");
    icons();
    QDir().mkpath(root + QStringLiteral("/datalogger"));
    drawUnitIcons(root + QStringLiteral("/datalogger"));
    printOptionArt(root);
    return 0;
}
