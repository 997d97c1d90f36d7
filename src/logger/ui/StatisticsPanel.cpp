#include "logger/ui/StatisticsPanel.h"

#include "common/LocaleText.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QTextOption>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

const char *const kNames[StatisticsPanel::RowCount] = {"lblT1MEAN", "lblT1SD", "lblT2MEAN", "lblT2SD",
                                                      "lblSTART", "lblEND", "lblDURATION"};

} // namespace

StatisticsPanel::StatisticsPanel(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("PanelStatistics"));
    setAccessibleName(QStringLiteral("Statistics of the data set"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(32, 32, 32));
    setPalette(p);

    const QColor yellow(255, 255, 0), red(255, 0, 0), white(230, 230, 230);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    for (int r = 0; r < RowCount; ++r) {
        const QColor color = r <= T1Sd ? yellow : r <= T2Sd ? red : white;
        auto *caption = new QLabel(this);
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        QPalette cp = caption->palette();
        cp.setColor(QPalette::WindowText, color);
        caption->setPalette(cp);

        auto *value = new FigureLabel(this);
        value->setObjectName(QLatin1String(kNames[r]));
        value->setFont(bold);
        value->setPalette(cp);
        value->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
        value->setFocusPolicy(Qt::StrongFocus);
        caption->setBuddy(value);
        grid->addWidget(caption, r, 0);
        grid->addWidget(value, r, 1);
        m_captions[r] = caption;
        m_values[r] = value;
    }
    grid->setColumnStretch(1, 1);
    m_captions[Start]->setText(QStringLiteral("START"));
    m_captions[End]->setText(QStringLiteral("END"));
    m_captions[Duration]->setText(QStringLiteral("DURATION"));
    setChannels(2);
}

namespace {

// Tabs stop every 80 pixels, as in the label's own document.
constexpr double kTabStop = 80.0;

double oneLineWidth(const QFontMetrics &fm, const QString &text)
{
    double x = 0.0;
    const QStringList parts = text.split(QLatin1Char('\t'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            x = (std::floor(x / kTabStop) + 1) * kTabStop;
        x += fm.horizontalAdvance(parts.at(i));
    }
    return x;
}

} // namespace

int FigureLabel::indentWidth() const
{
    // A framed label without an indent of its own is indented half an 'x'.
    const int width = indent() >= 0 ? indent()
        : frameWidth() > 0           ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin()
                                     : 0;
    return std::max(0, width);
}

QSize FigureLabel::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const int m = margin();
    int hextra = 2 * m;
    if (alignment() & (Qt::AlignLeft | Qt::AlignRight))
        hextra += indentWidth();
    const QMargins frame = contentsMargins();
    const QSize text(qCeil(oneLineWidth(fm, QLabel::text())) + 1 + hextra, fm.height() + 2 * m);
    return (text + QSize(frame.left() + frame.right(), frame.top() + frame.bottom())).expandedTo(minimumSize());
}

void FigureLabel::paintEvent(QPaintEvent *event)
{
    if (hasFocus() || textFormat() == Qt::RichText || Qt::mightBeRichText(text())) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    drawFrame(&p);
    const int m = margin();
    QRect r = contentsRect().adjusted(m, m, -m, -m);
    if (alignment() & Qt::AlignLeft)
        r.setLeft(r.left() + indentWidth());
    else if (alignment() & Qt::AlignRight)
        r.setRight(r.right() - indentWidth());
    QTextOption option(QStyle::visualAlignment(layoutDirection(), alignment()));
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(kTabStop);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    p.drawText(QRectF(r), text(), option);
}

void StatisticsPanel::setChannels(int channels)
{
    const bool two = channels == 2;
    m_captions[T1Mean]->setText(two ? QStringLiteral("T1 MEAN") : QStringLiteral("MEAN"));
    m_captions[T1Sd]->setText(two ? QStringLiteral("T1 SD") : QStringLiteral("SD"));
    m_captions[T2Mean]->setText(QStringLiteral("T2 MEAN"));
    m_captions[T2Sd]->setText(QStringLiteral("T2 SD"));
    const char *const spoken[RowCount] = {"mean", "standard deviation", "T2 mean", "T2 standard deviation",
                                          "Start", "End", "Duration"};
    for (int r = 0; r < RowCount; ++r) {
        QString name = QLatin1String(spoken[r]);
        if (r <= T1Sd)
            name = (two ? QStringLiteral("T1 ") : QString()) + name;
        m_values[r]->setAccessibleName(name.at(0).toUpper() + name.mid(1));
    }
    for (int r : {T2Mean, T2Sd}) {
        m_captions[r]->setVisible(two);
        m_values[r]->setVisible(two);
    }
}

QString StatisticsPanel::figureText(double value, bool present, QChar unit)
{
    if (!present)
        return QStringLiteral("OL");
    return fixedText(value, 2) + QStringLiteral(" \u00B0") + unit;
}

QString StatisticsPanel::momentText(double dateTime)
{
    return shortDateText(dateTime) + QLatin1Char(' ') + longTimeText(dateTime);
}

void StatisticsPanel::showStatistics(const DataSetStatistics &s, QChar unit, bool readings)
{
    setChannels(s.channels);
    for (int ch = 0; ch < 2; ++ch) {
        const ChannelStatistics &c = s.channel[ch];
        const bool shown = ch < s.channels && readings;
        m_values[ch == 0 ? T1Mean : T2Mean]->setText(shown ? figureText(c.mean, c.any(), unit) : QString());
        m_values[ch == 0 ? T1Sd : T2Sd]->setText(shown ? figureText(c.stdDev, c.any(), unit) : QString());
    }
    m_values[Start]->setText(momentText(s.start));
    m_values[End]->setText(momentText(s.end));
    m_values[Duration]->setText(durationText(s.durationSeconds));
}

void StatisticsPanel::clear()
{
    for (QLabel *l : m_values)
        l->clear();
}

} // namespace kv
