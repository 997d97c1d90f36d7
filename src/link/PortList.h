#pragma once
// The serial ports the program offers, and the device name each one opens.

#include <QStringList>

namespace kv {

// The devices given on the command line first, then (unless told not to)
// the serial ports the system registers, in the order it gives them.
QStringList portListEntries(const QStringList &extraDevices, bool systemPorts = true);

// The device name for a port list entry: "\\.\COM12" on Windows (so that
// ports above COM9 open too); a path as it is, or /dev/ + the port's name,
// elsewhere.
QString deviceNameFor(const QString &entry);

} // namespace kv
