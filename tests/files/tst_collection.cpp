// Collection files: the case files under data/rec (each read, saved again
// and decoded), plus writing through the save file and its failures.

#include "files/CollectionFile.h"
#include "logger/DataSetDecoder.h"
#include "support/BuildPaths.h"
#include "support/FileBytes.h"
#include "support/CaseFiles.h"
#include "support/ScriptedPrompt.h"

#ifdef KV_HAVE_EMULATOR
#include "LoggerMemory.h"
#endif

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kv;
using kv::test::fileBytes;
using kv::test::putFileBytes;

namespace {

// A header naming one data set and the last address, then records of the
// given length (their content does not matter to the file format).
QByteArray image(int lastAddress, int size)
{
    QByteArray b(size, '\x33');
    if (size > 30) {
        b[9] = 0;
        b[10] = 1;
        b[30] = 2;
    }
    b[11] = char(lastAddress >> 8);
    b[12] = char(lastAddress & 0xFF);
    return b;
}

// A device that takes only part of every write, as a full disk does.
class ShortWriter final : public QIODevice
{
public:
    ShortWriter() { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        const qint64 n = std::min<qint64>(len, 100);
        written.append(data, n);
        if (n < len)
            setErrorString(QStringLiteral("No space left on device"));
        return n;
    }
};

} // namespace

class TestCollection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void caseFiles_data() { test::addCaseFileRows(kv::test::testData(QStringLiteral("rec")), QStringLiteral("*.rec")); }

    void caseFiles()
    {
        QFETCH(QString, path);
        QString expectPath = path;
        expectPath.replace(QRegularExpression(QStringLiteral("\\.rec$")), QStringLiteral(".expect"));
        const QList<test::CaseLine> lines = test::caseLines(expectPath);
        QVERIFY2(!lines.isEmpty(), qPrintable(expectPath));
        const QByteArray original = fileBytes(path);

        const CollectionFileResult read = CollectionFile::readFile(path);
        QTemporaryDir dir;
        std::unique_ptr<test::ScriptedPrompt> prompt;
        DecodeResult decoded;
        QByteArray saved;
        for (const test::CaseLine &line : lines) {
            const QString &key = line.key;
            const QString &value = line.value;
            const QByteArray &where = line.where;
            if (key == QLatin1String("read")) {
                QVERIFY2(read.ok == (value == QLatin1String("ok")), where + ' ' + read.error.toUtf8());
                if (read.ok) {
                    QVERIFY(read.error.isEmpty());
                    // What is kept is the file's own bytes, no more than a
                    // collection can hold.
                    QVERIFY2(original.startsWith(read.image), where);
                } else {
                    QVERIFY(read.image.isEmpty());
                    QVERIFY2(read.error.contains(QDir::toNativeSeparators(path)), qPrintable(read.error));
                }
            } else if (key == QLatin1String("lastAddress")) {
                QCOMPARE(CollectionFile::lastAddress(read.image), value.toInt());
            } else if (key == QLatin1String("image")) {
                QCOMPARE(read.image.size(), value.toInt());
            } else if (key == QLatin1String("saved")) {
                const QString out = dir.filePath(QStringLiteral("again.rec"));
                const CollectionFileResult w = CollectionFile::writeFile(out, read.image);
                QVERIFY2(w.ok, qPrintable(w.error));
                saved = fileBytes(out);
                QCOMPARE(w.image, saved);
                QCOMPARE(saved.size(), CollectionFile::fileSize(CollectionFile::lastAddress(read.image)));
                if (value == QLatin1String("identical")) {
                    QVERIFY2(saved == original, where);
                } else {
                    QCOMPARE(saved.size(), value.toInt());
                    const int kept = std::min(saved.size(), original.size());
                    QVERIFY(saved.left(kept) == original.left(kept));
                    QVERIFY(saved.mid(kept) == QByteArray(saved.size() - kept, '\0'));
                }
                // And the saved file reads back to what was saved.
                QCOMPARE(CollectionFile::readFile(out).image, saved);
            } else if (key == QLatin1String("decode")) {
                prompt = std::make_unique<test::ScriptedPrompt>();
                // A 30 February becomes the 28th.
                prompt->dateTimeAnswers.enqueue({QStringLiteral("2008"), QStringLiteral("2"), QStringLiteral("28"),
                                                 QStringLiteral("12"), QStringLiteral("0"), QStringLiteral("0")});
                decoded = decodeImage(read.image, *prompt);
                const QString outcome = decoded.outcome == DecodeOutcome::Decoded       ? QStringLiteral("decoded")
                                        : decoded.outcome == DecodeOutcome::BadSetCount ? QStringLiteral("badsetcount")
                                        : decoded.outcome == DecodeOutcome::ReadError   ? QStringLiteral("readerror")
                                                                                        : QStringLiteral("abandoned");
                QCOMPARE(outcome, value);
            } else if (key == QLatin1String("sets")) {
                QVERIFY(decoded.collection);
                QCOMPARE(decoded.collection->sets.size(), value.toInt());
            } else if (key == QLatin1String("corrections")) {
                QVERIFY(prompt);
                QCOMPARE(prompt->dateTimeAsked.size(), value.toInt());
            } else if (key == QLatin1String("mentions")) {
                QVERIFY2(read.error.contains(value), qPrintable(read.error));
            } else {
                QFAIL(where + " unknown key " + key.toUtf8());
            }
        }
    }

    void savedFileHoldsExactlyTheCollection()
    {
        // A download leaves 256 bytes after the last address; a shorter
        // image is padded with zeros, a longer one cut.
        QCOMPARE(CollectionFile::fileBytes(image(273, 530)).size(), 530);
        QCOMPARE(CollectionFile::fileBytes(image(273, 700)), image(273, 530));
        const QByteArray padded = CollectionFile::fileBytes(image(273, 274));
        QCOMPARE(padded.size(), 530);
        QCOMPARE(padded.left(274), image(273, 274));
        QCOMPARE(padded.mid(274), QByteArray(256, '\0'));
        // The largest memory: the whole 64 KiB and its tail.
        QCOMPARE(CollectionFile::fileBytes(image(65535, 65536)).size(), CollectionFile::MaxFileSize);
    }

    void imageWithoutItsRecordsIsNotSaved()
    {
        QString why;
        QVERIFY(CollectionFile::fileBytes(QByteArray(100, '\0'), &why).isEmpty());
        QVERIFY(why.contains(QStringLiteral("header")));
        QVERIFY(CollectionFile::fileBytes(image(1000, 600), &why).isEmpty());
        QVERIFY(why.contains(QStringLiteral("1000")));

        // The file that was there stays as it was.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kept.rec"));
        QVERIFY(putFileBytes(path, "before"));
        const CollectionFileResult r = CollectionFile::writeFile(path, image(1000, 600));
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(QDir::toNativeSeparators(path)), qPrintable(r.error));
        QCOMPARE(fileBytes(path), QByteArray("before"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.rec")});
    }

    void failuresAreReportedNeverSilent()
    {
        QTemporaryDir dir;
        // A folder where the file should be, and a folder that is not there.
        const CollectionFileResult onDir = CollectionFile::writeFile(dir.path(), image(273, 530));
        QVERIFY(!onDir.ok);
        QVERIFY2(onDir.error.contains(QStringLiteral("could not be")), qPrintable(onDir.error));
        const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.rec"));
        const CollectionFileResult nowhere = CollectionFile::writeFile(missing, image(273, 530));
        QVERIFY(!nowhere.ok);
        QVERIFY(nowhere.error.contains(QDir::toNativeSeparators(missing)));
        const CollectionFileResult unread = CollectionFile::readFile(missing);
        QVERIFY(!unread.ok);
        QVERIFY(unread.error.contains(QStringLiteral("could not be opened")));
        QVERIFY(unread.image.isEmpty());

        // A device that takes only part of the bytes.
        ShortWriter device;
        const CollectionFileResult partial = CollectionFile::write(device, image(273, 530), QStringLiteral("disk.rec"));
        QVERIFY(!partial.ok);
        QVERIFY2(partial.error.contains(QStringLiteral("No space left")), qPrintable(partial.error));

        // Devices not open the right way round.
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        QVERIFY(!CollectionFile::write(readOnly, image(273, 530), QStringLiteral("b.rec")).ok);
        QBuffer closed;
        QVERIFY(!CollectionFile::read(closed, QStringLiteral("b.rec")).ok);
    }

    void savingReplacesTheWholeFile()
    {
        // A longer file before is not left with its old end.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("over.rec"));
        QVERIFY(putFileBytes(path, QByteArray(5000, '\x7F')));
        const CollectionFileResult r = CollectionFile::writeFile(path, image(273, 530));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(fileBytes(path), image(273, 530));
    }

    void readsNoMoreThanACollectionHolds()
    {
        // Whatever follows the tail stays unread in the device.
        QByteArray bytes = image(273, 530) + QByteArray(100000, '\x01');
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const CollectionFileResult r = CollectionFile::read(buffer, QStringLiteral("big.rec"));
        QVERIFY(r.ok);
        QCOMPARE(r.image, image(273, 530));
        QCOMPARE(buffer.pos(), qint64(530));
    }

#ifdef KV_HAVE_EMULATOR
    void emulatorMemoriesOpenAsCollections_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("corrections");
        const QPair<const char *, emu::MemoryKind> kinds[] = {
            {"demo", emu::MemoryKind::Demo},         {"full", emu::MemoryKind::Full},
            {"branches", emu::MemoryKind::Branches}, {"bad-date", emu::MemoryKind::BadDate},
            {"many-sets", emu::MemoryKind::ManySets},
        };
        for (const auto &k : kinds)
            for (int channels : {1, 2})
                QTest::addRow("%s %d", k.first, channels)
                    << int(k.second) << channels << (k.second == emu::MemoryKind::BadDate ? 3 : 0);
    }
    void emulatorMemoriesOpenAsCollections()
    {
        // The emulator builds its memories on its own; saved as the program
        // saves a download, each opens and decodes whole.
        QFETCH(int, kind);
        QFETCH(int, channels);
        QFETCH(int, corrections);
        const emu::Bytes file = emu::collectionFileBytes(emu::buildMemoryOfKind(emu::MemoryKind(kind), channels), channels);
        QByteArray bytes(reinterpret_cast<const char *>(file.data()), int(file.size()));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const CollectionFileResult r = CollectionFile::read(buffer, QStringLiteral("emulator.rec"));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(CollectionFile::fileBytes(r.image), bytes);
        test::ScriptedPrompt prompt;
        for (int i = 0; i < corrections; ++i)
            prompt.dateTimeAnswers.enqueue({QStringLiteral("2026"), QStringLiteral("1"), QStringLiteral("1"),
                                            QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")});
        const DecodeResult d = decodeImage(r.image, prompt);
        QVERIFY(d.outcome == DecodeOutcome::Decoded);
        QCOMPARE(d.collection->sets.size(), emu::setCount(file));
        QCOMPARE(d.collection->bytesPerSample, 2 * channels);
        QCOMPARE(prompt.dateTimeAsked.size(), corrections);
        QVERIFY(prompt.errors.isEmpty() && prompt.informations.isEmpty());
    }
#endif
};

QTEST_GUILESS_MAIN(TestCollection)
#include "tst_collection.moc"
