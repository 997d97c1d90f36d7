#pragma once
// The virtual front panel: a picture of the meter whose LCD shows the latest
// reading and whose pictured keys work the meter.

#include "panel/PanelState.h"

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QVector>
#include <QWidget>

#include <array>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace kv {

class MeterLink;

// A transparent area over a pictured key; darkens while pressed.
class KeyArea : public QWidget
{
    Q_OBJECT
public:
    explicit KeyArea(QWidget *parent = nullptr);
    bool isDown() const { return m_down; }

Q_SIGNALS:
    void pressed();  // any mouse button
    void released(); // any mouse button
    void clicked();  // the left button released over the key

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    // Space or Enter press and release the key as the mouse does.
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    bool m_down = false;
};

// A picture on the panel. It shows its pixmap like any label, and where the
// screen has more than one device pixel per pixel it draws the sharper
// copy at twice the resolution in the same place instead.
class LcdPicture : public QLabel
{
public:
    explicit LcdPicture(QWidget *parent = nullptr);
    void setPixmaps(const QPixmap &normal, const QPixmap &sharp);

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    QPixmap m_sharp;
};

class TfrmPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 146;
    static constexpr int kHeight = 434;

    // glyphs: the 25 LCD bitmaps, main display glyphs 0-11 then small 0-12.
    TfrmPanel(const QVector<QPixmap> &glyphs, MeterLink *link, QWidget *parent = nullptr);

    void applyModelLayout(int model);
    void applyFrame(const Reading &previous, const Reading &current, int model);
    void setNoConnection(bool shown);
    // A red frame around a display (0 main, 1 third, 2 sub) while an alarm
    // of the channel it shows lasts.
    void setAlarmFrame(int display, bool on);
    bool alarmFramed(int display) const;

    const PanelState &state() const { return m_state; }
    QLabel *mark(Mark m) const { return m_marks[static_cast<int>(m)]; }
    // The glyph code a digit image holds: display 0 main, 1 third, 2 sub.
    int digitCode(int display, int place) const;

    // The window that moves and closes: the multiple-document frame around
    // the panel, or the panel itself when it has no frame.
    QWidget *frameWidget();
    // Whether the panel keeps its frame above the other windows of the
    // multiple-document area; the menu's check mark shows the same.
    bool stayOnTop() const { return m_stayOnTop; }
    void setStayOnTop(bool on);

    KeyArea *btnClose;
    KeyArea *btnMMA;
    KeyArea *btnREL;
    KeyArea *btnHOLD;
    KeyArea *btnTT;
    KeyArea *btnCF;
    QAction *Stayontop1;

public Q_SLOTS:
    void btnCloseClick();
    void Stayontop1Click();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    void followFrame();
    // The ΔREL key of the model 481 is the TIME key of the model 482.
    void setRelativeKeyHint(int model);
    void watchSibling(QObject *o);
    void keepOnTop();
    bool dragPicture(QEvent *event);
    void render();
    QLabel *picture(const char *name, const QString &resource, int x, int y);
    KeyArea *keyArea(const char *name, int x, int y, int w, int h);
    QPixmap glyph(const QVector<QPixmap> &table, bool small, int code) const;

    QVector<QPixmap> m_glyphs;
    QVector<QPixmap> m_sharpGlyphs;
    QPointer<MeterLink> m_link;
    PanelState m_state;
    LcdPicture *Image1;
    std::array<QLabel *, kMarkCount> m_marks{};
    std::array<std::array<LcdPicture *, 4>, 3> m_digits{};
    std::array<std::array<int, 4>, 3> m_shownCodes{};
    std::array<QLabel *, 3> m_alarmFrames{};
    QMenu *m_menu;
    bool m_stayOnTop = false;
    // Held as plain widgets: events reach the filter while the area and
    // its frames are being destroyed, when they are no longer of their
    // own classes.
    QPointer<QWidget> m_frame;
    QPointer<QObject> m_area;
    QPointer<QWidget> m_viewport;
    QPoint m_dragStart;
    QPoint m_frameStart;
    bool m_dragging = false;
};

} // namespace kv
