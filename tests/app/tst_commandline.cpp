// The program's command line as a shell on a bare terminal sees it: no
// display and no platform chosen, so anything answered before the window
// system is needed must not try to reach one.

#include "support/BuildPaths.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode = -1;
        QProcess::ExitStatus status = QProcess::CrashExit;
        QString out;
        QString err;
    };

    static Run run(const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(kv::test::builtFile(QStringLiteral("KV481")), args);
        Run r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitCode();
        r.status = p.exitStatus();
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

private Q_SLOTS:
    void helpWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")};
        QTest::newRow("-h") << QStringList{QStringLiteral("-h")};
        QTest::newRow("after other options")
            << QStringList{QStringLiteral("--port"), QStringLiteral("/dev/null"), QStringLiteral("--demo"),
                           QStringLiteral("--help")};
        // The toolkit's own options are not mistaken for unknown ones.
        QTest::newRow("with toolkit options")
            << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-style=fusion"),
                           QStringLiteral("--help")};
    }
    void helpWithoutDisplay()
    {
        QFETCH(QStringList, args);
        const Run r = run(args);
        QCOMPARE(r.status, QProcess::NormalExit);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(QLatin1String("thermocouple thermometers 481 and 482")), qPrintable(r.out));
        for (const char *option : {"--port <DEVICE>", "--demo <MODEL>", "--help", "--version"})
            QVERIFY2(r.out.contains(QLatin1String(option)), option);
        // Hidden toolkit options stay out of the help.
        QVERIFY(!r.out.contains(QLatin1String("platform")));
    }

    void versionWithoutDisplay()
    {
        const Run r = run({QStringLiteral("--version")});
        QCOMPARE(r.status, QProcess::NormalExit);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("KV481 " KV481_VERSION));
    }

    void mistakesWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown long") << QStringList{QStringLiteral("--bogus")}
                                      << QStringLiteral("KV481: Unknown option 'bogus'.");
        QTest::newRow("unknown short") << QStringList{QStringLiteral("-x")}
                                       << QStringLiteral("KV481: Unknown option 'x'.");
        QTest::newRow("port without device") << QStringList{QStringLiteral("--port")}
                                             << QStringLiteral("KV481: Missing value after '--port'.");
    }
    void mistakesWithoutDisplay()
    {
        QFETCH(QStringList, args);
        const Run r = run(args);
        QCOMPARE(r.status, QProcess::NormalExit);
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.exitCode != -1);
        QTEST(r.err.trimmed(), "message");
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
