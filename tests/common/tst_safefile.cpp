// The one file writer on a real full file system: a failure is reported with
// the system's reason and the earlier file stays byte for byte.

#include "common/SafeFile.h"

#include "support/FileBytes.h"
#include "support/SmallDisk.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kv;
using kv::test::fileBytes;
using kv::test::SmallDisk;
using kv::test::writeFileBytes;

namespace {

const QByteArray kEarlier = "the earlier file\r\n12/5/07\t14:03:10\t23.4\tC\t\r\n";

QString noSpace()
{
    return SafeFile::systemText(ENOSPC);
}

QByteArray rows(int count)
{
    QByteArray b;
    for (int i = 1; i <= count; ++i)
        b += QByteArray::number(i) + "\t12/5/07\t14:03:10\t23.4\tC\t21.7\tC\t\r\n";
    return b;
}

// The permissions a file made by the system's usual rules gets here.
QFile::Permissions plainPermissions(const QString &folder)
{
    const QString probe = QDir(folder).filePath(QStringLiteral("probe"));
    QFile f(probe);
    f.open(QIODevice::WriteOnly);
    f.close();
    const QFile::Permissions p = QFileInfo(probe).permissions();
    QFile::remove(probe);
    return p;
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aFullDiskKeepsTheEarlierFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("room");
        // Smaller than Qt's write buffer, where the last flush used to be
        // the one that failed; and a file larger than the room left.
        QTest::newRow("small file, no room") << QByteArray("1\t12/5/07\t14:03:10\t23.4\tC\t\r\n") << qint64(0);
        QTest::newRow("120 rows, one page of room") << rows(120) << qint64(4096);
        QTest::newRow("a large file, some room") << rows(3000) << qint64(8192);
    }
    void aFullDiskKeepsTheEarlierFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, room);
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        const QString keep = disk.path("keep.txt");
        writeFileBytes(keep, kEarlier);
        QVERIFY(disk.fill(room));

        SafeFile f(keep);
        QVERIFY(f.open());
        // Written in pieces, as the text writers do; the first refusal
        // stands for the rest.
        for (qsizetype at = 0; at < bytes.size(); at += 1000)
            f.write(bytes.mid(at, 1000));
        QVERIFY(!f.commit());
        QCOMPARE(f.reason(), noSpace());
        QCOMPARE(f.message(), QStringLiteral("The file %1 could not be written: %2.").arg(keep, noSpace()));
        QCOMPARE(fileBytes(keep), kEarlier);
        QCOMPARE(disk.names(), QStringList{QStringLiteral("keep.txt")}); // nothing left beside it

        // With room again the same write goes through.
        disk.empty();
        QVERIFY(SafeFile::writeWhole(keep, bytes));
        QCOMPARE(fileBytes(keep), bytes);
    }

    void aWriterThatIgnoresResultsIsStillCaught()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        const QString keep = disk.path("keep.pdf");
        writeFileBytes(keep, kEarlier);
        QVERIFY(disk.fill(4096));
        SafeFile f(keep);
        QVERIFY(f.open());
        QIODevice &device = f; // as QPdfWriter holds it
        for (int i = 0; i < 100; ++i)
            device.write(QByteArray(100, 'x'));
        QVERIFY(f.failed());
        QCOMPARE(device.errorString(), noSpace());
        QVERIFY(!f.commit());
        QCOMPARE(fileBytes(keep), kEarlier);
    }

    void aFileThatCannotBeMadeSaysWhy()
    {
        QTemporaryDir dir;
        QString message;
        const QString missing = dir.filePath(QStringLiteral("no/such/folder/a.txt"));
        QVERIFY(!SafeFile::writeWhole(missing, "x", &message));
        QCOMPARE(message, QStringLiteral("The file %1 could not be opened for writing: %2.")
                              .arg(missing, SafeFile::systemText(ENOENT)));
        QVERIFY(!SafeFile::writeWhole(dir.path(), "x", &message));
        QVERIFY2(message.endsWith(SafeFile::systemText(EISDIR) + QLatin1Char('.')), qPrintable(message));
        QVERIFY(!SafeFile::writeWhole(QString(), "x", &message));
        QVERIFY(!message.contains(QLatin1String("Unknown error")));
        // A file the user may not write: the system's word, not Qt's own.
        if (::geteuid() != 0) {
            const QString locked = dir.filePath(QStringLiteral("locked.txt"));
            writeFileBytes(locked, kEarlier);
            QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner));
            QVERIFY(!SafeFile::writeWhole(locked, "x", &message));
            QVERIFY2(message.endsWith(SafeFile::systemText(EACCES) + QLatin1Char('.')), qPrintable(message));
            QCOMPARE(fileBytes(locked), kEarlier);
        }
    }

    void cancelAndDestructionLeaveTheEarlierFile()
    {
        QTemporaryDir dir;
        const QString keep = dir.filePath(QStringLiteral("keep.txt"));
        writeFileBytes(keep, kEarlier);
        {
            SafeFile f(keep);
            QVERIFY(f.open());
            QCOMPARE(f.write("new"), qint64(3));
            f.cancel();
            QVERIFY(!f.failed());
        }
        {
            SafeFile f(keep);
            QVERIFY(f.open());
            f.write("new");
        }
        QCOMPARE(fileBytes(keep), kEarlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.txt")});
    }

    void permissionsFollowTheUsualRules()
    {
        QTemporaryDir dir;
        const QString made = dir.filePath(QStringLiteral("new.pdf"));
        QVERIFY(SafeFile::writeWhole(made, "%PDF"));
        QCOMPARE(QFileInfo(made).permissions(), plainPermissions(dir.path()));
        // An existing file keeps its own.
        QVERIFY(QFile::setPermissions(made, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(SafeFile::writeWhole(made, "%PDF-1.4"));
        const QFile::Permissions mine = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QCOMPARE(QFileInfo(made).permissions() & (mine | QFile::ReadOther), mine);
    }

    // A pipe (or a device, as kv481's --output /dev/stdout names one) has
    // no earlier file to keep: it is written into, and stays a pipe.
    void aPipeIsWrittenIntoNotReplaced()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        // The reader is there first, so that the writer's open does not wait.
        const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        QString message;
        const bool written = SafeFile::writeWhole(pipe, "1\t12/5/07\r\n", &message);
        char buffer[64] = {};
        const ssize_t got = ::read(reader, buffer, sizeof buffer);
        ::close(reader);
        QVERIFY2(written, qPrintable(message));
        QCOMPARE(QByteArray(buffer, int(std::max<ssize_t>(got, 0))), QByteArray("1\t12/5/07\r\n"));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(pipe).constData(), &st) == 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("pipe")});
    }

    void aStreamKeepsWhatWasWrittenAndSaysWhenTheDiskFills()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        const QString live = disk.path("live.csv");
        QVERIFY(disk.fill(4096));
        SafeFile f(live, SafeFile::Stream);
        QVERIFY(f.open());
        const QByteArray record = "2026-12-09T10:00:00+01:00,23.4,,C,\n";
        int written = 0;
        while (f.write(record) == record.size())
            ++written;
        // Each record reached the file as it came.
        QVERIFY(written > 0);
        QCOMPARE(f.reason(), noSpace());
        QVERIFY(!f.commit());
        QVERIFY(fileBytes(live).startsWith(record.repeated(written)));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
