// The main window's port list follows the system's ports.

#include "app/TfrmMain.h"

namespace kv {

void TfrmMain::followPorts()
{
    PortEnumerator *ports = m_options.ports;
    if (!ports) {
        // The ports named on the command line are watched too: one that is
        // not there yet is listed and searched when it comes.
        m_systemPorts = std::make_unique<SystemPortEnumerator>(m_options.portFolders, m_options.systemPorts,
                                                               m_options.extraPorts);
        ports = m_systemPorts.get();
    }
    m_portWatcher = std::make_unique<PortWatcher>(*ports);
    // The watcher only starts once the start-up search is over: the search
    // walks the list as it stood when it began.
    connect(m_portWatcher.get(), &PortWatcher::portsChanged, &m_link, &MeterLink::updatePorts);
    m_link.setPorts(m_options.extraPorts, m_portWatcher->current());
}

} // namespace kv
