#pragma once
// The meter link over a scripted meter and a hand-moved clock, as the
// link's and the recorder's tests drive it.

#include "common/Clock.h"
#include "link/MeterLink.h"

#include "support/LinkWatch.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompt.h"

#include <QtTest>

namespace kv::test {

struct LinkRig
{
    ManualClock clock;
    ScriptedPort port;
    ScriptedPrompt prompt;
    MeterLink link{port, clock, prompt};
    LinkWatch watch{link};
    ScriptedMeter meter;

    explicit LinkRig(int model = 482, const QStringList &entries = {QStringLiteral("/dev/meter")})
    {
        meter.model = model;
        for (const QString &e : entries)
            port.devices[e] = meter.device();
        link.setPortList(entries);
    }
    // The meter answers from now on with this frame, and the answer to the
    // last request is already waiting.
    void answer(const QByteArray &frame)
    {
        meter.frame = frame;
        port.input = frame;
    }
    void goSilent()
    {
        meter.silent = true;
        port.input.clear();
    }
    void tick(int ms = 1000)
    {
        clock.advanceMs(ms);
        link.ThTimer1Timer();
    }
    // Searched, connected, and the first request sent as start-up does.
    void connect()
    {
        link.SearchMeter();
        QVERIFY(link.connected());
        link.requestFrame();
    }
};

} // namespace kv::test
