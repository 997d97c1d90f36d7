#pragma once
// A data set's figures (each channel's mean, standard deviation, highest
// and lowest reading; the last reading and the duration) as kv481 sets
// --stats prints them, the same the data-logger window shows.

#include "logger/DataSetStatistics.h"

#include <QString>
#include <QStringList>

namespace kv {

// TAB-separated fields in the locale's way: the last reading's date and
// time, the duration (hh:mm:ss), then per channel mean, deviation, highest
// and lowest; empty fields for a channel without a valid reading.
QString statisticsFields(const DataSetStatistics &s);
// The same as JSON members, numbers with a point; null for a channel
// without a valid reading.
QString statisticsJson(const DataSetStatistics &s);

struct CollectionSets;

// The header line (with its line end) over kv481 sets --stats in TAB-
// separated text: the names of the columns, those of the JSON members
// where there are some ("set", "date", ..., "t1_mean", "t1_sd", ...).
QString statisticsHeader(int channels);

// One line of kv481 sets (with its line end) for set index, whose row of
// the data set list is given: TAB-separated or one JSON object, with the
// figures when withStats.
QString setListLine(const CollectionSets &sets, int index, const QStringList &row, bool json, bool withStats);

} // namespace kv
