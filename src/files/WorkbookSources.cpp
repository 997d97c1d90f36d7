#include "files/WorkbookSources.h"

#include "common/Temperature.h"
#include "files/AnalysisCsv.h"
#include "files/ListGraphData.h"
#include "files/LocaleDateTimeReader.h"
#include "logger/DataSetStatistics.h"
#include "logger/SampleRows.h"
#include "views/GridSource.h"

#include <cmath>
#include <utility>

namespace kv {

namespace {

// Readings carry at most a tenth; a converted one keeps a hundredth. The
// single-precision values of charts and samples come out as written.
double roundedReading(double v)
{
    return std::round(v * 100.0) / 100.0;
}

bool isUnitLetter(const QString &text)
{
    return text == QLatin1String("C") || text == QLatin1String("F");
}

WorkbookFigures figuresOf(const ChannelStatistics &c)
{
    WorkbookFigures f;
    f.count = c.count;
    f.max = roundedReading(c.max);
    f.min = roundedReading(c.min);
    f.mean = c.mean;
    f.stdDev = c.stdDev;
    return f;
}

} // namespace

namespace WorkbookSources {

WorkbookSheetResult listSheet(const GridSource &grid, int from, int to, const std::function<double(int)> &rowTime,
                              const QString &name)
{
    WorkbookSheetResult r;
    WorkbookSheet &s = r.sheet;
    s.name = name;
    const AnalysisCsv::GridShape shape = AnalysisCsv::shapeOf(grid);
    s.channels = shape.channels;
    s.function = shape.functionColumn >= 0;
    from = std::max(from, 1);
    to = std::min(to, grid.RowCount() - 1);
    for (int row = from; row <= to && s.unit.isEmpty(); ++row)
        for (int ch = 0; ch < s.channels && s.unit.isEmpty(); ++ch)
            if (isUnitLetter(grid.cell(4 + 2 * ch, row).trimmed()))
                s.unit = grid.cell(4 + 2 * ch, row).trimmed();
    if (to >= from)
        s.rows.reserve(static_cast<size_t>(to - from + 1));
    LocaleDateTimeReader reader;
    for (int row = from; row <= to; ++row) {
        WorkbookRow w;
        if (rowTime) {
            w.dateTime = rowTime(row);
        } else {
            const QString date = grid.cell(1, row), time = grid.cell(2, row);
            if (!reader.dateTime(date, time, w.dateTime)) {
                r.badRow = row;
                r.problem = reader.problem(date, time);
                return r;
            }
        }
        for (int ch = 0; ch < s.channels; ++ch) {
            const QString text = grid.cell(3 + 2 * ch, row).trimmed();
            float v = 0;
            if (text == QLatin1String("OL")) {
                w.overload[ch] = true;
            } else if (listValue(text, v)) {
                const QString unit = grid.cell(4 + 2 * ch, row).trimmed();
                w.value[ch] = roundedReading(isUnitLetter(unit) ? convertTemperature(v, unit, s.unit) : v);
            } else if (text.isEmpty() || text == QLatin1String("----")) {
                w.missing[ch] = true;
            } else {
                r.badRow = row;
                r.problem = unreadableValue(text);
                return r;
            }
        }
        if (s.function)
            w.function = grid.cell(shape.functionColumn, row).trimmed();
        s.rows.push_back(std::move(w));
    }
    return r;
}

WorkbookSheet graphSheet(const GraphCells &cells, int from, int to, const QString &unit, const QString &name)
{
    WorkbookSheet s;
    s.name = name;
    s.channels = cells.subsets == 2 && cells.y1 ? 2 : 1;
    s.unit = unit;
    const int last = cells.x ? std::min(to, cells.points) : 0;
    for (int point = std::max(from, 1); point <= last; ++point) {
        const int k = point - 1;
        if (cells.x[k] == 0)
            break;
        WorkbookRow w;
        w.dateTime = cells.x[k];
        for (int ch = 0; ch < s.channels; ++ch) {
            const float y = ch == 0 ? cells.y0[k] : cells.y1[k];
            w.overload[ch] = y == TextDataSet::OverloadValue;
            w.missing[ch] = std::isnan(y) || y == TextDataSet::NoReadingValue;
            if (!w.overload[ch] && !w.missing[ch])
                w.value[ch] = roundedReading(y);
        }
        // A break in a recording's line holds no reading: no row for it.
        if (w.missing[0] && (s.channels == 1 || w.missing[1]))
            continue;
        s.rows.push_back(std::move(w));
    }
    return s;
}

WorkbookSheet dataSetSheet(const DataSetCollection &c, int index, int channels)
{
    const DataSet &set = c.sets.at(index);
    WorkbookSheet s;
    s.name = QStringLiteral("Set %1").arg(index + 1);
    s.channels = channels == 2 ? 2 : 1;
    s.unit = QString(set.unit);
    s.rows.reserve(static_cast<size_t>(std::max(0, set.sampleCount)));
    const double step = set.intervalSeconds / 86400.0;
    for (int i = 0; i < set.sampleCount; ++i) {
        WorkbookRow w;
        w.dateTime = set.start + i * step;
        for (int ch = 0; ch < s.channels; ++ch) {
            const std::optional<Sample> sample = sampleAt(c, set, i, ch);
            if (!sample)
                w.missing[ch] = true;
            else if (sample->overload)
                w.overload[ch] = true;
            else
                w.value[ch] = roundedReading(sample->value);
        }
        s.rows.push_back(std::move(w));
    }
    return s;
}

Workbook collection(const DataSetCollection &c, const QString &title, QList<int> indexes)
{
    if (indexes.isEmpty())
        for (int i = 0; i < c.sets.size(); ++i)
            indexes << i;
    Workbook book;
    book.title = title;
    book.setChannels = c.bytesPerSample == 4 ? 2 : 1;
    book.model = book.setChannels == 2 ? 482 : 481;
    for (int i : indexes) {
        const DataSet &set = c.sets.at(i);
        const DataSetStatistics stats = dataSetStatistics(c, i, book.setChannels);
        WorkbookSetLine line;
        line.number = i + 1;
        line.start = set.start;
        line.intervalSeconds = set.intervalSeconds;
        line.count = set.sampleCount;
        line.unit = QString(set.unit);
        for (int ch = 0; ch < book.setChannels; ++ch)
            line.channel[ch] = figuresOf(stats.channel[ch]);
        line.durationSeconds = stats.durationSeconds;
        book.sets.push_back(line);
        book.sheets.push_back(dataSetSheet(c, i, book.setChannels));
    }
    return book;
}

void addNotes(WorkbookSheet &sheet, const RunNotes &notes)
{
    const int n = int(sheet.rows.size());
    if (notes.isEmpty() || n == 0)
        return;
    const auto timeOf = [&sheet](int row) { return sheet.rows[size_t(row - 1)].dateTime; };
    const double before = n > 1 ? timeOf(2) - timeOf(1) : 0.0;
    const double after = n > 1 ? timeOf(n) - timeOf(n - 1) : 0.0;
    RunNotes near;
    for (const RunNote &note : notes)
        if (note.at >= timeOf(1) - before && note.at <= timeOf(n) + after)
            near.push_back(note);
    const PlacedNotes placed = placeNotes(near, 1, n, n, timeOf);
    for (int i = 0; i < placed.rows.size(); ++i)
        sheet.rows[size_t(placed.rows[i] - 1)].note = placed.texts[i];
    sheet.notes = sheet.notes || !placed.rows.isEmpty();
}

} // namespace WorkbookSources

} // namespace kv
