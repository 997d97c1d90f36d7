// Collection files of any content and length, read from a buffer. Whatever
// is taken must be the file's own bytes within a collection's size, and
// saving it must give a file that reads back to itself.

#include "files/CollectionFile.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 200000)
        return 0;
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const kv::CollectionFileResult r = kv::CollectionFile::read(buffer, QStringLiteral("fuzz.rec"));
    if (!r.ok) {
        if (r.error.isEmpty() || !r.image.isEmpty())
            std::abort();
        return 0;
    }
    const int last = kv::CollectionFile::lastAddress(r.image);
    if (last < 0 || r.image.size() < last + 1 || r.image.size() > kv::CollectionFile::fileSize(last)
        || !bytes.startsWith(r.image))
        std::abort();
    QByteArray saved;
    QBuffer out(&saved);
    out.open(QIODevice::WriteOnly);
    const kv::CollectionFileResult w = kv::CollectionFile::write(out, r.image, QStringLiteral("fuzz.rec"));
    if (!w.ok || saved.size() != kv::CollectionFile::fileSize(last) || !saved.startsWith(r.image))
        std::abort();
    out.close();
    out.open(QIODevice::ReadOnly);
    if (kv::CollectionFile::read(out, QStringLiteral("fuzz.rec")).image != saved)
        std::abort();
    return 0;
}
