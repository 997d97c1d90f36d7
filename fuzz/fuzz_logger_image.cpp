// Memory images (downloads and collection files) of any content. The date
// correction is answered from the input too, so both of its ways are tried.

#include "common/Prompt.h"
#include "logger/DataSetDecoder.h"
#include "logger/SampleDecoding.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstdlib>

namespace {
class FuzzPrompt final : public kv::Prompt
{
public:
    bool accept = false;
    void information(const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &) override { return false; }
    bool setupScale(QString &, QString &) override { return false; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    kv::DateTimeFields correctDateTime(const kv::DateTimeFields &initial) override
    {
        if (accept)
            return {QStringLiteral("2026"), QStringLiteral("1"), QStringLiteral("1"),
                    QStringLiteral("0"),    QStringLiteral("0"), QStringLiteral("0")};
        return initial;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 70000)
        return 0;
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    FuzzPrompt prompt;
    prompt.accept = size > 0 && (data[size - 1] & 1);
    const QByteArray image(reinterpret_cast<const char *>(data), static_cast<int>(size));
    kv::DecodeResult r = kv::decodeImage(image, prompt);
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
