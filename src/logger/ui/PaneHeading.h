#pragma once
// A heading over one pane of the data-logger window that works as the
// pane's tab: the active one is white on blue, the others plain. It takes
// the keyboard focus and answers Space and Enter as a click.

#include <QLabel>

namespace kv {

class PaneHeading : public QLabel
{
    Q_OBJECT
public:
    explicit PaneHeading(const QString &text, QWidget *parent = nullptr);

    void setActive(bool active);
    bool isActive() const { return m_active; }

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_active = false;
};

} // namespace kv
