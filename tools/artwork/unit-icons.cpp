#include "unit-icons.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

constexpr int kWidth = 26;
constexpr int kHeight = 22;

// One mark at the size it has in the window (scale 1) or twice that.
QImage unitMark(QChar unit, const QColor &ink, int scale)
{
    QImage img(kWidth * scale, kHeight * scale, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);

    // The degree sign as a ring, so it sits at cap height in every font.
    QPen ring(ink, 1.6);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(3.2, 4.2, 4.6, 4.6));

    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(15);
    f.setBold(true);
    f.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(f);
    p.setPen(ink);
    p.drawText(QRectF(9, 1, kWidth - 10, kHeight - 2), Qt::AlignLeft | Qt::AlignVCenter, QString(unit));
    p.end();
    return img;
}

} // namespace

void drawUnitIcons(const QString &folder)
{
    const QColor yellow(255, 255, 0);
    const QColor red(255, 0, 0);
    const struct
    {
        const char *name;
        QChar unit;
        QColor ink;
    } marks[] = {{"imgCY", QLatin1Char('C'), yellow},
                 {"imgFY", QLatin1Char('F'), yellow},
                 {"imgCR", QLatin1Char('C'), red},
                 {"imgFR", QLatin1Char('F'), red}};
    for (const auto &m : marks) {
        for (int scale : {1, 2}) {
            const QString path = folder + QLatin1Char('/') + QLatin1String(m.name)
                + (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
            if (!unitMark(m.unit, m.ink, scale).save(path))
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        }
    }
}
