#pragma once
// kv481 publish: live readings to an MQTT broker until interrupted.

#include <QStringList>

namespace kv {

// args: the program name, then the command's options.
int publishCommand(const QStringList &args);

} // namespace kv
