#pragma once
// kv481 and the meter emulator run as their own programs, as a shell runs
// them: kv481 to its end or in the background, the emulator on its
// pseudo-terminal, and the emulator's memory written to a file. The test
// program names the folder of kv481 in KV_BIN_DIR and the emulator in
// KV_EMULATOR.

#include "support/FileBytes.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>

namespace kv::test {

// What a finished kv481 left; exitCode is -1 when it did not end by itself.
struct Run
{
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QByteArray out;
    QString err;
};

// The environment kv481 runs in: no display, and one locale for everything.
inline QProcessEnvironment kv481Environment(const QString &locale = QStringLiteral("en_GB.UTF-8"))
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_TIME", "LC_NUMERIC"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LC_ALL"), locale);
    return env;
}

inline Run kv481(const QStringList &args, const QString &locale = QStringLiteral("en_GB.UTF-8"), int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessEnvironment(kv481Environment(locale));
    p.start(QStringLiteral(KV_BIN_DIR "/kv481"), args);
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

// One line on the standard error, "kv481: ..." (holding expected) with a
// failure status, and nothing on the standard output.
inline void verifyOneErrorLine(const Run &r, const QString &expected = QString())
{
    QCOMPARE(r.status, QProcess::NormalExit);
    QVERIFY2(r.exitCode != 0, qPrintable(r.err));
    QVERIFY2(r.err.startsWith(QLatin1String("kv481: ")), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(r.out.isEmpty(), r.out.constData());
    QVERIFY2(r.err.contains(expected), qPrintable(r.err));
}

// A "format" column and a row for each of kv481's record formats.
inline void addFormatRows()
{
    QTest::addColumn<QString>("format");
    for (const char *format : {"csv", "tsv", "jsonl"})
        QTest::newRow(format) << QString::fromLatin1(format);
}

// The lines of an output that are not empty.
inline QList<QByteArray> outputLines(const QByteArray &out)
{
    QList<QByteArray> lines = out.split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

// The same without the "#" comment lines.
inline QList<QByteArray> dataLines(const QByteArray &out)
{
    QList<QByteArray> lines = outputLines(out);
    lines.removeIf([](const QByteArray &l) { return l.startsWith('#'); });
    return lines;
}

// kv481 running in the background; what it writes is collected as it comes.
class Kv481Process
{
public:
    explicit Kv481Process(const QStringList &args, const QProcessEnvironment &env = kv481Environment())
    {
        m_p.setProcessEnvironment(env);
        // Never left running after a test that crashed.
        m_p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_p.start(QStringLiteral(KV_BIN_DIR "/kv481"), args);
        m_started = m_p.waitForStarted();
    }
    ~Kv481Process()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.kill();
            m_p.waitForFinished(5000);
        }
    }
    bool started() const { return m_started; }
    QByteArray out()
    {
        m_out += m_p.readAllStandardOutput();
        return m_out;
    }
    QString err()
    {
        m_err += QString::fromLocal8Bit(m_p.readAllStandardError());
        return m_err;
    }
    // Whether the standard error says text within ms.
    bool says(const QString &text, int ms = 20000)
    {
        return QTest::qWaitFor([&] { return err().contains(text); }, ms);
    }
    void signal(int sig)
    {
        if (m_p.processId() > 0)
            ::kill(static_cast<pid_t>(m_p.processId()), sig);
    }
    bool finished(int ms = 20000) { return QTest::qWaitFor([&] { return m_p.state() == QProcess::NotRunning; }, ms); }
    int exitCode() const { return m_p.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_p.exitStatus(); }

private:
    QProcess m_p;
    bool m_started = false;
    QByteArray m_out;
    QString m_err;
};

// The emulator as its own program; its first line names the device.
class Emulator
{
public:
    explicit Emulator(const QStringList &args)
    {
        m_p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_p.start(QStringLiteral(KV_EMULATOR), args);
        if (m_p.waitForStarted() && m_p.waitForReadyRead(5000))
            device = QString::fromLocal8Bit(m_p.readLine()).trimmed();
    }
    ~Emulator()
    {
        signal(SIGCONT); // a stopped emulator cannot end
        m_p.terminate();
        m_p.waitForFinished(5000);
    }
    void signal(int sig)
    {
        if (m_p.processId() > 0)
            ::kill(static_cast<pid_t>(m_p.processId()), sig);
    }
    QString device;

private:
    QProcess m_p;
};

// The emulator's memory written to path as a collection file; its bytes, or
// none when it wrote nothing.
inline QByteArray writeMemory(const QString &path, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(KV_EMULATOR), args + QStringList{QStringLiteral("--write-memory"), path});
    p.waitForFinished(10000);
    return fileBytes(path);
}

} // namespace kv::test
