#pragma once
// The rows the live recording took: time, readings, units and the function
// words of each sample, in the meter's unit, from the start of the run (or
// its last clear). Read as a table it holds what the real-time list shows
// for them (row 0 the column titles, column 0 the row numbers), so its
// journal is written in the bytes a TXT save of that list writes.
//
// A run of any length: at most `cap()` of the newest rows stay in memory.
// Older rows leave memory only once the journal holds them, and are read
// back from it when a save or the whole-run graph needs them; a run whose
// journal is off or failed keeps its rows in memory. Every 64 rows keep a
// summary (their time span, each channel's lowest and highest reading in
// the run's unit) for as long as the run lasts, so that the whole run can
// be drawn without its rows.

#include "session/LiveSample.h"
#include "views/GridSource.h"

#include <QStringList>
#include <QVector>

#include <deque>
#include <functional>
#include <vector>

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
        // No reading was taken for more than two sampling intervals before
        // this one: the line is broken here.
        bool breakBefore = false;
        // Indexes into the units and the function words the run has seen.
        quint8 unit1 = 0;
        quint8 unit2 = 0;
        quint16 status = 0;
    };

    // What 64 consecutive rows hold, in the run's unit.
    struct Block
    {
        static constexpr int kRows = 64;
        double first = 0.0, last = 0.0; // times of its first and last row
        float min[2] = {0, 0}, max[2] = {0, 0};
        bool any[2] = {false, false};   // a reading that is not an overload
        bool breaks = false;            // a row in it breaks the line
    };

    static constexpr int kDefaultCap = 1000000;

    // The model whose columns the rows have: 481 one channel, else two.
    int model() const { return m_model; }
    int channels() const { return m_model == 481 ? 1 : 2; }
    int count() const { return m_first + static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return count() == 0; }
    // The unit of the run's first row ("C" or "F"; empty before it), which
    // the summaries and the whole-run graph use.
    QString unit() const { return m_unitText; }
    double startTime() const { return m_startTime; }
    double lastTime() const { return m_rows.empty() ? m_startTime : m_rows.back().dateTime; }

    // Rows below this one are no longer in memory.
    int firstInMemory() const { return m_first; }
    bool inMemory(int i) const { return i >= m_first && i < count(); }
    // Row i, read back from the journal when it has left memory (a row of
    // zeros when it cannot be read: see readBackError()).
    const Row &row(int i) const;
    // What row i keeps of its reading (temperatures, overloads, units and
    // function words).
    Reading reading(int i) const;
    // A channel's value in the run's unit; false for an overload.
    bool value(const Row &r, int channel, float &v) const;

    const std::vector<Block> &blocks() const { return m_blocks; }

    // Empties the run; the rows that come are of this model.
    void clear(int model);
    void append(const LiveSample &s, bool breakBefore = false);

    // The most rows kept in memory (tests make it small).
    int cap() const { return m_cap; }
    void setCap(int rows) { m_cap = rows < Block::kRows ? Block::kRows : rows; }

    // Row i was appended to the journal at path, as bytes bytes at offset.
    void noteJournaled(int i, const QString &path, qint64 offset, qint64 bytes);
    // The journal got a name of its own once made: the rows of its last
    // stretch are read from there.
    void renameJournal(const QString &path);
    // Waits until the journal's lines are on the disk. Rows leave memory
    // once handed to the journal, whose own thread writes them a moment
    // later: a row read back at once may find its line not yet there.
    void setWaitWritten(std::function<void()> wait) { m_waitWritten = std::move(wait); }
    // The journal stopped: rows from the newest stretch stay in memory.
    void journalStopped();
    // The journal files that hold the run's rows, oldest first.
    QStringList journalFiles() const;
    // Why rows that left memory could not be read back, once it happened;
    // empty while all could. Checks that every journal still holds them.
    QString readBackError() const;

    // The cells of a data row (0-based) as the real-time list shows them.
    QStringList cells(int i) const;
    static QStringList titles(int model);

    int RowCount() const override { return count() + 1; }
    int ColCount() const override { return m_model == 481 ? 6 : 8; }
    QString cell(int col, int row) const override;

private:
    // Consecutive rows that lie one after the other in one journal file.
    struct Stretch
    {
        int first = 0;
        int rows = 0;
        QString path;
        qint64 end = 0;               // the byte after its last row
        std::vector<qint64> marks;    // the offset of every kMark-th row
        bool stopped = false;         // rows after a failure may be missing
    };
    static constexpr int kMark = 4096;

    static int intern(QStringList &texts, const QString &text, int most);
    void summarise(const Row &r);
    void evict();
    const Stretch *stretchOf(int i) const;
    // Reads the journal lines around row i into the cache; false when they
    // cannot be read.
    bool readBack(int i) const;

    int m_model = 482;
    int m_cap = kDefaultCap;
    int m_first = 0; // rows before this one have left memory
    std::deque<Row> m_rows;
    std::vector<Block> m_blocks;
    std::vector<Stretch> m_stretches;
    QStringList m_units;
    QStringList m_texts; // function words
    QString m_unitText;
    int m_unit = -1; // the run's unit among m_units
    double m_startTime = 0.0;

    // Rows read back from the journal: [m_backFirst, m_backFirst + size).
    mutable int m_backFirst = -1;
    mutable std::vector<QStringList> m_back;
    mutable std::vector<Row> m_backRows;
    mutable QString m_backError;
    std::function<void()> m_waitWritten;
    // The row whose cells were asked for last: a table is read cell by cell.
    mutable int m_cachedRow = -1;
    mutable QStringList m_cachedCells;
};

// One row of the real-time list: its number, the tick's date and time, the
// temperatures ("OL" in overload) with their units, and the function words;
// the two-channel meter's row has T2 and its unit before them.
QStringList liveRowCells(int number, double dateTime, const Reading &r, int model);

} // namespace kv
