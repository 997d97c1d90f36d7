#include "cli/CollectionSets.h"

#include "common/Bcd.h"
#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "files/CollectionFile.h"
#include "files/TextDataSet.h"
#include "files/Workbook.h"
#include "files/WorkbookSources.h"
#include "logger/DataSetDecoder.h"
#include "logger/SampleDecoding.h"
#include "logger/SampleRows.h"

#include <QDateTime>
#include <QFileInfo>
#include <QIODevice>

#include <cstdio>

#include <vector>

namespace kv {

namespace {

// A reading the image does not hold counts as an overload.
Sample sampleOrOverload(const DataSetCollection &c, const DataSet &set, int k, int channel)
{
    return sampleAt(c, set, k, channel).value_or(Sample{0.0f, 1, true});
}

} // namespace

CollectionSets decodeCollectionSets(QByteArray image, const QString &name)
{
    CollectionSets r;
    // The replacement only lets the decoder go on; the set is marked below
    // and never written.
    auto keepGoing = [](const StartDateTime &) {
        StartDateTime placeholder;
        placeholder.year = 1899;
        placeholder.month = 12;
        placeholder.day = 30;
        return DateTimeCorrection::corrected(placeholder);
    };
    DecodeResult d = decodeImage(std::move(image), keepGoing);
    switch (d.outcome) {
    case DecodeOutcome::Decoded:
        break;
    case DecodeOutcome::BadSetCount:
        r.error = QStringLiteral("%1: not a data set collection (its set count is outside 1 to %2)")
                      .arg(name)
                      .arg(kMaxSetCount);
        return r;
    default:
        r.error = QStringLiteral("%1: %2").arg(name, d.message.isEmpty() ? readErrorText().simplified()
                                                                         : d.message.simplified());
        return r;
    }
    r.collection = std::move(d.collection);
    for (const DataSet &set : r.collection->sets) {
        const StartDateTime t = readRecordTime(r.collection->image, set.recordOffset);
        r.impossibleStart << (t.isValid() ? QString() : t.text());
    }
    r.ok = true;
    return r;
}

CollectionSets readCollectionSets(const QString &path)
{
    const CollectionFileResult read = CollectionFile::readFile(path);
    if (!read.ok) {
        CollectionSets r;
        r.error = read.error.simplified();
        return r;
    }
    return decodeCollectionSets(read.image, path);
}

bool writeSet(QIODevice &device, const CollectionSets &sets, int index, ExportLayout layout, QChar separator,
              bool withHeader, QString *error, bool setColumn)
{
    const DataSetCollection &c = *sets.collection;
    const DataSet &set = c.sets.at(index);
    const int channels = sets.channels();
    const int n = set.sampleCount;
    const double step = set.intervalSeconds / kSecondsPerDay;
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };

    if (layout == ExportLayout::Table) {
        const SampleRows rows(c, index, channels);
        const TextWriteResult w = TextDataSet::writeGrid(device, rows, 1, rows.RowCount() - 1, separator);
        return w.ok || fail(w.error);
    }
    if (layout == ExportLayout::Graph) {
        // The cells the data-logger window's chart holds for the set: the
        // overload mark where a reading is "OL".
        std::vector<double> x(static_cast<size_t>(n));
        std::vector<float> y0(static_cast<size_t>(n)), y1(channels == 2 ? static_cast<size_t>(n) : 0);
        for (int k = 0; k < n; ++k) {
            x[k] = set.start + k * step;
            const Sample a = sampleOrOverload(c, set, k, 0);
            y0[k] = a.overload ? TextDataSet::OverloadValue : a.value;
            if (channels == 2) {
                const Sample b = sampleOrOverload(c, set, k, 1);
                y1[k] = b.overload ? TextDataSet::OverloadValue : b.value;
            }
        }
        const TextWriteResult w =
            TextDataSet::writeGraph(device, GraphCells::over(n, x, y0, y1), 1, n, QString(set.unit), separator);
        return w.ok || fail(w.error);
    }

    // The CSV for analysis, from the same rows as the window's table and
    // their exact times.
    const SampleRows rows(c, index, channels);
    const TextWriteResult w = AnalysisCsv::writeGrid(
        device, rows, 1, rows.samples(), [&rows](int row) { return rows.rowTime(row); }, setColumn ? index + 1 : 0,
        withHeader);
    if (!w.ok)
        return fail(QStringLiteral("the output could not be written: %1").arg(device.errorString()));
    return true;
}

QString writeWorkbook(const QString &path, const CollectionSets &sets, const QList<int> &indexes, bool whole)
{
    const QString title = QFileInfo(path).completeBaseName();
    Workbook book;
    if (whole) {
        book = WorkbookSources::collection(*sets.collection, title, indexes);
    } else {
        book.title = title;
        book.model = sets.channels() == 2 ? 482 : 481;
        for (int i : indexes)
            book.sheets.push_back(WorkbookSources::dataSetSheet(*sets.collection, i, sets.channels()));
    }
    const WorkbookResult r = WorkbookFile::write(path, book);
    return r.ok ? QString() : r.error;
}

} // namespace kv
