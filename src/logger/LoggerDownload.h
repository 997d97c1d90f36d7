#pragma once
// Copies the meter's data-logger memory over the serial link into one memory
// image: "P" for the 256-byte header block, then one "R" per 256-byte block
// until the last address in use is covered. The job has no windows: a
// progress dialog listens to its signals and forwards Cancel, and the
// command around it suspends the live polling, reports the outcome and
// decodes the image.
//
// Everything runs on the calling (GUI) thread. The waits sleep in the port
// until the answer is there or 2 seconds have passed; pending events are
// processed once per block, so a progress dialog repaints and its Cancel
// button works.

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kv {

class Clock;
class SerialPort;

class LoggerDownload : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Downloaded, // the image is ready to decode
        NoData,     // the memory holds only its header block
        ReadError,  // no header, a last address too small for one set, or a silent block
        Cancelled,  // stopped by cancel(): nothing to show, nothing to decode
        PortFailed, // the port itself failed (the meter unplugged, its port gone)
    };
    Q_ENUM(Outcome)

    static constexpr int kBlockSize = 256;
    static constexpr int kAnswerWaitMs = 2000;
    static constexpr int kHeaderAttempts = 3;

    LoggerDownload(SerialPort &port, Clock &clock, QObject *parent = nullptr);

    // Runs the whole transfer and returns when it has ended. model is the
    // connected meter's (482: two channels, 4 bytes per sample; else 2).
    // Events run between blocks: they must not delete the job (deleteLater
    // is fine), and a second run() from one of them is refused at once
    // (Cancelled, the port untouched, no signals).
    Outcome run(int model);

    bool isRunning() const { return m_running; }
    Outcome outcome() const { return m_outcome; }

    // After the header: its last address, the bytes to fetch after the
    // header (last address - 255) and that count rounded up to whole
    // blocks, as the progress shows it.
    int lastAddress() const { return m_lastAddress; }
    int remaining() const { return m_remaining; }
    int totalBytes() const { return m_totalBytes; }
    int bytesReceived() const { return m_received; }
    int requestsSent() const { return m_requests; }

    // The image after Downloaded: header block, then the blocks in arrival
    // order, remaining + 512 bytes long, byte 30 holding the bytes per
    // sample. Empties the job.
    QByteArray takeImage();

    // The message for NoData, exactly as the meter's users know it.
    static QString noDataText();
    // The message for PortFailed: the download was cut short because the
    // port went away under it.
    static QString portLostText(const QString &device);
    // The rounding of remaining to whole blocks.
    static int roundedToBlocks(int bytes);

public Q_SLOTS:
    // Ends a running transfer at the next block.
    void cancel();

Q_SIGNALS:
    // The size checks passed and the first block has been asked for (a
    // progress dialog appears now: its bar runs to remaining).
    void blocksStarting(int remaining, int totalBytes);
    // After each block, and once with 0 before the first.
    void progress(int bytesReceived, int totalBytes);
    void finished(kv::LoggerDownload::Outcome outcome);

private:
    Outcome transfer(int model);
    int waitForAnswer(int enough);
    Outcome end(Outcome outcome);

    SerialPort &m_port;
    Clock &m_clock;
    QByteArray m_image;
    bool m_running = false;
    bool m_cancelled = false;
    Outcome m_outcome = Outcome::ReadError;
    int m_lastAddress = -1;
    int m_remaining = 0;
    int m_totalBytes = 0;
    int m_received = 0;
    int m_requests = 0;
};

} // namespace kv
