#include "logger/LoggerDownload.h"

#include "common/Clock.h"
#include "link/SerialPort.h"
#include "logger/DataSet.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kv {

namespace {
const QByteArray kHeaderRequest("P");
const QByteArray kBlockRequest("R");
// One data set of one one-channel sample: the least a memory in use holds.
constexpr int kSmallestSet = kRecordOverhead + 2;
} // namespace

LoggerDownload::LoggerDownload(SerialPort &port, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_clock(clock)
{
}

QString LoggerDownload::noDataText()
{
    return QStringLiteral("There was not any data recorded in momery of meter !");
}

QString LoggerDownload::portLostText(const QString &device)
{
    return QStringLiteral("The download stopped: the connection to the meter on %1 was lost. Nothing of it "
                          "was kept. Check that the meter is plugged in and switched on, then try again.")
        .arg(device);
}

int LoggerDownload::roundedToBlocks(int bytes)
{
    return (bytes + kBlockSize - 1) / kBlockSize * kBlockSize;
}

void LoggerDownload::cancel()
{
    if (m_running)
        m_cancelled = true;
}

QByteArray LoggerDownload::takeImage()
{
    return std::exchange(m_image, QByteArray());
}

LoggerDownload::Outcome LoggerDownload::run(int model)
{
    if (m_running)
        return Outcome::Cancelled; // never two transfers on one port
    m_running = true;
    m_cancelled = false;
    m_image.clear();
    m_lastAddress = -1;
    m_remaining = m_totalBytes = m_received = m_requests = 0;
    Outcome o;
    try {
        o = transfer(model);
    } catch (const PortAbort &) {
        o = Outcome::PortFailed;
    }
    return end(o);
}

LoggerDownload::Outcome LoggerDownload::end(Outcome outcome)
{
    if (outcome != Outcome::Downloaded)
        m_image.clear(); // a failed transfer leaves nothing behind
    m_outcome = outcome;
    m_running = false;
    Q_EMIT finished(outcome);
    return outcome;
}

// Sleeps in the port until `enough` bytes are queued or 2 s have passed
// since the request, and returns what is queued then.
int LoggerDownload::waitForAnswer(int enough)
{
    const qint64 start = m_clock.tickCount();
    int queued = m_port.bytesWaiting();
    while (queued < enough) {
        const qint64 left = kAnswerWaitMs - (m_clock.tickCount() - start);
        if (left <= 0)
            break;
        queued = m_port.waitForBytes(enough, static_cast<int>(left));
    }
    return m_port.bytesWaiting();
}

LoggerDownload::Outcome LoggerDownload::transfer(int model)
{
    m_port.purgeInput();

    // The header block. A short answer is not purged: its bytes count
    // towards the next attempt's.
    QByteArray header;
    for (int attempt = 0; attempt < kHeaderAttempts && header.isEmpty(); ++attempt) {
        m_port.write(kHeaderRequest);
        ++m_requests;
        if (waitForAnswer(kBlockSize) >= kBlockSize)
            header = m_port.read(kBlockSize);
    }
    if (header.size() < kBlockSize)
        return Outcome::ReadError;

    m_lastAddress = readU16(header, kLastAddressOffset);
    m_remaining = m_lastAddress - (kHeaderSize - 1);
    if (m_remaining == 0)
        return Outcome::NoData;
    if (m_remaining < kSmallestSet)
        return Outcome::ReadError;

    // Allocated once: the header, the blocks, and room for the last block
    // running past the last address.
    m_totalBytes = roundedToBlocks(m_remaining);
    m_image = QByteArray(m_remaining + 2 * kBlockSize, '\0');

    // One "R" per block the memory holds, never more: an "R" the meter does
    // not expect reaches it as a key press. Bytes an answer left queued (it
    // came in parts, or held more than a block) count towards the next block.
    const int blocksInMemory = m_totalBytes / kBlockSize;
    int blocksAsked = 0;
    while (m_received < m_remaining) {
        if (m_cancelled)
            return Outcome::Cancelled;
        int queued;
        if (blocksAsked < blocksInMemory) {
            m_port.write(kBlockRequest);
            ++m_requests;
            if (++blocksAsked == 1) {
                // Told once the first block is on its way: a progress
                // window takes a good part of a block's time to appear, and
                // the meter sends meanwhile.
                Q_EMIT blocksStarting(m_remaining, m_totalBytes);
                Q_EMIT progress(0, m_totalBytes);
            }
            queued = waitForAnswer(kBlockSize);
        } else {
            // Everything has been asked for; the rest of an answer that came
            // in parts is still on its way.
            queued = waitForAnswer(std::min(kBlockSize, m_remaining - m_received));
        }
        if (queued == 0)
            return Outcome::ReadError;
        if (m_cancelled)
            return Outcome::Cancelled;
        const int room = m_image.size() - kHeaderSize - m_received;
        const QByteArray block = m_port.read(std::min({queued, kBlockSize, room}));
        std::memcpy(m_image.data() + kHeaderSize + m_received, block.constData(), block.size());
        m_received += block.size();
        Q_EMIT progress(m_received, m_totalBytes);
        m_clock.idle(0); // repaint the progress, see Cancel
    }

    std::memcpy(m_image.data(), header.constData(), kHeaderSize);
    m_image[kBytesPerSampleOffset] = static_cast<char>(model == 482 ? 4 : 2);
    return Outcome::Downloaded;
}

} // namespace kv
