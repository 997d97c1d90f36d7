#include "link/MeterLink.h"

#include "common/Clock.h"
#include "common/LocaleText.h"
#include "common/Prompt.h"
#include "link/PortList.h"
#include "link/SerialPort.h"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {
const QString kNoConnection = QStringLiteral("No Connection");
constexpr int kFrameBytes = 10; // the answer to "A"
constexpr int kIdBytes = 4;     // the answer to "K"

// Clears the busy flag however the handler ends.
class BusyGuard
{
public:
    explicit BusyGuard(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyGuard() { m_flag = false; }

private:
    bool &m_flag;
};

// The time of day as the meter keys take it: a fraction of a day held in
// single precision.
float timeOfDay(double dateTime)
{
    return static_cast<float>(dateTime - std::floor(dateTime));
}
} // namespace

MeterLink::MeterLink(SerialPort &port, Clock &clock, Prompt &prompt, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_clock(clock)
    , m_prompt(prompt)
{
}

void MeterLink::select(int entry)
{
    m_selected = entry;
    Q_EMIT portListChanged(m_entries, m_selected);
}

void MeterLink::setPortList(const QStringList &entries)
{
    setPorts(entries, {});
}

void MeterLink::setPorts(const QStringList &named, const QList<PortInfo> &system)
{
    m_named = named;
    m_excluded.clear();
    m_pendingSearch.clear();
    m_follow.clear();
    rebuildEntries(system);
    select(m_entries.isEmpty() ? -1 : 0);
    m_port.setDeviceName(m_entries.isEmpty() ? QString() : deviceNameFor(m_entries.first()));
    askFor(m_port.deviceName());
}

void MeterLink::setPortStatus(const QString &text)
{
    Q_EMIT portStatusChanged(text);
    Q_EMIT portDetailsChanged(currentPortInfo().details());
}

void MeterLink::setConnectionStatus(const QString &text)
{
    Q_EMIT connectionStatusChanged(text);
}

void MeterLink::showNoConnection(bool shown)
{
    Q_EMIT noConnectionChanged(shown);
}

qint64 MeterLink::Delay(int ms)
{
    const qint64 start = m_clock.tickCount();
    qint64 elapsed = 0;
    while ((elapsed = m_clock.tickCount() - start) <= ms)
        m_clock.idle(static_cast<int>(ms - elapsed + 1));
    return elapsed;
}

void MeterLink::waitForTick(int maxMs)
{
    // The tick never lets events run, so it can only be running here when
    // this is called from inside it; then waiting would never end.
    const qint64 start = m_clock.tickCount();
    while (m_tickBusy && m_clock.tickCount() - start < maxMs)
        m_clock.idle(1);
}

void MeterLink::askFor(const QString &device)
{
    m_askedPort = device;
    setAskedPortProblem(QString());
}

void MeterLink::setAskedPortProblem(const QString &text)
{
    if (text == m_askedPortProblem)
        return;
    m_askedPortProblem = text;
    Q_EMIT askedPortProblemChanged(text);
}

bool MeterLink::openPort()
{
    // Only the port the user asked for speaks on the status bar: the ports
    // the search passes by must not cover what is wrong with that one.
    const bool asked = m_port.deviceName() == m_askedPort;
    if (m_port.open()) {
        if (asked)
            setAskedPortProblem(QString());
        return true;
    }
    QString why = m_port.openFailure();
    if (why.isEmpty())
        why = QStringLiteral("%1 could not be opened").arg(m_port.deviceName());
    Q_EMIT portProblem(why);
    if (asked)
        setAskedPortProblem(why);
    return false;
}

void MeterLink::requestFrame()
{
    try {
        if (m_port.isOpen())
            ask(QByteArrayLiteral("A"), kFrameBytes);
    } catch (const PortAbort &) {
    }
}

void MeterLink::ask(const QByteArray &request, int answerBytes)
{
    forgetOverdue(kAnswerWaitMs);
    m_port.write(request);
    m_owed.push_back({answerBytes, m_clock.tickCount()});
}

int MeterLink::bytesOwed() const
{
    int n = 0;
    for (const OwedAnswer &a : m_owed)
        n += a.bytes;
    return n;
}

void MeterLink::received(int n)
{
    while (n > 0 && !m_owed.empty()) {
        const int taken = std::min(n, m_owed.front().bytes);
        m_owed.front().bytes -= taken;
        n -= taken;
        if (m_owed.front().bytes == 0)
            m_owed.pop_front();
    }
}

std::size_t MeterLink::firstAwaited(int waiting) const
{
    std::size_t i = 0;
    while (i < m_owed.size() && waiting >= m_owed[i].bytes) {
        waiting -= m_owed[i].bytes;
        ++i;
    }
    return i;
}

void MeterLink::forgetOverdue(int maxMs)
{
    // A meter that has not answered a request in that time never will. An
    // answer already in the input has come, however long it waits there to
    // be read (a slow meter's frames queue up, and each tick reads one): it
    // stays owed until it is read, or the bytes of the next answer would
    // be taken for it.
    const qint64 now = m_clock.tickCount();
    const auto from = m_owed.begin() + std::ptrdiff_t(firstAwaited(m_port.isOpen() ? m_port.bytesWaiting() : 0));
    auto to = from;
    while (to != m_owed.end() && now - to->askedAt >= maxMs)
        ++to;
    m_owed.erase(from, to);
}

void MeterLink::closePort()
{
    m_port.close();
    m_owed.clear(); // a closed line owes nothing
}

void MeterLink::purge()
{
    // What is thrown away counts as received; what is still on the wire
    // stays owed.
    const int waiting = m_port.bytesWaiting();
    m_port.purgeInput();
    received(waiting);
}

void MeterLink::settleLine(int maxMs)
{
    try {
        if (!m_port.isOpen())
            return;
        // Every answer still owed is let in, not only the last one: a frame
        // asked for a tick earlier and sent late arrives after a purge that
        // waited only for the last. A meter that has not answered within
        // the time it may take will not answer any more.
        for (;;) {
            forgetOverdue(maxMs);
            if (m_owed.empty())
                break;
            const int due = bytesOwed();
            const int waiting = m_port.bytesWaiting();
            if (waiting >= due)
                break;
            // The oldest answer not in yet, and the time it has left.
            const auto next = m_owed.begin() + std::ptrdiff_t(firstAwaited(waiting));
            const qint64 left = maxMs - (m_clock.tickCount() - next->askedAt);
            // Nothing more in that time: it is not coming.
            if (m_port.waitForBytes(due, static_cast<int>(std::clamp<qint64>(left, 1, maxMs))) <= waiting)
                m_owed.erase(next);
        }
        m_port.purgeInput();
        m_owed.clear();
    } catch (const PortAbort &) {
        m_owed.clear();
    }
}

bool MeterLink::RecogniseModel(const QByteArray &reply)
{
    // The digits before the first zero byte: "48" is a number too (and
    // then not a known model), only a reply without digits keeps the model.
    QByteArray text = reply;
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    bool ok = false;
    const int code = parseInteger(QString::fromLatin1(text.left(3)), &ok);
    if (ok)
        m_model = code;
    if (m_model != 481 && m_model != 482)
        m_model = 482;
    m_channels = m_model == 481 ? 1 : 2;
    Q_EMIT modelRecognised(m_model);
    return true;
}

void MeterLink::SearchMeter()
{
    Q_EMIT busy(true);
    m_connected = false;
    const int count = m_entries.size();
    int entry = -1;
    for (int i = 0; i < count; ++i) {
        entry += 1;
        select(entry);
        m_port.setDeviceName(deviceNameFor(m_entries.at(entry)));
        Delay(300);
        if (!openPort()) {
            // A port that cannot be opened leaves the list for this run.
            m_excluded << m_entries.takeAt(entry);
            m_infos.removeAt(entry);
            entry -= 1;
            select(entry < 0 ? (m_entries.isEmpty() ? -1 : 0) : entry);
            continue;
        }
        try {
            // Bytes left in the line by an earlier session (a frame the meter
            // sent after the last program closed the port) would be taken
            // for the reply.
            purge();
            m_port.write(QByteArrayLiteral("K"));
            Delay(500);
            const int waiting = m_port.bytesWaiting();
            if (waiting >= 4) {
                // Only the first four bytes are looked at; the rest is
                // purged after the search.
                const QByteArray reply = m_port.read(4);
                if (reply.contains("481") || reply.contains("482")) {
                    m_model = reply.contains("481") ? 481 : 482;
                    RecogniseModel(reply);
                    m_connected = true;
                    m_portIndex = i;
                    break;
                }
            }
        } catch (const PortAbort &) {
            // A port that fails while being asked is one without a meter;
            // the search goes on with the next.
        }
        closePort();
    }

    if (m_connected) {
        setAskedPortProblem(QString()); // the meter answers: nothing stands in the way
        setPortStatus(m_port.deviceName());
        setConnectionStatus(QStringLiteral("On Connection"));
    } else {
        if (m_model != 481 && m_model != 482)
            m_model = 481;
        if (m_portIndex >= m_entries.size() || m_portIndex < 0)
            m_portIndex = 0;
        if (m_portIndex < m_entries.size()) {
            select(m_portIndex);
            m_port.setDeviceName(deviceNameFor(m_entries.at(m_portIndex)));
        } else {
            m_port.setDeviceName(QString());
        }
        setPortStatus(m_port.deviceName());
        setConnectionStatus(QStringLiteral("Off Connection"));
    }
    if (!m_port.isOpen() && !m_port.deviceName().isEmpty())
        openPort();
    try {
        if (m_port.isOpen())
            purge();
    } catch (const PortAbort &) {
    }
    Q_EMIT searchFinished();
    Q_EMIT busy(false);
}

void MeterLink::choosePort(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    waitForTick();
    closePort();
    // The user's choice stands: a meter that went is no longer followed.
    m_follow.clear();
    m_selected = index;
    m_port.setDeviceName(deviceNameFor(m_entries.at(index)));
    askFor(m_port.deviceName());
    openPort();
    m_portIndex = index;
}

void MeterLink::SelectPort(int n)
{
    if (n < 1 || n > 8)
        return;
    const QString caption = QStringLiteral("Com%1").arg(n);
    if (m_port.deviceName() == caption)
        return;
    Q_EMIT portItemChecked(n - 1);
    closePort();
    m_portIndex = n - 1;
    m_port.setDeviceName(caption);
    askFor(caption);
    openPort();
    try {
        if (m_port.isOpen())
            purge();
    } catch (const PortAbort &) {
        return;
    }
    setPortStatus(QStringLiteral("COM%1").arg(n));
    setConnectionStatus(m_connected ? QStringLiteral("On Connection") : QStringLiteral("Off Connection"));
}

void MeterLink::dispatchFrame(const Frame &frame)
{
    Reading previous;
    if (m_decoder.dispatchFrame(frame, m_model, &previous))
        Q_EMIT frameDecoded(previous);
}

int MeterLink::phaseCorrection(double now)
{
    // Where in its second of the clock this tick fell, from -500 to 499 ms
    // around the middle of the second.
    const double seconds = now * 86400.0;
    const double offset = (seconds - std::floor(seconds)) * 1000.0 - 500.0;
    if (std::fabs(offset) <= kPhaseBandMs)
        return 0;
    return static_cast<int>(std::clamp(offset, -double(kPhaseStepMs), double(kPhaseStepMs)));
}

void MeterLink::regulate(double now, qint64 tickCount)
{
    // Measured on the monotonic tick count: a clock set back (daylight
    // saving, a correction) must not stretch the interval.
    if (m_firstTick) {
        m_firstTick = false;
    } else {
        const double late = static_cast<double>(tickCount - m_previousTick) - 1000.0;
        // Each tick's time is shown to the second. Ticks that fall near the
        // turn of a second land on either side of it as they come a little
        // early or late, and a one-second recording shows one second twice
        // and skips the next; so a tick near the turn moves the next one a
        // little towards the middle of its second, keeping about a second
        // between requests.
        const double candidate = std::trunc(m_interval - late) - phaseCorrection(now);
        const int next = candidate > kMinInterval ? static_cast<int>(std::min(candidate, 1e6)) : kMinInterval;
        if (next != m_interval) {
            m_interval = next;
            Q_EMIT intervalChanged(m_interval);
        }
    }
    m_previousTick = tickCount;
}

void MeterLink::ThTimer1Timer()
{
    BusyGuard guard(m_tickBusy);
    try {
        tick();
    } catch (const PortAbort &) {
        // A failing port operation ends the tick silently.
    }
}

void MeterLink::tick()
{
    const double now = m_clock.now();
    const qint64 tickCount = m_clock.tickCount();
    bool probed = false;
    const bool found = followOrSearch(&probed);
    bool decoded = false;
    if (m_connected) {
        if (m_port.isOpen() && m_port.bytesWaiting() >= kFrameBytes) {
            const QByteArray bytes = m_port.read(kFrameBytes);
            received(int(bytes.size()));
            if (bytes.size() == kFrameBytes) {
                Frame f;
                std::copy(bytes.begin(), bytes.end(), f.begin());
                if (isFramed(f)) {
                    decoded = true;
                    m_missCount = 0;
                    dispatchFrame(f);
                }
            }
        }
        m_ticksSinceFrame = decoded ? 0 : std::min(m_ticksSinceFrame + 1, 2);
        if (!decoded) {
            if (m_port.isOpen())
                purge();
            m_missCount += 1;
            if (m_missCount > 4) {
                if (m_port.isOpen())
                    purge();
                m_connected = false;
                m_missCount = 0;
                setConnectionStatus(kNoConnection);
                Q_EMIT connectionChanged(false);
                showNoConnection(true);
            }
        }
        if (m_skipRequest) {
            m_skipRequest = false;
            m_missCount -= 1;
        } else if (m_port.isOpen()) {
            ask(QByteArrayLiteral("A"), kFrameBytes);
        }
        Q_EMIT liveTick(now, m_ticksSinceFrame <= 1);
    }
    if (!m_connected) {
        // An adapter that was pulled out is looked for again at its old
        // name on every tick; a failed open of a missing device is cheap.
        if (!m_port.isOpen() && m_port.deviceLost() && !m_port.deviceName().isEmpty() && m_port.open()
            && m_port.deviceName() == m_askedPort)
            setAskedPortProblem(QString());
        if (found) {
            m_connected = true;
        } else if (m_port.isOpen() && m_port.bytesWaiting() >= kIdBytes) {
            const QByteArray reply = m_port.read(kIdBytes);
            received(int(reply.size()));
            m_connected = RecogniseModel(reply);
        }
        if (m_connected) {
            setAskedPortProblem(QString());
            setConnectionStatus(QStringLiteral("ON Connection"));
            showNoConnection(false);
            m_ticksSinceFrame = 2; // no frame has confirmed a reading yet
            Q_EMIT connectionChanged(true);
            if (m_portIndex >= 0 && m_portIndex <= 3)
                Q_EMIT portItemChecked(m_portIndex);
        } else {
            if (m_port.isOpen()) {
                purge();
                ask(QByteArrayLiteral("K"), kIdBytes);
            }
            setConnectionStatus(kNoConnection);
            showNoConnection(true);
        }
    }
    regulate(now, tickCount);
    // The search waited in the port; the next tick is not to make up for it.
    if (probed)
        m_firstTick = true;
}

void MeterLink::sendKey(char key)
{
    if (!m_connected) {
        m_prompt.information(kNoConnection);
        return;
    }
    m_skipRequest = true;
    try {
        m_port.write(QByteArray(1, key));
    } catch (const PortAbort &) {
        // The click ends silently; the request of the next tick is still skipped.
    }
}

void MeterLink::pressRel()
{
    sendKey(m_model == 481 ? 'R' : 'T');
}

void MeterLink::pressHold()
{
    sendKey('H');
}

void MeterLink::pressTT()
{
    sendKey('E');
}

void MeterLink::pressCF()
{
    sendKey('C');
}

void MeterLink::pressMma()
{
    m_mmaDown = timeOfDay(m_clock.now());
}

void MeterLink::releaseMma()
{
    if (!m_connected) {
        m_prompt.information(kNoConnection);
        return;
    }
    m_skipRequest = true;
    const float held = timeOfDay(m_clock.now()) - m_mmaDown;
    // Longer than two seconds leaves MAX/MIN; a press across midnight comes
    // out negative and counts as short.
    const char key = held > 0.000023148148f ? 'N' : 'M';
    try {
        m_port.write(QByteArray(1, key));
    } catch (const PortAbort &) {
    }
}

} // namespace kv
