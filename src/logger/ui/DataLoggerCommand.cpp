#include "logger/ui/DataLoggerCommand.h"

#include "common/Prompt.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "logger/DataSetDecoder.h"
#include "logger/LoggerDownload.h"
#include "logger/ui/TfrmChangeDateTime.h"
#include "logger/ui/TfrmDataLogger.h"
#include "logger/ui/TfrmRetriveProgress.h"
#include "session/LiveRun.h"

#include <QEvent>

namespace kv {

namespace {
// The live polling stays off for the whole transfer and runs again however
// the transfer ends.
class PollingPause
{
public:
    explicit PollingPause(LiveRun &run)
        : m_run(run)
        , m_wasActive(run.polling())
    {
        m_run.pausePolling(QStringLiteral("downloading"));
    }
    ~PollingPause()
    {
        if (m_wasActive)
            m_run.resumePolling();
    }

private:
    LiveRun &m_run;
    bool m_wasActive;
};
} // namespace

DataLoggerCommand::DataLoggerCommand(MeterLink &link, LiveRun &run, Clock &clock, Prompt &prompt,
                                     WindowSource window, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_run(run)
    , m_clock(clock)
    , m_prompt(prompt)
    , m_window(std::move(window))
{
}

void DataLoggerCommand::setTransferring(bool on)
{
    m_transferring = on;
    Q_EMIT transferringChanged(on);
}

bool DataLoggerCommand::eventFilter(QObject *watched, QEvent *event)
{
    // The window that will show the download stays open until it is done.
    if (m_transferring && watched == m_guardedFrame && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void DataLoggerCommand::DataLogger1Click()
{
    // Refused during a transfer, and while a tick runs further down this
    // call stack (waiting for it would never end).
    if (m_transferring || m_link.tickBusy())
        return;
    QPointer<TfrmDataLogger> window = m_window ? m_window(true) : nullptr;
    if (!window)
        return;
    if (!m_link.connected()) {
        m_prompt.information(QStringLiteral("No thermometer is connected !"));
        return;
    }
    window->setDataSetsLoaded(false);
    m_link.waitForTick();

    QByteArray image;
    {
        PollingPause pause(m_run);
        // The frame the last tick asked for may still be on its way; it must
        // not land in front of the memory's header.
        m_link.settleLine();
        m_guardedFrame = window->parentWidget() ? window->parentWidget() : window.data();
        m_guardedFrame->installEventFilter(this);
        setTransferring(true);
        struct Done
        {
            DataLoggerCommand &c;
            ~Done()
            {
                if (c.m_guardedFrame)
                    c.m_guardedFrame->removeEventFilter(&c);
                c.setTransferring(false);
            }
        } done{*this};

        LoggerDownload job(m_link.port(), m_clock);
        m_job = &job;
        TfrmRetriveProgress progress(m_dialogParent);
        progress.follow(job);
        const LoggerDownload::Outcome outcome = job.run(m_link.model());
        progress.hide();
        if (outcome == LoggerDownload::Outcome::Downloaded || outcome == LoggerDownload::Outcome::NoData)
            m_link.meterAnswered();
        switch (outcome) {
        case LoggerDownload::Outcome::Downloaded:
            image = job.takeImage();
            break;
        case LoggerDownload::Outcome::NoData:
            m_prompt.information(LoggerDownload::noDataText());
            return;
        case LoggerDownload::Outcome::ReadError:
            ShowReadError(m_prompt);
            return;
        case LoggerDownload::Outcome::PortFailed:
            // The meter was unplugged or its port went away: say so, rather
            // than leave an empty window.
            m_prompt.error(LoggerDownload::portLostText(m_link.port().deviceName()));
            return;
        case LoggerDownload::Outcome::Cancelled:
            return;
        }
    }
    // Polling runs again while the image is decoded and shown.
    if (window)
        decodeInto(*window, std::move(image));
}

void DataLoggerCommand::cancel()
{
    if (m_job)
        m_job->cancel();
}

bool DataLoggerCommand::showImage(QByteArray image, const QString &file)
{
    if (m_transferring)
        return false;
    // Decoded before the window is made, so that a file holding no data
    // sets opens no empty window.
    const CorrectStartDateTime correct = m_correct ? m_correct : TfrmChangeDateTime::correction(m_dialogParent);
    DecodeResult decoded = decodeImage(std::move(image), correct);
    if (decoded.outcome != DecodeOutcome::Decoded) {
        reportDecodeFailure(decoded, m_prompt);
        return false;
    }
    TfrmDataLogger *window = m_window ? m_window(false) : nullptr;
    if (!window)
        return false;
    window->collectionSlot() = std::move(decoded.collection);
    window->setCollectionFile(file);
    window->fillDataSetList();
    window->ShowDataSet(0);
    window->setDataSetsLoaded(true);
    return true;
}

bool DataLoggerCommand::decodeInto(TfrmDataLogger &window, QByteArray image)
{
    const CorrectStartDateTime correct = m_correct ? m_correct : TfrmChangeDateTime::correction(m_dialogParent);
    if (!DecodeDataSets(std::move(image), correct, m_prompt, window.collectionSlot()))
        return false;
    window.setCollectionFile(QString()); // fresh from the meter: in no file yet
    window.fillDataSetList();
    window.ShowDataSet(0);
    window.setDataSetsLoaded(true);
    return true;
}

} // namespace kv
