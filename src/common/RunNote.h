#pragma once
// Notes on the time line of a run: "door opened" at 14:03:10. A note marks
// a date-time (days since 1899-12-30, local time) with a short text of one
// line; the run, a data set or a graph keeps its notes in time order.

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace kv {

struct RunNote
{
    double at = 0.0;
    QString text;
    bool operator==(const RunNote &o) const { return at == o.at && text == o.text; }
};

using RunNotes = QVector<RunNote>;

// The longest text a note may have, in characters.
constexpr int kMaxNoteLength = 80;

// The text as a note keeps it: trimmed, line breaks and tabs made blanks.
QString noteText(const QString &typed);
// Why a typed text makes no note ("A note needs a text." ...); empty when
// it does.
QString noteProblem(const QString &typed);

// Puts note into notes at its place in time (after those of the same
// time); returns its index.
int insertNote(RunNotes &notes, const RunNote &note);

// Which of rows first..last (of rows 1..count) the notes belong to: each
// note to the row whose time (timeOf, rising with the row) is nearest to
// its own; notes on one row are joined with "; ". Notes nearer a row
// outside first..last are left out.
struct PlacedNotes
{
    QVector<int> rows;     // rising
    QStringList texts;     // beside rows
    QString textOf(int row) const;
};
PlacedNotes placeNotes(const RunNotes &notes, int first, int last, int count,
                       const std::function<double(int)> &timeOf);

} // namespace kv
