// The data-logger window's panes and controls: the data set list over the
// highest and lowest readings on the left, the chart over the sample table
// on the right.

#include "logger/ui/TfrmDataLogger.h"

#include "logger/ui/PaneHeading.h"
#include "logger/ui/SampleTable.h"
#include "logger/ui/StatisticsPanel.h"
#include "views/Chart.h"
#include "views/GridModel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QtMath>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace kv {

namespace {

// Column titles on white, each in a thin grey box with a little room around
// its text. Painted here: a style sheet gives the same look at many times
// the cost, and the titles are painted with every set shown.
class GridHeader : public QHeaderView
{
public:
    explicit GridHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {
    }

protected:
    static constexpr int kBox = 3; // the border's pixel and the padding inside it

    QFont sectionFont(int section) const
    {
        const QVariant f = model() ? model()->headerData(section, orientation(), Qt::FontRole) : QVariant();
        return f.isValid() ? qvariant_cast<QFont>(f).resolve(font()) : font();
    }
    QString sectionText(int section) const
    {
        return model() ? model()->headerData(section, orientation(), Qt::DisplayRole).toString() : QString();
    }
    void paintSection(QPainter *painter, const QRect &rect, int section) const override
    {
        if (!rect.isValid())
            return;
        painter->save();
        painter->fillRect(rect, Qt::white);
        painter->setPen(QColor(0xa0, 0xa0, 0xa0));
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
        const QFont f = sectionFont(section);
        painter->setFont(f);
        painter->setPen(palette().color(QPalette::ButtonText));
        const QRect inner = rect.adjusted(kBox, kBox, -kBox, -kBox);
        painter->drawText(inner, int(defaultAlignment()),
                          QFontMetrics(f).elidedText(sectionText(section), Qt::ElideRight, inner.width()));
        painter->restore();
    }
    QSize sectionSizeFromContents(int section) const override
    {
        const QFontMetrics fm(sectionFont(section));
        // As wide and tall as the style makes a section with that box: its
        // header margin of 2 pixels comes on top.
        return QSize(fm.size(0, sectionText(section)).width() + 2 * (kBox + 2), fm.height() + 2 * (kBox + 2));
    }
};

// Cells as the view's style draws them, with each distinct text laid out
// once and kept: the texts repeat (units, dates, readings) and laying text
// out is most of what drawing a cell costs. A text that does not fit or is
// not aligned left, or a cell with more than text, is left to the style.
class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget *w = opt.widget;
        QStyle *style = w ? w->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, w) + 1;
        const QRect room = opt.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText *text = opt.text.isEmpty() ? nullptr : laidOut(opt.text, opt.font);
        if ((opt.features & (QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration))
            || (opt.displayAlignment & Qt::AlignHorizontal_Mask) != Qt::AlignLeft
            || (text && text->size().width() > room.width())) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        // Background, selection and focus as the style has them; a plain
        // cell has none of them, the view's own background shows.
        opt.text.clear();
        const bool plain = !(opt.state & (QStyle::State_Selected | QStyle::State_HasFocus))
            && opt.backgroundBrush.style() == Qt::NoBrush && !(opt.features & QStyleOptionViewItem::Alternate);
        if (!plain)
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
        if (!text)
            return;
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
            : !(opt.state & QStyle::State_Active)                              ? QPalette::Inactive
                                                                               : QPalette::Normal;
        painter->save();
        painter->setPen(opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                       : QPalette::Text));
        painter->setFont(opt.font);
        const QSize size(qCeil(text->size().width()), QFontMetrics(opt.font).height());
        painter->drawStaticText(QStyle::alignedRect(opt.direction, opt.displayAlignment, size, room).topLeft(), *text);
        painter->restore();
    }

private:
    const QStaticText *laidOut(const QString &s, const QFont &font) const
    {
        if (font != m_font || m_texts.size() > 4096) {
            m_texts.clear();
            m_font = font;
        }
        auto it = m_texts.find(s);
        if (it == m_texts.end()) {
            QStaticText t(s);
            t.setTextFormat(Qt::PlainText);
            t.prepare(QTransform(), font);
            it = m_texts.insert(s, t);
        }
        return &it.value();
    }

    mutable QFont m_font;
    mutable QHash<QString, QStaticText> m_texts;
};

QTableView *stringGrid(const char *name, QAbstractItemModel *model, QWidget *parent)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setHorizontalHeader(new GridHeader(grid));
    grid->setModel(model);
    grid->setItemDelegate(new CellDelegate(grid));
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(false);
    grid->verticalHeader()->hide();
    // Rows of one height, so a view over 65535 readings never measures them.
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setDefaultSectionSize(TfrmDataLogger::kDefaultColumnWidth);
    grid->horizontalHeader()->setHighlightSections(false);
    return grid;
}

QLabel *captionLabel(const char *name, const QColor &color, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    return l;
}

QLabel *valuePanel(const char *name, const QColor &color, QWidget *parent)
{
    auto *l = new FigureLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.15);
    l->setFont(f);
    l->setMargin(2);
    l->setMinimumHeight(24);
    // Readable by keyboard and screen readers, though not editable.
    l->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
    l->setFocusPolicy(Qt::StrongFocus);
    return l;
}

QLabel *unitIcon(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFixedSize(26, 22);
    return l;
}

} // namespace

void TfrmDataLogger::buildLayout()
{
    QFont gridFont(QStringLiteral("MS Sans Serif"));
    gridFont.setPointSize(8);
    gridFont.setBold(true);

    // Left column: the data set list over the highest and lowest readings.
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(2);
    StaticText1 = new PaneHeading(QStringLiteral("Data Sets"), left);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    m_sets->setFixedFont(gridFont);
    Grid2 = stringGrid("Grid2", m_sets, left);
    QFont listFont = gridFont;
    listFont.setBold(false);
    Grid2->setFont(listFont);
    Grid2->setAccessibleName(QStringLiteral("Data sets"));
    // Fitting a column to its texts measures all of them, not only the
    // first thousand rows.
    Grid2->horizontalHeader()->setResizeContentsPrecision(-1);
    Panel4 = buildExtremesPanel();
    leftLayout->addWidget(StaticText1);
    leftLayout->addWidget(Grid2, 1);
    leftLayout->addWidget(Panel4);
    PanelStatistics = new StatisticsPanel(left);
    leftLayout->addWidget(PanelStatistics);

    // Right: the graph over the table.
    Panel5 = new QWidget(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    auto *graphLayout = new QVBoxLayout(Panel5);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    graphLayout->setSpacing(2);
    StaticText3 = new PaneHeading(QStringLiteral("Graph"), Panel5);
    StaticText3->setObjectName(QStringLiteral("StaticText3"));
    PESGraph1 = new Chart(Panel5);
    PESGraph1->setAccessibleName(QStringLiteral("Graph"));
    PESGraph1->setFocusPolicy(Qt::StrongFocus);
    // A set of tens of thousands of readings draws as fast as a short one.
    PESGraph1->setColumnCells(true);
    // The chart's own customization, from its context menu (or the menu key).
    auto *customize = new QAction(QStringLiteral("C&ustomize graph..."), PESGraph1);
    connect(customize, &QAction::triggered, PESGraph1, [this] { PESGraph1->customize(); });
    PESGraph1->addAction(customize);
    PESGraph1->setContextMenuPolicy(Qt::ActionsContextMenu);
    graphLayout->addWidget(StaticText3);
    graphLayout->addWidget(PESGraph1, 1);

    auto *tabular = new QWidget(this);
    tabular->setObjectName(QStringLiteral("Panel6"));
    auto *tableLayout = new QVBoxLayout(tabular);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setSpacing(2);
    StaticText4 = new PaneHeading(QStringLiteral("Tabular"), tabular);
    StaticText4->setObjectName(QStringLiteral("StaticText4"));
    m_table->setFixedFont(gridFont);
    Grid1 = stringGrid("Grid1", m_table, tabular);
    Grid1->setFont(gridFont);
    Grid1->setAccessibleName(QStringLiteral("Readings"));
    Grid1->setToolTip(QStringLiteral("click to position this data on graph"));
    tableLayout->addWidget(StaticText4);
    tableLayout->addWidget(Grid1, 1);

    m_right = new QSplitter(Qt::Vertical, this);
    m_right->setObjectName(QStringLiteral("rightSplitter"));
    m_right->addWidget(Panel5);
    m_right->addWidget(tabular);
    m_right->setChildrenCollapsible(false);
    m_right->setStretchFactor(0, 2);
    m_right->setStretchFactor(1, 1);

    m_columns = new QSplitter(Qt::Horizontal, this);
    m_columns->setObjectName(QStringLiteral("columnSplitter"));
    m_columns->addWidget(left);
    m_columns->addWidget(m_right);
    m_columns->setChildrenCollapsible(false);
    m_columns->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_columns);

    // Keyboard order: list, its values, graph, table; the headings first in
    // each pane.
    setTabOrder(StaticText1, Grid2);
    setTabOrder(Grid2, lblT1MAX);
    setTabOrder(lblT1MAX, lblT1MIN);
    setTabOrder(lblT1MIN, lblT2MAX);
    setTabOrder(lblT2MAX, lblT2MIN);
    QWidget *beforeGraph = lblT2MIN;
    for (int r = 0; r < StatisticsPanel::RowCount; ++r) {
        QWidget *next = PanelStatistics->value(StatisticsPanel::Row(r));
        setTabOrder(beforeGraph, next);
        beforeGraph = next;
    }
    setTabOrder(beforeGraph, StaticText3);
    setTabOrder(StaticText3, PESGraph1);
    setTabOrder(PESGraph1, StaticText4);
    setTabOrder(StaticText4, Grid1);

    connect(StaticText1, &PaneHeading::clicked, this, [this] { HighlightPane(Pane::DataSets); });
    connect(StaticText3, &PaneHeading::clicked, this, [this] { HighlightPane(Pane::Graph); });
    connect(StaticText4, &PaneHeading::clicked, this, [this] { HighlightPane(Pane::Tabular); });
    connect(PESGraph1, &Chart::clicked, this, [this] { HighlightPane(Pane::Graph); });
    connect(PESGraph1, &Chart::zoomedIn, this, &TfrmDataLogger::zoomedIn);
    connect(PESGraph1, &Chart::customizeDialogEnded, this, &TfrmDataLogger::PESGraph1CustomizeDlg);

    // A row chosen with the keyboard counts as a click; a mouse click on the
    // row that is already current, which changes nothing, counts too.
    const auto wire = [this](QTableView *grid, int which, void (TfrmDataLogger::*handler)(int)) {
        grid->viewport()->installEventFilter(this);
        connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, handler](const QModelIndex &current) {
                    if (!m_selecting && current.isValid())
                        (this->*handler)(current.row() + 1);
                });
        connect(grid, &QAbstractItemView::clicked, this, [this, which, handler](const QModelIndex &index) {
            if (index.isValid() && index.row() == m_rowAtPress[which])
                (this->*handler)(index.row() + 1);
        });
    };
    wire(Grid1, 0, &TfrmDataLogger::Grid1Click);
    wire(Grid2, 1, &TfrmDataLogger::Grid2Click);
}

QWidget *TfrmDataLogger::buildExtremesPanel()
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel4"));
    panel->setAccessibleName(QStringLiteral("Highest and lowest readings"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(32, 32, 32));
    panel->setPalette(p);

    const QColor yellow(255, 255, 0), red(255, 0, 0);
    T1MAX = captionLabel("T1MAX", yellow, panel);
    T1MIN = captionLabel("T1MIN", yellow, panel);
    T2MAX = captionLabel("T2MAX", red, panel);
    T2MIN = captionLabel("T2MIN", red, panel);
    T2MAX->setText(QStringLiteral("T2 MAX"));
    T2MIN->setText(QStringLiteral("T2 MIN"));
    lblT1MAX = valuePanel("lblT1MAX", yellow, panel);
    lblT1MIN = valuePanel("lblT1MIN", yellow, panel);
    lblT2MAX = valuePanel("lblT2MAX", red, panel);
    lblT2MIN = valuePanel("lblT2MIN", red, panel);
    imgT1Max = unitIcon("imgT1Max", panel);
    imgT1Min = unitIcon("imgT1Min", panel);
    imgT2Max = unitIcon("imgT2Max", panel);
    imgT2Min = unitIcon("imgT2Min", panel);

    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    QLabel *captions[] = {T1MAX, T1MIN, T2MAX, T2MIN};
    QLabel *values[] = {lblT1MAX, lblT1MIN, lblT2MAX, lblT2MIN};
    QLabel *icons[] = {imgT1Max, imgT1Min, imgT2Max, imgT2Min};
    for (int r = 0; r < 4; ++r) {
        captions[r]->setBuddy(values[r]);
        grid->addWidget(captions[r], r, 0);
        grid->addWidget(values[r], r, 1);
        grid->addWidget(icons[r], r, 2);
    }
    grid->setColumnStretch(1, 1);
    return panel;
}

} // namespace kv
