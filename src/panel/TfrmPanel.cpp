#include "panel/TfrmPanel.h"

#include "link/MeterLink.h"
#include "panel/Artwork.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QKeyEvent>
#include <QFocusEvent>
#include <QPen>
#include <QPainter>

namespace kv {

KeyArea::KeyArea(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

namespace {
bool isPressKey(const QKeyEvent *e)
{
    return e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}
} // namespace

void KeyArea::keyPressEvent(QKeyEvent *e)
{
    if (!isPressKey(e)) {
        QWidget::keyPressEvent(e);
        return;
    }
    if (!e->isAutoRepeat() && !m_down) {
        m_down = true;
        update();
        Q_EMIT pressed();
    }
    e->accept();
}

void KeyArea::keyReleaseEvent(QKeyEvent *e)
{
    if (!isPressKey(e) || e->isAutoRepeat()) {
        QWidget::keyReleaseEvent(e);
        return;
    }
    if (m_down) {
        m_down = false;
        update();
        Q_EMIT released();
        Q_EMIT clicked();
    }
    e->accept();
}

void KeyArea::focusInEvent(QFocusEvent *e)
{
    update();
    QWidget::focusInEvent(e);
}

void KeyArea::focusOutEvent(QFocusEvent *e)
{
    // A key let go by leaving it does not count as a press.
    if (m_down) {
        m_down = false;
        Q_EMIT released();
    }
    update();
    QWidget::focusOutEvent(e);
}

void KeyArea::mousePressEvent(QMouseEvent *e)
{
    m_down = true;
    update();
    Q_EMIT pressed();
    e->accept();
}

void KeyArea::mouseReleaseEvent(QMouseEvent *e)
{
    const bool wasDown = m_down;
    m_down = false;
    update();
    Q_EMIT released();
    if (wasDown && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        Q_EMIT clicked();
    e->accept();
}

void KeyArea::paintEvent(QPaintEvent *)
{
    if (!m_down && !hasFocus())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_down) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    }
    if (hasFocus()) {
        // Where the keyboard is, for a user without a mouse.
        p.setPen(QPen(QColor(40, 120, 230), 2, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    }
}

LcdPicture::LcdPicture(QWidget *parent)
    : QLabel(parent)
{
}

void LcdPicture::setPixmaps(const QPixmap &normal, const QPixmap &sharp)
{
    m_sharp = sharp;
    setPixmap(normal);
}

void LcdPicture::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    // The scale from form pixels to device pixels: the screen's ratio, or
    // the target's when the panel is rendered into an image.
    const qreal scale = p.deviceTransform().m11();
    if (scale <= 1.0 || m_sharp.isNull()) {
        p.end();
        QLabel::paintEvent(e);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, !qFuzzyCompare(scale, m_sharp.devicePixelRatio()));
    p.drawPixmap(QRectF(QPointF(0, 0), m_sharp.deviceIndependentSize()), m_sharp, QRectF(m_sharp.rect()));
}

namespace {
struct Place
{
    Mark mark;
    int x, y;
};
// Where each mark lies over the LCD.
const Place kPlaces[] = {
    {Mark::imgtk, 17, 48},          {Mark::imgPartOf482, 8, 232}, {Mark::imgSpec482, 11, 233},
    {Mark::MainMinus, 22, 99},      {Mark::imgPoint, 76, 106},    {Mark::imgThirdMinus, 17, 130},
    {Mark::imgThirdPoint, 52, 135}, {Mark::imgSubMinus, 71, 129}, {Mark::imgSubPoint, 105, 135},
    {Mark::imgdash, 41, 130},       {Mark::imgCOL, 94, 124},      {Mark::imguC, 117, 89},
    {Mark::imguF, 117, 102},        {Mark::imgThirdC, 62, 122},   {Mark::imgThirdF, 63, 131},
    {Mark::imgSubC, 117, 122},      {Mark::imgSubF, 117, 130},    {Mark::imgMAX, 83, 75},
    {Mark::imgMIN, 110, 75},        {Mark::imgREL, 51, 75},       {Mark::imgHOLD, 42, 73},
    {Mark::imglbt, 18, 77},         {Mark::imgAutoOff, 28, 72},   {Mark::imgREC, 94, 88},
    {Mark::imgy, 98, 99},           {Mark::imgmd, 17, 111},       {Mark::imghm, 82, 111},
    {Mark::imgT1, 17, 87},          {Mark::imgT2, 106, 115},      {Mark::imgT1_T2, 36, 114},
    {Mark::imgK, 18, 103},
};
const int kMainLefts[4] = {30, 46, 62, 80};
const int kThirdLefts[4] = {23, 33, 45, 55};
const int kSubLefts[4] = {77, 86, 97, 108};
} // namespace

TfrmPanel::TfrmPanel(const QVector<QPixmap> &glyphs, MeterLink *link, QWidget *parent)
    : QWidget(parent)
    , m_glyphs(glyphs)
    , m_sharpGlyphs(loadGlyphs(2.0))
    , m_link(link)
{
    ensureArtwork();
    setObjectName(QStringLiteral("TfrmPanel"));
    setWindowTitle(QStringLiteral("PANEL"));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAttribute(Qt::WA_DeleteOnClose);

    Image1 = new LcdPicture(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmaps(loadArtwork(QStringLiteral(":/panel/Image1")), loadArtwork(QStringLiteral(":/panel/Image1"), 2.0));
    Image1->setGeometry(0, -2, 145, 436);
    Image1->installEventFilter(this);

    // Marks are drawn in this order, so the two-channel key pair lies on its
    // patch of face and everything else over the LCD.
    for (const Place &p : kPlaces) {
        const char *name = markName(p.mark);
        m_marks[static_cast<int>(p.mark)] =
            picture(name, QStringLiteral(":/panel/") + QLatin1String(name), p.x, p.y);
    }
    for (int d = 0; d < 3; ++d) {
        for (int i = 0; i < 4; ++i) {
            auto *l = new LcdPicture(this);
            const char *prefix = d == 0 ? "MainD" : d == 1 ? "ThirdD" : "SubD";
            l->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i + 1));
            if (d == 0)
                l->setGeometry(kMainLefts[i], 88, 14, 24);
            else
                l->setGeometry(d == 1 ? kThirdLefts[i] : kSubLefts[i], 124, 8, 14);
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
            l->hide();
            m_digits[d][i] = l;
            m_shownCodes[d][i] = -1;
        }
    }
    // The channel labels lie outside the client area, as on the form.
    auto *t1 = new QLabel(QStringLiteral("T1"), this);
    t1->setObjectName(QStringLiteral("lblt1"));
    t1->move(370, 24);
    auto *t2 = new QLabel(QStringLiteral("T2"), this);
    t2->setObjectName(QStringLiteral("lblt2"));
    t2->move(378, 128);
    m_marks[static_cast<int>(Mark::lblt1)] = t1;
    m_marks[static_cast<int>(Mark::lblt2)] = t2;

    auto *noLink = new QLabel(QStringLiteral("No Connection"), this);
    noLink->setObjectName(QStringLiteral("lblnolink"));
    noLink->setGeometry(18, 72, 105, 20);
    noLink->setAlignment(Qt::AlignCenter);
    QFont f = noLink->font();
    f.setBold(true);
    f.setPixelSize(12);
    noLink->setFont(f);
    noLink->setStyleSheet(QStringLiteral("color: red; background: rgba(196, 206, 180, 220);"));
    m_marks[static_cast<int>(Mark::lblnolink)] = noLink;

    btnClose = keyArea("btnClose", 21, 189, 42, 28);
    btnClose->setToolTip(QStringLiteral("Close PANEL"));
    btnMMA = keyArea("btnMMA", 85, 185, 42, 28);
    btnMMA->setToolTip(QStringLiteral("single click to change AVG/MAX/MIN mode, mouse down 2 seconds  to cancel ."));
    btnREL = keyArea("btnREL", 17, 242, 44, 28);
    btnHOLD = keyArea("btnHOLD", 86, 243, 42, 28);
    btnTT = keyArea("btnTT", 23, 293, 48, 31);
    btnCF = keyArea("btnCF", 78, 290, 51, 32);
    btnClose->setAccessibleName(QStringLiteral("Power: close the panel"));
    btnMMA->setAccessibleName(QStringLiteral("MAX MIN"));
    btnHOLD->setAccessibleName(QStringLiteral("HOLD"));
    btnTT->setAccessibleName(QStringLiteral("REC"));
    btnCF->setAccessibleName(QStringLiteral("Celsius / Fahrenheit"));
    // Each key says what it does on the meter; ΔREL or TIME follows the model.
    btnHOLD->setToolTip(QStringLiteral("HOLD: freeze the meter's display, or let it go on"));
    btnTT->setToolTip(QStringLiteral("REC: start or stop recording into the meter's own memory"));
    btnCF->setToolTip(QStringLiteral("\u00B0C/\u00B0F: show the readings in the other unit"));
    setRelativeKeyHint(481);
    for (KeyArea *k : {btnMMA, btnREL, btnHOLD, btnTT, btnCF, btnClose})
        k->setAccessibleDescription(k->toolTip());

    connect(btnClose, &KeyArea::clicked, this, &TfrmPanel::btnCloseClick);
    if (m_link) {
        connect(btnREL, &KeyArea::clicked, m_link, &MeterLink::pressRel);
        connect(btnHOLD, &KeyArea::clicked, m_link, &MeterLink::pressHold);
        connect(btnTT, &KeyArea::clicked, m_link, &MeterLink::pressTT);
        connect(btnCF, &KeyArea::clicked, m_link, &MeterLink::pressCF);
        connect(btnMMA, &KeyArea::pressed, m_link, &MeterLink::pressMma);
        connect(btnMMA, &KeyArea::released, m_link, &MeterLink::releaseMma);
    }

    m_menu = new QMenu(this);
    Stayontop1 = m_menu->addAction(QStringLiteral("&Stay on top"));
    Stayontop1->setObjectName(QStringLiteral("Stayontop1"));
    Stayontop1->setCheckable(true);
    // Clear at creation: an ordinary child that covers nothing the user
    // opens after it. Choosing the item flips the mark; the panel follows
    // the mark.
    Stayontop1->setChecked(false);
    connect(Stayontop1, &QAction::toggled, this, &TfrmPanel::setStayOnTop);

    render();
}

QLabel *TfrmPanel::picture(const char *name, const QString &resource, int x, int y)
{
    auto *l = new LcdPicture(this);
    l->setObjectName(QLatin1String(name));
    const QPixmap pm = loadArtwork(resource);
    l->setPixmaps(pm, loadArtwork(resource, 2.0));
    l->setGeometry(x, y, pm.width(), pm.height());
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->hide();
    return l;
}

KeyArea *TfrmPanel::keyArea(const char *name, int x, int y, int w, int h)
{
    auto *k = new KeyArea(this);
    k->setObjectName(QLatin1String(name));
    k->setGeometry(x, y, w, h);
    return k;
}

QPixmap TfrmPanel::glyph(const QVector<QPixmap> &table, bool small, int code) const
{
    // A code with no glyph of its own shows as blank.
    const int last = small ? 12 : 11;
    if (code < 0 || code > last)
        code = kGlyphBlank;
    const int index = small ? 12 + code : code;
    return index < table.size() ? table.at(index) : QPixmap();
}

void TfrmPanel::setAlarmFrame(int display, bool on)
{
    if (display < 0 || display > 2)
        return;
    QLabel *&frame = m_alarmFrames[display];
    if (!frame && !on)
        return;
    if (!frame) {
        frame = new QLabel(this);
        frame->setObjectName(QStringLiteral("AlarmFrame%1").arg(display));
        frame->setAccessibleName(QStringLiteral("Alarm"));
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        frame->setStyleSheet(QStringLiteral("QLabel { border: 2px solid #e00000; background: transparent; }"));
        QRect r;
        for (const LcdPicture *d : m_digits[display])
            r |= d->geometry();
        frame->setGeometry(r.adjusted(-3, -3, 3, 3));
    }
    frame->setVisible(on);
    if (on)
        frame->raise();
}

bool TfrmPanel::alarmFramed(int display) const
{
    return display >= 0 && display <= 2 && m_alarmFrames[display] && !m_alarmFrames[display]->isHidden();
}

int TfrmPanel::digitCode(int display, int place) const
{
    return m_shownCodes[display][place];
}

void TfrmPanel::render()
{
    for (int i = 0; i < kMarkCount; ++i)
        if (m_marks[i])
            m_marks[i]->setVisible(m_state.shown[i]);
    const DisplayDigits *codes[3] = {&m_state.main, &m_state.third, &m_state.sub};
    for (int d = 0; d < 3; ++d) {
        for (int i = 0; i < 4; ++i) {
            LcdPicture *l = m_digits[d][i];
            const int code = (*codes[d])[i];
            if (m_shownCodes[d][i] != code) {
                l->setPixmaps(glyph(m_glyphs, d != 0, code), glyph(m_sharpGlyphs, d != 0, code));
                m_shownCodes[d][i] = code;
            }
            l->setVisible(m_state.digitsShown);
        }
    }
}

void TfrmPanel::setRelativeKeyHint(int model)
{
    btnREL->setAccessibleName(model == 481 ? QStringLiteral("Relative (REL)") : QStringLiteral("TIME"));
    btnREL->setToolTip(model == 481 ? QStringLiteral("\u0394REL: show readings relative to the present one")
                                    : QStringLiteral("TIME: show the meter's date and clock, or the temperatures again"));
}

void TfrmPanel::applyModelLayout(int model)
{
    setRelativeKeyHint(model);
    kv::applyModelLayout(m_state, model);
    render();
}

void TfrmPanel::applyFrame(const Reading &previous, const Reading &current, int model)
{
    kv::applyFrame(m_state, previous, current, model);
    render();
}

void TfrmPanel::setNoConnection(bool shown)
{
    m_state.set(Mark::lblnolink, shown);
    render();
}

QWidget *TfrmPanel::frameWidget()
{
    if (auto *sw = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sw;
    return this;
}

void TfrmPanel::btnCloseClick()
{
    frameWidget()->close();
}

void TfrmPanel::Stayontop1Click()
{
    // The check mark is the switch; setStayOnTop follows its change.
    Stayontop1->setChecked(!Stayontop1->isChecked());
}

void TfrmPanel::setStayOnTop(bool on)
{
    m_stayOnTop = on;
    if (Stayontop1->isChecked() != on)
        Stayontop1->setChecked(on);
    keepOnTop();
}

bool TfrmPanel::event(QEvent *e)
{
    // The frame is known once the panel is put into a subwindow; it may be
    // added to the area only afterwards, so look again when shown.
    if (e->type() == QEvent::ParentChange || e->type() == QEvent::Show)
        followFrame();
    return QWidget::event(e);
}

void TfrmPanel::followFrame()
{
    auto *sw = qobject_cast<QMdiSubWindow *>(parentWidget());
    QMdiArea *area = sw ? sw->mdiArea() : nullptr;
    if (sw == m_frame && area == m_area)
        return;
    if (m_area)
        disconnect(m_area, nullptr, this, nullptr);
    if (m_viewport) {
        m_viewport->removeEventFilter(this);
        for (QObject *o : m_viewport->children())
            o->removeEventFilter(this);
    }
    m_frame = sw;
    m_area = area;
    m_viewport = area ? area->viewport() : nullptr;
    if (!area)
        return;
    // Another subwindow comes forward when it is activated, added or raised;
    // each time the panel goes back above it while it stays on top.
    connect(area, &QMdiArea::subWindowActivated, this, &TfrmPanel::keepOnTop);
    m_viewport->installEventFilter(this);
    for (QObject *o : m_viewport->children())
        watchSibling(o);
    keepOnTop();
}

void TfrmPanel::watchSibling(QObject *o)
{
    if (o != m_frame)
        o->installEventFilter(this);
}

void TfrmPanel::keepOnTop()
{
    if (!m_stayOnTop || !m_frame || !m_viewport)
        return;
    const QObjectList &stack = m_viewport->children();
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        auto *w = qobject_cast<QMdiSubWindow *>(*it);
        if (!w || w->isHidden())
            continue;
        if (w != m_frame)
            m_frame->raise();
        return;
    }
}

void TfrmPanel::contextMenuEvent(QContextMenuEvent *e)
{
    m_menu->popup(e->globalPos());
}

bool TfrmPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1)
        return dragPicture(event);
    if (m_viewport && watched == m_viewport.data()) {
        if (event->type() == QEvent::ChildAdded)
            watchSibling(static_cast<QChildEvent *>(event)->child());
        else if (event->type() == QEvent::ChildRemoved)
            static_cast<QChildEvent *>(event)->child()->removeEventFilter(this);
        return false;
    }
    if (event->type() == QEvent::ZOrderChange || event->type() == QEvent::Show)
        keepOnTop();
    return false;
}

bool TfrmPanel::dragPicture(QEvent *event)
{
    // No caption bar: dragging the picture moves the window.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() != Qt::LeftButton)
            return false;
        m_dragging = true;
        m_dragStart = e->globalPosition().toPoint();
        m_frameStart = frameWidget()->pos();
        return true;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            auto *e = static_cast<QMouseEvent *>(event);
            frameWidget()->move(m_frameStart + e->globalPosition().toPoint() - m_dragStart);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return false;
    default:
        return false;
    }
}

} // namespace kv
