#pragma once
// One data set's readings as the data-logger window's sample table shows
// them, worked out from the memory image when asked for: row 0 the titles,
// column 0 the reading's number, then date, time, T1, unit and, for two
// channels, T2 and unit; eight columns. Texts follow the default locale.
// The window's table, its saving and printing, and the command line's
// export all read the set through this one class.

#include "logger/DataSet.h"
#include "logger/SampleDecoding.h"
#include "views/GridSource.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

namespace kv {

// The reading of a channel (0 or 1) at a sample (0-based) of a set; none
// when the image does not hold it.
std::optional<Sample> sampleAt(const DataSetCollection &collection, const DataSet &set, int sample, int channel);

class SampleRows final : public GridSource
{
public:
    static constexpr int kColumns = 8;
    // The titles row for one or two channels.
    static QStringList titles(int channels);

    // The collection's image is read as long as the rows are; channels is 1 or 2.
    SampleRows(const DataSetCollection &collection, int index, int channels);

    int channels() const { return m_channels; }
    int samples() const { return m_set.sampleCount; }
    // A grid keeps one data row below its titles even with nothing to show.
    int RowCount() const override { return std::max(2, m_set.sampleCount + 1); }
    int ColCount() const override { return kColumns; }
    QString cell(int col, int row) const override;
    // The date-time of a data row (1-based), 0 when there is none.
    double rowTime(int row) const;
    // The set as it was when the rows were made.
    const DataSet &set() const { return m_set; }
    // Whether the texts follow the default locale as it is now.
    bool followsLocale() const { return m_locale == QLocale(); }

private:
    const DataSetCollection &m_c;
    const DataSet m_set; // a copy: the image is all that is read of the collection
    int m_channels;
    // The locale, its time format and the day's date text are worked out
    // once, not per row.
    QLocale m_locale;
    QString m_timeFormat;
    mutable QDate m_day;
    mutable QString m_dayText;
};

} // namespace kv
