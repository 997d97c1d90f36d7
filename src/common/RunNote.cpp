#include "common/RunNote.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kv {

QString noteText(const QString &typed)
{
    QString t = typed;
    for (QChar &c : t)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return t.simplified();
}

QString noteProblem(const QString &typed)
{
    const QString t = noteText(typed);
    if (t.isEmpty())
        return QStringLiteral("A note needs a text: type what happened, for example \"door opened\".");
    if (t.size() > kMaxNoteLength)
        return QStringLiteral("A note holds at most %1 characters; this one has %2.").arg(kMaxNoteLength).arg(t.size());
    return QString();
}

int insertNote(RunNotes &notes, const RunNote &note)
{
    const auto it = std::upper_bound(notes.begin(), notes.end(), note.at,
                                     [](double at, const RunNote &n) { return at < n.at; });
    const int index = int(it - notes.begin());
    notes.insert(index, note);
    return index;
}

QString PlacedNotes::textOf(int row) const
{
    const auto it = std::lower_bound(rows.begin(), rows.end(), row);
    return it != rows.end() && *it == row ? texts.at(int(it - rows.begin())) : QString();
}

PlacedNotes placeNotes(const RunNotes &notes, int first, int last, int count,
                       const std::function<double(int)> &timeOf)
{
    PlacedNotes placed;
    if (notes.isEmpty() || !timeOf || count < 1)
        return placed;
    // Over all rows of the run, so a range gets only the notes of its rows.
    const int lo = 1, hi = count;
    QVector<std::pair<int, QString>> hits;
    for (const RunNote &n : notes) {
        // The first row at or after the note, by halving.
        int a = lo, b = hi + 1;
        while (a < b) {
            const int m = a + (b - a) / 2;
            const double t = timeOf(m);
            if (std::isnan(t) || t < n.at)
                a = m + 1;
            else
                b = m;
        }
        int row = std::min(a, hi);
        if (a > lo && (a > hi || std::fabs(timeOf(a - 1) - n.at) <= std::fabs(timeOf(a) - n.at)))
            row = a - 1;
        if (row >= first && row <= last)
            hits.append({row, n.text});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const auto &x, const auto &y) { return x.first < y.first; });
    for (const auto &h : hits) {
        if (!placed.rows.isEmpty() && placed.rows.last() == h.first) {
            placed.texts.last() += QStringLiteral("; ") + h.second;
        } else {
            placed.rows.append(h.first);
            placed.texts.append(h.second);
        }
    }
    return placed;
}

} // namespace kv
