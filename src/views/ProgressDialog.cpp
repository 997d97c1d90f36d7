#include "views/ProgressDialog.h"
#include "views/DialogPlacement.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

ProgressDialog::ProgressDialog(const QString &caption, const QString &text, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , m_text(new QLabel(text, this))
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    m_text->setObjectName(QStringLiteral("Label1"));
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setAccessibleName(caption);
    m_bar->setRange(0, 0);
    m_bar->setValue(0);
    m_cancel->setObjectName(QStringLiteral("BitBtn1"));
    m_cancel->setAccessibleName(tr("Cancel"));
    m_cancel->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::cancel);
}

void ProgressDialog::start(int maximum)
{
    m_bar->setRange(0, std::max(maximum, 0));
    m_bar->setValue(0);
    m_cancelled = false;
    m_sinceEvents.invalidate();
}

void ProgressDialog::setValue(int value)
{
    m_bar->setValue(value);
}

int ProgressDialog::value() const
{
    return m_bar->value();
}

int ProgressDialog::maximum() const
{
    return m_bar->maximum();
}

QString ProgressDialog::text() const
{
    return m_text->text();
}

bool ProgressDialog::step(int value, int eventIntervalMs)
{
    setValue(value);
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= eventIntervalMs) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    return !m_cancelled;
}

void ProgressDialog::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    Q_EMIT cancelRequested();
}

void ProgressDialog::reject()
{
    cancel();
}

void ProgressDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(this);
}

} // namespace kv
