// The settings file: names and defaults, corrections, keeping what is not
// ours, atomic writing and where the file lives.

#include "app/Settings.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace kv;

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsWithoutFile()
    {
        const SettingsValues v = Settings::read(QStringLiteral("/nonexistent/KV481.INI"));
        QCOMPARE(v, SettingsValues());
        QCOMPARE(v.model, 482);
        QCOMPARE(v.samplingRate, 2);
        QCOMPARE(v.maxScale, 50);
        QCOMPARE(v.minScale, -10);
        QVERIFY(v.autoSearch);
        QCOMPARE(v.showHint, 1);
    }

    void readsFileOfEarlierVersions()
    {
        const QByteArray text = "[Link]\r\nModel=481\r\nConnected Port=3\r\nAuto Search=0\r\n"
                                "[RealTime]\r\nSampling Rate=75\r\n"
                                "[Graph Option]\r\nMax. Scale=120\r\nMin. Scale=-40\r\n"
                                "[Hint]\r\nShow Hint=0\r\n"
                                "[MainTitle]\r\nMain Title=Oven 3\r\n[SubTitle]\r\nSub Title=Batch 17\r\n";
        const SettingsValues v = Settings::parse(text);
        QCOMPARE(v.model, 481);
        QCOMPARE(v.connectedPort, 3);
        QVERIFY(!v.autoSearch);
        QCOMPARE(v.samplingRate, 75);
        QCOMPARE(v.maxScale, 120);
        QCOMPARE(v.minScale, -40);
        QCOMPARE(v.showHint, 0);
        QCOMPARE(v.mainTitle, QStringLiteral("Oven 3"));
        QCOMPARE(v.subTitle, QStringLiteral("Batch 17"));
    }

    void corrections_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("maxScale");
        QTest::newRow("model 480") << QByteArray("[Link]\nModel=480\n") << 482 << 2 << 50;
        QTest::newRow("model 0") << QByteArray("[Link]\nModel=0\n") << 482 << 2 << 50;
        QTest::newRow("rate 0") << QByteArray("[RealTime]\nSampling Rate=0\n") << 482 << 2 << 50;
        QTest::newRow("rate negative") << QByteArray("[RealTime]\nSampling Rate=-7\n") << 482 << 2 << 50;
        QTest::newRow("rate too long") << QByteArray("[RealTime]\nSampling Rate=99999\n") << 482 << 3660 << 50;
        QTest::newRow("not numbers") << QByteArray("[Link]\nModel=abc\n[Graph Option]\nMax. Scale=12.5\n")
                                     << 482 << 2 << 50;
        QTest::newRow("key in wrong section") << QByteArray("[Link]\nMax. Scale=70\n") << 482 << 2 << 50;
        QTest::newRow("blanks and case") << QByteArray("[graph option]\n  max. scale =  70  \n") << 482 << 2 << 70;
    }
    void corrections()
    {
        QFETCH(QByteArray, text);
        const SettingsValues v = Settings::parse(text);
        QTEST(v.model, "model");
        QTEST(v.samplingRate, "rate");
        QTEST(v.maxScale, "maxScale");
    }

    void writesVerbatimAndKeepsOtherContent()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KV481.INI"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("; kept\n[Printer]\nName=Lab\n[Link]\nModel=481\nExtra=yes\n");
        }
        SettingsValues v;
        v.model = 481;
        v.connectedPort = 2;
        v.samplingRate = 75;
        v.mainTitle = QStringLiteral(" Oven 3 ");
        v.subTitle = QStringLiteral("Sub");
        QVERIFY(Settings::write(path, v));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.startsWith("; kept\n[Printer]\nName=Lab\n[Link]\nModel=481\nExtra=yes\nConnected Port=2\nAuto Search=1\n"));
        QVERIFY(text.contains("\n[RealTime]\nSampling Rate=75\n"));
        QVERIFY(text.contains("\n[Graph Option]\nMax. Scale=50\nMin. Scale=-10\n"));
        QVERIFY(text.contains("\n[Hint]\nShow Hint=1\n"));
        QVERIFY(text.contains("\n[MainTitle]\nMain Title=\" Oven 3 \"\n"));
        QVERIFY(text.contains("\n[SubTitle]\nSub Title=Sub\n"));
        QVERIFY(!text.contains('%'));
        QCOMPARE(Settings::read(path), v);
    }

    void failedWriteKeepsOldFile()
    {
        QTemporaryDir dir;
        // The target is a directory: nothing can replace it, and the call
        // says so instead of pretending.
        const QString path = dir.filePath(QStringLiteral("KV481.INI"));
        QVERIFY(QDir().mkdir(path));
        QVERIFY(!Settings::write(path, SettingsValues()));
        QVERIFY(QFileInfo(path).isDir());
    }

    void location()
    {
        QCOMPARE(Settings::besideProgram(QStringLiteral("/opt/kv/KV481")), QStringLiteral("/opt/kv/KV481.INI"));
        QCOMPARE(Settings::besideProgram(QStringLiteral("/opt/kv/KV481.exe")), QStringLiteral("/opt/kv/KV481.INI"));

        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("KV481"));
        const auto here = Settings::locate(program);
        QCOMPARE(here.writePath, dir.filePath(QStringLiteral("KV481.INI")));
        QCOMPARE(here.readPath, here.writePath);

        // A folder that cannot be written (here: one that is not there) sends
        // the settings to the user's configuration folder.
        QStandardPaths::setTestModeEnabled(true);
        const auto installed = Settings::locate(QStringLiteral("/nonexistent-kv481/bin/KV481"));
        QCOMPARE(installed.writePath, Settings::perUser());
        QVERIFY(installed.writePath.endsWith(QStringLiteral("/KV481/KV481.INI")));
        QCOMPARE(installed.readPath, QStringLiteral("/nonexistent-kv481/bin/KV481.INI"));
        SettingsValues v;
        v.maxScale = 99;
        QVERIFY(Settings::write(installed.writePath, v));
        QCOMPARE(Settings::locate(QStringLiteral("/nonexistent-kv481/bin/KV481")).readPath, Settings::perUser());
        QCOMPARE(Settings::read(Settings::perUser()).maxScale, 99);
        QFile::remove(Settings::perUser());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
