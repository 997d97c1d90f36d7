#include "app/WholeRunCommand.h"

#include "app/TfrmMain.h"
#include "views/TfrmWholeRun.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace kv {

WholeRunCommand::WholeRunCommand(TfrmMain &main, Prompt &prompt, QObject *parent)
    : QObject(parent)
    , m_main(main)
    , m_prompt(prompt)
{
    setObjectName(QStringLiteral("WholeRunCommand"));
}

void WholeRunCommand::WholeRun1Click()
{
    if (m_window) {
        if (QMdiSubWindow *frame = TfrmMain::frameOf(m_window)) {
            frame->showNormal();
            m_main.mdiArea()->setActiveSubWindow(frame);
        }
        return;
    }
    m_window = new TfrmWholeRun(m_main.liveRun(), m_main.settings().minScale, m_main.settings().maxScale,
                                m_main.graphTemplate(), m_prompt);
    if (QMdiSubWindow *frame = m_main.children().add(m_window)) {
        frame->resize(760, 440);
        m_main.mdiArea()->setActiveSubWindow(frame);
    }
}

} // namespace kv
