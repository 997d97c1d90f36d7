#include "views/PictureCommands.h"

#include "common/Prompt.h"
#include "views/ChildWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <qcustomplot.h>

namespace kv {

TfrmPicture::TfrmPicture(QSize graphSize, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmPicture"));
    setWindowTitle(QStringLiteral("Export Picture"));
    cmbFormat = new QComboBox(this);
    cmbFormat->setObjectName(QStringLiteral("cmbFormat"));
    cmbFormat->addItems({QStringLiteral("PNG image"), QStringLiteral("SVG drawing"), QStringLiteral("PDF document")});
    cmbFormat->setAccessibleName(QStringLiteral("Format"));
    edtWidth = new QSpinBox(this);
    edtWidth->setObjectName(QStringLiteral("edtWidth"));
    edtHeight = new QSpinBox(this);
    edtHeight->setObjectName(QStringLiteral("edtHeight"));
    for (QSpinBox *b : {edtWidth, edtHeight}) {
        b->setRange(100, 8000);
        b->setSuffix(QStringLiteral(" px"));
    }
    edtWidth->setValue(graphSize.width());
    edtHeight->setValue(graphSize.height());
    edtWidth->setAccessibleName(QStringLiteral("Width"));
    edtHeight->setAccessibleName(QStringLiteral("Height"));
    chkTwice = new QCheckBox(QStringLiteral("&Twice the pixels, for print"), this);
    chkTwice->setObjectName(QStringLiteral("chkTwice"));
    chkTwice->setAccessibleName(QStringLiteral("Twice the pixels, for print"));
    connect(cmbFormat, &QComboBox::currentIndexChanged, this, [this](int i) { chkTwice->setEnabled(i == 0); });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Format:"), cmbFormat);
    form->addRow(QStringLiteral("&Width:"), edtWidth);
    form->addRow(QStringLiteral("&Height:"), edtHeight);
    form->addRow(chkTwice);
    form->addRow(buttons);
}

PictureRequest TfrmPicture::request() const
{
    PictureRequest r;
    r.format = cmbFormat->currentIndex() == 1 ? Chart::PictureFormat::Svg
        : cmbFormat->currentIndex() == 2      ? Chart::PictureFormat::Pdf
                                              : Chart::PictureFormat::Png;
    r.size = QSize(edtWidth->value(), edtHeight->value());
    r.scale = r.format == Chart::PictureFormat::Png && chkTwice->isChecked() ? 2.0 : 1.0;
    return r;
}

PictureCommands::PictureCommands(Prompt &prompt, std::function<Chart *()> activeChart, QWidget *dialogParent,
                                 QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_activeChart(std::move(activeChart))
    , m_dialogParent(dialogParent)
{
}

QString PictureCommands::filterFor(Chart::PictureFormat format)
{
    switch (format) {
    case Chart::PictureFormat::Svg: return QStringLiteral("SVG drawing (*.svg)");
    case Chart::PictureFormat::Pdf: return QStringLiteral("PDF document (*.pdf)");
    case Chart::PictureFormat::Png: break;
    }
    return QStringLiteral("PNG image (*.png)");
}

void PictureCommands::ExportPicture1Click()
{
    if (Chart *chart = m_activeChart ? m_activeChart() : nullptr)
        exportPicture(*chart);
    else
        m_prompt.information(QStringLiteral("Did not choose any graph window."));
}

void PictureCommands::CopyPicture1Click()
{
    if (Chart *chart = m_activeChart ? m_activeChart() : nullptr)
        copyPicture(*chart);
    else
        m_prompt.information(QStringLiteral("Did not choose any graph window."));
}

bool PictureCommands::exportPicture(Chart &chart)
{
    const QSize own = chart.plot()->size();
    std::optional<PictureRequest> request;
    if (m_ask) {
        request = m_ask(own);
    } else {
        TfrmPicture dialog(own, m_dialogParent);
        if (dialog.exec() == QDialog::Accepted)
            request = dialog.request();
    }
    if (!request)
        return false;
    // The picture is offered the name of what its window would be saved as.
    QString name;
    for (QWidget *w = &chart; w && name.isEmpty(); w = w->parentWidget())
        if (const ChildWindow *child = childWindowOf(w))
            name = child->suggestedFileName();
    const QString path = m_prompt.saveFileName(QStringLiteral("Export Picture"), filterFor(request->format),
                                               filterSuffix(filterFor(request->format)), name);
    if (path.isEmpty())
        return false;
    QString error;
    if (!chart.exportPicture(path, request->format, request->size, request->scale, &error)) {
        m_prompt.error(error);
        return false;
    }
    return true;
}

void PictureCommands::copyPicture(Chart &chart)
{
    QApplication::clipboard()->setImage(chart.pictureImage());
}

void PictureCommands::installOn(Chart &chart)
{
    auto *exportAction = new QAction(QStringLiteral("&Export Picture\u2026"), &chart);
    exportAction->setObjectName(QStringLiteral("ExportPictureContext"));
    connect(exportAction, &QAction::triggered, this, [this, c = &chart] { exportPicture(*c); });
    auto *copyAction = new QAction(QStringLiteral("&Copy Picture"), &chart);
    copyAction->setObjectName(QStringLiteral("CopyPictureContext"));
    connect(copyAction, &QAction::triggered, this, [this, c = &chart] { copyPicture(*c); });
    chart.addAction(exportAction);
    chart.addAction(copyAction);
    chart.setContextMenuPolicy(Qt::ActionsContextMenu);
    // The menu key opens the menu on a chart that has the keyboard.
    if (chart.focusPolicy() == Qt::NoFocus)
        chart.setFocusPolicy(Qt::StrongFocus);
    if (chart.accessibleName().isEmpty())
        chart.setAccessibleName(QStringLiteral("Graph"));
}

} // namespace kv
