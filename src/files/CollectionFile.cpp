#include "files/CollectionFile.h"

#include "common/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

namespace kv {

const char CollectionFile::Filter[] = "Data Sets Collection (*.REC)|*.REC";
const char CollectionFile::DefaultExtension[] = "REC";

namespace {

QString shown(const QString &name)
{
    return QDir::toNativeSeparators(name);
}

QString byteCount(qint64 n)
{
    return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n);
}

// Appends up to n more bytes from the device, as many as it has; false on
// a read error. A device may hand out less than asked at a time.
bool readUpTo(QIODevice &device, QByteArray &into, qint64 n)
{
    const qint64 start = into.size();
    into.resize(start + n);
    qint64 got = 0;
    while (got < n) {
        const qint64 r = device.read(into.data() + start + got, n - got);
        if (r < 0) {
            into.resize(start + got);
            return false;
        }
        if (r == 0)
            break;
        got += r;
    }
    into.resize(start + got);
    return true;
}

CollectionFileResult failure(const QString &text)
{
    CollectionFileResult r;
    r.error = text;
    return r;
}

} // namespace

QString CollectionFile::qtFilter()
{
    return QStringLiteral("Data Sets Collection (*.REC)");
}

int CollectionFile::lastAddress(const QByteArray &image)
{
    if (image.size() < HeaderSize)
        return -1;
    return (static_cast<quint8>(image.at(LastAddressOffset)) << 8) | static_cast<quint8>(image.at(LastAddressOffset + 1));
}

int CollectionFile::setCount(const QByteArray &image)
{
    if (image.size() < HeaderSize)
        return -1;
    return (static_cast<quint8>(image.at(SetCountOffset)) << 8) | static_cast<quint8>(image.at(SetCountOffset + 1));
}

QByteArray CollectionFile::fileBytes(const QByteArray &image, QString *error)
{
    const int last = lastAddress(image);
    if (last < 0) {
        if (error)
            *error = QStringLiteral("the memory image holds %1, fewer than its %2-byte header block")
                         .arg(byteCount(image.size()))
                         .arg(HeaderSize);
        return {};
    }
    if (image.size() < last + 1) {
        if (error)
            *error = QStringLiteral("the memory image holds %1, but its header says the data sets end at byte %2")
                         .arg(byteCount(image.size()))
                         .arg(last);
        return {};
    }
    QByteArray bytes = image.left(fileSize(last));
    // The tail after the last address is what the final block brought;
    // where it brought nothing, zeros.
    if (bytes.size() < fileSize(last))
        bytes.append(fileSize(last) - bytes.size(), '\0');
    return bytes;
}

CollectionFileResult CollectionFile::read(QIODevice &device, const QString &name)
{
    if (!device.isOpen() || !device.isReadable())
        return failure(QStringLiteral("The file %1 could not be opened for reading.").arg(shown(name)));
    QByteArray bytes;
    const auto readError = [&] {
        return failure(
            QStringLiteral("The file %1 could not be read: %2.").arg(shown(name), device.errorString()));
    };
    if (!readUpTo(device, bytes, HeaderSize))
        return readError();
    if (bytes.size() < HeaderSize)
        return failure(QStringLiteral("The file %1 is not a data set collection: it is %2 long, "
                                      "shorter than the %3-byte header block.")
                           .arg(shown(name), byteCount(bytes.size()))
                           .arg(HeaderSize));
    // Whatever else a file holds, a set count outside what a meter keeps
    // says it is no memory image (random bytes, another program's file).
    if (const int sets = setCount(bytes); sets < 1 || sets > MaxSetCount)
        return failure(QStringLiteral("The file %1 is not a data set collection: its header counts %2 data "
                                      "sets, where a meter holds 1 to %3.")
                           .arg(shown(name))
                           .arg(sets)
                           .arg(MaxSetCount));
    if (const int size = static_cast<quint8>(bytes.at(BytesPerSampleOffset)); size != 2 && size != 4)
        return failure(QStringLiteral("The file %1 is not a data set collection: its header gives %2 bytes "
                                      "per reading, where a meter stores 2 or 4.")
                           .arg(shown(name))
                           .arg(size));
    const int last = lastAddress(bytes);
    if (!readUpTo(device, bytes, fileSize(last) - bytes.size()))
        return readError();
    if (bytes.size() < last + 1)
        return failure(QStringLiteral("The file %1 is damaged: it is %2 long, but its header says the "
                                      "data sets end at byte %3, so it needs at least %4.")
                           .arg(shown(name), byteCount(bytes.size()))
                           .arg(last)
                           .arg(byteCount(last + 1)));
    CollectionFileResult r;
    r.ok = true;
    r.image = bytes;
    return r;
}

CollectionFileResult CollectionFile::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(
            QStringLiteral("The file %1 could not be opened for reading: %2.").arg(shown(path), file.errorString()));
    return read(file, path);
}

CollectionFileResult CollectionFile::write(QIODevice &device, const QByteArray &image, const QString &name)
{
    QString why;
    const QByteArray bytes = fileBytes(image, &why);
    if (bytes.isEmpty())
        return failure(QStringLiteral("The data sets could not be saved to %1: %2.").arg(shown(name), why));
    if (!device.isOpen() || !device.isWritable())
        return failure(QStringLiteral("The file %1 could not be opened for writing.").arg(shown(name)));
    if (device.write(bytes) != bytes.size())
        return failure(
            QStringLiteral("The file %1 could not be written: %2.").arg(shown(name), device.errorString()));
    CollectionFileResult r;
    r.ok = true;
    r.image = bytes;
    return r;
}

CollectionFileResult CollectionFile::writeFile(const QString &path, const QByteArray &image)
{
    QString why;
    if (fileBytes(image, &why).isEmpty())
        return failure(QStringLiteral("The data sets could not be saved to %1: %2.").arg(shown(path), why));
    SafeFile file(path);
    if (!file.open())
        return failure(file.message());
    CollectionFileResult r = write(file, image, path);
    if (!r.ok) {
        file.cancel();
        return r;
    }
    if (!file.commit())
        return failure(file.message());
    return r;
}

} // namespace kv
