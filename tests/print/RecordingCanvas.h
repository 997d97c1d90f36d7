#pragma once
// A page canvas that keeps every call, split into pages, for tests to read
// the printed form back.

#include "print/PageCanvas.h"

#include <QVector>

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
        // The texts printed at height y.
        QVector<Text> row(int y) const
        {
            QVector<Text> out;
            for (const Text &t : texts)
                if (t.y == y)
                    out << t;
            return out;
        }
    };

    QVector<Page> pages{Page()};
    bool failNewPage = false;

    void setPenWidth(int width) override { m_pen = width; }
    void setFont(const QFont &font) override { m_font = font; }
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
