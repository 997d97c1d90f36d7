#include "views/TfrmGraph.h"

#include "common/Prompt.h"
#include "common/FileNames.h"
#include "views/Chart.h"

#include <QFileInfo>

#include <QVBoxLayout>

namespace kv {

TfrmGraph::TfrmGraph(const GraphTemplate &tmpl, Prompt &prompt, QWidget *parent)
    : QWidget(parent)
    , PESGraph1(new Chart(this))
    , m_template(tmpl)
    , m_prompt(prompt)
{
    setObjectName(QStringLiteral("TfrmGraph"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PESGraph1);
    resize(640, 400);
    connect(PESGraph1, &Chart::zoomedIn, this, &TfrmGraph::zoomedIn);
    connect(PESGraph1, &Chart::customizeDialogEnded, this, &TfrmGraph::PESGraph1CustomizeDlg);
}

QString TfrmGraph::suggestedFileName() const
{
    if (!isRealTime())
        return safeFileName(QFileInfo(windowTitle()).completeBaseName());
    const ChartData &data = PESGraph1->data();
    if (PESGraph1->points() > 0) {
        for (int s = 0; s < data.subsets(); ++s) {
            const std::vector<double> &x = data.xs(s);
            if (!x.empty() && x.front() != 0.0)
                return recordingFileName(x.front());
        }
    }
    return QString();
}

void TfrmGraph::PESGraph1CustomizeDlg(bool accepted)
{
    // The x scale is linear whatever the dialog did (the chart has no other).
    if (!accepted)
        return;
    if (m_prompt.confirm(QStringLiteral("Do you want to save the changes ?"))) {
        QString error;
        if (!SaveGraphState(*PESGraph1, m_template.path(), &error))
            m_prompt.error(QStringLiteral("The look could not be kept as the template %1: %2.")
                               .arg(m_template.path(), error));
    }
}

} // namespace kv
