// Watching in the real main window against the emulated meter: limits set
// through the Alarms dialog fire on the status bar, on the panel, in the
// Alarm Log, beside the journal and on the graph; the meter going silent
// is an alarm; the options are kept in the settings file, written only
// when they change.

#include "app/Settings.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/Chart.h"
#include "watch/ui/AlarmLog.h"
#include "watch/ui/AlarmsDialog.h"
#include "watch/ui/WatchChartOverlay.h"
#include "watch/ui/WatchController.h"

#include "support/MainSession.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <qcustomplot.h>

using namespace kv;
using kv::test::Session;

namespace {

WatchController *controllerOf(Session &s)
{
    return s.main->findChild<WatchController *>(QStringLiteral("WatchController"));
}

QAction *action(Session &s, const char *name)
{
    return s.main->findChild<QAction *>(QLatin1String(name));
}

// Opens Option > Alarms… and returns the dialog on show.
AlarmsDialog *openAlarms(Session &s)
{
    action(s, "Alarms1")->trigger();
    AlarmsDialog *d = nullptr;
    // The one on show (a closed one may still wait for its deletion).
    [[maybe_unused]] const bool shown = QTest::qWaitFor([&] {
        for (AlarmsDialog *c : s.main->findChildren<AlarmsDialog *>())
            if (c->isVisible())
                d = c;
        return d != nullptr;
    }, 3000);
    return d;
}

void pressOk(QDialog *d)
{
    QPushButton *ok = d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QVERIFY(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
}

QStringList logRow(AlarmLogModel *log, int row)
{
    QStringList r;
    for (int c = 0; c < AlarmLogModel::ColumnCount; ++c)
        r << log->text(row, c);
    return r;
}

} // namespace

class TestWatchWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void limitsFromTheDialogFireEverywhere()
    {
        Session s(482);
        QVERIFY(s.started());
        WatchController *w = controllerOf(s);
        QVERIFY(w);
        QVERIFY(s.main->realTimeGraph());
        s.main->btnRun->click();

        // Through the dialog, by its controls: T1 high 30 °C, T2 low -5 °C.
        AlarmsDialog *d = openAlarms(s);
        QVERIFY(d);
        d->row(AlarmChannel::T1).highOn->setFocus();
        QTest::keyClick(d->row(AlarmChannel::T1).highOn, Qt::Key_Space);
        QVERIFY(d->row(AlarmChannel::T1).high->isEnabled());
        d->row(AlarmChannel::T1).high->selectAll();
        QTest::keyClicks(d->row(AlarmChannel::T1).high, QStringLiteral("30"));
        QTest::keyClick(d->row(AlarmChannel::T2).lowOn, Qt::Key_Space);
        d->row(AlarmChannel::T2).low->selectAll();
        QTest::keyClicks(d->row(AlarmChannel::T2).low, QStringLiteral("-5"));
        pressOk(d);
        QCOMPARE(w->options().alarms[AlarmChannel::T1].high.value, 30.0);
        QVERIFY(w->options().alarms[AlarmChannel::T1].high.on);
        QCOMPARE(w->options().alarms[AlarmChannel::T2].low.value, -5.0);

        // Kept in a section of its own at once.
        QString ini = s.settingsText();
        QVERIFY2(ini.contains(QLatin1String("[Alarms]")) && ini.contains(QLatin1String("T1 High=30"))
                     && ini.contains(QLatin1String("T1 High On=1")) && ini.contains(QLatin1String("T2 Low=-5")),
                 qPrintable(ini));

        // The limits that are on are drawn on the real-time graph.
        WatchChartOverlay *overlay = w->realTimeOverlay();
        QVERIFY(overlay);
        QCOMPARE(overlay->chart(), s.main->realTimeGraph()->chart());
        const auto lines = overlay->limitLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].channel, QStringLiteral("T1"));
        QVERIFY(lines[0].high);
        QCOMPARE(lines[0].value, 30.0);
        QCOMPARE(lines[1].channel, QStringLiteral("T2"));
        QVERIFY(!lines[1].high);
        QCOMPARE(lines[1].value, -5.0);
        int straight = 0;
        QCustomPlot *plot = overlay->chart()->plot();
        for (int i = 0; i < plot->itemCount(); ++i)
            if (auto *line = qobject_cast<QCPItemStraightLine *>(plot->item(i)))
                straight += line->point1->coords().y() == line->point2->coords().y() ? 1 : 0;
        QCOMPARE(straight, 2);

        // Both cross: one event each, on the status bar, the panel, the log.
        s.meter->setTemperatures(35.0, -10.0);
        QLabel *status = w->statusLabel();
        QVERIFY2(QTest::qWaitFor([&] { return status->text().contains(QLatin1String("+1 more")); }, 8000),
                 qPrintable(status->text()));
        QVERIFY(status->isVisible());
        QVERIFY(status->text().startsWith(QLatin1String("Alarm T")));
        QVERIFY(s.panel()->alarmFramed(0));  // T1
        QVERIFY(s.panel()->alarmFramed(2));  // T2
        QVERIFY(!s.panel()->alarmFramed(1)); // T1-T2 has no limit
        QTest::qWait(2500); // more readings past the limits: still one event each
        AlarmLogModel *log = w->log();
        QCOMPARE(log->rowCount(), 2);
        QStringList t1 = logRow(log, 0), t2 = logRow(log, 1);
        if (t1[AlarmLogModel::Channel] != QLatin1String("T1"))
            std::swap(t1, t2);
        QCOMPARE(t1.mid(1, 3), (QStringList{"T1", "35.0 \u00B0C", "above 30.0 \u00B0C"}));
        QCOMPARE(t2.mid(1, 3), (QStringList{"T2", "-10.0 \u00B0C", "below -5.0 \u00B0C"}));
        QVERIFY(t1[AlarmLogModel::ClearedAt].isEmpty());
        QCOMPARE(overlay->crossingCount(), 2);

        // The Alarm Log window lists them.
        action(s, "AlarmLog1")->trigger();
        auto *window = s.main->findChild<AlarmLogWindow *>();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->table()->model()->rowCount(), 2);
        QCOMPARE(window->windowTitle(), QStringLiteral("Alarm Log"));

        // Back inside by the hysteresis: cleared, with the time in the log.
        s.meter->setTemperatures(20.0, 0.0);
        QVERIFY2(QTest::qWaitFor([&] { return !s.panel()->alarmFramed(0) && !s.panel()->alarmFramed(2); }, 8000),
                 qPrintable(status->text()));
        QVERIFY(status->text().startsWith(QLatin1String("Cleared")));
        QCOMPARE(log->rowCount(), 2);
        QVERIFY(!logRow(log, 0)[AlarmLogModel::ClearedAt].isEmpty());
        QVERIFY(!logRow(log, 1)[AlarmLogModel::ClearedAt].isEmpty());

        // The meter stops answering: the watchdog, on since limits are.
        s.meter->setSilent(true);
        QVERIFY2(QTest::qWaitFor([&] { return log->rowCount() == 3; }, 15000), qPrintable(status->text()));
        QCOMPARE(logRow(log, 2).mid(1, 2), (QStringList{"meter", "not answering"}));
        QCOMPARE(status->text(), QStringLiteral("Alarm: the meter stopped answering"));
        s.meter->setSilent(false);
        QVERIFY(QTest::qWaitFor([&] { return !logRow(log, 2)[AlarmLogModel::ClearedAt].isEmpty(); }, 15000));

        // The events lie beside the recording's journal, in order.
        const QString journal = s.main->journal()->currentPath();
        QVERIFY(!journal.isEmpty());
        QCOMPARE(w->eventFilePath(), journal.left(journal.size() - 4) + QStringLiteral(".alarms.csv"));
        QFile events(w->eventFilePath());
        QVERIFY(events.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines2 = events.readAll().split('\n');
        QStringList kinds;
        for (const QByteArray &l : lines2.mid(1))
            if (!l.trimmed().isEmpty())
                kinds << QString::fromUtf8(l.split(',').mid(1, 3).join(' '));
        kinds.sort();
        QCOMPARE(kinds, (QStringList{"alarm T1 high", "alarm T2 low", "alarm link lost", "cleared T1 high",
                                     "cleared T2 low", "cleared link lost"}));
    }

    void settingsWrittenOnlyWhenChanged()
    {
        const QByteArray ini = "[Link]\nModel=482\n\n[Alarms]\nT1 High=80\nT1 High On=1\nHysteresis=2\n"
                               "Show Rate of Rise=1\nRate Window=20\n";
        Session s(482, ini);
        QVERIFY(s.started());
        WatchController *w = controllerOf(s);
        QCOMPARE(w->options().alarms[AlarmChannel::T1].high.value, 80.0);
        QCOMPARE(w->options().alarms.hysteresis, 2.0);
        QVERIFY(w->options().showRate);
        QCOMPARE(w->options().rateWindowSeconds, 20.0);
        const QString path = s.main->settingsPath();
        const QDateTime before = QFileInfo(path).lastModified();
        const QByteArray bytes = s.settingsText().toUtf8();
        QTest::qWait(1100); // a rewrite would show in the time stamp

        // OK without a change writes nothing.
        AlarmsDialog *d = openAlarms(s);
        QVERIFY(d);
        QCOMPARE(d->row(AlarmChannel::T1).high->value(), 80.0);
        QCOMPARE(d->rateWindow()->value(), 20.0);
        pressOk(d);
        QCOMPARE(QFileInfo(path).lastModified(), before);
        QCOMPARE(s.settingsText().toUtf8(), bytes);

        // A low limit above the high one cannot be taken.
        d = openAlarms(s);
        QVERIFY(d);
        d->row(AlarmChannel::T1).lowOn->setChecked(true);
        d->row(AlarmChannel::T1).low->setValue(90);
        QVERIFY(!d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled());
        d->row(AlarmChannel::T1).low->setValue(10);
        // Nor a limit beyond the meter, which the dialog says.
        d->row(AlarmChannel::T1).high->setValue(5000);
        QVERIFY(!d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY2(d->problem().contains(QStringLiteral("-200 to 1370 \u00B0C")), qPrintable(d->problem()));
        d->row(AlarmChannel::T1).high->setValue(80);
        pressOk(d);
        const QString text = s.settingsText();
        QVERIFY(text.startsWith(QLatin1String("[Link]\nModel=482\n")));
        QVERIFY2(text.contains(QLatin1String("T1 Low=10")) && text.contains(QLatin1String("T1 Low On=1")),
                 qPrintable(text));

        // The command hook: each event's command runs with the event in its
        // environment; kept with the rest.
        QTemporaryDir dir;
        const QString ran = dir.filePath(QStringLiteral("ran"));
        d = openAlarms(s);
        QVERIFY(d);
        d->runCommand()->setChecked(true);
        QVERIFY(!d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled()); // no command yet
        d->command()->setText(QStringLiteral("echo \"$KV481_EVENT $KV481_CHANNEL $KV481_LIMIT\" >> '%1'").arg(ran));
        d->row(AlarmChannel::T1).high->setValue(1);
        d->row(AlarmChannel::T1).lowOn->setChecked(false);
        pressOk(d);
        QVERIFY(s.settingsText().contains(QLatin1String("Run Command=1")));
        s.main->btnRun->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ran), 10000);
        QFile f(ran);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("alarm T1 1.0\n"));

        // The graph's check item: rate of rise off, kept.
        QAction *rate = s.main->realTimeGraph()->chart()->findChild<QAction *>(QStringLiteral("RateOfRise1"));
        QVERIFY(rate && rate->isCheckable() && rate->isChecked());
        QVERIFY(s.main->realTimeGraph()->chart()->actions().contains(rate));
        rate->trigger();
        QVERIFY(!w->options().showRate);
        QVERIFY(!w->realTimeOverlay()->chart()->plot()->yAxis2->visible());
        QVERIFY(s.settingsText().contains(QLatin1String("Show Rate of Rise=0")));

        // Each graph has its own switch, opening as the last choice left it;
        // the data-logger graph's window follows the set's interval.
        s.main->DataLogger1->trigger();
        TfrmDataLogger *logger = s.main->dataLoggerWindow();
        QVERIFY(logger && logger->dataSetsLoaded());
        auto *overlay = logger->chart()->findChild<WatchChartOverlay *>();
        QVERIFY(overlay && !overlay->rateShown());
        logger->chart()->findChild<QAction *>(QStringLiteral("RateOfRise1"))->trigger();
        QVERIFY(overlay->rateShown() && !w->realTimeOverlay()->rateShown() && !rate->isChecked());
        const int interval = logger->collection()->sets.at(logger->shownSet()).intervalSeconds;
        QCOMPARE(overlay->effectiveRateWindow(), std::max(20.0, 2.0 * interval));
        QVERIFY(s.settingsText().contains(QLatin1String("Show Rate of Rise=1")));
    }
};

QTEST_MAIN(TestWatchWindow)
#include "tst_watch_window.moc"
