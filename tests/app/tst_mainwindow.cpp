// The real main window against the emulated meter: start-up and search,
// the panel following live frames, link loss, the control panel command,
// help and about, and the two ways out.

#include "app/Settings.h"
#include "app/TfrmMain.h"
#include "panel/TfrmPanel.h"

#include "MeterEmulator.h"
#include "support/ScriptedPrompt.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace kv;

namespace {

struct Session
{
    QTemporaryDir dir;
    std::unique_ptr<emu::MeterEmulator> meter;
    test::ScriptedPrompt prompt;
    std::unique_ptr<TfrmMain> main;
    int exits = 0;
    QList<QUrl> opened;

    // model 0: no meter at all.
    explicit Session(int model, const QByteArray &ini = QByteArray())
    {
        if (!ini.isEmpty()) {
            QFile f(dir.filePath(QStringLiteral("KV481.INI")));
            f.open(QIODevice::WriteOnly);
            f.write(ini);
        }
        MainOptions o;
        o.programPath = dir.filePath(QStringLiteral("KV481"));
        o.systemPorts = false;
        o.prompt = &prompt;
        o.exitHandler = [this] { ++exits; };
        o.openUrl = [this](const QUrl &u) {
            opened << u;
            return true;
        };
        if (model) {
            emu::Options e;
            e.model = model;
            e.linkPath = dir.filePath(QStringLiteral("meter")).toStdString();
            meter = std::make_unique<emu::MeterEmulator>(e);
            meter->setTemperatures(23.4, 21.7);
            meter->start();
            o.extraPorts << dir.filePath(QStringLiteral("meter"));
        } else {
            o.extraPorts << dir.filePath(QStringLiteral("nothing-here"));
        }
        main = std::make_unique<TfrmMain>(o);
        main->resize(1000, 700);
        main->show();
    }
    bool started() { return QTest::qWaitFor([this] { return main->formShown(); }, 8000); }
    TfrmPanel *panel() const { return main->panel(); }
    QString mainDigits() const
    {
        QString s;
        for (int i = 0; i < 4; ++i) {
            const int c = panel()->digitCode(0, i);
            s += c <= 9 ? QChar('0' + c) : c == kGlyphBlank ? QChar(' ') : QChar('-');
        }
        return s;
    }
    QString settingsText() const
    {
        QFile f(main->settingsPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void findsTheMeterAndShowsReadings_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("482") << 482;
        QTest::newRow("481") << 481;
    }
    void findsTheMeterAndShowsReadings()
    {
        QFETCH(int, model);
        Session s(model);
        QVERIFY(s.started());
        QCOMPARE(s.main->windowTitle(), QStringLiteral("Main Menu"));
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("On Connection"));
        QCOMPARE(s.main->StatusPanel0->text(), s.dir.filePath(QStringLiteral("meter")));
        QCOMPARE(s.main->ComboBoxDeviceName->currentText(), s.dir.filePath(QStringLiteral("meter")));
        QVERIFY(s.main->btnRun->isEnabled() && s.main->Run1->isEnabled());
        QVERIFY(!s.main->btnPause->isEnabled() && !s.main->Stop1->isEnabled());
        QVERIFY(s.main->timer().isActive());
        QVERIFY(s.panel());
        QCOMPARE(s.main->link().model(), model);
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        QVERIFY(!s.panel()->mark(Mark::imgPoint)->isHidden());
        QVERIFY(s.panel()->mark(Mark::lblnolink)->isHidden());
        QCOMPARE(!s.panel()->mark(Mark::imgSpec482)->isHidden(), model == 482);
        // The panel sits at the top left of the client area.
        QCOMPARE(s.panel()->frameWidget()->pos(), QPoint(0, 0));
        QCOMPARE(s.main->activeChildClass().isEmpty() || s.main->activeChildClass() == QLatin1String("TfrmPanel"),
                 true);
    }

    void withoutMeter()
    {
        Session s(0);
        QVERIFY(s.started());
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("Off Connection"));
        QVERIFY(!s.panel()->mark(Mark::lblnolink)->isHidden());
        QVERIFY(!s.main->btnRun->isEnabled());
        // The missing device left the list.
        QCOMPARE(s.main->ComboBoxDeviceName->count(), 0);
    }

    void linkLossAndReturn()
    {
        Session s(482);
        QVERIFY(s.started());
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        s.meter->setSilent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!s.panel()->mark(Mark::lblnolink)->isHidden(), 12000);
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("No Connection"));
        s.meter->setSilent(false);
        QTRY_VERIFY_WITH_TIMEOUT(s.panel()->mark(Mark::lblnolink)->isHidden(), 5000);
        QCOMPARE(s.main->StatusPanel1->text(), QStringLiteral("ON Connection"));
    }

    void panelKeysReachTheMeter()
    {
        Session s(482);
        QVERIFY(s.started());
        QTRY_COMPARE_WITH_TIMEOUT(s.mainDigits(), QStringLiteral(" 234"), 5000);
        QTest::mouseClick(s.panel()->btnHOLD, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!s.panel()->mark(Mark::imgHOLD)->isHidden(), 5000);
        QTest::mouseClick(s.panel()->btnCF, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!s.meter->state().celsius, 3000);
        QTest::mousePress(s.panel()->btnMMA, Qt::LeftButton);
        QTest::mouseRelease(s.panel()->btnMMA, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(s.meter->state().maxMinMode, 1, 3000);
        QVERIFY(s.prompt.informations.isEmpty());
    }

    void controlPanelCommand()
    {
        Session s(481);
        QVERIFY(s.started());
        TfrmPanel *first = s.panel();
        QWidget *frame = first->frameWidget();
        frame->showMinimized();
        s.main->ControlPanel1->trigger();
        QCOMPARE(s.panel(), first); // only restored
        QVERIFY(!frame->isMinimized());
        QVERIFY(s.main->ControlPanel1->isChecked());

        QTest::mouseClick(first->btnClose, Qt::LeftButton);
        QTRY_VERIFY(!s.main->panel());
        QVERIFY(!s.main->ControlPanel1->isChecked());

        s.main->ControlPanel1->trigger();
        QVERIFY(s.panel());
        QVERIFY(s.main->ControlPanel1->isChecked());
        // The new panel has the one-channel layout at once.
        QVERIFY(!s.panel()->mark(Mark::imgmd)->isHidden());
        QVERIFY(s.panel()->mark(Mark::imgSpec482)->isHidden());
        QVERIFY(!s.panel()->findChild<QLabel *>(QStringLiteral("MainD1"))->isHidden());
    }

    void samplingRateBoxes()
    {
        Session s(0, "[RealTime]\nSampling Rate=75\n");
        QCOMPARE(s.main->cmbMinute->currentText(), QStringLiteral("01"));
        QCOMPARE(s.main->cmbSecond->currentText(), QStringLiteral("15"));
        QCOMPARE(s.main->link().samplingRate(), 75);
        QCOMPARE(s.main->cmbMinute->count(), 61);
        s.main->cmbMinute->setCurrentIndex(0);
        s.main->cmbSecond->setCurrentIndex(0);
        s.main->cmbMinuteChange();
        QCOMPARE(s.main->cmbSecond->currentText(), QStringLiteral("01"));
        QCOMPARE(s.main->link().samplingRate(), 1);
        s.main->cmbMinute->setCurrentIndex(60);
        s.main->cmbSecond->setCurrentIndex(60);
        s.main->cmbMinuteChange();
        QCOMPARE(s.main->link().samplingRate(), 3660);
    }

    void runAndStop()
    {
        Session s(482);
        QVERIFY(s.started());
        s.main->btnRun->click();
        QVERIFY(s.main->link().recording());
        QVERIFY(!s.main->Run1->isEnabled() && s.main->Stop1->isEnabled());
        s.main->Stop1->trigger();
        QVERIFY(!s.main->link().recording());
        QVERIFY(s.main->btnRun->isEnabled() && !s.main->btnPause->isEnabled());
    }

    void exitWritesNothingCloseWritesSettings()
    {
        Session s(481, "[Graph Option]\nMax. Scale=70\n; keep me\n");
        QVERIFY(s.started());
        const QString before = s.settingsText();
        s.main->Exit1->trigger();
        QCOMPARE(s.exits, 1);
        QCOMPARE(s.settingsText(), before);

        s.main->close();
        const QString after = s.settingsText();
        QVERIFY(after.contains(QStringLiteral("Model=481")));
        QVERIFY(after.contains(QStringLiteral("Max. Scale=70")));
        QVERIFY(after.contains(QStringLiteral("; keep me")));
        QVERIFY(after.contains(QStringLiteral("Sampling Rate=2")));
        QVERIFY(!s.main->timer().isActive());
        QVERIFY(!s.main->port().isOpen());
    }

    void helpAndAbout()
    {
        Session s(0);
        QVERIFY(s.started());
        s.main->Contents1->trigger();
        QCOMPARE(s.opened, QList<QUrl>{QUrl::fromLocalFile(s.dir.filePath(QStringLiteral("KV481Help.htm")))});
        // The build puts the guide beside the program.
        QVERIFY(QFile::exists(QStringLiteral(KV_BIN_DIR "/KV481Help.htm")));
        QTimer::singleShot(200, [] {
            if (QWidget *w = QApplication::activeModalWidget())
                w->close();
        });
        s.main->About1->trigger();
        QVERIFY(!s.main->findChild<QDialog *>(QStringLiteral("TfrmAbout")));
    }

    void menusAndToolBar()
    {
        Session s(0);
        QCOMPARE(s.main->Exit1->text(), QStringLiteral("E&xit"));
        QCOMPARE(s.main->RealTimeGraph1->text(), QStringLiteral("Real Time &Graph"));
        QVERIFY(!s.main->LinkTest1->isVisible());
        QVERIFY(!s.main->RS2321->menuAction()->isVisible());
        QVERIFY(!s.main->Window1->menuAction()->isVisible());
        QCOMPARE(s.main->SpeedButton1->toolTip(), QStringLiteral("Open File"));
        QCOMPARE(s.main->btnRun->toolTip(), QStringLiteral("Start Graphing Real Time Data"));
        QCOMPARE(s.main->btnClear->toolTip(), QStringLiteral("clear and reset graph"));
        QCOMPARE(s.main->UndoZoom->text(), QStringLiteral("Undo Zoom"));
        QVERIFY(!s.main->UndoZoom->isEnabled());
        QCOMPARE(s.main->StaticText1->text().trimmed(), QStringLiteral("Sampling Rate"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
