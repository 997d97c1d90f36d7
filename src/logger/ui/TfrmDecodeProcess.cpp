#include "logger/ui/TfrmDecodeProcess.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace kv {

TfrmDecodeProcess::TfrmDecodeProcess(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TfrmDecodeProcess"));
    setWindowTitle(QStringLiteral("decoding data"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("decoding data"));
    ProgressBar1->setTextVisible(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);
    setFixedSize(320, 60);
}

} // namespace kv
