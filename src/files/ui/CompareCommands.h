#pragma once
// Comparing two runs: "Compare With..." on a graph's context menu opens
// another data set (a set of a collection file, a text file or a graph
// file) and draws it behind the graph's own lines, moved so both runs
// start together or so it starts at a time the user picks; "Remove
// Comparison" takes it away.

#include "views/Chart.h"

#include <QDateTime>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class QDateTimeEdit;
class QRadioButton;

namespace kv {

class Prompt;

// Where the other run's start goes: with the graph's start, or at a time
// the user picks.
class TfrmCompareAlign : public QDialog
{
    Q_OBJECT
public:
    TfrmCompareAlign(const QString &name, const QDateTime &graphStart, QWidget *parent = nullptr);
    // The date-time the other run starts at on the graph.
    QDateTime startAt() const;

    QRadioButton *radTogether, *radAt;
    QDateTimeEdit *edtAt;

private:
    QDateTime m_graphStart;
};

class CompareCommands : public QObject
{
    Q_OBJECT
public:
    CompareCommands(Prompt &prompt, QWidget *dialogParent, QObject *parent = nullptr);

    // Adds "Compare With..." and "Remove Comparison" to the chart's context
    // menu.
    void installOn(Chart &chart);

    // Asks for the file (and, in a collection, the set), reads it and draws
    // it on chart; false (with a message where something failed) when
    // nothing was drawn.
    bool compareWith(Chart &chart);
    void removeComparison(Chart &chart);

    // The run in a file, its x values as recorded; name says what it is
    // ("oven.rec set 2"). None, with error set, when the file does not read.
    // set: the set of a collection file (-1: ask).
    std::optional<Chart::Comparison> readRun(const QString &path, int set = -1, QString *error = nullptr);

    // Where answers come from (dialogs by default); tests give their own.
    // The set of a collection: an index into the sets' descriptions, or -1.
    void setSetChooser(std::function<int(const QStringList &sets)> choose) { m_chooseSet = std::move(choose); }
    // Where the other run starts on the graph (given the graph's start),
    // or none for Cancel.
    void setAlignChooser(std::function<std::optional<double>(const QString &name, double graphStart)> choose)
    {
        m_chooseStart = std::move(choose);
    }

    static QString filter();

    // A run in the other unit than the graph's title names turned into the
    // graph's unit, its name saying so; a graph of no named unit leaves
    // the run as it is and its name gives its unit.
    static void inUnitOf(const Chart &chart, Chart::Comparison &run);

private:
    Prompt &m_prompt;
    QPointer<QWidget> m_dialogParent;
    std::function<int(const QStringList &)> m_chooseSet;
    std::function<std::optional<double>(const QString &, double)> m_chooseStart;
};

} // namespace kv
