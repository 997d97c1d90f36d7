#include "logger/ui/DataSetExtremes.h"

#include "common/LocaleText.h"

#include <algorithm>
#include <cmath>

namespace kv {

QString extremeText(float value, double time, bool present)
{
    if (!present)
        return longTimeText(0.0) + QLatin1Char('\t') + QStringLiteral("OL");
    return longTimeText(time) + QLatin1Char('\t') + fixedText(value, 1);
}

YRange dataSetYRange(const ChannelExtremes *channels, int count)
{
    bool any = false;
    double hi = ChannelExtremes::kNoMax;
    double lo = ChannelExtremes::kNoMin;
    for (int i = 0; i < count; ++i) {
        // A channel without valid readings drops out through its sentinels.
        any = any || channels[i].hasMax();
        hi = std::max(hi, double(channels[i].max));
        lo = std::min(lo, double(channels[i].min));
    }
    if (!any)
        return {-200.0, 1370.0};
    YRange r{lo - std::fabs(lo) * 0.1, hi + std::fabs(hi) * 0.1};
    if (r.max <= r.min)
        r = {-1.0, 1.0};
    return r;
}

} // namespace kv
