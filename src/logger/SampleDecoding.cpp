#include "logger/SampleDecoding.h"

#include "common/LocaleText.h"

namespace kv {

QString sampleText(const Sample &s)
{
    return s.overload ? QStringLiteral("OL") : fixedText(s.value, s.decimals);
}

} // namespace kv
