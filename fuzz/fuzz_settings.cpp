// Settings files of any content: reading never fails, a text read and not
// changed is written back byte for byte, and what the program writes over
// such a file reads back as the values it wrote.

#include "app/Settings.h"
#include "common/IniDocument.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 1 << 16)
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<int>(size));
    // Lines are kept as the bytes they were read from.
    if (kv::IniDocument::parse(text).serialize() != text)
        std::abort();
    kv::SettingsValues v = kv::Settings::parse(text);
    if ((v.model != 481 && v.model != 482) || v.samplingRate < 1 || v.samplingRate > kv::Settings::kMaxSamplingRate)
        std::abort();
    // Titles typed into one-line fields hold no line breaks.
    v.mainTitle.remove(QLatin1Char('\r'));
    v.subTitle.remove(QLatin1Char('\r'));
    const QByteArray written = kv::Settings::update(text, v);
    if (kv::Settings::parse(written) != v)
        std::abort();
    return 0;
}
