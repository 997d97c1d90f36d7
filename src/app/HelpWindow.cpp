#include "app/HelpWindow.h"

#include "common/Prompt.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QPointer>
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

void HelpWindow::showGuide(QPointer<HelpWindow> &window, const QString &path,
                           std::function<bool(const QUrl &)> openExternally, Prompt &prompt, QWidget *parent)
{
    if (window) {
        window->raise();
        window->activateWindow();
        return;
    }
    if (!openExternally)
        openExternally = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    auto *help = new HelpWindow(path, std::move(openExternally), parent);
    if (!help->loaded()) {
        delete help;
        prompt.error(QStringLiteral("The help file %1 could not be read.").arg(path));
        return;
    }
    window = help;
    help->show();
}

} // namespace kv
