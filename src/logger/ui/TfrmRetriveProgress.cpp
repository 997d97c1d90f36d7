#include "logger/ui/TfrmRetriveProgress.h"

#include "logger/LoggerDownload.h"
#include "views/DialogPlacement.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace kv {

TfrmRetriveProgress::TfrmRetriveProgress(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , lblBytesReceived(new QLabel(QStringLiteral("0"), this))
    , lblTotalBytes(new QLabel(QStringLiteral("0"), this))
    , Progress1(new QProgressBar(this))
    , BitBtn1(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("TfrmRetriveProgress"));
    setWindowTitle(QStringLiteral("Data Retriving Progress"));
    lblBytesReceived->setObjectName(QStringLiteral("lblBytesReceived"));
    lblTotalBytes->setObjectName(QStringLiteral("lblTotalBytes"));
    Progress1->setObjectName(QStringLiteral("Progress1"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    lblBytesReceived->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblTotalBytes->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblBytesReceived->setMinimumWidth(70);
    Progress1->setAccessibleName(QStringLiteral("Download progress"));
    lblBytesReceived->setAccessibleName(QStringLiteral("bytes received"));
    lblTotalBytes->setAccessibleName(QStringLiteral("total bytes"));
    Progress1->setTextVisible(true);

    auto *received = new QLabel(QStringLiteral("bytes received"), this);
    auto *total = new QLabel(QStringLiteral("total bytes"), this);
    received->setBuddy(lblBytesReceived);
    total->setBuddy(lblTotalBytes);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setHorizontalSpacing(12);
    layout->addWidget(lblBytesReceived, 0, 0);
    layout->addWidget(received, 0, 1);
    layout->addWidget(lblTotalBytes, 1, 0);
    layout->addWidget(total, 1, 1);
    layout->addWidget(Progress1, 2, 0, 1, 2);
    layout->addWidget(BitBtn1, 3, 0, 1, 2, Qt::AlignHCenter);
    setMinimumWidth(340);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmRetriveProgress::cancelRequested);
    adjustSize();
    centreOnScreen(this);
}

void TfrmRetriveProgress::follow(LoggerDownload &job)
{
    connect(&job, &LoggerDownload::blocksStarting, this, [this](int remaining, int totalBytes) {
        start(remaining, totalBytes);
        show();
        raise();
        activateWindow();
        BitBtn1->setFocus();
    });
    connect(&job, &LoggerDownload::progress, this, [this](int received, int) { setReceived(received); });
    connect(this, &TfrmRetriveProgress::cancelRequested, &job, &LoggerDownload::cancel);
}

void TfrmRetriveProgress::start(int remaining, int totalBytes)
{
    Progress1->setRange(0, remaining);
    Progress1->setValue(0);
    lblTotalBytes->setText(QString::number(totalBytes));
    lblBytesReceived->setText(QStringLiteral("0"));
}

void TfrmRetriveProgress::setReceived(int bytes)
{
    // The last block may run past the remaining count; the bar stops full.
    Progress1->setValue(qMin(bytes, Progress1->maximum()));
    lblBytesReceived->setText(QString::number(bytes));
}

void TfrmRetriveProgress::reject()
{
    Q_EMIT cancelRequested();
}

} // namespace kv
