// Chart set-up from the template, keeping a customized look, and graph
// files written, read back and refused when damaged.

#include "views/Chart.h"
#include "views/ChartCustomizeDialog.h"
#include "views/GraphSetup.h"
#include "views/TfrmGraph.h"

#include "common/SafeFile.h"

#include "support/FileBytes.h"
#include "support/ScriptedPrompt.h"
#include "support/SmallDisk.h"

#include <QFile>
#include <QLineEdit>
#include <QComboBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cerrno>

using namespace kv;
using kv::test::fileBytes;
using kv::test::ScriptedPrompt;
using kv::test::SmallDisk;
using kv::test::writeFileBytes;

namespace {

struct Place
{
    QTemporaryDir dir;
    GraphTemplate tmpl = GraphTemplate::locate(dir.filePath(QStringLiteral("KV481")));
    ScriptedPrompt prompt;

    bool setup(Chart &c, int subsets = 2, double xMin = 46000.5)
    {
        return SetupGraph(c, subsets, 5000, xMin, xMin + 0.01, -10, 50, tmpl, prompt);
    }
};

void writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QByteArray lengthField(quint32 n)
{
    char b[4];
    qToLittleEndian(n, b);
    return QByteArray(b, 4);
}

} // namespace

class TestGraphSetup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstChartWritesTemplateWithDefaultLook()
    {
        Place p;
        QCOMPARE(p.tmpl.path(), p.dir.filePath(QStringLiteral("template/graph.ghf")));
        QVERIFY(!QFile::exists(p.tmpl.path()));
        Chart c;
        QVERIFY(p.setup(c));
        QVERIFY(QFile::exists(p.tmpl.path()));
        QCOMPARE(c.look().plotting, PlottingMethod::Spline);
        QCOMPARE(c.look().grid, GridStyle::Dot);
        QCOMPARE(c.look().subsetColors.at(1), QColor(255, 0, 0));
        QCOMPARE(c.look().yAxisLabel, QStringLiteral("Degree"));
        QCOMPARE(c.look().xAxisLabel, QStringLiteral("Time"));
        QCOMPARE(c.look().subTitle, QStringLiteral(" "));
        QCOMPARE(c.look().subsetLabels, (QStringList{"T1", "T2"}));
        QCOMPARE(c.subsets(), 2);
        QCOMPARE(c.points(), 5000);
        QCOMPARE(c.manualMinY(), -10.0);
        QCOMPARE(c.manualMaxY(), 50.0);
        QCOMPARE(c.manualMinX(), 46000.5);
        QCOMPARE(c.nullY(), 9999.0f);
        QVERIFY(p.prompt.errors.isEmpty());
    }

    void keptLookAppliesToLaterChartsUnderTheFixedSettings()
    {
        Place p;
        TfrmGraph graph(p.tmpl, p.prompt);
        QVERIFY(p.setup(*graph.PESGraph1));
        p.prompt.confirmAnswers.enqueue(true);
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<ChartCustomizeDialog *>(QApplication::activeModalWidget());
            d->edtMainTitle->setText(QStringLiteral("not kept"));
            d->cmbGrid->setCurrentIndex(int(GridStyle::Solid));
            d->cmbPlotting->setCurrentIndex(int(PlottingMethod::Step));
            d->accept();
        });
        graph.PESGraph1->customize();
        QCOMPARE(p.prompt.questions, QStringList{QStringLiteral("Do you want to save the changes ?")});

        Chart later;
        QVERIFY(p.setup(later, 1));
        QCOMPARE(later.look().grid, GridStyle::Solid);
        QCOMPARE(later.look().plotting, PlottingMethod::Step);
        QCOMPARE(later.look().mainTitle, QString()); // fixed settings win
        QCOMPARE(later.subsets(), 1);
        for (int s = 0; s < 1; ++s)
            QCOMPARE(later.xData(s, 0), 0.0); // the template's cells are not taken
    }

    void noOrCancelLeavesTemplate()
    {
        Place p;
        TfrmGraph graph(p.tmpl, p.prompt);
        QVERIFY(p.setup(*graph.PESGraph1));
        QFile f(p.tmpl.path());
        f.open(QIODevice::ReadOnly);
        const QByteArray before = f.readAll();
        f.close();
        p.prompt.confirmAnswers.enqueue(false);
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<ChartCustomizeDialog *>(QApplication::activeModalWidget());
            d->cmbGrid->setCurrentIndex(int(GridStyle::Solid));
            d->accept();
        });
        graph.PESGraph1->customize();
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        graph.PESGraph1->customize(); // cancelled: not even asked
        QCOMPARE(p.prompt.questions.size(), 1);
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), before);
    }

    // The template on a full disk: the look kept with Yes and the default
    // look written at set-up are refused with the reason, and the earlier
    // template stays byte for byte.
    void aFullDiskKeepsTheEarlierTemplate()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        GraphTemplate tmpl;
        tmpl.directory = disk.path("template/");
        tmpl.readPath = tmpl.path();
        ScriptedPrompt prompt;
        TfrmGraph graph(tmpl, prompt);
        QVERIFY(SetupGraph(*graph.PESGraph1, 2, 5000, 46000.5, 46000.51, -10, 50, tmpl, prompt));
        const QByteArray earlier = fileBytes(tmpl.path());
        QVERIFY(!earlier.isEmpty());
        QVERIFY(disk.fill());
        const QString reason = SafeFile::systemText(ENOSPC);

        prompt.confirmAnswers.enqueue(true);
        QTimer::singleShot(0, [] {
            auto *d = qobject_cast<ChartCustomizeDialog *>(QApplication::activeModalWidget());
            d->cmbGrid->setCurrentIndex(int(GridStyle::Solid));
            d->accept();
        });
        graph.PESGraph1->customize();
        QCOMPARE(prompt.errors, QStringList{QStringLiteral("The look could not be kept as the template %1: %2.")
                                                .arg(tmpl.path(), reason)});
        QCOMPARE(fileBytes(tmpl.path()), earlier);

        // A damaged template is written anew at set-up; on a full disk the
        // chart is set up all the same and the user is told.
        disk.empty();
        writeFileBytes(tmpl.path(), "damaged");
        QVERIFY(disk.fill());
        Chart chart;
        QVERIFY(SetupGraph(chart, 1, 10, 0, 0, -10, 50, tmpl, prompt));
        QCOMPARE(prompt.errors.size(), 2);
        QCOMPARE(prompt.errors.last(), QStringLiteral("The chart template %1 could not be written: %2.")
                                           .arg(tmpl.path(), reason));
        QCOMPARE(fileBytes(tmpl.path()), QByteArray("damaged"));
    }

    void deletedOrDamagedTemplateBringsDefaultBack()
    {
        Place p;
        Chart c;
        QVERIFY(p.setup(c));
        c.look().grid = GridStyle::None;
        QVERIFY(SaveGraphState(c, p.tmpl.path()));
        Chart custom;
        QVERIFY(p.setup(custom));
        QCOMPARE(custom.look().grid, GridStyle::None);

        QFile::remove(p.tmpl.path());
        Chart fresh;
        QVERIFY(p.setup(fresh));
        QCOMPARE(fresh.look().grid, GridStyle::Dot);

        writeRaw(p.tmpl.path(), "garbage");
        Chart again;
        QVERIFY(p.setup(again));
        QCOMPARE(again.look().grid, GridStyle::Dot);
        QByteArray block;
        QVERIFY(readGraphFile(p.tmpl.path(), block, nullptr)); // written anew
    }

    void zeroXMinimumKeepsTheTemplateTimeScale()
    {
        Place p;
        Chart c;
        QVERIFY(p.setup(c, 2, 46000.5));
        Chart later;
        QVERIFY(SetupGraph(later, 2, 10, 0, 0, 0, 100, p.tmpl, p.prompt));
        QCOMPARE(later.manualMinX(), 46000.5);
    }

    void templateFolders()
    {
        QStandardPaths::setTestModeEnabled(true);
        const GraphTemplate installed = GraphTemplate::locate(QStringLiteral("/nonexistent-kv481/bin/KV481"));
        QVERIFY(installed.directory.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
        QVERIFY(installed.directory.endsWith(QStringLiteral("/KV481/template/")));

        GraphTemplate nowhere;
        nowhere.directory = QStringLiteral("/proc/kv481-cannot/template/");
        nowhere.readPath = nowhere.path();
        ScriptedPrompt prompt;
        Chart c;
        QVERIFY(!SetupGraph(c, 1, 10, 0, 0, 0, 10, nowhere, prompt));
        QCOMPARE(prompt.errors, QStringList{QStringLiteral("Cannot create /proc/kv481-cannot/template/ directory.")});
    }

    void graphFileRoundTrip()
    {
        Place p;
        Chart c;
        QVERIFY(p.setup(c));
        for (int i = 0; i < 100; ++i) {
            c.setXData(0, i, 46000.5 + i / 86400.0);
            c.setYData(0, i, 20.5f + i);
        }
        c.look().mainTitle = QStringLiteral("kept in the file");
        const QString file = p.dir.filePath(QStringLiteral("run.GHF"));
        QVERIFY(SaveGraphState(c, file));
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData()), quint32(bytes.size() - 4));
        Chart back;
        QVERIFY(LoadGraphState(back, file));
        QVERIFY(back.contents() == c.contents());
    }

    void damagedGraphFilesRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        Chart c;
        c.setPoints(10);
        const QByteArray block = c.saveState();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("three bytes") << QByteArray("\x05\x00\x00", 3);
        QTest::newRow("shorter than its length") << lengthField(block.size() + 1) + block;
        QTest::newRow("length beyond the file") << lengthField(100000) + QByteArray(10, 'x');
        QTest::newRow("absurd length") << lengthField(0xFFFFFFFFu) + block;
        QByteArray broken = block;
        broken[0] = 'Q';
        QTest::newRow("block does not parse") << lengthField(broken.size()) + broken;
        QTest::newRow("block cut short") << lengthField(20) + block.left(20);
    }
    void damagedGraphFilesRefused()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bad.ghf"));
        writeRaw(file, bytes);
        Chart c;
        c.setPoints(3);
        const QByteArray before = c.saveState();
        QString error;
        QVERIFY(!LoadGraphState(c, file, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(c.saveState(), before);
        QVERIFY(!LoadGraphState(c, dir.filePath(QStringLiteral("missing.ghf")), &error));
    }
};

QTEST_MAIN(TestGraphSetup)
#include "tst_graphsetup.moc"
