#pragma once
// What one tick of the live run hands to whoever listens: the reading, its
// time, whether a frame confirmed it, and the meter that gave it. And the
// gate that picks the ticks a listener takes a sample from.

#include "link/Reading.h"

#include <QMetaType>
#include <QString>

namespace kv {

// Which meter answers: the adapter it is plugged into where that has an
// identity of its own (a serial number, or ids and socket), else the port
// it is on; and its model.
struct MeterIdentity
{
    QString usb;  // empty for a port with nothing to tell it by
    QString port; // the device
    int model = 0; // 0 while no meter answers

    bool isEmpty() const { return model == 0; }
    // The same meter: the same adapter where it has an identity, else the
    // same port; and the same model.
    bool sameMeter(const MeterIdentity &o) const;
    // For messages: "the 482 on /dev/ttyUSB0 (adapter A1B2C3D4)".
    QString text() const;
};

struct LiveSample
{
    double dateTime = 0.0; // the tick's date-time
    Reading reading;
    // A valid frame confirmed the reading in this tick or the one before (a
    // silent meter's last reading is stale).
    bool fresh = false;
    MeterIdentity meter;

    int model() const { return meter.model; }
};

// Picks the ticks to take a sample from: one every `every` ticks, the first
// at once; a due sample waits for a reading a frame confirmed, never a
// stale one. A two-channel meter showing its clock gives no temperatures:
// a sample due then is passed over, unless clock readings are taken.
class SampleGate
{
public:
    explicit SampleGate(int every = 1) { setEvery(every); }

    void setEvery(int ticks) { m_every = ticks < 1 ? 1 : ticks; }
    int every() const { return m_every; }
    // Ticks counted since the last sample.
    int ticks() const { return m_ticks; }
    // The next fresh tick takes a sample, however few ticks came before.
    void takeNextAtOnce() { m_atOnce = true; }
    void setTakesClockReadings(bool on) { m_clockReadings = on; }

    // One tick; true when a sample is to be taken from it. atOnce: take it
    // whatever the count (the recording's empty graph).
    bool due(const LiveSample &s, bool atOnce = false);

private:
    int m_every = 1;
    int m_ticks = 0;
    bool m_atOnce = true;
    bool m_clockReadings = false;
};

} // namespace kv

Q_DECLARE_METATYPE(kv::LiveSample)
