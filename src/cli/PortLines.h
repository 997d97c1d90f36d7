#pragma once
// The serial ports as `kv481 ports` prints them: TAB-separated lines (the
// device, then description, maker, "USB vvvv:pppp" and serial number), or
// one JSON object a line with the device, its by-id name, description, maker,
// vendor and product ids (four hex digits, null when not on USB) and serial
// number.

#include "link/PortInfo.h"

#include <QByteArray>

namespace kv {

enum class PortsFormat { Tsv, Jsonl };

QByteArray portLine(PortsFormat format, const PortInfo &port);

} // namespace kv
