// Settings files of any content: reading never fails, and what the program
// writes over such a file reads back as the values it wrote.

#include "app/Settings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 1 << 16)
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<int>(size));
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
