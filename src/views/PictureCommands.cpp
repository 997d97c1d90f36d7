#include "views/PictureCommands.h"

#include "common/Prompt.h"
#include "views/ChildWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGuiApplication>
#include <QSpinBox>
#include <qcustomplot.h>

namespace kv {

namespace {

// Pixels at the screen's resolution, the size pictures are drawn at, and
// the millimetres they make on a PDF page.
int millimetres(int pixels)
{
    return qRound(pixels * 25.4 / Chart::kPrintResolution);
}
int pixels(int millimetres)
{
    return qRound(millimetres * Chart::kPrintResolution / 25.4);
}

} // namespace

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
    edtWidth->setAccessibleName(QStringLiteral("Width"));
    edtHeight->setAccessibleName(QStringLiteral("Height"));
    showSize(graphSize);
    chkTwice = new QCheckBox(QStringLiteral("&Twice the pixels, for print"), this);
    chkTwice->setObjectName(QStringLiteral("chkTwice"));
    chkTwice->setAccessibleName(QStringLiteral("Twice the pixels, for print"));
    connect(cmbFormat, &QComboBox::currentIndexChanged, this, [this](int i) {
        chkTwice->setEnabled(i == 0);
        // The same size, in the unit of the format chosen.
        showSize(request().size);
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Format:"), cmbFormat);
    form->addRow(QStringLiteral("&Width:"), edtWidth);
    form->addRow(QStringLiteral("&Height:"), edtHeight);
    form->addRow(chkTwice);
    form->addRow(buttons);
    // Wide enough for its whole title, the program's name after it, in a
    // bold title bar beside the window's buttons.
    QFont bold = font();
    bold.setBold(true);
    const QString shownTitle = windowTitle() + QStringLiteral(" \u2014 ") + QGuiApplication::applicationDisplayName();
    setMinimumWidth(QFontMetrics(bold).horizontalAdvance(shownTitle) + 120);
}

bool TfrmPicture::inMillimetres() const
{
    return cmbFormat->currentIndex() == 2;
}

void TfrmPicture::showSize(QSize size)
{
    // A PDF is a page, measured in millimetres; pictures are in pixels.
    const bool mm = inMillimetres();
    for (QSpinBox *b : {edtWidth, edtHeight}) {
        b->setRange(mm ? millimetres(100) : 100, mm ? millimetres(8000) : 8000);
        b->setSuffix(mm ? QStringLiteral(" mm") : QStringLiteral(" px"));
    }
    edtWidth->setValue(mm ? millimetres(size.width()) : size.width());
    edtHeight->setValue(mm ? millimetres(size.height()) : size.height());
}

PictureRequest TfrmPicture::request() const
{
    PictureRequest r;
    r.format = cmbFormat->currentIndex() == 1 ? Chart::PictureFormat::Svg
        : cmbFormat->currentIndex() == 2      ? Chart::PictureFormat::Pdf
                                              : Chart::PictureFormat::Png;
    // The spin boxes still show the unit of the format they were last set
    // for (the format changes before they follow it).
    const bool mm = edtWidth->suffix() == QLatin1String(" mm");
    r.size = mm ? QSize(pixels(edtWidth->value()), pixels(edtHeight->value()))
                : QSize(edtWidth->value(), edtHeight->value());
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
