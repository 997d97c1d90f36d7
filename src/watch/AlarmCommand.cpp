#include "watch/AlarmCommand.h"

#include "common/DateTime.h"
#include "files/AnalysisCsv.h"

#include <algorithm>
#include <cmath>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif

namespace kv {

namespace {

QString oneDecimal(double v)
{
    return std::isnan(v) ? QString() : QString::number(v, 'f', 1);
}

} // namespace

QList<QPair<QString, QString>> alarmEventEnvironment(const AlarmEvent &e)
{
    const bool unitless = e.cause == AlarmEvent::Cause::LinkLost || e.cause == AlarmEvent::Cause::Paused;
    QString value = oneDecimal(e.value);
    if (e.cause == AlarmEvent::Cause::Overload && std::isnan(e.value))
        value = QStringLiteral("OL");
    return {
        {QStringLiteral("KV481_EVENT"), e.kindName()},
        {QStringLiteral("KV481_CHANNEL"), e.channel},
        {QStringLiteral("KV481_VALUE"), value},
        {QStringLiteral("KV481_LIMIT"), oneDecimal(e.limit)},
        {QStringLiteral("KV481_TIME"), isoText(fromDateTimeDouble(e.time), true)},
        {QStringLiteral("KV481_CAUSE"), e.causeName()},
        {QStringLiteral("KV481_UNIT"), unitless ? QString() : e.unit},
    };
}

AlarmCommand::AlarmCommand(QObject *parent)
    : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // Nothing to read: a command that reads its input (mail, a script
    // asking a question) ends it at once instead of waiting for ever.
    m_process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    // A group of its own: stopping the command stops what it started too,
    // and a Ctrl+C meant for us does not reach it behind our back.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &AlarmCommand::timedOut);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &AlarmCommand::forwardOutput);
    connect(&m_process, &QProcess::finished, this, &AlarmCommand::ended);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        m_limit.stop();
        Q_EMIT failed(m_running, QStringLiteral("the shell could not run the command (%1)").arg(m_process.errorString()));
        startNext();
    });
}

AlarmCommand::~AlarmCommand()
{
    abandon();
}

void AlarmCommand::setCommand(const QString &command)
{
    m_command = command.trimmed().isEmpty() ? QString() : command;
}

void AlarmCommand::run(const AlarmEvent &event)
{
    if (m_command.isEmpty())
        return;
    m_waiting.push_back(event);
    if (m_process.state() == QProcess::NotRunning)
        startNext();
}

void AlarmCommand::finish(const std::function<bool()> &stopWanted)
{
    while (busy()) {
        if (stopWanted && stopWanted()) {
            abandon();
            return;
        }
        if (m_process.state() == QProcess::NotRunning) {
            startNext();
            continue;
        }
        // In short waits, so that a wish to stop is heard soon.
        const int left = m_limit.isActive() ? m_limit.remainingTime() : 0;
        if (!m_process.waitForFinished(std::clamp(left, 1, 100)) && m_process.state() != QProcess::NotRunning
            && (!m_limit.isActive() || m_limit.remainingTime() <= 0))
            timedOut();
        forwardOutput();
    }
}

void AlarmCommand::abandon()
{
    m_waiting.clear();
    m_limit.stop();
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_killed = true;
    killGroup();
    m_process.waitForFinished(1000);
}

void AlarmCommand::forwardOutput()
{
    if (!m_process.isOpen())
        return;
    const QByteArray b = m_process.readAllStandardOutput();
    if (!b.isEmpty())
        Q_EMIT output(b);
}

void AlarmCommand::killGroup()
{
#ifdef Q_OS_UNIX
    if (m_process.processId() > 0)
        ::kill(-static_cast<pid_t>(m_process.processId()), SIGKILL);
#endif
    m_process.kill();
}

// The command ran out of time: it is ended, the next one starts.
void AlarmCommand::timedOut()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_killed = true;
    Q_EMIT failed(m_running, QStringLiteral("the command still ran after %1 s; stopped")
                                 .arg(QString::number(m_limitMs / 1000.0, 'g', 6)));
    killGroup();
    m_process.waitForFinished(5000); // its finished() starts the next
}

void AlarmCommand::ended(int code, QProcess::ExitStatus status)
{
    m_limit.stop();
    forwardOutput();
    if (!m_killed) {
        if (status == QProcess::CrashExit)
            Q_EMIT failed(m_running, QStringLiteral("the command was killed"));
        else if (code == 127)
            Q_EMIT failed(m_running, QStringLiteral("the command was not found (status 127)"));
        else if (code != 0)
            Q_EMIT failed(m_running, QStringLiteral("the command ended with status %1").arg(code));
    }
    startNext();
}

void AlarmCommand::startNext()
{
    forwardOutput();
    if (m_waiting.empty() || m_process.state() != QProcess::NotRunning)
        return;
    m_running = m_waiting.front();
    m_waiting.pop_front();
    m_killed = false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : alarmEventEnvironment(m_running))
        env.insert(name, value);
    m_process.setProcessEnvironment(env);
    m_limit.start(m_limitMs);
    m_process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), m_command});
}

} // namespace kv
