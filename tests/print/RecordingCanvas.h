#pragma once
// A page canvas that keeps every call, split into pages, for tests to read
// the printed form back. It measures texts with the fonts' real metrics at
// 600 dots per inch, as the printer sees them.

#include "print/PageCanvas.h"

#include <QFontMetricsF>
#include <QImage>
#include <QVector>

#include <algorithm>

namespace kv::test {

class RecordingCanvas final : public PageCanvas
{
public:
    struct Line
    {
        int x1, y1, x2, y2, pen;
    };
    struct Text
    {
        int x, y;
        QString text;
        QFont font;
    };
    struct Page
    {
        QVector<QRect> frames; // rectangles, as (left, top)-(right, bottom)
        QVector<int> framePens;
        QVector<Line> lines;
        QVector<Text> texts;
        // The texts whose tops lie from top up to (not including) bottom,
        // in the order they were printed.
        QVector<Text> within(int top, int bottom) const
        {
            QVector<Text> out;
            for (const Text &t : texts)
                if (t.y >= top && t.y < bottom)
                    out << t;
            return out;
        }
    };

    // The room text takes in font on a 600-dot-per-inch page.
    static TextBox measureIn(const QFont &font, const QString &text)
    {
        static const QImage page = [] {
            QImage img(1, 1, QImage::Format_RGB32);
            img.setDotsPerMeterX(qRound(600 / 0.0254));
            img.setDotsPerMeterY(qRound(600 / 0.0254));
            return img;
        }();
        const QFontMetricsF fm(font, &page);
        const qreal width = text.isEmpty() ? 0.0 : std::max(fm.horizontalAdvance(text), fm.boundingRect(text).right());
        return {width, fm.ascent(), fm.descent()};
    }

    QVector<Page> pages{Page()};
    bool failNewPage = false;

    void setPenWidth(int width) override { m_pen = width; }
    void setFont(const QFont &font) override { m_font = font; }
    TextBox measure(const QString &text) const override { return measureIn(m_font, text); }
    void rectangle(int left, int top, int right, int bottom) override
    {
        pages.last().frames << QRect(QPoint(left, top), QPoint(right, bottom));
        pages.last().framePens << m_pen;
    }
    void line(int x1, int y1, int x2, int y2) override { pages.last().lines << Line{x1, y1, x2, y2, m_pen}; }
    void text(int x, int y, const QString &text) override { pages.last().texts << Text{x, y, text, m_font}; }
    bool newPage() override
    {
        if (failNewPage)
            return false;
        pages << Page();
        return true;
    }

private:
    int m_pen = 1;
    QFont m_font;
};

} // namespace kv::test
