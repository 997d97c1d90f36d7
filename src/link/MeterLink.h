#pragma once
// The link to the meter: the port list and the start-up search, the live
// polling tick, losing and regaining the meter, and the remote key commands.
// It knows nothing of windows; it says what they must show through signals.

#include "link/LiveFrame.h"
#include "link/Reading.h"

#include <QObject>
#include <QStringList>

#include <functional>

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

    // Recording, as Run and Stop set it; the sampling interval in seconds;
    // where the number of points in the real-time graph comes from.
    void setRecording(bool on) { m_recording = on; }
    bool recording() const { return m_recording; }
    void setSamplingRate(int seconds) { m_samplingRate = seconds; }
    int samplingRate() const { return m_samplingRate; }
    int sampleTickCount() const { return m_sampleTickCount; }
    void setPointCountSource(std::function<int()> source) { m_pointCount = std::move(source); }

    // The port list: fills it, selects entry 0 and names its device (the
    // port stays closed).
    void setPortList(const QStringList &entries);
    QStringList portList() const { return m_entries; }
    int selectedEntry() const { return m_selected; }

    // What the status bar and the controls show now.
    QString portStatus() const { return m_portStatus; }
    QString connectionStatus() const { return m_connectionStatus; }
    bool noConnectionShown() const { return m_noConnectionShown; }
    bool runEnabled() const { return m_runEnabled; }
    bool stopEnabled() const { return m_stopEnabled; }
    int checkedPortItem() const { return m_checkedPortItem; }

    // The start-up search over every entry of the port list.
    void SearchMeter();
    // Takes a 4-byte identification reply; always reports success.
    bool RecogniseModel(const QByteArray &reply);
    // The user picked another entry of the port list.
    void ComboBoxDeviceNameChange(int index);
    // The hidden COM Port menu: port 1 to 8.
    void SelectPort(int n);
    // Waits ms milliseconds while events are processed; the time it took.
    qint64 Delay(int ms);
    // One tick of the poll timer.
    void ThTimer1Timer();
    // Waits, processing events, until no tick is running (at most maxMs).
    void waitForTick(int maxMs = 2600);

    // The pictured keys of the panel.
    void btnRELClick();
    void btnHOLDClick();
    void btnTTClick();
    void btnCFClick();
    void btnMMAMouseDown();
    void btnMMAMouseUp();

Q_SIGNALS:
    void portListChanged(const QStringList &entries, int selected);
    void portStatusChanged(const QString &text);
    void connectionStatusChanged(const QString &text);
    void noConnectionChanged(bool shown);
    void recordingControlsChanged(bool runEnabled, bool stopEnabled);
    void portItemChecked(int index); // 0 to 3 for Com1 to Com4, -1 none
    void modelRecognised(int model);
    // A changed frame was decoded; previous is the reading before it.
    void frameDecoded(const kv::Reading &previous);
    // A sample is due: add it to the real-time graph and list.
    void sampleDue(double dateTime);
    void intervalChanged(int ms);
    void busy(bool on);
    void startupBoxCloseRequested();

private:
    void select(int entry);
    void setPortStatus(const QString &text);
    void setConnectionStatus(const QString &text);
    void showNoConnection(bool shown);
    void setRecordingControls(bool runEnabled, bool stopEnabled);
    void dispatchFrame(const Frame &frame);
    void sampleHandOff(double now);
    void regulate(double now);
    void sendKey(char key);
    void tick();

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
    double m_previousTick = 0.0;
    float m_mmaDown = 0.0f;

    bool m_recording = false;
    int m_samplingRate = 2;
    int m_sampleTickCount = 0;
    std::function<int()> m_pointCount;

    QStringList m_entries;
    int m_selected = -1;
    QString m_portStatus;
    QString m_connectionStatus;
    bool m_noConnectionShown = false;
    bool m_runEnabled = false;
    bool m_stopEnabled = false;
    int m_checkedPortItem = -1;
};

} // namespace kv
