#include "app/TfrmMain.h"

#include <QCloseEvent>
#include <QMdiArea>

namespace kv {

TfrmMain::TfrmMain(const QString &settingsProgramPath, QWidget *parent)
    : QMainWindow(parent)
    , m_mdi(new QMdiArea(this))
    , m_settingsLocation(Settings::locate(settingsProgramPath))
    , m_prompt(this)
{
    setObjectName(QStringLiteral("TfrmMain"));
    setWindowTitle(QStringLiteral("Main Menu"));
    m_mdi->setFrameShape(QFrame::NoFrame);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(m_mdi);
    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate()
{
    m_settings = Settings::read(m_settingsLocation.readPath);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (!Settings::write(m_settingsLocation.writePath, m_settings))
        m_prompt.error(QStringLiteral("The settings could not be written to %1.").arg(m_settingsLocation.writePath));
    event->accept();
}

} // namespace kv
