#include "support/ShellRun.h"

#include "support/BuildPaths.h"

#include <QtTest>

#include <csignal>
#include <sys/prctl.h>

namespace kv::test {

QProcessEnvironment kv481Environment(const QString &locale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_TIME", "LC_NUMERIC"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LC_ALL"), locale);
    return env;
}

Run kv481(const QStringList &args, const QString &locale, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(kv481Environment(locale));
    p.start(kv::test::builtFile(QStringLiteral("kv481")), args);
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus();
    r.exitCode = r.status == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

void verifyOneErrorLine(const Run &r, const QString &expected)
{
    QCOMPARE(r.status, QProcess::NormalExit);
    QVERIFY2(r.exitCode != 0, qPrintable(r.err));
    QVERIFY2(r.err.startsWith(QLatin1String("kv481: ")), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QVERIFY2(r.err.contains(expected), qPrintable(r.err));
}

void addFormatRows()
{
    QTest::addColumn<QString>("format");
    for (const char *format : {"csv", "tsv", "jsonl"})
        QTest::newRow(format) << QString::fromLatin1(format);
}

QList<QByteArray> outputLines(const QByteArray &out)
{
    QList<QByteArray> lines = out.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QList<QByteArray> dataLines(const QByteArray &out)
{
    QList<QByteArray> lines = outputLines(out);
    lines.removeIf([](const QByteArray &l) { return l.startsWith('#'); });
    return lines;
}

QByteArray writeMemory(const QString &path, const QStringList &args)
{
    QProcess p;
    p.start(kv::test::emulatorProgram(), args + QStringList{QStringLiteral("--write-memory"), path});
    p.waitForFinished(10000);
    return fileBytes(path);
}

Kv481Process::Kv481Process(const QStringList &args, const QProcessEnvironment &env)
{
    m_p.setProcessEnvironment(env);
    // Never left running after a test that crashed.
    m_p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_p.start(kv::test::builtFile(QStringLiteral("kv481")), args);
    m_started = m_p.waitForStarted();
}

Kv481Process::~Kv481Process()
{
    if (m_p.state() != QProcess::NotRunning) {
        m_p.kill();
        m_p.waitForFinished(5000);
    }
}

QByteArray Kv481Process::out()
{
    m_out += m_p.readAllStandardOutput();
    return m_out;
}

QString Kv481Process::err()
{
    m_err += QString::fromLocal8Bit(m_p.readAllStandardError());
    return m_err;
}

bool Kv481Process::says(const QString &text, int ms)
{
    return QTest::qWaitFor([&] { return err().contains(text); }, ms);
}

void Kv481Process::signal(int sig)
{
    if (m_p.processId() > 0)
        ::kill(static_cast<pid_t>(m_p.processId()), sig);
}

bool Kv481Process::finished(int ms)
{
    return QTest::qWaitFor([&] { return m_p.state() == QProcess::NotRunning; }, ms);
}

Emulator::Emulator(const QStringList &args)
{
    m_p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_p.start(kv::test::emulatorProgram(), args);
    if (m_p.waitForStarted() && m_p.waitForReadyRead(5000))
        device = QString::fromLocal8Bit(m_p.readLine()).trimmed();
}

Emulator::~Emulator()
{
    signal(SIGCONT); // a stopped emulator cannot end
    m_p.terminate();
    m_p.waitForFinished(5000);
}

void Emulator::signal(int sig)
{
    if (m_p.processId() > 0)
        ::kill(static_cast<pid_t>(m_p.processId()), sig);
}

} // namespace kv::test
