#pragma once
// The link to the meter: the port list and the start-up search, the live
// polling tick, losing and regaining the meter, and the meter's keys. It
// knows nothing of windows and owns no timer: LiveRun drives the tick and
// hands each reading on; the link says what is to be shown through signals.

#include "link/LiveFrame.h"
#include "link/PortInfo.h"
#include "link/Reading.h"

#include <QObject>
#include <QStringList>

#include <algorithm>
#include <deque>

namespace kv {

class Clock;
class Prompt;
class SerialPort;

class MeterLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int kStartInterval = 700; // ms, the timer's first period
    static constexpr int kMinInterval = 500;
    static constexpr int kAnswerWaitMs = 2000; // the longest a meter takes to answer
    // Ticks are kept within this much of the middle of their second of the
    // clock (so 200 ms or more from its turn), moved back towards it by at
    // most this much a tick.
    static constexpr int kPhaseBandMs = 300;
    static constexpr int kPhaseStepMs = 100;

    MeterLink(SerialPort &port, Clock &clock, Prompt &prompt, QObject *parent = nullptr);

    // State shared with the rest of the program.
    bool connected() const { return m_connected; }
    int model() const { return m_model; }
    int channelCount() const { return m_channels; }
    int portIndex() const { return m_portIndex; }
    int missCount() const { return m_missCount; }
    bool skipRequest() const { return m_skipRequest; }
    bool tickBusy() const { return m_tickBusy; }
    const Frame &lastFrame() const { return m_decoder.lastFrame(); }
    const Reading &reading() const { return m_decoder.reading(); }
    int interval() const { return m_interval; }
    SerialPort &port() { return m_port; }

    void setModel(int model) { m_model = model; }
    void setPortIndex(int index) { m_portIndex = index; }

    // The port list: fills it, selects entry 0 and names its device (the
    // port stays closed).
    void setPortList(const QStringList &entries);
    QStringList portList() const { return m_entries; }

    // The live port list: the ports given by name (which stay listed
    // whatever the system says), then the system's. Like setPortList().
    void setPorts(const QStringList &named, const QList<PortInfo> &system);
    // The system's ports changed. Ports that came are listed (and, while no
    // meter is connected, searched at the next tick as at start-up); ports
    // that went are removed. When the port of the meter went, a port that
    // comes back with its USB identity is taken at the next tick.
    void updatePorts(const QList<PortInfo> &system);
    // What is known of an entry (only its name for a port given by name).
    PortInfo portInfo(int entry) const;
    // What is known of the port in use.
    PortInfo currentPortInfo() const;
    // The USB identity the link waits to see again; empty when none.
    QString followedIdentity() const { return m_follow; }
    // The entries that came while no meter was connected and are not yet searched.
    QStringList pendingSearch() const { return m_pendingSearch; }
    int selectedEntry() const { return m_selected; }
    // The port the user asked for: the first of the list (the ports named
    // on the command line come first), then whichever the user picks.
    QString askedPort() const { return m_askedPort; }
    // Why the asked-for port does not work, in words the user can act on;
    // empty while nothing is known against it. It stays until that port
    // opens, a meter answers, or the user picks a port.
    QString askedPortProblem() const { return m_askedPortProblem; }

    // The start-up search over every entry of the port list.
    void SearchMeter();
    // Takes a 4-byte identification reply; always reports success.
    bool RecogniseModel(const QByteArray &reply);
    // Another entry of the port list was picked.
    void choosePort(int index);
    // The hidden COM Port menu: port 1 to 8.
    void SelectPort(int n);
    // Waits ms milliseconds while events are processed; the time it took.
    qint64 Delay(int ms);
    // One tick of the poll timer.
    void ThTimer1Timer();
    // Waits, processing events, until no tick is running (at most maxMs).
    void waitForTick(int maxMs = 2600);
    // Asks the meter for a frame outside the tick (the first request after
    // the start-up search); a failing port is ignored.
    void requestFrame();
    // Readies the line for another exchange (the logger download): lets the
    // answer to every request still owed one arrive, sleeping in the port
    // until each has come or maxMs have passed since it was asked for, then
    // discards every byte received. Without it a frame still on its way
    // lands in front of the next answer. The tick must not run meanwhile; a
    // failing port is left to the exchange to find.
    void settleLine(int maxMs = kAnswerWaitMs);
    // The meter answered an exchange outside the tick (a logger download):
    // it is there, so the ticks that found no frame before and around it
    // (the polling was paused, the first tick after it has nothing owed)
    // do not count towards losing it.
    void meterAnswered() { m_missCount = std::min(m_missCount, 0); }
    // The poll timer runs again after a pause (a download, a question while
    // closing): the next tick only notes its time, as the first one does,
    // instead of coming half a second after it to make up for the pause,
    // which would give two samples of a one-second recording one second.
    void pollingResumed() { m_firstTick = true; }
    // The requests ("A", "K") whose answers have not all reached the port
    // yet, oldest first, and the bytes still to come for them.
    int answersOwed() const { return int(m_owed.size()); }
    int bytesOwed() const;

    // The meter's keys, sent as the panel's pictured keys are pressed:
    // REL, HOLD, T1/T2, C/F, and MAX MIN (pressed and released, held for
    // two seconds or more it leaves the mode).
    void pressRel();
    void pressHold();
    void pressTT();
    void pressCF();
    void pressMma();
    void releaseMma();

Q_SIGNALS:
    void portListChanged(const QStringList &entries, int selected);
    void portStatusChanged(const QString &text);
    // What the system says of the port in use (description, by-id name);
    // empty when it says nothing.
    void portDetailsChanged(const QString &text);
    void connectionStatusChanged(const QString &text);
    void noConnectionChanged(bool shown);
    // The tick lost the meter (false) or found it again (true).
    void connectionChanged(bool connected);
    void portItemChecked(int index); // 0 to 3 for Com1 to Com4, -1 none
    void modelRecognised(int model);
    // A changed frame was decoded; previous is the reading before it.
    void frameDecoded(const kv::Reading &previous);
    // Every tick while connected, after the frame request: the tick's
    // date-time, and whether a valid frame confirmed the reading in this
    // tick or the one before (a silent meter's last reading is stale).
    void liveTick(double dateTime, bool readingFresh);
    void intervalChanged(int ms);
    void busy(bool on);
    // The start-up search is over (whatever it found).
    void searchFinished();
    // A port would not open: why, in words the user can act on. The search
    // skips such a port and goes on.
    void portProblem(const QString &text);
    // askedPortProblem() changed (empty: the problem is over).
    void askedPortProblemChanged(const QString &text);

private:
    void select(int entry);
    bool openPort();
    void askFor(const QString &device);
    void setAskedPortProblem(const QString &text);
    void setPortStatus(const QString &text);
    void setConnectionStatus(const QString &text);
    void showNoConnection(bool shown);
    void dispatchFrame(const Frame &frame);
    void regulate(double now, qint64 tickCount);
    // How much earlier (negative: later) the next tick is to come to keep
    // the ticks away from the turn of the second.
    static int phaseCorrection(double now);
    void sendKey(char key);
    void ask(const QByteArray &request, int answerBytes);
    void purge();
    // n bytes left the input (read or purged): they were the oldest owed.
    void received(int n);
    // Forgets the answers a meter would have sent by now if it ever will.
    void forgetOverdue(int maxMs);
    // The first owed answer that the waiting bytes do not hold in full.
    std::size_t firstAwaited(int waiting) const;
    void closePort();
    void tick();
    // The live list's part of a tick: follows the meter's identity to its
    // new port, or searches the ports that came. True when a meter answered
    // that search (the port is left open on it).
    bool followOrSearch(bool *probed);
    bool probe(int entry);
    void usePort(int entry);
    void rebuildEntries(const QList<PortInfo> &system);
    // The list entry a port of the system shows as: the name it was given
    // by, or its own.
    QString listedEntryOf(const PortInfo &p) const;
    int entryOfDevice(const QString &device) const;

    SerialPort &m_port;
    Clock &m_clock;
    Prompt &m_prompt;
    FrameDecoder m_decoder;

    bool m_connected = false;
    int m_model = 482;
    int m_channels = 1; // until a meter is identified
    int m_portIndex = 0;
    int m_missCount = 0;
    bool m_skipRequest = false;
    bool m_tickBusy = false;
    int m_interval = kStartInterval;
    bool m_firstTick = true;
    qint64 m_previousTick = 0;
    int m_ticksSinceFrame = 2; // ticks since a valid frame arrived
    // Every request sent and not yet answered in full. The meter answers in
    // order, so the bytes that reach the port belong to the oldest first; a
    // purge does not cancel an answer still on the wire.
    struct OwedAnswer
    {
        int bytes;      // still to come
        qint64 askedAt; // tick count when it was sent
    };
    std::deque<OwedAnswer> m_owed;
    float m_mmaDown = 0.0f;

    QStringList m_entries;
    QList<PortInfo> m_infos; // beside m_entries
    QStringList m_named;     // given by name: listed whatever the system says
    QList<PortInfo> m_system; // the system's ports as last told
    QStringList m_excluded;  // would not open during the search: left out while present
    QStringList m_pendingSearch;
    QString m_follow;
    PortInfo m_inUse; // what was known of the port in use when it was chosen
    int m_selected = -1;
    QString m_askedPort;
    QString m_askedPortProblem;
};

} // namespace kv
