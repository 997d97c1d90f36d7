#pragma once
// A one-line label whose text is shortened in the middle ("…") to the room
// the status bar gives it, instead of widening the window; the whole text
// is in its tip and its accessible description.

#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace kv {

class ElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;

    void setFullText(const QString &text)
    {
        setText(text);
        setToolTip(text);
        setAccessibleDescription(text);
        update();
    }
    QSize minimumSizeHint() const override { return QSize(fontMetrics().averageCharWidth() * 20, QLabel::minimumSizeHint().height()); }
    QSize sizeHint() const override { return minimumSizeHint().expandedTo(QSize(0, QLabel::sizeHint().height())); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect r = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width());
        style()->drawItemText(&p, r, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown, foregroundRole());
    }
};

} // namespace kv
