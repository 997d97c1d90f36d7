#pragma once
// Why a serial port would not open, in words a user can act on: no right to
// use the device (and on Linux the group to join), another program holding
// it, or a device that is no longer there.

#include <QString>

namespace kv {

enum class PortProblemKind { None, Permission, Busy, Vanished, Other };

// What is known about one failed open. The system is asked for these by
// portOpenFacts(); tests fill them in by hand.
struct PortOpenFacts
{
    QString device;
    PortProblemKind reported = PortProblemKind::Other; // as the port library classed it
    QString systemText;  // the library's own error text
    bool exists = true;  // the device node is there
    bool accessDenied = false; // this process may not read and write it
    QString group;       // the device's group ("dialout"), when known
    bool inGroup = false; // this process holds that group
    bool userListedInGroup = false; // the user is a member, but not in this session yet
};

struct PortProblem
{
    PortProblemKind kind = PortProblemKind::None;
    QString text; // one sentence naming the device; empty when kind is None
};

// The plain words for the facts.
PortProblem describePortProblem(const PortOpenFacts &facts);

// Gathers the facts about device after the port library refused to open it
// (reported: its classification; systemText: its error text).
PortOpenFacts portOpenFacts(const QString &device, PortProblemKind reported, const QString &systemText);

} // namespace kv
