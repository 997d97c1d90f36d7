#include "views/ChartCustomizeDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

ChartCustomizeDialog::ChartCustomizeDialog(const ChartLook &look, int subsets, QWidget *parent)
    : QDialog(parent)
    , m_look(look)
{
    setObjectName(QStringLiteral("ChartCustomizeDialog"));
    setWindowTitle(QStringLiteral("Graph Customization"));
    auto *layout = new QVBoxLayout(this);

    auto *titles = new QGroupBox(QStringLiteral("Titles"), this);
    auto *tf = new QFormLayout(titles);
    edtMainTitle = new QLineEdit(look.mainTitle, titles);
    edtMainTitle->setObjectName(QStringLiteral("edtMainTitle"));
    edtSubTitle = new QLineEdit(look.subTitle, titles);
    edtSubTitle->setObjectName(QStringLiteral("edtSubTitle"));
    tf->addRow(QStringLiteral("&Main title"), edtMainTitle);
    tf->addRow(QStringLiteral("&Sub title"), edtSubTitle);
    layout->addWidget(titles);

    auto *subsetBox = new QGroupBox(QStringLiteral("Subsets"), this);
    auto *sf = new QFormLayout(subsetBox);
    if (m_look.subsetColors.size() < subsets)
        m_look.subsetColors.resize(subsets);
    if (m_look.subsetLineTypes.size() < subsets)
        m_look.subsetLineTypes.resize(subsets);
    for (int s = 0; s < subsets; ++s) {
        auto *row = new QHBoxLayout;
        auto *color = new QPushButton(subsetBox);
        color->setObjectName(QStringLiteral("color%1").arg(s));
        color->setFixedWidth(60);
        connect(color, &QPushButton::clicked, this, [this, s] {
            const QColor c = QColorDialog::getColor(m_look.subsetColors[s], this, QStringLiteral("Subset colour"));
            if (c.isValid()) {
                m_look.subsetColors[s] = c;
                showColor(s);
            }
        });
        auto *type = new QComboBox(subsetBox);
        type->setObjectName(QStringLiteral("lineType%1").arg(s));
        type->addItems({QStringLiteral("Solid"), QStringLiteral("Dash"), QStringLiteral("Dot"),
                        QStringLiteral("Dash dot"), QStringLiteral("Thick solid")});
        type->setCurrentIndex(qBound(0, m_look.subsetLineTypes[s], kLineTypeCount - 1));
        row->addWidget(color);
        row->addWidget(type, 1);
        const QString label = s < look.subsetLabels.size() ? look.subsetLabels[s] : QStringLiteral("T%1").arg(s + 1);
        sf->addRow(label, row);
        colorButtons << color;
        lineTypes << type;
        showColor(s);
    }
    layout->addWidget(subsetBox);

    auto *plotBox = new QGroupBox(QStringLiteral("Plot"), this);
    auto *pf = new QFormLayout(plotBox);
    cmbPlotting = new QComboBox(plotBox);
    cmbPlotting->setObjectName(QStringLiteral("cmbPlotting"));
    cmbPlotting->addItems({QStringLiteral("Line"), QStringLiteral("Spline"), QStringLiteral("Points"),
                           QStringLiteral("Points and line"), QStringLiteral("Bar"), QStringLiteral("Step")});
    cmbPlotting->setCurrentIndex(static_cast<int>(look.plotting));
    cmbGrid = new QComboBox(plotBox);
    cmbGrid->setObjectName(QStringLiteral("cmbGrid"));
    cmbGrid->addItems({QStringLiteral("None"), QStringLiteral("Dotted"), QStringLiteral("Dashed"),
                       QStringLiteral("Solid")});
    cmbGrid->setCurrentIndex(static_cast<int>(look.grid));
    cmbBackground = new QComboBox(plotBox);
    cmbBackground->setObjectName(QStringLiteral("cmbBackground"));
    cmbBackground->addItems({QStringLiteral("White"), QStringLiteral("Light gradient"),
                             QStringLiteral("Dark gradient")});
    cmbBackground->setCurrentIndex(static_cast<int>(look.background));
    pf->addRow(QStringLiteral("&Plotting method"), cmbPlotting);
    pf->addRow(QStringLiteral("&Grid"), cmbGrid);
    pf->addRow(QStringLiteral("&Background"), cmbBackground);
    layout->addWidget(plotBox);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void ChartCustomizeDialog::showColor(int s)
{
    const QColor c = m_look.subsetColors[s].isValid() ? m_look.subsetColors[s] : QColor(Qt::black);
    colorButtons[s]->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #444; min-height: 18px;")
                                       .arg(c.name()));
    colorButtons[s]->setToolTip(c.name());
}

ChartLook ChartCustomizeDialog::look() const
{
    ChartLook l = m_look;
    l.mainTitle = edtMainTitle->text();
    l.subTitle = edtSubTitle->text();
    for (int s = 0; s < lineTypes.size(); ++s)
        l.subsetLineTypes[s] = lineTypes[s]->currentIndex();
    l.plotting = static_cast<PlottingMethod>(cmbPlotting->currentIndex());
    l.grid = static_cast<GridStyle>(cmbGrid->currentIndex());
    l.background = static_cast<Background>(cmbBackground->currentIndex());
    return l;
}

} // namespace kv
