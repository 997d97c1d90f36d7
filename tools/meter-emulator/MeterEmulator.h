#pragma once
// A model 481 or 482 thermometer on a pseudo-terminal. It answers "K" with
// its model, "A" with a 10-byte live frame of its current state, takes the
// key bytes as its keys would, and serves its logger memory on "P" and "R".
// It runs on a thread of its own, so it answers while the program under
// test blocks, and it can be started in-process or by the meter-emulator
// program.

#include "LoggerMemory.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace emu {

struct Faults
{
    bool silent = false;      // answer nothing at all
    int shortAnswers = 0;     // above 0: every answer is cut to this many bytes
    bool badStartMark = false; // live frames start with 0x00 instead of 0x02
    bool badEndMark = false;   // live frames end with 0x00 instead of 0x03
    int stopAfterBlocks = -1; // after this many memory blocks, no more answers to "R"
    int splitBlock = -1;      // this block (1 = first after the header) goes out as
                              // 200 bytes, its last 56 with the next answer
    int badRecord = -1;       // this record (1 = first) is served with a broken end marker
    int frameDelayMs = 0;     // a live frame goes out this late; answers to later
                              // requests wait behind it, as on one line
};

struct LocalTime
{
    int year = 2026, month = 12, day = 8, hour = 12, minute = 0, second = 0;
};

struct Options
{
    int model = 482;
    bool paced = false;     // 9600 baud: about 1.04 ms a byte
    std::string linkPath;   // a symlink to the device, made at start
    // With a link: the adapter's serial number, shown as a USB adapter's is,
    // by a second link "by-id/usb-KV481_Meter_Emulator_<serial>-if00-port0"
    // in the link's folder. It stays the same when the meter is replugged
    // under another link name.
    std::string usbSerial;
    bool drift = true;      // temperatures wander slowly by themselves
    Faults faults;
    std::optional<Bytes> memory; // logger memory; else built as memoryKind says
    MemoryKind memoryKind = MemoryKind::Demo;
    bool emptyMemory = false;    // the same as memoryKind Empty
    int recordIntervalSeconds = 2; // interval of sets recorded with the REC key
};

// What the meter is doing, as its display would tell.
struct MeterState
{
    int model = 482;
    double t1 = 0, t2 = 0; // probe temperatures, degrees C
    bool celsius = true;
    bool hold = false;
    bool relative = false;
    bool clockMode = false;
    bool recording = false;
    int maxMinMode = 0;
    bool lowBattery = false;
    bool autoPowerOff = true;
    bool downloading = false;
    int blocksServed = 0;
};

class MeterEmulator
{
public:
    explicit MeterEmulator(Options options = {});
    ~MeterEmulator();
    MeterEmulator(const MeterEmulator &) = delete;
    MeterEmulator &operator=(const MeterEmulator &) = delete;

    bool start(std::string *error = nullptr);
    void stop();
    bool running() const { return m_thread.joinable(); }

    // The pseudo-terminal's device (e.g. /dev/pts/4) and the symlink, if any.
    std::string devicePath() const;
    std::string linkPath() const { return m_options.linkPath; }
    // The link when there is one, else the device.
    std::string portPath() const;

    // The adapter pulled out: the device closes (the program's port hangs
    // up) and the link disappears. replug() brings a new device back at the
    // same link.
    void unplug();
    bool replug(std::string *error = nullptr);
    // Back under another link name (as an adapter that gets a new name in
    // another socket); the by-id link, if any, follows.
    bool replugAs(const std::string &linkPath, std::string *error = nullptr);
    // The by-id link, empty without a USB serial number.
    std::string byIdPath() const;

    void setTemperatures(double t1, double t2); // degrees C; stops the drift
    void setDrift(bool on);
    void setFaults(const Faults &faults);
    Faults faults() const;
    void setSilent(bool silent);
    void setLowBattery(bool on);
    void setAutoPowerOff(bool on);
    void setFixedTime(const LocalTime &t); // the clock the meter shows
    void setMemory(const Bytes &memory);
    Bytes memory() const;
    MeterState state() const;

    // Every byte the meter received, in order (the last megabyte).
    std::string received() const;
    void clearReceived();

    // The answer the meter gives to one request byte, without the line (for
    // tests of the emulator itself).
    Bytes answer(std::uint8_t request);
    // The live frame it would send now.
    Bytes liveFrame();

private:
    void run();
    bool openDevice(std::string *error);
    void closeDevice();
    void wake();
    void update(double elapsedSeconds);
    Bytes handle(std::uint8_t request); // with m_mutex held
    Bytes buildFrame();
    Bytes serveBlock();
    void pressRecord();
    LocalTime now() const;
    double displayT1() const;
    double displayT2() const;
    bool t1Overload() const;
    bool t2Overload() const;

    Options m_options;
    mutable std::mutex m_mutex;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::string m_device;

    // Meter state, guarded by m_mutex.
    MeterState m_state;
    Faults m_faults;
    Bytes m_memory;
    Bytes m_serving; // the memory as this download serves it
    std::size_t m_servePos = 0;
    Bytes m_heldBack;
    double m_elapsed = 0;
    double m_base1 = 23.4, m_base2 = 21.7;
    double m_max1 = 0, m_min1 = 0, m_max2 = 0, m_min2 = 0;
    double m_relRef = 0;
    double m_heldT1 = 0, m_heldT2 = 0;
    bool m_heldOl1 = false, m_heldOl2 = false;
    std::optional<LocalTime> m_fixedTime;
    DataSetDesc m_recordingSet;
    double m_nextRecordAt = 0;
    std::string m_received;
};

} // namespace emu
