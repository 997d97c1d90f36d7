#pragma once
// The rows the live recording took: time, readings, units and the function
// words of each sample, in the meter's unit, from the start of the run (or
// its last clear). Read as a table it holds what the real-time list shows
// for them (row 0 the column titles, column 0 the row numbers), so its
// journal is written in the bytes a TXT save of that list writes.

#include "session/LiveSample.h"
#include "views/GridSource.h"

#include <QStringList>
#include <QVector>

namespace kv {

class RunRows final : public GridSource
{
public:
    struct Row
    {
        double dateTime = 0.0;
        double t1 = 0.0;
        double t2 = 0.0;
        bool t1Overload = false;
        bool t2Overload = false;
        // Indexes into the texts the run has seen (units, function words).
        int unit1 = 0;
        int unit2 = 0;
        int status = 0;
    };

    // The model whose columns the rows have: 481 one channel, else two.
    int model() const { return m_model; }
    int count() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const Row &row(int i) const { return m_rows.at(i); }
    // What row i keeps of its reading (temperatures, overloads, units and
    // function words).
    Reading reading(int i) const;

    // Empties the run; the rows that come are of this model.
    void clear(int model);
    void append(const LiveSample &s);

    // The cells of a data row (0-based) as the real-time list shows them.
    QStringList cells(int i) const;
    static QStringList titles(int model);

    int RowCount() const override { return m_rows.size() + 1; }
    int ColCount() const override { return m_model == 481 ? 6 : 8; }
    QString cell(int col, int row) const override;

private:
    int intern(const QString &text);

    int m_model = 482;
    QVector<Row> m_rows;
    QStringList m_texts;
    // The row whose cells were asked for last: a table is read cell by cell.
    mutable int m_cachedRow = -1;
    mutable QStringList m_cachedCells;
};

// One row of the real-time list: its number, the tick's date and time, the
// temperatures ("OL" in overload) with their units, and the function words;
// the two-channel meter's row has T2 and its unit before them.
QStringList liveRowCells(int number, double dateTime, const Reading &r, int model);

} // namespace kv
