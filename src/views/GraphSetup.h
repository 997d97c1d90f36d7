#pragma once
// The one set-up every chart goes through, the chart template it starts
// from, and graph files (.GHF): a 4-byte little-endian length, then the
// chart's state block.

#include <QByteArray>
#include <QString>

namespace kv {

class Chart;
class Prompt;

// Where the chart template lives: "template/graph.ghf" beside the program,
// or in the user's data folder when the program's folder cannot be written.
struct GraphTemplate
{
    QString directory; // where it is written, with a trailing slash
    QString readPath;  // where it is read from
    QString path() const { return directory + QStringLiteral("graph.ghf"); }

    static GraphTemplate locate(const QString &programPath);
};

// A graph file's block, checked against the file: too short, a length
// beyond the file or beyond any real chart are errors, and nothing is
// allocated beyond the file's size.
bool readGraphFile(const QString &path, QByteArray &block, QString *error);
// Written whole or not at all; error receives the system's reason.
bool writeGraphFile(const QString &path, const QByteArray &block, QString *error);

bool LoadGraphState(Chart &chart, const QString &path, QString *error = nullptr);
bool SaveGraphState(const Chart &chart, const QString &path, QString *error = nullptr);

// Prepares a chart: the template's look (or the default look when there is
// no template), the fixed settings, subsets and points, the scales. The
// first chart set up without a template writes it; a template that cannot
// be written is reported. False, with the error shown, when the template
// folder cannot be created.
bool SetupGraph(Chart &chart, int subsets, int points, double xMin, double xMax, double yMin, double yMax,
                const GraphTemplate &tmpl, Prompt &prompt);

// The fixed upper limit of a chart state block in a graph file.
constexpr qint64 kMaxGraphBlock = 256 * 1024 * 1024;

} // namespace kv
