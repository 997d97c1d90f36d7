#pragma once
// A desktop notification through the freedesktop notification service on
// the session bus. Where there is no bus or no service, nothing happens and
// nothing is said.

#include <QString>

namespace kv {

class DesktopNotifier
{
public:
    // Whether the service is there to ask.
    static bool available();
    // Sends summary and body; false when it could not be sent.
    static bool notify(const QString &summary, const QString &body, bool urgent);
};

} // namespace kv
