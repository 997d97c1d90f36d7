// The desktop's file type of collection files, as the package installs it:
// known by its first bytes as well as by the .rec name that other programs
// use too. Read through Qt's own reader of the freedesktop.org database.

#include "support/BuildPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kCollection = QStringLiteral("application/x-kv481-collection");

// A collection of one two-channel set: header, one record, tail.
QByteArray collection(int bytesPerSample)
{
    QByteArray image(256, '\0');
    image[10] = 1;         // one set
    image[30] = char(bytesPerSample);
    QByteArray record = QByteArray::fromHex("a55a20261208120000000201000001");
    record += QByteArray(bytesPerSample, '\x10');
    record += QByteArray::fromHex("5aa5");
    image += record;
    const int last = image.size() - 1;
    image[11] = char(last >> 8);
    image[12] = char(last & 0xFF);
    return image + QByteArray(256, '\0');
}

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

} // namespace

class TestCollectionMime : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void knownByItsBytesAndByItsName()
    {
        QMimeDatabase db;
        QVERIFY2(db.mimeTypeForName(kCollection).isValid(), "the package's file types were not read");
        QTemporaryDir dir;
        // No telling name: the bytes decide.
        for (int b : {2, 4})
            QCOMPARE(db.mimeTypeForFile(write(dir, QStringLiteral("download-%1").arg(b), collection(b)),
                                        QMimeDatabase::MatchContent).name(),
                     kCollection);
        // A header that gives no sample size, or no record marker, is not one.
        QByteArray odd = collection(2);
        odd[30] = 7;
        QVERIFY(db.mimeTypeForFile(write(dir, QStringLiteral("odd"), odd), QMimeDatabase::MatchContent).name()
                != kCollection);
        QByteArray unmarked = collection(4);
        unmarked[256] = 0;
        QVERIFY(db.mimeTypeForFile(write(dir, QStringLiteral("unmarked"), unmarked), QMimeDatabase::MatchContent)
                    .name()
                != kCollection);
        // The name alone still says it.
        QCOMPARE(db.mimeTypeForFile(dir.filePath(QStringLiteral("saved.rec")), QMimeDatabase::MatchExtension).name(),
                 kCollection);
    }
};

int main(int argc, char **argv)
{
    // The package's file types in a data folder of their own, read instead
    // of (and before) the system's.
    QTemporaryDir data;
    QDir().mkpath(data.filePath(QStringLiteral("mime/packages")));
    QFile::copy(kv::test::packagingFile(QStringLiteral("kv481.xml")), data.filePath(QStringLiteral("mime/packages/kv481.xml")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.filePath(QStringLiteral("home"))));
    QCoreApplication app(argc, argv);
    TestCollectionMime t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_collection_mime.moc"
