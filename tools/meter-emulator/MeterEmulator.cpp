#include "MeterEmulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace emu {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kByteTime = std::chrono::microseconds(1042); // 10 bits at 9600 baud
constexpr std::size_t kReceivedLimit = 1 << 20;

double toF(double c)
{
    return c * 9.0 / 5.0 + 32.0;
}

bool outOfRange(double c)
{
    return c < -200.0 || c > 1372.0;
}

} // namespace

MeterEmulator::MeterEmulator(Options options)
    : m_options(std::move(options))
{
    m_state.model = m_options.model == 481 ? 481 : 482;
    m_options.model = m_state.model;
    m_faults = m_options.faults;
    const int channels = m_state.model == 481 ? 1 : 2;
    if (m_options.memory)
        m_memory = *m_options.memory;
    else
        m_memory = buildMemoryOfKind(m_options.emptyMemory ? MemoryKind::Empty : m_options.memoryKind, channels);
    m_state.t1 = m_base1;
    m_state.t2 = m_base2;
}

MeterEmulator::~MeterEmulator()
{
    stop();
}

bool MeterEmulator::openDevice(std::string *error)
{
    struct termios raw;
    std::memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    raw.c_cflag |= CLOCAL | CREAD;
    char name[256] = {0};
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        if (error)
            *error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_device = name;
    if (!m_options.linkPath.empty()) {
        // A folder of its own for the link is made when missing.
        if (const std::size_t slash = m_options.linkPath.rfind('/'); slash != std::string::npos && slash > 0)
            ::mkdir(m_options.linkPath.substr(0, slash).c_str(), 0755);
        ::unlink(m_options.linkPath.c_str());
        if (::symlink(m_device.c_str(), m_options.linkPath.c_str()) != 0) {
            if (error)
                *error = "symlink " + m_options.linkPath + ": " + std::strerror(errno);
            closeDevice();
            return false;
        }
        const std::string byId = byIdPath();
        if (!byId.empty()) {
            const std::string folder = byId.substr(0, byId.rfind('/'));
            ::mkdir(folder.c_str(), 0755);
            ::unlink(byId.c_str());
            if (::symlink(m_device.c_str(), byId.c_str()) != 0) {
                if (error)
                    *error = "symlink " + byId + ": " + std::strerror(errno);
                closeDevice();
                return false;
            }
        }
    }
    return true;
}

std::string MeterEmulator::byIdPath() const
{
    if (m_options.linkPath.empty() || m_options.usbSerial.empty())
        return std::string();
    const std::size_t slash = m_options.linkPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : m_options.linkPath.substr(0, slash);
    return folder + "/by-id/usb-KV481_Meter_Emulator_" + m_options.usbSerial + "-if00-port0";
}

bool MeterEmulator::replugAs(const std::string &linkPath, std::string *error)
{
    stop();
    m_options.linkPath = linkPath;
    return start(error);
}

void MeterEmulator::closeDevice()
{
    if (!m_options.linkPath.empty())
        ::unlink(m_options.linkPath.c_str());
    if (const std::string byId = byIdPath(); !byId.empty())
        ::unlink(byId.c_str());
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

bool MeterEmulator::start(std::string *error)
{
    if (running())
        return true;
    if (m_master < 0 && !openDevice(error))
        return false;
    if (::pipe(m_wake) != 0) {
        if (error)
            *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    fcntl(m_wake[0], F_SETFL, O_NONBLOCK);
    fcntl(m_wake[1], F_SETFL, O_NONBLOCK);
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void MeterEmulator::wake()
{
    if (m_wake[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &c, 1);
    }
}

void MeterEmulator::stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        wake();
        m_thread.join();
    }
    for (int &fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    closeDevice();
}

void MeterEmulator::unplug()
{
    stop();
}

bool MeterEmulator::replug(std::string *error)
{
    return start(error);
}

std::string MeterEmulator::devicePath() const
{
    return m_device;
}

std::string MeterEmulator::portPath() const
{
    return m_options.linkPath.empty() ? m_device : m_options.linkPath;
}

void MeterEmulator::run()
{
    std::deque<std::uint8_t> out;
    auto nextDue = Clock::now();
    const auto started = Clock::now();
    auto heldUntil = Clock::now(); // a slow frame holds back everything queued
    while (!m_stop) {
        int timeoutMs = 50;
        if (!out.empty()) {
            const auto due = std::max(m_options.paced ? nextDue : Clock::now(), heldUntil);
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
            timeoutMs = wait.count() < 0 ? 0 : static_cast<int>(wait.count());
        }
        struct pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int rc = ::poll(fds, 2, timeoutMs);
        if (rc < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            char buf[64];
            while (::read(m_wake[0], buf, sizeof buf) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            std::uint8_t buf[512];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                for (ssize_t i = 0; i < n; ++i) {
                    if (m_received.size() >= kReceivedLimit)
                        m_received.erase(0, kReceivedLimit / 2);
                    m_received.push_back(static_cast<char>(buf[i]));
                    const Bytes a = handle(buf[i]);
                    if (out.empty())
                        nextDue = Clock::now();
                    if (buf[i] == 'A' && !a.empty() && m_faults.frameDelayMs > 0)
                        heldUntil = Clock::now() + std::chrono::milliseconds(m_faults.frameDelayMs);
                    out.insert(out.end(), a.begin(), a.end());
                }
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            update(std::chrono::duration<double>(Clock::now() - started).count());
        }
        if (out.empty() || Clock::now() < heldUntil)
            continue;
        if (!m_options.paced) {
            std::uint8_t buf[4096];
            std::size_t n = 0;
            while (!out.empty() && n < sizeof buf) {
                buf[n++] = out.front();
                out.pop_front();
            }
            // A line nobody reads loses what is sent, like a real cable.
            [[maybe_unused]] ssize_t w = ::write(m_master, buf, n);
        } else {
            nextDue = std::max(nextDue, heldUntil);
            while (!out.empty() && Clock::now() >= nextDue) {
                const std::uint8_t b = out.front();
                out.pop_front();
                [[maybe_unused]] ssize_t w = ::write(m_master, &b, 1);
                nextDue += kByteTime;
            }
        }
    }
}

void MeterEmulator::update(double elapsed)
{
    const double dt = elapsed - m_elapsed;
    m_elapsed = elapsed;
    if (m_options.drift) {
        m_state.t1 = m_base1 + 0.8 * std::sin(elapsed * 2.0 * M_PI / 90.0) + 0.15 * std::sin(elapsed * 1.7);
        m_state.t2 = m_base2 + 0.5 * std::sin(elapsed * 2.0 * M_PI / 150.0 + 1.0);
    }
    if (!outOfRange(m_state.t1)) {
        m_max1 = std::max(m_max1, m_state.t1);
        m_min1 = std::min(m_min1, m_state.t1);
    }
    if (!outOfRange(m_state.t2)) {
        m_max2 = std::max(m_max2, m_state.t2);
        m_min2 = std::min(m_min2, m_state.t2);
    }
    if (m_state.recording && dt >= 0 && elapsed >= m_nextRecordAt) {
        m_nextRecordAt += m_options.recordIntervalSeconds;
        const bool c = m_recordingSet.celsius;
        auto unit = [c](double v, bool ol) { return ol ? NAN : (c ? v : toF(v)); };
        m_recordingSet.channel1.push_back(unit(m_state.t1, outOfRange(m_state.t1)));
        m_recordingSet.channel2.push_back(unit(m_state.t2, outOfRange(m_state.t2)));
        if (m_recordingSet.channel1.size() >= 16000)
            pressRecord(); // the memory would be full
    }
}

LocalTime MeterEmulator::now() const
{
    if (m_fixedTime)
        return *m_fixedTime;
    std::time_t t = std::time(nullptr);
    std::tm tm;
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool MeterEmulator::t1Overload() const
{
    return outOfRange(m_state.t1);
}

bool MeterEmulator::t2Overload() const
{
    return outOfRange(m_state.t2);
}

double MeterEmulator::displayT1() const
{
    double c = m_state.t1;
    if (m_state.maxMinMode == 1)
        c = m_max1;
    else if (m_state.maxMinMode == 2)
        c = m_min1;
    if (m_state.relative) {
        const double diff = c - m_relRef;
        return m_state.celsius ? diff : diff * 9.0 / 5.0;
    }
    return m_state.celsius ? c : toF(c);
}

double MeterEmulator::displayT2() const
{
    double c = m_state.t2;
    if (m_state.maxMinMode == 1)
        c = m_max2;
    else if (m_state.maxMinMode == 2)
        c = m_min2;
    return m_state.celsius ? c : toF(c);
}

Bytes MeterEmulator::serveBlock()
{
    Bytes block(256, 0xFF);
    for (std::size_t i = 0; i < 256; ++i)
        if (m_servePos + i < m_serving.size())
            block[i] = m_serving[m_servePos + i];
    m_servePos += 256;
    m_state.blocksServed += 1;
    if (m_servePos > static_cast<std::size_t>(lastAddress(m_serving)))
        m_state.downloading = false;
    return block;
}

void MeterEmulator::pressRecord()
{
    if (!m_state.recording) {
        const LocalTime t = now();
        m_recordingSet = DataSetDesc{};
        m_recordingSet.year = t.year;
        m_recordingSet.month = t.month;
        m_recordingSet.day = t.day;
        m_recordingSet.hour = t.hour;
        m_recordingSet.minute = t.minute;
        m_recordingSet.second = t.second;
        m_recordingSet.intervalSeconds = m_options.recordIntervalSeconds;
        m_recordingSet.celsius = m_state.celsius;
        m_nextRecordAt = m_elapsed;
        m_state.recording = true;
    } else {
        m_state.recording = false;
        if (!m_recordingSet.channel1.empty())
            appendRecord(m_memory, m_state.model == 481 ? 1 : 2, m_recordingSet);
        m_recordingSet = DataSetDesc{};
    }
}

Bytes MeterEmulator::handle(std::uint8_t request)
{
    if (m_faults.silent)
        return {};
    const bool two = m_state.model == 482;
    if (request != 'R')
        m_state.downloading = false;

    Bytes a;
    switch (request) {
    case 'K':
        a = {'4', '8', static_cast<std::uint8_t>(two ? '2' : '1'), '\r'};
        break;
    case 'A':
        a = buildFrame();
        break;
    case 'P': {
        m_serving = m_memory;
        if (m_serving.size() < 256)
            m_serving.resize(256, 0xFF);
        if (m_faults.badRecord > 0) {
            // Walk the records to the one to damage and break its end marker.
            const int b = two ? 4 : 2;
            std::size_t p = 256;
            for (int i = 1; p + 14 < m_serving.size(); ++i) {
                const std::size_t n = (m_serving[p + 12] << 8) | m_serving[p + 13];
                const std::size_t end = p + 15 + n * b;
                if (end >= m_serving.size())
                    break;
                if (i == m_faults.badRecord) {
                    m_serving[end] = 0x5A;
                    break;
                }
                p = end + 1;
            }
        }
        a.assign(m_serving.begin(), m_serving.begin() + 256);
        m_servePos = 256;
        m_state.blocksServed = 0;
        m_state.downloading = lastAddress(m_serving) > 255;
        break;
    }
    case 'R':
        if (m_state.downloading) {
            if (m_faults.stopAfterBlocks >= 0 && m_state.blocksServed >= m_faults.stopAfterBlocks)
                return {};
            const int number = m_state.blocksServed + 1;
            a = serveBlock();
            if (number == m_faults.splitBlock) {
                Bytes rest(a.begin() + 200, a.end());
                a.resize(200);
                Bytes out = m_heldBack;
                out.insert(out.end(), a.begin(), a.end());
                m_heldBack = rest;
                return out;
            }
        } else if (!two) {
            m_state.relative = !m_state.relative;
            m_relRef = m_state.t1;
        }
        break;
    case 'T':
        if (two)
            m_state.clockMode = !m_state.clockMode;
        break;
    case 'H':
        m_state.hold = !m_state.hold;
        if (m_state.hold) {
            m_heldT1 = displayT1();
            m_heldT2 = displayT2();
            m_heldOl1 = t1Overload();
            m_heldOl2 = t2Overload();
        }
        break;
    case 'E':
        pressRecord();
        break;
    case 'C':
        m_state.celsius = !m_state.celsius;
        break;
    case 'M':
        if (m_state.maxMinMode == 0) {
            m_max1 = m_min1 = m_state.t1;
            m_max2 = m_min2 = m_state.t2;
            m_state.maxMinMode = 1;
        } else {
            m_state.maxMinMode = m_state.maxMinMode % 3 + 1; // MAX, MIN, both, MAX ...
        }
        break;
    case 'N':
        m_state.maxMinMode = 0;
        break;
    default:
        break;
    }
    if (!m_heldBack.empty() && !a.empty()) {
        Bytes out = m_heldBack;
        out.insert(out.end(), a.begin(), a.end());
        m_heldBack.clear();
        a = out;
    }
    if (m_faults.shortAnswers > 0 && a.size() > static_cast<std::size_t>(m_faults.shortAnswers))
        a.resize(m_faults.shortAnswers);
    return a;
}

Bytes MeterEmulator::answer(std::uint8_t request)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return handle(request);
}

Bytes MeterEmulator::liveFrame()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return buildFrame();
}

void MeterEmulator::setTemperatures(double t1, double t2)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_options.drift = false;
    m_state.t1 = t1;
    m_state.t2 = t2;
    update(m_elapsed);
}

void MeterEmulator::setDrift(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_options.drift = on;
}

void MeterEmulator::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults = faults;
}

Faults MeterEmulator::faults() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults;
}

void MeterEmulator::setSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.silent = silent;
}

void MeterEmulator::setLowBattery(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.lowBattery = on;
}

void MeterEmulator::setAutoPowerOff(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.autoPowerOff = on;
}

void MeterEmulator::setFixedTime(const LocalTime &t)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fixedTime = t;
}

void MeterEmulator::setMemory(const Bytes &memory)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_memory = memory;
}

Bytes MeterEmulator::memory() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_memory;
}

MeterState MeterEmulator::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

std::string MeterEmulator::received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void MeterEmulator::clearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
}

} // namespace emu
