#pragma once
// "Publish Readings…" in the main window: the dialog, and the publisher fed
// from the meter link at the tool bar's sampling rate while the meter is
// connected, recording or not. The broker's state is told in words for the
// status bar.

#include "publish/MqttPublisher.h"
#include "publish/ui/TfrmPublish.h"
#include "session/LiveSample.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace kv {

class LiveRun;
class MeterLink;
class Prompt;

class PublishCommand : public QObject
{
    Q_OBJECT
public:
    PublishCommand(LiveRun &run, Prompt &prompt, std::function<int()> samplingRate, QObject *parent = nullptr);
    ~PublishCommand() override;

    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

    // The options from the settings file; publishing starts once the meter
    // is connected when they say so.
    void setOptions(const PublishOptions &options);
    const PublishOptions &options() const { return m_options; }

    // Opens the dialog (not blocking); its answer is applied when it closes.
    void PublishReadings1Click();
    TfrmPublish *dialog() const { return m_dialog; }

    // Says "offline" and lets go of the broker (the program is closing).
    void stop();

    MqttPublisher &publisher() { return m_publisher; }
    // The state in words; empty while publishing is off.
    QString statusText() const;

Q_SIGNALS:
    void statusChanged(const QString &text);

private:
    void apply();
    void onTick(const LiveSample &s);

    MeterLink &m_link;
    Prompt &m_prompt;
    std::function<int()> m_samplingRate;
    QWidget *m_dialogParent = nullptr;
    QPointer<TfrmPublish> m_dialog;
    PublishOptions m_options;
    MqttPublisher m_publisher;
    QString m_device; // the port the running publisher named the meter after
    QString m_problem;
    QString m_warning; // about options that work, e.g. a password file others may read
    SampleGate m_gate;
};

} // namespace kv
