// Pictures of a chart: PNG, SVG and vector PDF of what it shows, drawn by
// the plot itself at the size asked for.

#include "views/Chart.h"

#include "common/SafeFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include <cmath>

namespace kv {

// The cursor line's label is for the screen (it names the reading under
// the cursor): a picture leaves it out, the line itself stays.
class Chart::PictureScope
{
public:
    explicit PictureScope(const Chart &chart)
        : m_cells(chart)
    {
        for (QCPAbstractItem *item : chart.m_lineItems)
            if (qobject_cast<QCPItemText *>(item) && item->visible()) {
                item->setVisible(false);
                m_hidden << item;
            }
    }
    ~PictureScope()
    {
        for (QCPAbstractItem *item : std::as_const(m_hidden))
            item->setVisible(true);
    }
    PictureScope(const PictureScope &) = delete;
    PictureScope &operator=(const PictureScope &) = delete;

private:
    EveryCell m_cells;
    QList<QCPAbstractItem *> m_hidden;
};

namespace {

// The chart's own size where none is asked for; a plot never shown keeps
// its first viewport.
QSize pictureSize(const QCustomPlot *plot, QSize size)
{
    if (size.width() > 0 && size.height() > 0)
        return size;
    const QSize own = plot->isVisible() ? plot->size() : plot->viewport().size();
    return own.isValid() && !own.isEmpty() ? own : QSize(640, 480);
}

// The most pixels a drawn picture may have: 64 million take 256 MB, and a
// larger one (8000 by 8000 drawn twice for print) could exhaust memory.
constexpr qint64 kMaxPicturePixels = 64000000;

QSize pixelsOf(QSize size, double scale)
{
    const double k = scale > 0 ? scale : 1.0;
    return QSize(int(std::ceil(size.width() * k)), int(std::ceil(size.height() * k)));
}

bool tooLarge(QSize pixels)
{
    return qint64(pixels.width()) * pixels.height() > kMaxPicturePixels;
}

} // namespace

Chart::PictureFormat Chart::pictureFormatFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("svg"))
        return PictureFormat::Svg;
    if (suffix == QLatin1String("pdf"))
        return PictureFormat::Pdf;
    return PictureFormat::Png;
}

QImage Chart::pictureImage(QSize size, double scale) const
{
    const QSize s = pictureSize(m_plot, size);
    if (tooLarge(pixelsOf(s, scale)))
        return QImage();
    PictureScope scope(*this);
    return m_plot->toPixmap(s.width(), s.height(), scale > 0 ? scale : 1.0).toImage();
}

QByteArray Chart::picture(PictureFormat format, QSize size, double scale) const
{
    const QSize s = pictureSize(m_plot, size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Png: {
        const QImage image = pictureImage(s, scale);
        image.save(&buffer, "PNG");
        break;
    }
    case PictureFormat::Svg: {
        PictureScope scope(*this);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(s);
        svg.setViewBox(QRect(QPoint(0, 0), s));
        svg.setResolution(kPrintResolution);
        svg.setTitle(m_c.look.mainTitle);
        svg.setDescription(QStringLiteral("KV481 graph"));
        QCPPainter painter;
        if (!painter.begin(&svg))
            return QByteArray();
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        m_plot->toPainter(&painter, s.width(), s.height());
        painter.end();
        break;
    }
    case PictureFormat::Pdf: {
        PictureScope scope(*this);
        QPdfWriter pdf(&buffer);
        pdf.setCreator(QStringLiteral("KV481"));
        pdf.setTitle(m_c.look.mainTitle);
        // One page the chart's size: pixels at the screen's resolution,
        // so its texts keep the size they have on screen.
        pdf.setResolution(kPrintResolution);
        const QSizeF points(s.width() * 72.0 / kPrintResolution, s.height() * 72.0 / kPrintResolution);
        pdf.setPageLayout(QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                      QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QCPPainter painter;
        if (!painter.begin(&pdf))
            return QByteArray();
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        m_plot->toPainter(&painter, s.width(), s.height());
        painter.end();
        break;
    }
    }
    return bytes;
}

bool Chart::exportPicture(const QString &path, PictureFormat format, QSize size, double scale, QString *error) const
{
    if (format == PictureFormat::Png) {
        const QSize pixels = pixelsOf(pictureSize(m_plot, size), scale);
        if (tooLarge(pixels)) {
            if (error)
                *error = QStringLiteral("A picture of %1 by %2 pixels is too large; choose a smaller size "
                                        "(at most %3 million pixels).")
                             .arg(pixels.width())
                             .arg(pixels.height())
                             .arg(kMaxPicturePixels / 1000000);
            return false;
        }
    }
    const QByteArray bytes = picture(format, size, scale);
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("The picture could not be drawn.");
        return false;
    }
    return SafeFile::writeWhole(path, bytes, error);
}

} // namespace kv
