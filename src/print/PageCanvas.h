#pragma once
// The surface a printed table is drawn on. Coordinates are whole units of
// 1/600 inch from the top left corner of the page's printable area; every
// page keeps the same size on any printer.

#include <QFont>
#include <QString>

namespace kv {

// The room a text takes in a font, in units: its width from its left edge
// to where its last glyph ends, and the font's ascent and descent, so a text
// placed at top y stands between y and y + height().
struct TextBox
{
    qreal width = 0;
    qreal ascent = 0;
    qreal descent = 0;
    qreal height() const { return ascent + descent; }
};

class PageCanvas
{
public:
    virtual ~PageCanvas();

    // The width of the pen for the rectangles and lines that follow.
    virtual void setPenWidth(int width) = 0;
    // The font for the texts that follow; its point size is its size on paper.
    virtual void setFont(const QFont &font) = 0;
    // The room text takes in the current font, as it will be drawn.
    virtual TextBox measure(const QString &text) const = 0;
    // The outline of a rectangle, never filled.
    virtual void rectangle(int left, int top, int right, int bottom) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    // A text whose top left corner is (x, y); it is neither clipped nor wrapped.
    virtual void text(int x, int y, const QString &text) = 0;
    // Ends the current page and starts the next; false when the device
    // could not start one.
    virtual bool newPage() = 0;
};

} // namespace kv
