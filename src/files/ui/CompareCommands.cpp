#include "files/ui/CompareCommands.h"

#include "common/DateTime.h"
#include "common/Prompt.h"
#include "common/Temperature.h"
#include "files/CollectionFile.h"
#include "files/ListGraphData.h"
#include "files/TextDataSet.h"
#include "logger/DataSetDecoder.h"
#include "logger/SampleRows.h"
#include "views/GraphSetup.h"
#include "views/GridModel.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace kv {

namespace {

constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

// The first recorded x of a run.
double startOf(const Chart::Comparison &run)
{
    for (double x : run.x)
        if (x != 0.0)
            return x;
    return 0.0;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

TfrmCompareAlign::TfrmCompareAlign(const QString &name, const QDateTime &graphStart, QWidget *parent)
    : QDialog(parent)
    , m_graphStart(graphStart)
{
    setObjectName(QStringLiteral("TfrmCompareAlign"));
    setWindowTitle(QStringLiteral("Compare With"));
    auto *text = new QLabel(QStringLiteral("Draw %1 behind this graph:").arg(name), this);
    radTogether = new QRadioButton(QStringLiteral("Both runs &start together"), this);
    radTogether->setObjectName(QStringLiteral("radTogether"));
    radAt = new QRadioButton(QStringLiteral("Its start &at:"), this);
    radAt->setObjectName(QStringLiteral("radAt"));
    edtAt = new QDateTimeEdit(graphStart, this);
    edtAt->setObjectName(QStringLiteral("edtAt"));
    edtAt->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edtAt->setAccessibleName(QStringLiteral("Start of the comparison on the graph"));
    edtAt->setEnabled(false);
    radTogether->setChecked(true);
    connect(radAt, &QRadioButton::toggled, edtAt, &QWidget::setEnabled);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(radTogether);
    layout->addWidget(radAt);
    layout->addWidget(edtAt);
    layout->addWidget(buttons);
}

QDateTime TfrmCompareAlign::startAt() const
{
    return radAt->isChecked() ? edtAt->dateTime() : m_graphStart;
}

CompareCommands::CompareCommands(Prompt &prompt, QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_dialogParent(dialogParent)
{
}

QString CompareCommands::filter()
{
    return QStringLiteral("Data sets (*.rec *.REC *.txt *.TXT *.csv *.CSV *.ghf *.GHF);;All files (*.*)");
}

void CompareCommands::installOn(Chart &chart)
{
    auto *compare = new QAction(QStringLiteral("Com&pare With\u2026"), &chart);
    compare->setObjectName(QStringLiteral("CompareWithContext"));
    auto *remove = new QAction(QStringLiteral("Re&move Comparison"), &chart);
    remove->setObjectName(QStringLiteral("RemoveComparisonContext"));
    remove->setEnabled(chart.hasComparison());
    connect(compare, &QAction::triggered, this, [this, c = &chart, remove] {
        compareWith(*c);
        remove->setEnabled(c->hasComparison());
    });
    connect(remove, &QAction::triggered, this, [this, c = &chart, remove] {
        removeComparison(*c);
        remove->setEnabled(false);
    });
    chart.addAction(compare);
    chart.addAction(remove);
    chart.setContextMenuPolicy(Qt::ActionsContextMenu);
    // The menu key opens the menu on a chart that has the keyboard.
    if (chart.focusPolicy() == Qt::NoFocus)
        chart.setFocusPolicy(Qt::StrongFocus);
    if (chart.accessibleName().isEmpty())
        chart.setAccessibleName(QStringLiteral("Graph"));
}

std::optional<Chart::Comparison> CompareCommands::readRun(const QString &path, int set, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    Chart::Comparison run;
    run.name = QFileInfo(path).fileName();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("rec")) {
        const CollectionFileResult read = CollectionFile::readFile(path);
        if (!read.ok)
            return fail(read.error);
        DecodeResult d = decodeImage(read.image, m_prompt);
        if (d.outcome != DecodeOutcome::Decoded || !d.collection || d.collection->sets.isEmpty())
            return fail(QStringLiteral("The file %1 holds no data set to compare with.").arg(shown(path)));
        const DataSetCollection &c = *d.collection;
        if (set < 0) {
            QStringList sets;
            for (const QStringList &row : dataSetListRows(c))
                sets << QStringLiteral("Set %1: %2 %3, %4 readings").arg(row.value(0), row.value(1), row.value(2),
                                                                        row.value(4));
            if (sets.size() == 1)
                set = 0;
            else if (m_chooseSet)
                set = m_chooseSet(sets);
            else {
                bool ok = false;
                const QString chosen = QInputDialog::getItem(m_dialogParent, QStringLiteral("Compare With"),
                                                             QStringLiteral("&Data set:"), sets, 0, false, &ok);
                set = ok ? int(sets.indexOf(chosen)) : -1;
            }
            if (set < 0)
                return std::nullopt; // cancelled
        }
        if (set >= c.sets.size())
            return fail(QStringLiteral("The file %1 has no data set %2.").arg(shown(path)).arg(set + 1));
        const DataSet &s = c.sets.at(set);
        run.name += QStringLiteral(" set %1").arg(set + 1);
        run.subsets = c.bytesPerSample == 4 ? 2 : 1;
        run.unit = QString(s.unit);
        const double step = s.intervalSeconds / kSecondsPerDay;
        for (int q = 0; q < s.sampleCount; ++q) {
            run.x.push_back(s.start + q * step);
            for (int ch = 0; ch < run.subsets; ++ch) {
                const std::optional<Sample> v = sampleAt(c, s, q, ch);
                run.y[ch].push_back(v && !v->overload ? v->value : kGap);
            }
        }
    } else if (suffix == QLatin1String("ghf")) {
        QByteArray block;
        QString why;
        ChartContents contents;
        if (!readGraphFile(path, block, &why) || !restoreChartState(block, contents, &why))
            return fail(QStringLiteral("The graph file %1 cannot be opened: %2.").arg(shown(path), why));
        run.subsets = std::min(2, contents.data.subsets());
        if (run.subsets < 1)
            return fail(QStringLiteral("The graph file %1 holds no readings.").arg(shown(path)));
        run.x = contents.data.xs(0);
        run.unit = temperatureAxisUnit(contents.look.yAxisLabel);
        for (int s = 0; s < run.subsets; ++s) {
            run.y[s] = contents.data.ys(s);
            for (float &y : run.y[s])
                if (y == contents.nullY)
                    y = kGap;
        }
    } else {
        TextListRows read = TextDataSet::readFile(path);
        if (!read.ok)
            return fail(read.error);
        if (read.rows.empty())
            return fail(QStringLiteral("The file %1 holds no readable row.").arg(shown(path)));
        if (const UnreadableRow bad = firstUnreadableRow(read); bad.row)
            return fail(QStringLiteral("The file %1 cannot be compared with: line %2 %3.")
                            .arg(shown(path))
                            .arg(read.lineOf(bad.row))
                            .arg(bad.problem));
        GridModel grid;
        grid.setColCount(read.columns);
        grid.setRowCount(1);
        grid.appendRows(std::move(read.rows));
        const ListGraphData g = convertListToGraph(grid);
        if (g.badRow)
            return fail(QStringLiteral("The file %1 cannot be compared with: line %2 %3.")
                            .arg(shown(path))
                            .arg(read.lineOf(g.badRow))
                            .arg(g.problem));
        run.subsets = g.subsets == 2 ? 2 : 1;
        run.x = g.x.at(0);
        run.unit = g.unit;
        for (int s = 0; s < run.subsets; ++s) {
            run.y[s] = g.y.at(s);
            for (float &y : run.y[s])
                if (y == TextDataSet::OverloadValue)
                    y = kGap;
        }
    }
    if (startOf(run) == 0.0)
        return fail(QStringLiteral("The file %1 holds no readings.").arg(shown(path)));
    return run;
}

void CompareCommands::inUnitOf(const Chart &chart, Chart::Comparison &run)
{
    if (run.unit.isEmpty())
        return;
    const QString own = temperatureAxisUnit(chart.look().yAxisLabel);
    if (own.isEmpty() || own == run.unit) {
        // A graph whose title names no unit: the run says which it is in.
        if (own.isEmpty())
            run.name += QStringLiteral(" (\u00B0%1)").arg(run.unit);
        return;
    }
    // A run in the other unit is drawn in the graph's, so like readings
    // lie together; the legend says it was converted.
    for (int s = 0; s < run.subsets; ++s)
        for (float &y : run.y[s])
            if (!std::isnan(y))
                y = float(convertTemperature(y, run.unit, own));
    run.name += QStringLiteral(" (converted from \u00B0%1)").arg(run.unit);
    run.unit = own;
}

bool CompareCommands::compareWith(Chart &chart)
{
    const QString path = m_prompt.openFileName(QStringLiteral("Compare With"), filter(), QStringLiteral("rec"));
    if (path.isEmpty())
        return false;
    QString error;
    std::optional<Chart::Comparison> run = readRun(path, -1, &error);
    if (!run) {
        if (!error.isEmpty())
            m_prompt.error(error);
        return false;
    }
    const double otherStart = startOf(*run);
    const double graphStart = chart.firstX() != 0.0 ? chart.firstX() : otherStart;
    std::optional<double> at;
    if (m_chooseStart) {
        at = m_chooseStart(run->name, graphStart);
    } else {
        TfrmCompareAlign dialog(run->name, fromDateTimeDouble(graphStart), m_dialogParent);
        if (dialog.exec() == QDialog::Accepted)
            at = toDateTimeDouble(dialog.startAt());
    }
    if (!at)
        return false;
    run->offset = *at - otherStart;
    inUnitOf(chart, *run);
    chart.setComparison(std::move(*run));
    return true;
}

void CompareCommands::removeComparison(Chart &chart)
{
    chart.removeComparison();
}

} // namespace kv
