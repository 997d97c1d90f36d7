#include "app/HelpWindow.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kv {

HelpWindow::HelpWindow(const QString &path, std::function<bool(const QUrl &)> openExternally, QWidget *parent)
    : QDialog(parent)
    , m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("KV481 Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser->setObjectName(QStringLiteral("HelpText"));
    m_browser->setAccessibleName(QStringLiteral("User guide"));
    m_browser->setOpenExternalLinks(true);
    const QUrl url = QUrl::fromLocalFile(path);
    if (QFileInfo(path).isReadable()) {
        m_browser->setSource(url);
        m_loaded = !m_browser->toPlainText().isEmpty();
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_openInBrowser = buttons->addButton(QStringLiteral("Open in &Browser"), QDialogButtonBox::ActionRole);
    m_openInBrowser->setObjectName(QStringLiteral("OpenInBrowser"));
    connect(m_openInBrowser, &QPushButton::clicked, this, [this, openExternally, url] {
        if (!openExternally(url))
            m_openInBrowser->setText(QStringLiteral("No browser could be started"));
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(760, 620);
}

} // namespace kv
