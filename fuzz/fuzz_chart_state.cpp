// Chart state blocks (graph files and the chart template) of any content: a
// block either reads whole or changes nothing, and what reads is written
// back and read again to the same chart.

#include "views/ChartState.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray block(reinterpret_cast<const char *>(data), static_cast<int>(size));
    kv::ChartContents c;
    c.data.setPoints(2);
    const kv::ChartContents before = c;
    QString error;
    if (!kv::restoreChartState(block, c, &error)) {
        if (!(c == before) || error.isEmpty())
            std::abort();
        return 0;
    }
    kv::ChartContents again;
    if (!kv::restoreChartState(kv::saveChartState(c), again, nullptr))
        std::abort();
    // NaN cells compare unequal to themselves; compare the blocks instead.
    if (kv::saveChartState(again) != kv::saveChartState(c))
        std::abort();
    return 0;
}
