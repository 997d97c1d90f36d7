#pragma once
// A real Mosquitto broker for a test: started on a free loopback port with a
// configuration written into a temporary folder (optionally with a password
// file made by mosquitto_passwd and a certificate authority and server
// certificate made by openssl), stopped when the test lets go of it.

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <csignal>
#include <sys/prctl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kv::test {

struct BrokerSetup
{
    QString user;     // with password: a password file, no anonymous clients
    QString password;
    bool tls = false; // a CA and a server certificate for 127.0.0.1 and localhost
    bool expired = false; // the server certificate expired yesterday
    QString names = QStringLiteral("DNS:localhost,IP:127.0.0.1"); // the names the server certificate holds
};

class MqttBroker
{
public:
    explicit MqttBroker(const BrokerSetup &setup = {})
        : m_setup(setup)
    {
        m_port = freePort();
        m_ok = m_dir.isValid() && writeConfig();
    }
    ~MqttBroker() { stop(); }
    MqttBroker(const MqttBroker &) = delete;
    MqttBroker &operator=(const MqttBroker &) = delete;

    int port() const { return m_port; }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(m_setup.tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"))
            .arg(m_port);
    }
    QString caFile() const { return m_dir.filePath(QStringLiteral("ca.crt")); }
    QString folder() const { return m_dir.path(); }
    QString log() const
    {
        QFile f(m_dir.filePath(QStringLiteral("broker.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // True once the broker takes connections.
    bool start()
    {
        if (!m_ok)
            return false;
        // A test that crashes or is killed takes its broker with it.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("broker.out")));
        m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("broker.err")));
        m_process.start(program(), {QStringLiteral("-c"), m_dir.filePath(QStringLiteral("mosquitto.conf"))});
        if (!m_process.waitForStarted(5000))
            return false;
        return QTest::qWaitFor([this] { return m_process.state() == QProcess::Running && listening(); }, 10000);
    }
    // A clean end: the broker keeps its sessions and retained messages on
    // disk for the next start.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool running() const { return m_process.state() == QProcess::Running; }

    static QString program()
    {
        const QString found = QStandardPaths::findExecutable(QStringLiteral("mosquitto"),
                                                             {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                                              QStringLiteral("/usr/local/sbin")});
        return found.isEmpty() ? QStringLiteral("mosquitto") : found;
    }

private:
    static int freePort()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        int port = 0;
        if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
            && ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
            port = ntohs(a.sin_port);
        ::close(s);
        return port;
    }
    bool listening() const
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(m_port));
        const bool ok = ::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
        ::close(s);
        return ok;
    }
    bool run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            qWarning() << program << args << p.readAll();
            return false;
        }
        return true;
    }
    bool makeCertificates()
    {
        const QString openssl = QStringLiteral("openssl");
        const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
        QFile ext(m_dir.filePath(QStringLiteral("ext.cnf")));
        if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=" + m_setup.names.toUtf8() + "\n") < 0)
            return false;
        ext.close();
        return run(openssl, QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec
                                + QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                                              QStringLiteral("ca.crt"), QStringLiteral("-days"), QStringLiteral("2"),
                                              QStringLiteral("-subj"), QStringLiteral("/CN=kv481 test CA")})
            && run(openssl, QStringList{QStringLiteral("req")} + ec
                                + QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                                              QStringLiteral("server.csr"), QStringLiteral("-subj"),
                                              QStringLiteral("/CN=localhost")})
            && run(openssl, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                             QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                             QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.crt"),
                             QStringLiteral("-days"), m_setup.expired ? QStringLiteral("-1") : QStringLiteral("2"),
                             QStringLiteral("-extfile"), QStringLiteral("ext.cnf")});
    }
    bool writeConfig()
    {
        QStringList lines{QStringLiteral("listener %1 127.0.0.1").arg(m_port),
                          QStringLiteral("persistence true"),
                          QStringLiteral("persistence_location %1/").arg(m_dir.path()),
                          QStringLiteral("log_dest file %1").arg(m_dir.filePath(QStringLiteral("broker.log"))),
                          QStringLiteral("log_type all"),
                          QStringLiteral("max_queued_messages 100000")};
        // Started as root, the broker would give up its rights for a user
        // that cannot read this folder.
        if (::geteuid() == 0)
            lines << QStringLiteral("user root");
        if (!m_setup.user.isEmpty()) {
            if (!run(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-c"), QStringLiteral("-b"),
                                                          m_dir.filePath(QStringLiteral("passwd")), m_setup.user,
                                                          m_setup.password}))
                return false;
            lines << QStringLiteral("allow_anonymous false")
                  << QStringLiteral("password_file %1").arg(m_dir.filePath(QStringLiteral("passwd")));
        } else {
            lines << QStringLiteral("allow_anonymous true");
        }
        if (m_setup.tls) {
            if (!makeCertificates())
                return false;
            lines << QStringLiteral("cafile %1").arg(caFile())
                  << QStringLiteral("certfile %1").arg(m_dir.filePath(QStringLiteral("server.crt")))
                  << QStringLiteral("keyfile %1").arg(m_dir.filePath(QStringLiteral("server.key")));
        }
        QFile f(m_dir.filePath(QStringLiteral("mosquitto.conf")));
        return f.open(QIODevice::WriteOnly) && f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) > 0;
    }

    BrokerSetup m_setup;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    bool m_ok = false;
};

} // namespace kv::test
