// Graph pictures and comparisons through the real main window: the File
// menu's Export Picture and Copy Picture on the active graph, the actions
// every graph's context menu gets, and another run compared with a graph
// and taken away again.

#include "app/TfrmMain.h"
#include "files/ui/CompareCommands.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/Chart.h"
#include "views/PictureCommands.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "support/FileBytes.h"
#include "support/MainSession.h"
#include "support/SessionSteps.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <qcustomplot.h>

using namespace kv;
using namespace kv::test;

namespace {

QStringList actionTexts(const QWidget *w)
{
    QStringList out;
    for (const QAction *a : w->actions())
        out << QString(a->text()).remove(QLatin1Char('&'));
    return out;
}

QAction *menuAction(Session &s, const char *name)
{
    return s.main->findChild<QAction *>(QLatin1String(name));
}

QAction *contextAction(Chart *chart, const char *name)
{
    return chart->findChild<QAction *>(QLatin1String(name));
}

} // namespace

class TestReportCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void picturesFromTheFileMenuAndEachGraph()
    {
        Session s(482);
        QVERIFY(s.started());
        auto *pictures = s.main->findChild<PictureCommands *>(QStringLiteral("PictureCommands"));
        QVERIFY(pictures);
        QAction *exportPicture = menuAction(s, "ExportPicture1");
        QAction *copyPicture = menuAction(s, "CopyPicture1");
        QVERIFY(exportPicture && copyPicture);
        QCOMPARE(exportPicture->text(), QStringLiteral("&Export Picture\u2026"));

        // A list has no picture to give.
        activate(s, s.main->realTimeList());
        QVERIFY(!exportPicture->isEnabled());
        activate(s, s.main->realTimeGraph());
        QVERIFY(exportPicture->isEnabled() && copyPicture->isEnabled());

        QSize offered;
        pictures->setRequestSource([&offered](QSize own) -> std::optional<PictureRequest> {
            offered = own;
            return PictureRequest{Chart::PictureFormat::Svg, QSize(500, 300), 1.0};
        });
        const QString svg = s.dir.filePath(QStringLiteral("live"));
        s.prompt.saveNames.enqueue(svg);
        exportPicture->trigger();
        QCOMPARE(s.prompt.saveAsked.last(), QStringLiteral("Export Picture"));
        QCOMPARE(s.prompt.saveFilters.last(), QStringLiteral("SVG drawing (*.svg)"));
        QCOMPARE(offered, s.main->realTimeGraph()->PESGraph1->plot()->size());
        QVERIFY(fileBytes(svg + QStringLiteral(".svg")).contains("<svg"));

        QApplication::clipboard()->clear();
        copyPicture->trigger();
        QCOMPARE(QApplication::clipboard()->image().size(), s.main->realTimeGraph()->PESGraph1->plot()->size());

        // Every graph window's chart offers the same from its context menu,
        // beside the comparison.
        s.main->DataLogger1->trigger();
        TfrmDataLogger *logger = s.main->dataLoggerWindow();
        QVERIFY(logger && logger->dataSetsLoaded());
        for (Chart *chart : {s.main->realTimeGraph()->PESGraph1, logger->PESGraph1}) {
            const QStringList texts = actionTexts(chart);
            for (const char *t : {"Export Picture\u2026", "Copy Picture", "Compare With\u2026", "Remove Comparison"})
                QVERIFY2(texts.contains(QString::fromUtf8(t)), qPrintable(texts.join(QLatin1Char('|'))));
            QCOMPARE(chart->contextMenuPolicy(), Qt::ActionsContextMenu);
        }
        // The menu opens from the plot as from the keyboard's menu key.
        {
            Chart *chart = s.main->realTimeGraph()->PESGraph1;
            QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(20, 20), chart->plot()->mapToGlobal(QPoint(20, 20)));
            QApplication::sendEvent(chart->plot(), &key);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QVERIFY(actionTexts(QApplication::activePopupWidget()).contains(QStringLiteral("Copy Picture")));
            QApplication::activePopupWidget()->close();
        }
        // The data-logger window's own entry stays.
        QVERIFY(actionTexts(logger->PESGraph1).contains(QStringLiteral("Customize graph...")));

        pictures->setRequestSource([](QSize) {
            return std::optional<PictureRequest>(PictureRequest{Chart::PictureFormat::Png, QSize(400, 250), 2.0});
        });
        const QString png = s.dir.filePath(QStringLiteral("set.png"));
        s.prompt.saveNames.enqueue(png);
        contextAction(logger->PESGraph1, "ExportPictureContext")->trigger();
        QCOMPARE(QImage(png).size(), QSize(800, 500));
    }

    // A set of a collection file drawn behind the data-logger window's
    // graph and removed; a text file behind the real-time graph, starting
    // at a time picked for it.
    void comparisonDrawnAndRemoved()
    {
        Session s(482, "[RealTime]\nSampling Rate=1\n");
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *logger = s.main->dataLoggerWindow();
        QVERIFY(logger && logger->collection()->sets.size() > 1);
        activate(s, logger);
        const QString rec = s.dir.filePath(QStringLiteral("runs.rec"));
        s.prompt.choices.enqueue(Prompt::Choice::Collection);
        s.prompt.saveNames.enqueue(rec);
        s.main->Save1->trigger();
        QVERIFY(QFile::exists(rec));

        auto *compare = s.main->findChild<CompareCommands *>(QStringLiteral("CompareCommands"));
        QVERIFY(compare);
        QStringList offeredSets;
        compare->setSetChooser([&offeredSets](const QStringList &sets) {
            offeredSets = sets;
            return 1;
        });
        compare->setAlignChooser([](const QString &, double graphStart) { return std::optional<double>(graphStart); });

        Chart *chart = logger->PESGraph1;
        const int own = chart->plot()->graphCount();
        QAction *remove = contextAction(chart, "RemoveComparisonContext");
        QVERIFY(!remove->isEnabled());
        s.prompt.openNames.enqueue(rec);
        contextAction(chart, "CompareWithContext")->trigger();
        QCOMPARE(s.prompt.openAsked.last(), QStringLiteral("Compare With"));
        QCOMPARE(offeredSets.size(), logger->collection()->sets.size());
        QVERIFY(offeredSets.at(1).startsWith(QStringLiteral("Set 2: ")));
        QVERIFY(chart->hasComparison());
        const int subsets = logger->collection()->bytesPerSample == 4 ? 2 : 1;
        QCOMPARE(chart->plot()->graphCount(), own + subsets);
        // The data-logger graph's title names no unit: the run's is given.
        QCOMPARE(chart->plot()->graph(own)->name(), QStringLiteral("runs.rec set 2 (\u00B0C) T1"));
        // Both runs start together: the first drawn key of each is the same.
        QCOMPARE(chart->plot()->graph(own)->data()->constBegin()->key,
                 Chart::keyOf(chart->firstX()));
        QVERIFY(remove->isEnabled());
        remove->trigger();
        QVERIFY(!chart->hasComparison());
        QCOMPARE(chart->plot()->graphCount(), own);
        QVERIFY(!remove->isEnabled());

        // A text file behind the real-time graph, its start put at a
        // picked time one minute after the graph's.
        QVERIFY(recordSamples(s, 6));
        activate(s, s.main->realTimeList());
        const QString txt = s.dir.filePath(QStringLiteral("earlier.txt"));
        s.prompt.saveNames.enqueue(txt);
        s.prompt.rangeAnswers.enqueue(all());
        s.main->Save1->trigger();
        QVERIFY(QFile::exists(txt));
        compare->setAlignChooser([](const QString &, double graphStart) {
            return std::optional<double>(graphStart + 60 * kSecond);
        });
        Chart *live = s.main->realTimeGraph()->PESGraph1;
        s.prompt.openNames.enqueue(txt);
        QVERIFY(compare->compareWith(*live));
        QCOMPARE(live->comparison().name, QStringLiteral("earlier.txt"));
        QCOMPARE(live->comparison().subsets, 2);
        QVERIFY(std::fabs(live->comparison().x.front() + live->comparison().offset - (kStart + 60 * kSecond)) < 1e-9);

        // A file that reads as nothing says why and draws nothing.
        const QString junk = s.dir.filePath(QStringLiteral("junk.ghf"));
        writeFileBytes(junk, "not a graph");
        live->removeComparison();
        s.prompt.openNames.enqueue(junk);
        QVERIFY(!compare->compareWith(*live));
        QVERIFY(!live->hasComparison());
        QVERIFY(s.prompt.errors.last().contains(QStringLiteral("junk.ghf")));
    }

    // A run in Fahrenheit behind a Celsius graph is drawn in Celsius and
    // says so; one in the graph's own unit stays as it is.
    void comparisonInTheOtherUnitIsConverted()
    {
        Chart chart;
        chart.look().yAxisLabel = QStringLiteral("Degree (\u00B0C)");
        Chart::Comparison run;
        run.name = QStringLiteral("roast.txt");
        run.subsets = 2;
        run.x = {1.0, 2.0};
        run.y[0] = {212.0f, std::numeric_limits<float>::quiet_NaN()};
        run.y[1] = {32.0f, -40.0f};
        run.unit = QStringLiteral("F");
        CompareCommands::inUnitOf(chart, run);
        QCOMPARE(run.y[0].at(0), 100.0f);
        QVERIFY(std::isnan(run.y[0].at(1)));
        QCOMPARE(run.y[1].at(0), 0.0f);
        QCOMPARE(run.y[1].at(1), -40.0f);
        QCOMPARE(run.name, QStringLiteral("roast.txt (converted from \u00B0F)"));
        QCOMPARE(run.unit, QStringLiteral("C"));

        Chart::Comparison same = run;
        same.name = QStringLiteral("same.txt");
        CompareCommands::inUnitOf(chart, same);
        QCOMPARE(same.name, QStringLiteral("same.txt"));
        QCOMPARE(same.y[0].at(0), 100.0f);
    }
};

QTEST_MAIN(TestReportCommands)
#include "tst_report_commands.moc"
