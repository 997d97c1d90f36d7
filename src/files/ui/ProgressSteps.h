#pragma once
// A long job's progress callback over the progress window. The bar moves
// about 500 times over the whole job, not once per row: a progress bar
// repaints itself on every visible change, which would cost more than the
// rows. Cancel is read after every row; waiting events get through at
// every bar step, at most every 50 ms.

#include "files/TextDataSet.h"
#include "views/ProgressDialog.h"

#include <algorithm>

namespace kv {

inline TextProgress progressSteps(ProgressDialog &dialog, int total)
{
    const int stride = std::max(1, total / 500);
    return [&dialog, stride, total](int done, int) {
        if (done % stride == 0 || done >= total)
            return dialog.step(done);
        return !dialog.cancelled();
    };
}

} // namespace kv
