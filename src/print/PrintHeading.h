#pragma once
// What a printed table's pages say of the window it came from: the list's
// file name or "Real-time list", or the data-logger window's set number and
// start; the meter model of its columns; the moment of printing.

#include "print/TablePrinter.h"

namespace kv {

class TfrmDataLogger;
class TfrmList;

// printedAt: the date-time of printing; by default, now.
TableHeading tableHeadingFor(const TfrmList *list, double printedAt = -1.0);
TableHeading tableHeadingFor(const TfrmDataLogger *dataLogger, double printedAt = -1.0);

} // namespace kv
