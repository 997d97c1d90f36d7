#include "views/GraphSetup.h"

#include "common/ProgramFolder.h"
#include "common/SafeFile.h"

#include "common/Prompt.h"
#include "views/Chart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

namespace kv {

GraphTemplate GraphTemplate::locate(const QString &programPath)
{
    const QString programDir = QFileInfo(programPath).absolutePath() + QLatin1Char('/');
    const QString beside = programDir + QStringLiteral("template/");
    const QFileInfo besideDir(beside);
    const bool writable = besideDir.exists() ? besideDir.isWritable() : QFileInfo(programDir).isWritable();
    GraphTemplate t;
    if (writable && !isInstalledProgram(programPath)) {
        t.directory = beside;
        t.readPath = t.path();
        return t;
    }
    t.directory = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/KV481/template/");
    // A template shipped beside the program serves until the user keeps one.
    t.readPath = QFile::exists(t.path()) ? t.path() : beside + QStringLiteral("graph.ghf");
    return t;
}

bool readGraphFile(const QString &path, QByteArray &block, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("it cannot be opened (%1)").arg(f.errorString()));
    const qint64 size = f.size();
    char head[4];
    if (size < 4 || f.read(head, 4) != 4)
        return fail(QStringLiteral("it is shorter than its length field"));
    const quint32 n = qFromLittleEndian<quint32>(head);
    if (n > kMaxGraphBlock)
        return fail(QStringLiteral("its length field (%1 bytes) is far beyond any graph").arg(n));
    if (qint64(n) > size - 4)
        return fail(QStringLiteral("it is shorter than its length field says (%1 of %2 bytes)").arg(size - 4).arg(n));
    block = f.read(n);
    if (block.size() != qint64(n))
        return fail(QStringLiteral("it could not be read whole"));
    return true;
}

bool writeGraphFile(const QString &path, const QByteArray &block, QString *error)
{
    char head[4];
    qToLittleEndian<quint32>(static_cast<quint32>(block.size()), head);
    SafeFile f(path);
    if (f.open() && f.write(head, 4) == 4 && f.write(block) == block.size() && f.commit())
        return true;
    if (error)
        *error = f.reason();
    return false;
}

bool LoadGraphState(Chart &chart, const QString &path, QString *error)
{
    QByteArray block;
    if (!readGraphFile(path, block, error))
        return false;
    return chart.restoreState(block, error);
}

bool SaveGraphState(const Chart &chart, const QString &path, QString *error)
{
    return writeGraphFile(path, chart.saveState(), error);
}

bool SetupGraph(Chart &chart, int subsets, int points, double xMin, double xMax, double yMin, double yMax,
                const GraphTemplate &tmpl, Prompt &prompt)
{
    // A damaged template counts as none: the default look, written anew.
    const bool fromTemplate = QFile::exists(tmpl.readPath) && LoadGraphState(chart, tmpl.readPath);

    chart.setSubsets(subsets);
    chart.setPoints(points);
    for (int s = 0; s < subsets; ++s)
        chart.emptySubset(s);
    chart.removeVertLines();

    ChartLook &l = chart.look();
    if (!fromTemplate) {
        l.plotting = PlottingMethod::Spline;
        l.background = Background::LightGradient;
        l.grid = GridStyle::Dot;
        l.subsetColors = {QColor(0, 0, 0), QColor(255, 0, 0)};
        l.subsetLineTypes = {0, 0};
    }
    l.showVertLineAnnotations = true;
    l.lineAnnotationTextSize = 80;
    l.vertLineColor0 = QColor(0, 0, 255);
    l.vertLineColor1 = QColor(255, 0, 0);
    l.lineAnnotationTextSize = 100;
    l.showGraphAnnotations = true;
    l.graphAnnotationTextSize = 100;
    l.subsetLabels = {QStringLiteral("T1"), QStringLiteral("T2")};
    l.yAxisLabel = QStringLiteral("Degree");
    l.xAxisLabel = QStringLiteral("Time");
    l.mainTitle.clear();
    l.subTitle = QStringLiteral(" ");
    l.zooming = true;
    l.yAxisColor = QColor(255, 0, 0);
    chart.setManualY(yMin, yMax);
    if (xMin != 0.0)
        chart.setManualX(xMin, xMax);

    chart.undoZoom();
    chart.setNullY(9999.0f);
    chart.resetImage();

    if (!fromTemplate || !QFile::exists(tmpl.path())) {
        if (!QDir().mkpath(tmpl.directory)) {
            prompt.error(QStringLiteral("Cannot create ") + QDir::toNativeSeparators(tmpl.directory)
                         + QStringLiteral(" directory."));
            return false;
        }
        // The chart is set up all the same; the user learns that the
        // template was not kept.
        QString error;
        if (!SaveGraphState(chart, tmpl.path(), &error))
            prompt.error(QStringLiteral("The chart template %1 could not be written: %2.")
                             .arg(QDir::toNativeSeparators(tmpl.path()), error));
    }
    return true;
}

} // namespace kv
