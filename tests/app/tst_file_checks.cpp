// What opening, graphing and saving check before they act: a list whose
// dates do not read as this computer writes them (or as ISO 8601) opens no
// window and says which line; a file that holds no list says so; an
// overload stays an overload through Output Data to Graph, and a list in
// two units makes a graph in one; and the save
// dialog's chosen file type decides the format and the extension, through
// the scripted prompt and through the real dialog worked as a user does.

#include "app/QtPrompt.h"
#include "app/TfrmMain.h"
#include "common/DateTime.h"
#include "files/AnalysisCsv.h"
#include "files/FileFilters.h"
#include "files/ui/FileCommands.h"
#include "support/BuildPaths.h"
#include "views/Chart.h"
#include "views/GridModel.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include "support/FileBytes.h"
#include "support/MainSession.h"
#include "support/SessionSteps.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>
#include <QtEndian>

using namespace kv;
using namespace kv::test;

namespace {

// Plays the user at the real dialogs: in the save dialog picks the file
// type at typeIndex with the keyboard, as a user does, and types a name;
// accepts the range dialog as it opens.
class DialogPlayer : public QObject
{
public:
    // Once the file dialog shows its folder: picks the type, types each
    // name in turn and presses Return (none left: Cancel); accepts the
    // range dialog and reads and closes the messages shown.
    DialogPlayer(int typeIndex, const QStringList &typed) : m_type(typeIndex), m_typed(typed)
    {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                messages << box->text();
                box->accept();
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && dialog->isVisible()) {
                auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                auto *files = dialog->findChild<QFileSystemModel *>();
                auto *buttons = dialog->findChild<QDialogButtonBox *>();
                if (!types || !name || !files || !buttons || m_pending)
                    return;
                if (files->rowCount(files->index(dialog->directory().absolutePath())) == 0 && ++m_waits < 200)
                    return;
                if (m_typed.isEmpty()) {
                    dialog->reject();
                    return;
                }
                types->setFocus();
                for (int i = types->currentIndex(); i < m_type; ++i)
                    QTest::keyClick(types, Qt::Key_Down);
                typesShown = types->count();
                name->setFocus();
                name->setText(m_typed.takeFirst());
                const auto role = dialog->acceptMode() == QFileDialog::AcceptOpen ? QDialogButtonBox::Open
                                                                                  : QDialogButtonBox::Save;
                enabled << (buttons->button(role) && buttons->button(role)->isEnabled());
                // From the event loop: a message shown meanwhile needs this timer.
                m_pending = true;
                QTimer::singleShot(0, name, [this, name] {
                    m_pending = false;
                    QTest::keyClick(name, Qt::Key_Return);
                });
            } else if (modal && modal->objectName() == QLatin1String("TfrmScope")) {
                static_cast<QDialog *>(modal)->accept();
            }
        });
        m_poll.start();
    }
    DialogPlayer(int typeIndex, const QString &typed) : DialogPlayer(typeIndex, QStringList{typed}) {}
    int typesShown = 0;
    QList<bool> enabled; // the dialog's Open or Save button, each name typed
    QStringList messages;

private:
    int m_type;
    QStringList m_typed;
    int m_waits = 0;
    bool m_pending = false;
    QTimer m_poll;
};

} // namespace

class TestFileChecks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void listsWhoseDatesDoNotReadOpenNoWindow()
    {
        Session s(0);
        QVERIFY(s.started());
        const int before = windows(s).size();
        const auto open = [&](const QString &name, const QByteArray &bytes) {
            const QString path = s.dir.filePath(name);
            writeFileBytes(path, bytes);
            return openAsList(s, path);
        };
        const QByteArray usList = "12/9/26\t14:03:10\t20.0\tC\t21.0\tC\t\t\r\n"
                                  "12/9/26\t14:03:11\t30.0\tC\t22.0\tC\t\t\r\n";

        // A list written under US settings, opened under German ones: never
        // 12 September, but the line and what was expected.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(!open(QStringLiteral("us.txt"), usList));
        QCOMPARE(s.prompt.errors.size(), 1);
        QCOMPARE(s.prompt.errors.last(),
                 QStringLiteral("The file %1 cannot be opened as a data set: line 1 holds the date \"12/9/26\" where "
                                "a date such as 09.12.26 (day.month.year) or 2026-12-09 is expected.")
                     .arg(QDir::toNativeSeparators(s.dir.filePath(QStringLiteral("us.txt")))));
        // Commas are no date separators anywhere.
        QVERIFY(!open(QStringLiteral("commas.txt"), "09,12,26\t14:03:10\t20.0\tC\t\t\r\n"));
        QVERIFY(s.prompt.errors.last().contains(QStringLiteral("line 1 holds the date \"09,12,26\"")));
        // A later line is named as it is.
        QVERIFY(!open(QStringLiteral("third.txt"), "09.12.26\t14:03:10\t20.0\tC\t\t\r\n09.12.26\t14:03:11\t20.0\tC\t\t\r\n"
                                                   "09.12.26\t14:63:12\t20.0\tC\t\t\r\n"));
        QVERIFY(s.prompt.errors.last().contains(
            QStringLiteral("line 3 holds the time \"14:63:12\" where a time such as 14:03:10 is expected.")));
        // ISO dates read in any settings and graph as they say.
        TfrmList *iso = open(QStringLiteral("iso.txt"), "2026-12-09\t14:03:10\t20,0\tC\t\t\r\n2026-12-09\t14:03:11\t30,0\tC\t\t\r\n");
        QVERIFY(iso);
        QCOMPARE(s.prompt.errors.size(), 3);
        auto *graph = graphOf(s, iso);
        QVERIFY(graph);
        QCOMPARE(graph->PESGraph1->xData(0, 0), toDateTimeDouble(QDate(2026, 12, 9), QTime(14, 3, 10)));
        QCOMPARE(graph->PESGraph1->manualMaxY(), 33.0);

        // So does what kv481 exports as CSV with ISO 8601 times; its lines
        // are counted below its header.
        TfrmList *export482 = open(QStringLiteral("export.csv"), fileBytes(kv::test::testData(QStringLiteral("text/export482_iso.csv"))));
        QVERIFY(export482);
        QCOMPARE(export482->grid()->ColCount(), 8);
        QCOMPARE(export482->grid()->RowCount(), 4); // its first set
        QCOMPARE(s.prompt.informations.size(), 1);
        QVERIFY(s.prompt.informations.last().contains(QStringLiteral("holds more than one data set")));
        graph = graphOf(s, export482);
        QVERIFY(graph);
        QCOMPARE(graph->PESGraph1->subsets(), 2);
        QCOMPARE(graph->PESGraph1->xData(1, 0), toDateTimeDouble(QDate(2026, 11, 30), QTime(23, 59, 50)));
        QCOMPARE(graph->PESGraph1->yData(0, 1), graph->PESGraph1->nullY());
        QVERIFY(!open(QStringLiteral("export2.csv"), "set,time,T1,T1 flag,unit\n1,2026-03-14T09:26:53+01:00,25.6,,C\n"
                                                     "1,12/9/26,25.6,,C\n"));
        QVERIFY(s.prompt.errors.last().contains(QStringLiteral("line 3 holds the date \"12/9/26\"")));
        QCOMPARE(s.prompt.errors.size(), 4);

        // Under US settings the same file opens, and is the 9th of December.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        TfrmList *us = open(QStringLiteral("us.txt"), usList);
        QVERIFY(us);
        graph = graphOf(s, us);
        QVERIFY(graph);
        QCOMPARE(graph->PESGraph1->xData(0, 0), toDateTimeDouble(QDate(2026, 12, 9), QTime(14, 3, 10)));
        QCOMPARE(s.prompt.errors.size(), 4);
        QCOMPARE(windows(s).size(), before + 6);
    }

    void filesThatHoldNoListOpenNoWindow()
    {
        Session s(0);
        QVERIFY(s.started());
        const int before = windows(s).size();
        // Random bytes named .TXT: with no tab before the first line end,
        // and with one (then the first "row" holds no date).
        QByteArray noise(4000, '\0');
        quint32 x = 1;
        for (char &c : noise) {
            x = x * 1103515245u + 12345u;
            c = char((x >> 16) & 0xFF);
        }
        QByteArray noTab = noise;
        noTab.replace('\t', 'x');
        const struct
        {
            const char *name;
            QByteArray bytes;
            QString said;
        } cases[] = {
            {"noise.TXT", noTab, QStringLiteral("holds no readable row: none of its lines holds fields separated by tabs.")},
            {"noise2.TXT", "\x93\xff\x01\t" + noise, QStringLiteral("cannot be opened as a data set: line 1 holds the date")},
            {"empty.csv", QByteArray(), QStringLiteral("holds no readable row: none of its lines holds fields separated by commas.")},
            // A list saved with nothing recorded: one row of empty cells.
            {"blank.txt", "\t\t\t\t\t\t\t\r\n", QStringLiteral("line 1 holds no date where a date such as")},
        };
        for (const auto &c : cases) {
            const QString path = s.dir.filePath(QLatin1String(c.name));
            writeFileBytes(path, c.bytes);
            openFile(s, path);
            QCOMPARE(windows(s).size(), before);
            QVERIFY2(s.prompt.errors.last().contains(QDir::toNativeSeparators(path)), qPrintable(s.prompt.errors.last()));
            QVERIFY2(s.prompt.errors.last().contains(c.said), qPrintable(s.prompt.errors.last()));
        }
        QCOMPARE(s.prompt.errors.size(), 4);
    }

    void overloadInAListStaysAnOverloadInItsGraph()
    {
        Session s(0);
        QVERIFY(s.started());
        const QString path = s.dir.filePath(QStringLiteral("ol.txt"));
        writeFileBytes(path, "12/5/07\t14:03:10\t20.0\tC\t21.0\tC\t\t\r\n"
                             "12/5/07\t14:03:11\tOL\tC\t22.0\tC\t\t\r\n"
                             "12/5/07\t14:03:12\t30.0\tC\tOL\tC\t\t\r\n");
        auto *list = openAsList(s, path);
        QVERIFY(list);
        auto *graph = graphOf(s, list);
        QVERIFY(graph);
        Chart *chart = graph->PESGraph1;
        // The overloads hold the mark the chart leaves undrawn, not 0 °C.
        QCOMPARE(chart->yData(0, 1), chart->nullY());
        QCOMPARE(chart->yData(1, 2), chart->nullY());
        QVERIFY(chart->xData(0, 1) != 0.0);
        QCOMPARE(chart->manualMinY(), 18.0);
        QCOMPARE(chart->manualMaxY(), 33.0);

        // Saved from the graph they are "OL" again.
        activate(s, graph);
        const QString saved = s.dir.filePath(QStringLiteral("again.txt"));
        saveAll(s, saved);
        const QList<QByteArray> lines = fileLines(saved);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(1), QByteArray("12/5/07\t2:03:11 PM\tOL\tC\t22.0\tC\t\r"));
        QCOMPARE(lines.at(2), QByteArray("12/5/07\t2:03:12 PM\t30.0\tC\tOL\tC\t"));
        QCOMPARE(s.prompt.messageCount(), 0);
    }

    // A recording during which the meter's unit key was pressed: the list
    // keeps what the meter sent, both units; saved and opened again, the
    // graph made of it is in the unit of its first row and says so, and it
    // is saved in that unit whatever the meter shows at the time (F here).
    void listRecordedInTwoUnitsGraphsAndSavesInOne()
    {
        Session s(482);
        QVERIFY(recordSamples(s, 2));
        QVERIFY(pressUnitKeyAndRecord(s, 2, 2));
        QCOMPARE(s.main->realTimeList()->grid()->row(3).mid(3, 4), (QStringList{"74.1", "F", "71.1", "F"}));

        activate(s, s.main->realTimeList());
        const QString listPath = s.dir.filePath(QStringLiteral("both.txt"));
        saveAll(s, listPath);
        auto *list = openAsList(s, listPath);
        QVERIFY(list);
        auto *graph = graphOf(s, list);
        QVERIFY(graph);
        Chart *chart = graph->PESGraph1;
        QCOMPARE(chart->look().yAxisLabel, QStringLiteral("Degree (\u00B0C)"));
        for (int p = 0; p < 4; ++p) {
            QVERIFY2(qAbs(chart->yData(0, p) - 23.4f) < 0.05f, qPrintable(QString::number(chart->yData(0, p))));
            QVERIFY2(qAbs(chart->yData(1, p) - 21.7f) < 0.05f, qPrintable(QString::number(chart->yData(1, p))));
        }
        QVERIFY(chart->manualMaxY() < 26.0);

        activate(s, graph);
        const QString saved = s.dir.filePath(QStringLiteral("made.txt"));
        saveAll(s, saved);
        const QList<QByteArray> lines = fileLines(saved);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), QByteArray("12/5/07\t2:03:10 PM\t23.4\tC\t21.7\tC\t\r"));
        QCOMPARE(lines.at(3), QByteArray("12/5/07\t2:03:13 PM\t23.4\tC\t21.7\tC\t"));
        QCOMPARE(s.prompt.messageCount(), 0);
    }

    void saveDialogTypeDecidesFormatAndExtension()
    {
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(recordSamples(s, 3));
        struct Case
        {
            int type;        // its place among the dialog's types
            QString typed;   // the name typed
            QString written; // the file written
            char separator;  // 0: a graph file
        };
        const auto check = [&](const Case &c) {
            const QString path = s.dir.filePath(c.written);
            QVERIFY2(QFile::exists(path), qPrintable(c.written));
            const QByteArray bytes = fileBytes(path);
            if (c.separator) {
                QCOMPARE(fileLines(path).size(), 3);
                QVERIFY(fileLines(path).first().count(c.separator) >= 6);
                QCOMPARE(bytes.count(c.separator == ',' ? '\t' : ','), 0);
            } else {
                // The length of the chart's block, then the block.
                QCOMPARE(qFromLittleEndian<quint32>(bytes.constData()), quint32(bytes.size() - 4));
            }
        };
        // The graph's types: graph file, TXT, CSV. A typed extension wins.
        activate(s, s.main->realTimeGraph());
        for (const Case &c : {Case{1, "graphA", "graphA.TXT", '\t'}, Case{2, "graphB", "graphB.CSV", ','},
                              Case{0, "graphC", "graphC.GHF", 0}, Case{0, "graphD.txt", "graphD.txt", '\t'},
                              Case{1, "graphE.ghf", "graphE.ghf", 0}}) {
            s.prompt.saveTypes.enqueue(c.type);
            s.prompt.saveNames.enqueue(s.dir.filePath(c.typed));
            s.prompt.rangeAnswers.enqueue(all());
            s.main->Save1->trigger();
            check(c);
        }
        QVERIFY(!QFile::exists(s.dir.filePath(QStringLiteral("graphA.GHF"))));
        // The table's types: TXT, CSV, CSV for analysis, Excel workbook, all
        // files (whose files are TXT).
        activate(s, s.main->realTimeList());
        for (const Case &c : {Case{1, "tblx", "tblx.CSV", ','}, Case{4, "tbly", "tbly.TXT", '\t'},
                              Case{0, "tblz.csv", "tblz.csv", ','}}) {
            s.prompt.saveTypes.enqueue(c.type);
            s.prompt.saveNames.enqueue(s.dir.filePath(c.typed));
            s.prompt.rangeAnswers.enqueue(all());
            s.main->Save1->trigger();
            check(c);
        }
        QVERIFY(!QFile::exists(s.dir.filePath(QStringLiteral("tblx.TXT"))));
        // The CSV for analysis (the graph's fourth type, the table's third):
        // its header row, whatever the name typed with ".csv".
        for (const auto &[window, type, typed] :
             {std::tuple<QWidget *, int, QString>{s.main->realTimeGraph(), 3, QStringLiteral("graphF")},
              std::tuple<QWidget *, int, QString>{s.main->realTimeList(), 2, QStringLiteral("tblw.CSV")}}) {
            activate(s, window);
            s.prompt.saveTypes.enqueue(type);
            s.prompt.saveNames.enqueue(s.dir.filePath(typed));
            s.prompt.rangeAnswers.enqueue(all());
            s.main->Save1->trigger();
            const QString written = s.dir.filePath(typed.contains(QLatin1Char('.')) ? typed : typed + QStringLiteral(".csv"));
            QVERIFY2(fileBytes(written).startsWith("time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag"), qPrintable(written));
            QCOMPARE(fileBytes(written).count('\n'), 4);
        }
        QCOMPARE(s.prompt.messageCount(), 0);
    }

    void realSaveDialogGivesTheChosenTypesExtension()
    {
        // The real dialog as a user works it: pick "TXT file", type graphA.
        Session s(482);
        QVERIFY(s.started());
        QVERIFY(recordSamples(s, 3));
        QtPrompt dialogs(s.main.get());
        FileCommandContext context;
        context.programFolder = s.dir.path();
        FileCommands commands(dialogs, s.main->dataLogger(), context);
        {
            DialogPlayer user(1, QStringLiteral("graphA"));
            commands.SaveGraphData(*s.main->realTimeGraph());
            QCOMPARE(user.typesShown, 5);
        }
        QVERIFY(!QFile::exists(s.dir.filePath(QStringLiteral("graphA.GHF"))));
        QCOMPARE(fileLines(s.dir.filePath(QStringLiteral("graphA.TXT"))).first(),
                 QByteArray("12/5/07\t2:03:10 PM\t23.4\tC\t21.7\tC\t\r"));

        // The table's CSV type and tblx: commas in tblx.CSV.
        const QString tableFilter = FileFilters::qtFilter(FileFilters::saveTable(false));
        {
            DialogPlayer user(1, QStringLiteral("tblx"));
            QCOMPARE(dialogs.saveFileName(QStringLiteral("Save As"), tableFilter, QStringLiteral("TXT"), s.dir.path()),
                     s.dir.filePath(QStringLiteral("tblx.CSV")));
        }
        QVERIFY(!AnalysisCsv::isAnalysisType(dialogs.lastSaveType()));
        // The CSV for analysis: the save tells its type apart from the
        // other CSV.
        {
            DialogPlayer user(2, QStringLiteral("tblw"));
            QCOMPARE(dialogs.saveFileName(QStringLiteral("Save As"), tableFilter, QStringLiteral("TXT"), s.dir.path()),
                     s.dir.filePath(QStringLiteral("tblw.csv")));
        }
        QVERIFY(AnalysisCsv::isAnalysisType(dialogs.lastSaveType()));
        // All files: the default extension; a typed one stays as typed.
        {
            DialogPlayer user(4, QStringLiteral("tbly"));
            QCOMPARE(dialogs.saveFileName(QStringLiteral("Save As"), tableFilter, QStringLiteral("TXT"), s.dir.path()),
                     s.dir.filePath(QStringLiteral("tbly.TXT")));
        }
        {
            DialogPlayer user(1, QStringLiteral("tblz.txt"));
            QCOMPARE(dialogs.saveFileName(QStringLiteral("Save As"), tableFilter, QStringLiteral("TXT"), s.dir.path()),
                     s.dir.filePath(QStringLiteral("tblz.txt")));
        }
        // A graph file's extension is no table type: the dialog says which
        // types it saves and stays open for the next name.
        {
            DialogPlayer user(0, {QStringLiteral("tblv.GHF"), QStringLiteral("tblv")});
            QCOMPARE(dialogs.saveFileName(QStringLiteral("Save As"), tableFilter, QStringLiteral("TXT"), s.dir.path()),
                     s.dir.filePath(QStringLiteral("tblv.TXT")));
            QCOMPARE(user.messages.size(), 1);
            QVERIFY(user.messages.first().contains(QStringLiteral("EXCEL file format(*.CSV,seperated by comma)")));
        }
    }

    void realOpenDialogOpensTypedNamesTheTypeHides()
    {
        // "TXT file" chosen and the folder already shown: a typed name of a
        // CSV file opens it, also where no type lists CSV (a decimal comma).
        QTemporaryDir dir;
        writeFileBytes(dir.filePath(QStringLiteral("run.txt")), "1\t\r\n");
        writeFileBytes(dir.filePath(QStringLiteral("run.CSV")), "1,\r\n");
        QtPrompt dialogs;
        for (const bool comma : {false, true}) {
            DialogPlayer user(0, QStringLiteral("run.CSV"));
            QCOMPARE(dialogs.openFileName(QStringLiteral("Open"), FileFilters::qtFilter(FileFilters::openDataSet(comma)),
                                          QStringLiteral("TXT"), dir.path()),
                     dir.filePath(QStringLiteral("run.CSV")));
            QCOMPARE(user.enabled, QList<bool>{true});
        }
    }

};

QTEST_MAIN(TestFileChecks)
#include "tst_file_checks.moc"
