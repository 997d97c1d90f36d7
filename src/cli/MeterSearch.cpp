#include "cli/MeterSearch.h"

#include "common/Clock.h"
#include "link/PortInfo.h"
#include "link/PortList.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kv {

namespace cli {

void say(const QString &line)
{
    const QByteArray b = (QStringLiteral("kv481: ") + line + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stderr);
    std::fflush(stderr);
}

namespace {
// Whether the standard output is a pipe whose reader has gone, as when
// the output goes through `head`.
bool outputReaderGone()
{
#ifdef Q_OS_UNIX
    pollfd p{STDOUT_FILENO, 0, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLERR);
#else
    return false;
#endif
}
} // namespace

int fail(const QString &line, int code)
{
    // A reader that took what it wanted and left is no error worth a line.
    if (!outputReaderGone())
        say(line);
    return code;
}

} // namespace cli

MeterSearch::MeterSearch()
    : link(port, SystemClock::instance(), prompt)
{
}

bool MeterSearch::search(const QString &device, const QStringList &folders, QString *why)
{
    entries = device.isEmpty() ? searchOrder(SystemPortEnumerator(folders).ports()) : QStringList{device};
    if (entries.isEmpty()) {
        *why = QStringLiteral("no serial ports found; name one with --port DEVICE");
        return false;
    }
    const auto problem = QObject::connect(&link, &MeterLink::portProblem, [this](const QString &w) { problems << w; });
    link.setPortList(entries);
    link.SearchMeter();
    QObject::disconnect(problem);
    if (link.connected())
        return true;
    if (!device.isEmpty() && !problems.isEmpty()) {
        *why = problems.first();
        return false;
    }
    QString text = entries.size() == 1 ? QStringLiteral("no meter answered on %1").arg(deviceNameFor(entries.first()))
                                       : QStringLiteral("no meter answered on any of %1").arg(entries.join(QStringLiteral(", ")));
    if (!problems.isEmpty())
        text += QStringLiteral(" (%1)").arg(problems.join(QStringLiteral("; ")));
    *why = text;
    return false;
}

namespace {

int g_stopPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_caught = 0;

void onStopSignal(int sig)
{
    g_caught = sig;
#ifdef Q_OS_UNIX
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_stopPipe[1], &c, 1);
#endif
}

} // namespace

StopOnSignal::StopOnSignal()
{
#ifdef Q_OS_UNIX
    if (g_stopPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_stopPipe) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_stopPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] { QCoreApplication::exit(0); });
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#endif
}

StopOnSignal::~StopOnSignal() = default;

int StopOnSignal::caught()
{
    return g_caught;
}

} // namespace kv
