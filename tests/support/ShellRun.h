#pragma once
// kv481 and the meter emulator run as their own programs, as a shell runs
// them: kv481 to its end or in the background, the emulator on its
// pseudo-terminal, and the emulator's memory written to a file, each found
// where this build put it (support/BuildPaths.h).

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
QProcessEnvironment kv481Environment(const QString &locale = QStringLiteral("en_GB.UTF-8"));

Run kv481(const QStringList &args, const QString &locale = QStringLiteral("en_GB.UTF-8"), int timeoutMs = 60000);

// One line on the standard error, "kv481: ..." (holding expected) with a
// failure status, and nothing on the standard output.
void verifyOneErrorLine(const Run &r, const QString &expected = QString());

// A "format" column and a row for each of kv481's record formats.
void addFormatRows();

// The lines of an output that are not empty.
QList<QByteArray> outputLines(const QByteArray &out);

// The same without the "#" comment lines.
QList<QByteArray> dataLines(const QByteArray &out);

// kv481 running in the background; what it writes is collected as it comes.
class Kv481Process
{
public:
    explicit Kv481Process(const QStringList &args, const QProcessEnvironment &env = kv481Environment());
    ~Kv481Process();
    bool started() const { return m_started; }
    QByteArray out();
    QString err();
    // Whether the standard error says text within ms.
    bool says(const QString &text, int ms = 20000);
    void signal(int sig);
    bool finished(int ms = 20000);
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
    explicit Emulator(const QStringList &args);
    ~Emulator();
    void signal(int sig);
    QString device;

private:
    QProcess m_p;
};

// The emulator's memory written to path as a collection file; its bytes, or
// none when it wrote nothing.
QByteArray writeMemory(const QString &path, const QStringList &args);

} // namespace kv::test
