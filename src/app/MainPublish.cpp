// The main window's part in publishing live readings to an MQTT broker: the
// Option menu's "Publish Readings…" and the broker's state on the status bar.

#include "app/TfrmMain.h"

#include "publish/ui/PublishCommand.h"

#include <QLabel>
#include <QMenu>
#include <QStatusBar>

namespace kv {

void TfrmMain::buildPublishing(QMenu *option)
{
    m_publish = std::make_unique<PublishCommand>(m_run, m_prompt, [this] { return m_recorder.samplingRate(); });
    m_publish->setDialogParent(this);
    PublishReadings1 = option->addAction(QStringLiteral("&Publish Readings…"));
    PublishReadings1->setObjectName(QStringLiteral("PublishReadings1"));
    connect(PublishReadings1, &QAction::triggered, m_publish.get(), &PublishCommand::PublishReadings1Click);

    StatusMqtt = new QLabel(statusBar());
    StatusMqtt->setObjectName(QStringLiteral("StatusMqtt"));
    StatusMqtt->setAccessibleName(QStringLiteral("MQTT broker state"));
    StatusMqtt->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatusMqtt->hide();
    statusBar()->addPermanentWidget(StatusMqtt);
    connect(m_publish.get(), &PublishCommand::statusChanged, StatusMqtt, [this](const QString &text) {
        StatusMqtt->setText(text);
        StatusMqtt->setVisible(!text.isEmpty());
    });
}

} // namespace kv
