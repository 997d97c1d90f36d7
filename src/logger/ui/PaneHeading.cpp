#include "logger/ui/PaneHeading.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace kv {

PaneHeading::PaneHeading(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setAccessibleName(text);
    setAccessibleDescription(QStringLiteral("Pane tab; press Space to make it the active pane"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMargin(3);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    setActive(false);
}

void PaneHeading::setActive(bool active)
{
    m_active = active;
    QPalette p = palette();
    const QPalette system;
    p.setColor(QPalette::Window, active ? QColor(0, 0, 255) : system.color(QPalette::Button));
    p.setColor(QPalette::WindowText, active ? QColor(255, 255, 255) : system.color(QPalette::WindowText));
    setPalette(p);
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent ev(this, changed);
    QAccessible::updateAccessibility(&ev);
}

void PaneHeading::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
    QLabel::mousePressEvent(event);
}

void PaneHeading::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT clicked();
        event->accept();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void PaneHeading::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter p(this);
    QStyleOptionFocusRect o;
    o.initFrom(this);
    o.rect = rect().adjusted(1, 1, -1, -1);
    o.backgroundColor = palette().color(QPalette::Window);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
}

} // namespace kv
