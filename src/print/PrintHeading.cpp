#include "print/PrintHeading.h"

#include "common/Clock.h"
#include "common/LocaleText.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/TfrmList.h"

#include <QFileInfo>

namespace kv {

namespace {

double moment(double printedAt)
{
    return printedAt >= 0.0 ? printedAt : SystemClock::instance().now();
}

} // namespace

TableHeading tableHeadingFor(const TfrmList *list, double printedAt)
{
    TableHeading h;
    // A list from a file is captioned with its full path; the page names
    // the file.
    h.subject = list->isRealTime() ? QStringLiteral("Real-time list") : QFileInfo(list->windowTitle()).fileName();
    if (h.subject.isEmpty())
        h.subject = list->windowTitle();
    h.model = list->grid()->ColCount() == 8 ? 482 : 481;
    h.printedAt = moment(printedAt);
    return h;
}

TableHeading tableHeadingFor(const TfrmDataLogger *dataLogger, double printedAt)
{
    TableHeading h;
    const DataSetCollection *c = dataLogger->collection();
    const int set = dataLogger->shownSet();
    if (c && set >= 0 && set < c->sets.size()) {
        const double start = c->sets.at(set).start;
        h.subject = QStringLiteral("Data set %1, started %2 %3").arg(set + 1).arg(shortDateText(start),
                                                                               longTimeText(start));
    } else {
        h.subject = QStringLiteral("Data set");
    }
    h.model = dataLogger->channelCount() == 2 ? 482 : 481;
    h.printedAt = moment(printedAt);
    return h;
}

} // namespace kv
