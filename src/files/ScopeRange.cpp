#include "files/ScopeRange.h"

#include "common/LocaleText.h"

#include <algorithm>
#include <cstdlib>

namespace kv {

ScopeRange selectScopeRange(bool all, const QString &fromText, const QString &toText, int last, int largest)
{
    ScopeRange r;
    if (all) {
        r.ok = true;
        r.from = 1;
        r.to = last;
        return r;
    }
    bool fromOk = false;
    bool toOk = false;
    // 64 bits, so the absolute value of the most negative int fits.
    qint64 from = std::llabs(static_cast<qint64>(parseInteger(fromText, &fromOk)));
    qint64 to = fromOk ? std::llabs(static_cast<qint64>(parseInteger(toText, &toOk))) : 0;
    if (!fromOk || !toOk) {
        r.error = QStringLiteral("invalid integer");
        return r;
    }
    if (to < from)
        std::swap(from, to);
    if (to > largest)
        to = largest;
    if (from == 0)
        from = 1;
    r.ok = true;
    // A from beyond the largest number selects nothing; it needs no more
    // than to exceed to.
    r.from = static_cast<int>(std::min<qint64>(from, qint64(std::max(largest, 0)) + 1));
    r.to = static_cast<int>(to);
    return r;
}

} // namespace kv
