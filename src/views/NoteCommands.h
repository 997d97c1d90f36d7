#pragma once
// Notes on the time line. "Add Note..." of the Real Time menu (and of the
// real-time graph's context menu) marks the current time of the live run;
// on any other graph (a data-logger set, a graph from a file or a list)
// the context menu's "Add Note..." marks the time where the menu opened.
// A note's line or label opens a menu with "Edit Note..." and "Remove
// Note". The live run keeps its notes beside its journal; other graphs
// keep theirs with the chart, for saving and printing.

#include <QObject>

#include <functional>

namespace kv {

class Chart;
class LiveRun;
class Prompt;

class NoteCommands : public QObject
{
    Q_OBJECT
public:
    // realTimeGraph: the real-time graph's chart while it is open.
    NoteCommands(Prompt &prompt, LiveRun &run, std::function<Chart *()> realTimeGraph, QObject *parent = nullptr);

    // A note at the current time on the live run; false when none was made.
    bool AddNote1Click();
    // The context menu's items on chart.
    void installOn(Chart &chart);

    // On one chart: a note at (the real-time graph: now), its text changed,
    // gone. On the graphs of the live run, the run's notes change.
    bool addNote(Chart &chart, double at);
    bool editNote(Chart &chart, int index);
    bool removeNote(Chart &chart, int index);

private:
    bool isLive(const Chart &chart) const;
    // The real-time graph or the whole-run graph: their notes are the run's.
    bool showsRun(const Chart &chart) const;
    // Asks until the text makes a note or the user cancels.
    bool askNote(const QString &caption, const QString &label, QString &text);
    // The run kept the note but could not write it beside its journal.
    void tellNotKept(const QString &why);

    Prompt &m_prompt;
    LiveRun &m_run;
    std::function<Chart *()> m_realTimeGraph;
};

} // namespace kv
