// Memory images (downloads and collection files) of any content. The date
// correction is answered from the input too, so both of its ways are tried:
// a possible date, and the impossible one given back.

#include "logger/DataSetDecoder.h"
#include "logger/SampleDecoding.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 70000)
        return 0;
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const bool accept = size > 0 && (data[size - 1] & 1);
    const kv::CorrectStartDateTime correct = [accept](const kv::StartDateTime &bad) {
        return accept ? kv::DateTimeCorrection::corrected({2026, 1, 1, 0, 0, 0}) : kv::DateTimeCorrection::corrected(bad);
    };
    const QByteArray image(reinterpret_cast<const char *>(data), static_cast<int>(size));
    kv::DecodeResult r = kv::decodeImage(image, correct);
    if (r.outcome == kv::DecodeOutcome::Decoded) {
        const kv::DataSetCollection &c = *r.collection;
        for (const kv::DataSet &s : c.sets) {
            if (s.recordOffset < 256 || s.recordEnd >= c.image.size() || s.recordEnd > c.lastAddress)
                std::abort();
            // Every sample the window will read lies inside the record.
            for (int o = s.recordOffset + 14; o < s.recordEnd - 2; o += c.bytesPerSample)
                kv::DecodeSample(kv::byteAt(c.image, o), kv::byteAt(c.image, o + 1));
        }
        kv::dataSetListRows(c);
    }
    return 0;
}
