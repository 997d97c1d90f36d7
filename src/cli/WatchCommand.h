#pragma once
// kv481 watch: live readings as `read` prints them, with alarm limits, the
// watchdog on the meter, a command run for each event and the rate of rise.

#include <QStringList>

namespace kv {

// args: the program name, then the options. Returns the exit code.
int watchCommand(const QStringList &args);

} // namespace kv
