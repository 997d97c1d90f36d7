// The two pictures of the print option dialog: a printed graph above
// "Print Graph" and a printed table above "Print Text". Each is written at
// its size on the form (120 x 90) and at twice that for high-density screens.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kW = 120, kH = 90;

void writeBoth(const QString &folder, const QString &name, const std::function<void(QPainter &)> &draw)
{
    for (int scale : {1, 2}) {
        QImage img(kW * scale, kH * scale, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        draw(p);
        p.end();
        const QString path = folder + QLatin1Char('/') + name + (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
        if (!img.save(path))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

// A sheet of paper with a folded corner and a soft shadow.
void sheet(QPainter &p)
{
    const QRectF page(24.5, 4.5, 70, 81);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRect(page.translated(2.5, 2.5));
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - 12, page.top());
    outline.lineTo(page.right(), page.top() + 12);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(90, 96, 104), 1));
    p.drawPath(outline);
    QPainterPath fold;
    fold.moveTo(page.right() - 12, page.top());
    fold.lineTo(page.right() - 12, page.top() + 12);
    fold.lineTo(page.right(), page.top() + 12);
    p.setBrush(QColor(220, 224, 230));
    p.drawPath(fold);
}

void graphPicture(QPainter &p)
{
    sheet(p);
    const QRectF plot(33, 18, 52, 52);
    p.setPen(QPen(QColor(215, 220, 228), 0.8));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(QPointF(plot.left(), plot.top() + i * plot.height() / 4),
                   QPointF(plot.right(), plot.top() + i * plot.height() / 4));
        p.drawLine(QPointF(plot.left() + i * plot.width() / 4, plot.top()),
                   QPointF(plot.left() + i * plot.width() / 4, plot.bottom()));
    }
    p.setPen(QPen(QColor(50, 54, 60), 1.2));
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    const auto curve = [&](double phase, double level, double amp, const QColor &c) {
        QPainterPath path;
        for (int i = 0; i <= 26; ++i) {
            const double x = plot.left() + i * plot.width() / 26;
            const double y = plot.top() + plot.height() * (level - amp * std::sin(i * 0.32 + phase));
            i == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
        }
        p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    };
    curve(0.0, 0.40, 0.22, QColor(200, 40, 40));
    curve(1.4, 0.66, 0.16, QColor(30, 90, 200));
}

void textPicture(QPainter &p)
{
    sheet(p);
    const double left = 31, right = 82, top = 17, rowH = 6.2;
    const int rows = 10;
    const double bottom = top + rowH * (rows + 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 44, 50), 1.2));
    p.drawRect(QRectF(left, top, right - left, bottom - top));
    p.setPen(QPen(QColor(40, 44, 50), 0.6));
    p.drawLine(QPointF(left, top + rowH - 0.8), QPointF(right, top + rowH - 0.8));
    p.drawLine(QPointF(left, top + rowH + 0.4), QPointF(right, top + rowH + 0.4));
    p.setPen(QPen(QColor(150, 156, 166), 0.5));
    for (int r = 2; r <= rows; ++r)
        p.drawLine(QPointF(left, top + r * rowH), QPointF(right, top + r * rowH));
    const double cols[] = {left, 38, 52, 64, 73, right};
    for (int c = 1; c < 5; ++c)
        p.drawLine(QPointF(cols[c], top), QPointF(cols[c], bottom));
    // Titles in black, the data rows' texts in grey, as short strokes.
    for (int r = 0; r <= rows; ++r) {
        const double y = top + r * rowH + rowH / 2;
        p.setPen(QPen(r == 0 ? QColor(20, 20, 20) : QColor(110, 116, 126), r == 0 ? 1.6 : 1.1,
                      Qt::SolidLine, Qt::RoundCap));
        for (int c = 0; c < 5; ++c) {
            const double w = (cols[c + 1] - cols[c]) - 3.5 - ((r + c) % 3);
            p.drawLine(QPointF(cols[c] + 1.8, y), QPointF(cols[c] + 1.8 + std::max(1.0, w), y));
        }
    }
}

} // namespace

void printOptionArt(const QString &resources)
{
    const QString folder = resources + QStringLiteral("/print");
    QDir().mkpath(folder);
    writeBoth(folder, QStringLiteral("graph"), graphPicture);
    writeBoth(folder, QStringLiteral("text"), textPicture);
}
