// Live frames of any content, for either model, one after another.

#include "link/LiveFrame.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int model = (data[0] & 1) ? 481 : 482;
    kv::FrameDecoder decoder;
    for (std::size_t at = 1; at + 10 <= size; at += 10) {
        kv::Frame f;
        std::copy(data + at, data + at + 10, f.begin());
        kv::Reading before;
        const bool decoded = decoder.dispatchFrame(f, model, &before);
        if (decoded && decoder.lastFrame() != f)
            std::abort();
        const kv::Reading &r = decoder.reading();
        if (!std::isfinite(r.t1) || !std::isfinite(r.t2) || std::fabs(r.t1) > 16665 || std::fabs(r.t2) > 16665 || r.maxMinMode > 3)
            std::abort();
    }
    return 0;
}
