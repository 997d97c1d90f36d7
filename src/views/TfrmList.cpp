#include "views/TfrmList.h"

#include "session/RunRows.h"

#include "common/FileNames.h"
#include "common/LocaleText.h"

#include <QFileInfo>

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace kv {

TfrmList::TfrmList(std::function<int()> model, QWidget *parent)
    : QWidget(parent)
    , m_model(std::move(model))
    , m_grid(new GridModel(this))
{
    setObjectName(QStringLiteral("TfrmList"));
    setWindowTitle(realTimeCaption());
    setAttribute(Qt::WA_DeleteOnClose);

    QFont bold(QStringLiteral("MS Sans Serif"));
    bold.setPointSize(8);
    bold.setBold(true);
    m_grid->setFixedFont(bold);
    m_grid->setColCount(9);
    m_grid->setRowCount(2);

    Grid1 = new QTableView(this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setModel(m_grid);
    Grid1->setFont(bold);
    Grid1->setShowGrid(true);
    Grid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setWordWrap(false);
    Grid1->verticalHeader()->hide();
    // Rows of one height, so a view over a million rows never measures them.
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(bold).height() + 6);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid1->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    Grid1->horizontalHeader()->setHighlightSections(false);
    Grid1->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section { background: white; "
                                                            "border: 1px solid #a0a0a0; padding: 2px; }"));

    // Fonts the table printout takes (Arial, bold, 13 pixels).
    QFont print(QStringLiteral("Arial"));
    print.setPixelSize(13);
    print.setBold(true);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(print);
    Label2->hide();
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(print);
    Label3->hide();

    connect(m_grid, &GridModel::flushed, this, [this] {
        if (m_scrollPending) {
            m_scrollPending = false;
            Grid1->scrollToBottom();
        }
    });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Grid1);
    resize(640, 300);
    setupColumns(m_model ? m_model() : 482);
}

void TfrmList::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        setupColumns(m_model ? m_model() : 482);
    }
}

void TfrmList::setupColumns(int model)
{
    const bool one = model == 481;
    const QStringList titles = RunRows::titles(model);
    const double factors482[8] = {0.8, 1.4, 1.4, 0.9, 0.6, 0.9, 0.8, 2.0};
    const double factors481[6] = {0.8, 1.4, 1.4, 0.9, 0.6, 2.0};
    m_grid->setColCount(titles.size());
    m_grid->setRow(0, titles);
    for (int c = 0; c < titles.size(); ++c)
        Grid1->setColumnWidth(c, static_cast<int>(kDefaultColumnWidth * (one ? factors481[c] : factors482[c])));
}

void TfrmList::AddRealTimeRow(double dateTime, const Reading &r, int model)
{
    if (!m_grid->cell(0, 1).isEmpty())
        m_grid->setRowCount(m_grid->RowCount() + 1);
    else
        m_firstRowTime = dateTime;
    const int row = m_grid->RowCount() - 1;
    m_grid->setRow(row, liveRowCells(row, dateTime, r, model));
    // The newest row at the bottom of the view, once the view has it.
    m_scrollPending = true;
}

void TfrmList::clear()
{
    m_grid->setRowCount(2);
    m_grid->setRow(1, {});
    m_firstRowTime = 0.0;
}

QString TfrmList::suggestedFileName() const
{
    if (!isRealTime())
        return safeFileName(QFileInfo(windowTitle()).completeBaseName());
    return m_firstRowTime != 0.0 ? recordingFileName(m_firstRowTime) : QString();
}

} // namespace kv
