// The settings file: names and defaults, corrections, keeping what is not
// ours byte for byte, refusing files too large to be ours, atomic writing and
// where the file lives.

#include "app/Settings.h"
#include "common/ProgramFolder.h"
#include "views/GraphSetup.h"

#include "common/SafeFile.h"

#include "support/FileBytes.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace kv;
using kv::test::fileBytes;
using kv::test::SmallDisk;
using kv::test::writeFileBytes;

namespace {
} // namespace

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
        QTest::newRow("rate one above longest") << QByteArray("[RealTime]\nSampling Rate=3661\n") << 482 << 3660 << 50;
        QTest::newRow("rate longest") << QByteArray("[RealTime]\nSampling Rate=3660\n") << 482 << 3660 << 50;
        QTest::newRow("rate shortest") << QByteArray("[RealTime]\nSampling Rate=1\n") << 482 << 1 << 50;
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

    void rateBoxes_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::newRow("1 s") << 1 << 0 << 1;
        QTest::newRow("1 min") << 60 << 1 << 0;
        QTest::newRow("75 s") << 75 << 1 << 15;
        QTest::newRow("60 min") << 3600 << 60 << 0;
        QTest::newRow("60 min 59 s") << 3659 << 60 << 59;
        // Beyond 60 minutes only the seconds box has room left.
        QTest::newRow("60 min 60 s") << 3660 << 60 << 60;
    }
    void rateBoxes()
    {
        QFETCH(int, rate);
        const Settings::RateBoxes b = Settings::rateBoxes(rate);
        QTEST(b.minutes, "minutes");
        QTEST(b.seconds, "seconds");
        QVERIFY(b.minutes <= 60 && b.seconds <= 60);
        QCOMPARE(b.minutes * 60 + b.seconds, rate);
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

    void foldersKeepASectionOfTheirOwn()
    {
        QTemporaryDir dir;
        // Not yet written per user: the folders start from the file read at
        // start, whose settings must not be lost.
        Settings::Location where{dir.filePath(QStringLiteral("beside.INI")), dir.filePath(QStringLiteral("user/KV481.INI"))};
        {
            QFile f(where.readPath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Link]\nModel=481\n[File Folders]\nGraphs=/old\nOther=kept\n");
        }
        Settings::Folders folders = Settings::readFolders(where.readPath);
        QCOMPARE(folders, (Settings::Folders{{QStringLiteral("Graphs"), QStringLiteral("/old")}}));
        folders.insert(QStringLiteral("Data Sets"), QStringLiteral("/home/a b/Messungen; 2026 = \u00e4"));
        QVERIFY(Settings::writeFolders(where, folders));
        QCOMPARE(Settings::read(where.writePath).model, 481);
        QCOMPARE(Settings::readFolders(where.writePath), folders);
        QVERIFY(fileBytes(where.writePath).contains("Other=kept\n"));
        // The end-of-run write keeps them.
        QVERIFY(Settings::write(where.writePath, Settings::read(where.writePath)));
        QCOMPARE(Settings::readFolders(where.writePath), folders);
    }

    void untouchedLinesKeepTheirBytes()
    {
        // A byte order mark, a Latin-1 comment, a UTF-8 key of another
        // program, a UTF-8 title and a Latin-1 title in one file: each line
        // is read in its own encoding, and only the changed line is new.
        const QByteArray before = "\xEF\xBB\xBF; Notiz: Gr\xFC\xDF\n"
                                  "[Printer]\nName=B\xC3\xBCro 2\n"
                                  "[Link]\nmodel = 481\nConnected Port=0\nAuto Search=1\n"
                                  "[RealTime]\nSampling Rate=75\n"
                                  "[Graph Option]\nMax. Scale=50\nMin. Scale=-10\n"
                                  "[Hint]\nShow Hint=1\n"
                                  "[MainTitle]\nMain Title=Ofen S\xC3\xBC\x64\n"
                                  "[SubTitle]\nSub Title=Charge \xB5\xE9\n"
                                  "[Unknown]\nKey=\xFF\xFE\n";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KV481.INI"));
        writeFileBytes(path, before);
        SettingsValues v = Settings::read(path);
        QCOMPARE(v.model, 481);
        QCOMPARE(v.samplingRate, 75);
        QCOMPARE(v.mainTitle, QStringLiteral("Ofen S\u00FCd"));
        QCOMPARE(v.subTitle, QStringLiteral("Charge \u00B5\u00E9"));

        // Nothing changed: the file comes back as it was.
        QVERIFY(Settings::write(path, v));
        QCOMPARE(fileBytes(path), before);

        v.maxScale = 80;
        QVERIFY(Settings::write(path, v));
        QByteArray expected = before;
        expected.replace("Max. Scale=50", "Max. Scale=80");
        QCOMPARE(fileBytes(path), expected);

        // A changed title is written in UTF-8, whatever its line was before.
        v.subTitle = QStringLiteral("Charge \u00B5\u00E9 2");
        QVERIFY(Settings::write(path, v));
        expected.replace("Sub Title=Charge \xB5\xE9", "Sub Title=Charge \xC2\xB5\xC3\xA9 2");
        QCOMPARE(fileBytes(path), expected);
        QCOMPARE(Settings::read(path), v);
    }

    void lineEnds()
    {
        const SettingsValues defaults;
        // CRLF stays CRLF, also on the lines and sections that are added.
        const QByteArray crlf = "[Link]\r\nModel=482\r\n; end of link\r\n[Printer]\r\nName=Lab\r\n";
        SettingsValues v;
        v.connectedPort = 4;
        QByteArray out = Settings::update(crlf, v);
        QVERIFY(out.startsWith("[Link]\r\nModel=482\r\nConnected Port=4\r\nAuto Search=1\r\n; end of link\r\n"
                               "[Printer]\r\nName=Lab\r\n\r\n[RealTime]\r\n"));
        QCOMPARE(out.count('\n'), out.count("\r\n"));
        QCOMPARE(Settings::parse(out), v);

        // LF stays LF.
        out = Settings::update("[Link]\nModel=482\n", v);
        QVERIFY(!out.contains('\r'));
        QCOMPARE(Settings::parse(out), v);

        // No final line end: it stays missing when the last line changes...
        QByteArray full = Settings::update(QByteArray(), defaults);
        full.chop(full.endsWith("\r\n") ? 2 : 1);
        QVERIFY(full.endsWith("Sub Title="));
        v = defaults;
        v.subTitle = QStringLiteral("Batch 9");
        out = Settings::update(full, v);
        QCOMPARE(out, full + "Batch 9");
        // ...and when it does not change at all...
        QCOMPARE(Settings::update(full, defaults), full);
        // ...but a key added after the last line ends that line first.
        out = Settings::update("[Link]\nModel=482", defaults);
        QVERIFY(out.startsWith("[Link]\nModel=482\nConnected Port=0\n"));
        QCOMPARE(Settings::parse(out), defaults);
    }

    void oversizedFileIsNeverWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KV481.INI"));
        QByteArray big = "[Graph Option]\r\nMax. Scale=70\r\n[Notes]\r\n";
        while (big.size() < Settings::kMaxFileSize - 200)
            big += "; " + QByteArray(60, 'x') + "\r\n";
        big += "; " + QByteArray(Settings::kMaxFileSize - 50 - big.size() - 4, 'x') + "\r\n";
        QCOMPARE(big.size(), Settings::kMaxFileSize - 50);
        // A title line across the limit: reading must not take half of it.
        big += "[MainTitle]\r\nMain Title=" + QByteArray(100, 'T') + "\r\n";
        big += "[Graph Option]\r\nMin. Scale=-30\r\n";
        writeFileBytes(path, big);

        const SettingsValues v = Settings::read(path);
        QCOMPARE(v.maxScale, 70);
        QCOMPARE(v.mainTitle, QString());

        QString error;
        QVERIFY(!Settings::write(path, v, &error));
        QCOMPARE(error, QStringLiteral("The settings file %1 is larger than 1 MiB and was left unchanged.").arg(path));
        QCOMPARE(fileBytes(path), big);
        QVERIFY(!Settings::write(path, v));
        QCOMPARE(fileBytes(path), big);

        // Exactly at the limit it is still a settings file.
        QByteArray atLimit = "[Graph Option]\nMax. Scale=70\n";
        atLimit += QByteArray(Settings::kMaxFileSize - atLimit.size() - 1, ';') + '\n';
        writeFileBytes(path, atLimit);
        QVERIFY(Settings::write(path, v, &error));
        const QByteArray after = fileBytes(path);
        QVERIFY(after.startsWith("[Graph Option]\nMax. Scale=70\nMin. Scale=-10\n;;;"));
        QVERIFY(after.contains(atLimit.mid(atLimit.indexOf(';'))));
    }

    void unreadableFileIsNotReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("KV481.INI"));
        writeFileBytes(path, "[Printer]\nName=Lab\n");
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("this user reads every file");
        QString error;
        QVERIFY(!Settings::write(path, SettingsValues(), &error));
        QCOMPARE(error, QStringLiteral("The settings file %1 could not be read and was left unchanged.").arg(path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(fileBytes(path), QByteArray("[Printer]\nName=Lab\n"));
    }

    void failedWriteKeepsOldFile()
    {
        QTemporaryDir dir;
        // The target is a directory: nothing can replace it, and the call
        // says so instead of pretending.
        const QString path = dir.filePath(QStringLiteral("KV481.INI"));
        QVERIFY(QDir().mkdir(path));
        QString error;
        QVERIFY(!Settings::write(path, SettingsValues(), &error));
        QCOMPARE(error, QStringLiteral("The settings could not be written to %1: %2.")
                            .arg(path, SafeFile::systemText(EISDIR)));
        QVERIFY(QFileInfo(path).isDir());
    }

    void aFullDiskKeepsTheEarlierSettings()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        const QString path = disk.path("KV481.INI");
        const QByteArray earlier = "[Link]\nModel=481\nConnected Port=3\n; the lab's own note\n";
        writeFileBytes(path, earlier);
        QVERIFY(disk.fill());
        SettingsValues v;
        v.samplingRate = 7;
        QString error;
        QVERIFY(!Settings::write(path, v, &error));
        QCOMPARE(error, QStringLiteral("The settings could not be written to %1: %2.")
                            .arg(path, SafeFile::systemText(ENOSPC)));
        QCOMPARE(fileBytes(path), earlier);
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

        // Installed under a prefix the user can write (bin/ beside
        // share/kv481/): still the user's own folders, never bin/.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("prefix/bin")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("prefix/share/kv481")));
        const QString installedProgram = dir.filePath(QStringLiteral("prefix/bin/KV481"));
        QVERIFY(isInstalledProgram(installedProgram));
        QCOMPARE(Settings::locate(installedProgram).writePath, Settings::perUser());
        QVERIFY(!GraphTemplate::locate(installedProgram).directory.startsWith(dir.path()));
        QVERIFY(!isInstalledProgram(program));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
