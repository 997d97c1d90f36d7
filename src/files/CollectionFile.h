#pragma once
// Data set collection files (.REC): the logger's memory image byte for byte,
// with no signature, length or checksum of its own. A file holds the
// 256-byte header block, the records up to the last address in use (header
// bytes 11-12, high byte first) and the 256 bytes after it, so it is
// exactly last address + 257 bytes long. The tail is never interpreted; it
// is kept as read and written as zeros where the image has no bytes.
//
// These functions only move bytes between an image and a file; decoding the
// image into data sets is the logger's job. The Open and Save commands call
// them and show the error text through the Prompt.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace kv {

// What a read or write did. On success the image is the file's bytes (read)
// or the bytes that were written (write); on failure error says what went
// wrong, naming the file, and nothing was changed.
struct CollectionFileResult
{
    bool ok = false;
    QByteArray image;
    QString error;
};

class CollectionFile
{
public:
    static constexpr int HeaderSize = 256;
    static constexpr int TailSize = 256;
    static constexpr int SetCountOffset = 9;
    static constexpr int LastAddressOffset = 11;
    // A meter's memory holds 1 to this many data sets.
    static constexpr int MaxSetCount = 4000;
    // Bytes per reading: 2 (one channel) or 4 (two).
    static constexpr int BytesPerSampleOffset = 30;
    // The largest file: the whole 64 KiB memory and its tail.
    static constexpr int MaxFileSize = 65535 + 1 + TailSize;

    // The file dialogs' filter (description, then pattern) and default
    // extension.
    static const char Filter[];
    static const char DefaultExtension[];
    // The same filter in Qt's "Description (*.ext)" form.
    static QString qtFilter();

    // The last address in use from the image's header; -1 when the image
    // is shorter than its header block.
    static int lastAddress(const QByteArray &image);
    // The number of data sets the header gives; -1 as above.
    static int setCount(const QByteArray &image);
    // The length of the file that holds an image with this last address.
    static int fileSize(int lastAddress) { return lastAddress + 1 + TailSize; }

    // The exact bytes a file holds for the image: bytes 0 to last address +
    // 256, zeros where the image ends early. Empty (and error set) when
    // the image is shorter than its header or does not reach its own last
    // address, since such a file would hold records that were never there.
    static QByteArray fileBytes(const QByteArray &image, QString *error = nullptr);

    // Reads a collection from an open device; name is the file name used
    // in messages. Reads the header, then only as far as the file needs
    // (last address + 257 bytes), so a huge file chosen by mistake is not
    // pulled into memory. Refused as no collection when shorter than the
    // header block, when its header counts no data sets or more than a
    // meter holds, or gives a reading a size other than 2 or 4 bytes;
    // refused as damaged when shorter than last address + 1.
    static CollectionFileResult read(QIODevice &device, const QString &name);
    static CollectionFileResult readFile(const QString &path);

    // Writes the image's file bytes to an open device; a short write is an
    // error.
    static CollectionFileResult write(QIODevice &device, const QByteArray &image, const QString &name);
    // Writes through a temporary file that replaces the target only when
    // complete, so a failed save leaves the previous file as it was.
    static CollectionFileResult writeFile(const QString &path, const QByteArray &image);
};

} // namespace kv
