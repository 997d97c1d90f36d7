// Print and Printer Setup through the real main window: which window prints
// what, the range asked for tables, the print option of the data-logger
// window, and a PDF file where no printer is installed.

#include "app/TfrmMain.h"
#include "common/LocaleText.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/TfrmList.h"

#include "support/MainSession.h"

#include <QMdiArea>
#include <QMenuBar>
#include <QMdiSubWindow>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QToolButton>

using namespace kv;
using kv::test::Session;

namespace {

QByteArray head(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(4) : QByteArray();
}

// The text of a PDF file, blanks run together; empty without pdftotext.
QString pdfText(const QString &path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QString();
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

} // namespace

class TestPrintCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed: printing would go to it instead of a PDF file");
    }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void listPrintsItsRowsAfterAskingTheRange()
    {
        Session s(482, "[RealTime]\nSampling Rate=1\n");
        QVERIFY(s.started());
        TfrmList *list = s.main->realTimeList();
        s.main->btnRun->click();
        QTRY_VERIFY_WITH_TIMEOUT(list->grid()->RowCount() >= 4, 8000);
        s.main->btnPause->click();
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(list));
        QVERIFY(s.main->Print1->isEnabled());

        // "invalid integer": nothing printed, no file asked for.
        s.prompt.rangeAnswers.enqueue({false, QStringLiteral("1"), QStringLiteral("x")});
        s.main->Print1->trigger();
        QCOMPARE(s.prompt.rangesShown.last().first, QStringLiteral("Print Range"));
        QCOMPARE(s.prompt.rangesShown.last().second.fromText, QStringLiteral("1"));
        QCOMPARE(s.prompt.rangesShown.last().second.toText, QString::number(list->grid()->RowCount() - 1));
        QCOMPARE(s.prompt.informations.last(), QStringLiteral("invalid integer"));
        QVERIFY(s.prompt.saveAsked.isEmpty());

        // A range dialog cancelled: nothing either.
        s.main->Print1->trigger();
        QVERIFY(s.prompt.saveAsked.isEmpty());

        const QString pdf = s.dir.filePath(QStringLiteral("list.pdf"));
        s.prompt.rangeAnswers.enqueue({true, QStringLiteral("1"), QStringLiteral("3")});
        s.prompt.saveNames.enqueue(pdf);
        s.main->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), s.main.get());
        s.main->Print1->trigger();
        QCOMPARE(s.prompt.saveAsked, QStringList{QStringLiteral("Print to PDF file")});
        QCOMPARE(head(pdf), QByteArray("%PDF"));
        QVERIFY(s.prompt.errors.isEmpty());
        // Each page names what it holds: the list, the meter, the rows' span.
        const QString text = pdfText(pdf);
        if (!text.isEmpty()) {
            const QString span = list->grid()->cell(1, 1) + QLatin1Char(' ') + list->grid()->cell(2, 1)
                + QStringLiteral(" to ") + list->grid()->cell(1, 3) + QLatin1Char(' ') + list->grid()->cell(2, 3);
            QVERIFY2(text.contains(QStringLiteral("Real-time list Model 482 ") + span), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("Page 1 of 1")), qPrintable(text));
        }
        // The progress window gone, the main window has the keyboard again,
        // so Alt+letter reaches its menus.
        QTRY_COMPARE(QApplication::activeWindow(), s.main.get());
        QTest::keyClick(s.main.get(), Qt::Key_F, Qt::AltModifier);
        QTRY_VERIFY(s.main->menuBar()->activeAction());
        QCOMPARE(s.main->menuBar()->activeAction()->text(), QStringLiteral("&File"));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);

        // A range past the last row prints nothing and says so.
        s.prompt.rangeAnswers.enqueue({false, QStringLiteral("500"), QStringLiteral("600")});
        s.main->Print1->trigger();
        QVERIFY(s.prompt.informations.last().contains(QStringLiteral("no rows")));
        QCOMPARE(s.prompt.saveAsked.size(), 1);
    }

    void graphThatCannotBePrintedSaysSo()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(s.main->realTimeGraph()));
        const QString pdf = s.dir.filePath(QStringLiteral("no/such/folder/graph.pdf"));
        s.prompt.saveNames.enqueue(pdf);
        s.main->Print1->trigger();
        QCOMPARE(s.prompt.errors.size(), 1);
        QVERIFY(s.prompt.errors.last().contains(pdf));
        QVERIFY(!QFile::exists(pdf));
    }

    void dataLoggerAsksGraphOrText()
    {
        Session s(481);
        QVERIFY(s.started());
        s.main->DataLogger1->trigger();
        TfrmDataLogger *window = s.main->dataLoggerWindow();
        QVERIFY(window && window->dataSetsLoaded());
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(window));
        QVERIFY(s.main->Print1->isEnabled());

        QList<PrintChoice> answers{PrintChoice::Cancel, PrintChoice::Text, PrintChoice::Graph};
        int asked = 0;
        s.main->printing().setOptionSource([&] {
            ++asked;
            return answers.takeFirst();
        });
        s.main->Print1->trigger(); // Cancel
        QCOMPARE(asked, 1);
        QVERIFY(s.prompt.rangesShown.isEmpty() && s.prompt.saveAsked.isEmpty());

        const QString table = s.dir.filePath(QStringLiteral("table.pdf"));
        s.prompt.rangeAnswers.enqueue({true, QString(), QString()});
        s.prompt.saveNames.enqueue(table);
        s.main->Print1->trigger(); // Text
        QCOMPARE(s.prompt.rangesShown.size(), 1);
        QCOMPARE(s.prompt.rangesShown.last().second.toText,
                 QString::number(window->sampleTable().RowCount() - 1));
        QCOMPARE(head(table), QByteArray("%PDF"));
        const QString text = pdfText(table);
        if (!text.isEmpty()) {
            const double start = window->collection()->sets.at(0).start;
            QVERIFY2(text.contains(QStringLiteral("Data set 1, started %1 %2 Model 481")
                                       .arg(shortDateText(start), longTimeText(start))),
                     qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("Page 1 of")));
        }

        const QString graph = s.dir.filePath(QStringLiteral("graph.pdf"));
        s.prompt.saveNames.enqueue(graph);
        s.main->Print1->trigger(); // Graph: no range asked
        QCOMPARE(s.prompt.rangesShown.size(), 1);
        QCOMPARE(head(graph), QByteArray("%PDF"));
        QCOMPARE(asked, 3);
    }

    void otherWindowsPrintNothing()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(s.panel()));
        QVERIFY(!s.main->Print1->isEnabled());
        s.main->Print1Click();
        QVERIFY(s.prompt.rangesShown.isEmpty() && s.prompt.saveAsked.isEmpty());
        QCOMPARE(s.prompt.messageCount(), 0);
    }

    void printerSetupWithoutPrinterSaysWhatHappens()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->PrinterSetup1->trigger();
        QCOMPARE(s.prompt.informations.size(), 1);
        QVERIFY(s.prompt.informations.last().contains(QStringLiteral("PDF")));
    }
};

QTEST_MAIN(TestPrintCommands)
#include "tst_print_commands.moc"
