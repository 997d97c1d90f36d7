#pragma once
// The Data Logger command: downloads the meter's logger memory with the live
// polling suspended, decodes it and shows the first data set in the
// data-logger window. Opening a collection file shows its image the same way.

#include "logger/DateTimeCorrection.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace kv {

class Clock;
class LiveRun;
class LoggerDownload;
class MeterLink;
class Prompt;
class TfrmDataLogger;

class DataLoggerCommand : public QObject
{
    Q_OBJECT
public:
    // The data-logger window, created (for a download: with the remembered
    // chart titles) or restored when it is open.
    using WindowSource = std::function<TfrmDataLogger *(bool forDownload)>;

    DataLoggerCommand(MeterLink &link, LiveRun &run, Clock &clock, Prompt &prompt, WindowSource window,
                      QObject *parent = nullptr);

    // Where impossible start dates go for correction (the dialog by
    // default); the progress dialog's parent.
    void setCorrection(CorrectStartDateTime correct) { m_correct = std::move(correct); }
    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

    bool transferring() const { return m_transferring; }
    // Ends a running transfer at the next block, as the dialog's Cancel does.
    void cancel();

    void DataLogger1Click();
    // Decodes the image and shows its first set in the window (created or
    // restored); when decoding fails nothing is opened and an open window
    // keeps what it showed. file: the collection file the image was read
    // from, which the window's title then names.
    bool showImage(QByteArray image, const QString &file = QString());

Q_SIGNALS:
    // A transfer started or ended: commands that would disturb it are
    // unavailable meanwhile.
    void transferringChanged(bool transferring);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool decodeInto(TfrmDataLogger &window, QByteArray image);
    void setTransferring(bool on);

    MeterLink &m_link;
    LiveRun &m_run;
    Clock &m_clock;
    Prompt &m_prompt;
    WindowSource m_window;
    CorrectStartDateTime m_correct;
    QPointer<QWidget> m_dialogParent;
    QPointer<QWidget> m_guardedFrame;
    bool m_transferring = false;
    QPointer<LoggerDownload> m_job;
};

} // namespace kv
