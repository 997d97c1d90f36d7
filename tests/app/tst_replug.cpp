// The whole program with the emulated meter in a port folder, as a USB
// adapter: the port list shows what is known of it, and when the meter
// leaves and comes back under a new link name while recording, the program
// follows it and the recording goes on in the same list and journal.

#include "app/TfrmMain.h"
#include "views/TfrmList.h"

#include "MeterEmulator.h"
#include "support/MainSession.h"
#include "support/ScriptedPrompt.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <cmath>

using namespace kv;
using kv::test::ScriptedPrompt;

namespace {

struct FolderSession
{
    QTemporaryDir dir;
    QString ports = dir.filePath(QStringLiteral("ports"));
    kv::test::QuickPauseClock clock;
    std::unique_ptr<emu::MeterEmulator> meter;
    ScriptedPrompt prompt;
    std::unique_ptr<TfrmMain> main;

    explicit FolderSession(bool meterAtStart)
    {
        QDir().mkpath(ports);
        QFile ini(dir.filePath(QStringLiteral("KV481.INI")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[RealTime]\r\nSampling Rate=1\r\n");
        ini.close();
        emu::Options e;
        e.model = 481;
        e.linkPath = linkName(0).toStdString();
        e.usbSerial = "EMU0001";
        meter = std::make_unique<emu::MeterEmulator>(e);
        meter->setTemperatures(23.4, 21.7);
        if (meterAtStart)
            meter->start();
        MainOptions o;
        o.programPath = dir.filePath(QStringLiteral("KV481"));
        o.systemPorts = false;
        o.portFolders << ports;
        o.recordingFolder = dir.filePath(QStringLiteral("recordings"));
        o.prompt = &prompt;
        o.clock = &clock;
        o.exitHandler = [] {};
        o.openUrl = [](const QUrl &) { return true; };
        main = std::make_unique<TfrmMain>(o);
        main->resize(1000, 700);
        main->show();
    }
    QString linkName(int n) const { return QDir(ports).filePath(QStringLiteral("ttyEMU%1").arg(n)); }
    bool started() { return QTest::qWaitFor([this] { return main->formShown(); }, 8000); }
    QStringList listed() const
    {
        QStringList out;
        for (int i = 0; i < main->ComboBoxDeviceName->count(); ++i)
            out << main->ComboBoxDeviceName->itemText(i);
        return out;
    }
    int rows() const { return main->realTimeList()->grid()->RowCount(); }
};

} // namespace

class TestReplug : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void aMeterPluggedInLaterIsFound()
    {
        FolderSession s(false);
        QVERIFY(s.started());
        QVERIFY(!s.main->link().connected());
        QVERIFY(s.listed().isEmpty());
        QVERIFY(s.meter->start());
        QVERIFY(QTest::qWaitFor([&] { return s.main->link().connected(); }, 6000));
        QCOMPARE(s.listed(), QStringList{s.linkName(0) + QStringLiteral(" \u2014 KV481 Meter Emulator")});
        QCOMPARE(s.main->ComboBoxDeviceName->currentIndex(), 0);
        QCOMPARE(s.main->StatusPanel0->text(), s.linkName(0));
        QVERIFY(s.main->StatusPortDetails->isVisibleTo(s.main.get()));
        QCOMPARE(s.main->StatusPortDetails->text(),
                 QStringLiteral("KV481 Meter Emulator, usb-KV481_Meter_Emulator_EMU0001-if00-port0"));
        QCOMPARE(s.main->link().model(), 481);
    }

    void theMeterIsFollowedToANewLinkNameWhileRecording()
    {
        FolderSession s(true);
        QVERIFY(s.started());
        QVERIFY(s.main->link().connected());
        s.main->btnRun->click();
        QVERIFY(QTest::qWaitFor([&] { return s.rows() > 3; }, 8000));
        const QString journal = s.main->journal()->currentPath();
        QVERIFY(!journal.isEmpty());

        s.meter->unplug();
        QVERIFY(QTest::qWaitFor([&] { return s.listed().isEmpty(); }, 4000));
        QVERIFY(QTest::qWaitFor([&] { return !s.main->link().connected(); }, 10000));
        const int rowsBefore = s.rows();

        std::string error;
        QVERIFY2(s.meter->replugAs(s.linkName(1).toStdString(), &error), error.c_str());
        QVERIFY(QTest::qWaitFor([&] { return s.main->link().connected(); }, 6000));
        QCOMPARE(s.main->port().deviceName(), s.linkName(1));
        QCOMPARE(s.main->StatusPanel0->text(), s.linkName(1));
        QVERIFY(QTest::qWaitFor([&] { return s.rows() > rowsBefore + 1; }, 6000));
        QVERIFY(s.main->recorder().recording());

        // The same list and journal go on; the graph's line breaks once.
        QCOMPARE(s.main->journal()->currentPath(), journal);
        Chart *graph = s.main->recorder().graph();
        QVERIFY(graph);
        int breaks = 0;
        for (int p = 0; p < s.main->recorder().state().realTimePointCount; ++p)
            breaks += std::isnan(graph->yData(0, p)) ? 1 : 0;
        QCOMPARE(breaks, 1);
        s.main->btnPause->click();
        s.main->journal()->waitWritten();
        QFile f(journal);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count('\n'), s.rows() - 1);
    }
};

QTEST_MAIN(TestReplug)
#include "tst_replug.moc"
