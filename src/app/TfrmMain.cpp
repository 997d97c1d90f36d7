#include "app/TfrmMain.h"

#include "app/DialogFocus.h"
#include "app/ElidedLabel.h"
#include "app/HelpWindow.h"
#include "app/KeyboardReach.h"
#include "app/StartupBox.h"
#include "app/TfrmAbout.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/ProgramFolder.h"
#include "files/TextDataSet.h"
#include "journal/JournalFolder.h"
#include "journal/JournalRecovery.h"
#include "files/CollectionFile.h"
#include "logger/ui/TfrmDataLogger.h"
#include "panel/Artwork.h"
#include "panel/TfrmPanel.h"
#include "publish/ui/PublishCommand.h"
#include "views/Chart.h"
#include "views/ScaleRange.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QPointer>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace kv {

TfrmMain::TfrmMain(MainOptions options, QWidget *parent)
    : QMainWindow(parent)
    , m_options(std::move(options))
    , m_clock(m_options.clock ? *m_options.clock : SystemClock::instance())
    , m_qtPrompt(this)
    , m_folderMemory(m_options.prompt ? *m_options.prompt : static_cast<Prompt &>(m_qtPrompt),
                     Settings::locate(m_options.programPath))
    , m_prompt(m_folderMemory)
    , m_mdi(new QMdiArea(this))
    , m_children(m_mdi)
    , m_link(m_Comm2, m_clock, m_prompt)
    , m_run(m_link, m_clock)
    , m_recorder(m_run, m_clock)
    , m_dataLogger(m_link, m_run, m_clock, m_prompt, [this](bool forDownload) {
        return openDataLoggerWindow(forDownload);
    })
    , m_files(m_prompt, m_dataLogger, fileCommandContext())
    , m_print(m_prompt, [this] { return m_children.activeChild(); }, this)
    , m_settingsLocation(Settings::locate(m_options.programPath))
    , m_template(GraphTemplate::locate(m_options.programPath))
{
    ensureArtwork();
    setObjectName(QStringLiteral("TfrmMain"));
    setWindowTitle(QStringLiteral("Main Menu"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kv481")));
    // The client area has no frame and no scroll bars.
    m_mdi->setObjectName(QStringLiteral("ClientArea"));
    m_mdi->setFrameShape(QFrame::NoFrame);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(m_mdi);

    buildMenus();
    buildToolBar();
    buildStatusBar();
    connectLink();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::updateCommands);
    new DialogFocus(this);
    new KeyboardReach(this, Panel1, m_mdi);
    m_dataLogger.setDialogParent(this);
    connect(&m_dataLogger, &DataLoggerCommand::transferringChanged, this, &TfrmMain::setTransferring);
    m_children.setParts({&m_link, &m_recorder, &m_prompt, &m_clock, &m_glyphs, m_template});
    connect(&m_children, &ChildWindows::opened, this, [this](ChildWindows::Kind kind, QWidget *) {
        if (kind == ChildWindows::Panel)
            ControlPanel1->setChecked(true);
        else if (kind == ChildWindows::RealTimeGraph)
            RealTimeGraph1->setChecked(true);
        else if (kind == ChildWindows::RealTimeList) {
            RealTimeList1->setChecked(true);
        }
    });
    // Every graph enables Undo Zoom when zoomed: the tracked ones and those
    // opened from files or made from lists alike.
    connect(&m_children, &ChildWindows::added, this, [this](QWidget *window) {
        if (ChildWindow *child = childWindowOf(window); child && child->chart())
            connect(child->chart(), &Chart::zoomedIn, this, [this] { UndoZoom->setEnabled(true); });
    });
    connect(&m_children, &ChildWindows::closed, this, [this](ChildWindows::Kind kind) {
        if (kind == ChildWindows::Panel)
            ControlPanel1->setChecked(false);
        else if (kind == ChildWindows::RealTimeGraph)
            RealTimeGraph1->setChecked(false);
        else if (kind == ChildWindows::RealTimeList)
            RealTimeList1->setChecked(false);
        updateCommands();
    });
    updateCommands();
    resize(1024, 720);
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    m_run.stopPolling();
    // Child windows refer to the link; let them go first, without telling
    // the commands of each one (the area is half gone by then).
    m_children.blockSignals(true);
    disconnect(m_mdi, nullptr, this, nullptr);
    delete m_mdi;
    m_mdi = nullptr;
}

void TfrmMain::setStartupBox(TfrmAbout *box)
{
    m_startupBox = box;
}

QString TfrmMain::helpFilePath() const
{
    // Beside the program, or where an installation keeps it (P/bin/KV481
    // and P/share/kv481/KV481Help.htm).
    const QString folder = QFileInfo(m_options.programPath).absolutePath();
    const QString beside = folder + QStringLiteral("/KV481Help.htm");
    const QString installed = installedDataFolder(m_options.programPath) + QStringLiteral("/KV481Help.htm");
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? QFileInfo(installed).absoluteFilePath()
                                                                       : beside;
}

bool TfrmMain::openFile(const QString &path)
{
    return m_files.openPath(path);
}

QString TfrmMain::recordingFolder() const
{
    return m_options.recordingFolder.isEmpty() ? JournalFolder::defaultFolder() : m_options.recordingFolder;
}

void TfrmMain::FormCreate()
{
    m_settings = Settings::read(m_settingsLocation.readPath);
    m_link.setModel(m_settings.model);
    m_link.setPortIndex(m_settings.connectedPort);
    showSamplingRate(m_settings.samplingRate);
    m_journal = std::make_unique<RecordingJournal>(recordingFolder());
    m_journal->setEnabled(m_settings.journal);
    m_run.setJournal(m_journal.get());
    m_publish->setOptions(m_settings.publish);

    m_glyphs = loadGlyphs();

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width()) / 2, (s.height() - height()) / 2);
    }

    followPorts();
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The search lets events run; start it once the window is up.
    if (!m_showScheduled) {
        m_showScheduled = true;
        QTimer::singleShot(0, this, &TfrmMain::FormShow);
    }
}

void TfrmMain::FormShow()
{
    drawNow(this); // before the work below keeps it from painting
    keepStartupBoxInView(m_startupBox, this); // mapped below this window
    m_children.openPanel();
    OpenRealTimeGraph();
    if (m_startupBox)
        m_startupBox->Label4->setText(QStringLiteral("Initialing COM Port ...."));
    m_link.SearchMeter();
    m_portWatcher->start();
    m_run.startPolling();
    if (m_startupBox)
        m_startupBox->close();
    if (m_link.connected()) {
        m_link.requestFrame();
        if (TfrmPanel *p = panel())
            p->setNoConnection(false);
        setRecordingControls(true, false);
    } else if (TfrmPanel *p = panel()) {
        p->setNoConnection(true);
    }
    m_children.openRealTimeList(realTimeListPlace());
    if (TfrmPanel *p = panel())
        m_mdi->setActiveSubWindow(frameOf(p));
    offerRecovery();
    m_formShown = true;
    Q_EMIT shown();
}

QRect TfrmMain::realTimeGraphPlace() const
{
    const int height = (this->height() - (Panel1->height() + statusBar()->height() + 40)) / 2;
    return QRect(TfrmPanel::kWidth, 0, width() - TfrmPanel::kWidth - 20, height);
}

QRect TfrmMain::realTimeListPlace() const
{
    const QRect graph = realTimeGraphPlace();
    return QRect(graph.left(), graph.height(), graph.width(), graph.height() - 20);
}

void TfrmMain::OpenRealTimeGraph()
{
    m_children.openRealTimeGraph(m_settings.minScale, m_settings.maxScale, realTimeGraphPlace());
}

void TfrmMain::RealTimeGraph1Click()
{
    RealTimeGraph1->setChecked(true);
    if (!m_children.restore(ChildWindows::RealTimeGraph))
        OpenRealTimeGraph();
}

void TfrmMain::RealTimeList1Click()
{
    RealTimeList1->setChecked(true); // choosing it never takes the check away
    if (!m_children.restore(ChildWindows::RealTimeList))
        m_children.openRealTimeList(realTimeListPlace());
}

TfrmDataLogger *TfrmMain::openDataLoggerWindow(bool forDownload)
{
    if (m_children.restore(ChildWindows::DataLogger))
        return dataLoggerWindow();
    TfrmDataLogger *window = forDownload ? m_children.openDataLogger(&m_settings.mainTitle, &m_settings.subTitle)
                                         : m_children.openDataLogger(nullptr, nullptr);
    connect(window, &TfrmDataLogger::titlesChanged, this, [this](const QString &main, const QString &sub) {
        m_settings.mainTitle = main;
        m_settings.subTitle = sub;
    });
    return window;
}

void TfrmMain::setTransferring(bool on)
{
    for (QAction *a : {DataLogger1, Open1, Save1, Print1, PrinterSetup1, Exit1, Run1})
        a->setEnabled(!on);
    for (QWidget *w : {static_cast<QWidget *>(btnDataLogger), static_cast<QWidget *>(SpeedButton1),
                       static_cast<QWidget *>(SpeedButton2), static_cast<QWidget *>(btnPrint),
                       static_cast<QWidget *>(btnRun), static_cast<QWidget *>(ComboBoxDeviceName)})
        w->setEnabled(!on);
    if (!on) {
        // A download needs a meter, so Run and Stop were offered; Stop may
        // have been used meanwhile.
        setRecordingControls(!m_recorder.recording(), m_recorder.recording());
        updateCommands();
    }
    if (TfrmPanel *p = panel())
        p->setEnabled(!on);
    // Each look at the system's ports would hold up the next block.
    if (m_portWatcher)
        m_portWatcher->setPaused(on);
}

void TfrmMain::updateCommands()
{
    QWidget *active = m_children.activeChild();
    ChildWindow *child = childWindowOf(active);
    const bool graph = qobject_cast<TfrmGraph *>(active) != nullptr;
    const bool dataLogger = qobject_cast<TfrmDataLogger *>(active) != nullptr;
    auto *list = qobject_cast<TfrmList *>(active);
    // Graphs, lists and the data-logger window print and save; a list read
    // from a file can become a graph.
    const bool acts = graph || list || dataLogger;
    Print1->setEnabled(acts);
    btnPrint->setEnabled(acts);
    Save1->setEnabled(acts);
    SpeedButton2->setEnabled(acts);
    btnToGraph->setEnabled(list && !list->isRealTime());
    UndoZoom->setEnabled(child && child->chart() && child->chart()->isZoomed());
}

void TfrmMain::btnClearClick()
{
    m_recorder.clear(); // the run's journal ends with it
    updateCommands(); // the clear forgot any zoom
}

void TfrmMain::UndoZoomClick()
{
    if (ChildWindow *child = childWindowOf(m_children.activeChild())) {
        if (Chart *chart = child->chart())
            chart->undoZoom();
    }
    UndoZoom->setEnabled(false);
}

void TfrmMain::Range1Click()
{
    ChildWindow *child = childWindowOf(m_children.activeChild());
    Range1Command(m_prompt, realTimeGraph() ? realTimeGraph()->PESGraph1 : nullptr, child ? child->chart() : nullptr,
                  m_settings.maxScale, m_settings.minScale);
    updateCommands(); // a new range forgets the zoom
}

void TfrmMain::GraphCustomization1Click()
{
    if (TfrmGraph *graph = realTimeGraph()) {
        graph->PESGraph1->customize();
        graph->PESGraph1->resetImage();
    }
}

void TfrmMain::Print1Click()
{
    m_print.Print1Click();
}

void TfrmMain::PrinterSetup1Click()
{
    m_print.PrinterSetup1Click();
}

void TfrmMain::Open1Click()
{
    m_files.Open1Click();
}

void TfrmMain::btnToGraphClick()
{
    m_files.btnToGraphClick();
}

FileCommandContext TfrmMain::fileCommandContext()
{
    FileCommandContext c;
    c.activeChild = [this] { return m_children.activeChild(); };
    c.addChild = [this](QWidget *window) { return m_children.add(window); };
    c.unit = [this] {
        const bool realTime = realTimeGraph() && m_children.activeChild() == realTimeGraph();
        return realTime && !m_recorder.graphUnit().isEmpty() ? m_recorder.graphUnit() : m_run.latest().reading.unit1;
    };
    c.model = [this] { return m_link.model(); };
    c.realTimePointCount = [this] { return m_recorder.state().realTimePointCount; };
    c.minScale = [this] { return m_settings.minScale; };
    c.maxScale = [this] { return m_settings.maxScale; };
    c.programFolder = QFileInfo(m_options.programPath).absolutePath();
    c.graphTemplate = GraphTemplate::locate(m_options.programPath);
    c.dialogParent = this;
    return c;
}

void TfrmMain::DataLogger1Click()
{
    m_dataLogger.DataLogger1Click();
}

void TfrmMain::OpenRecordingFolder1Click()
{
    auto open = m_options.openUrl ? m_options.openUrl : [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    openRecordingFolder(recordingFolder(), open, m_prompt);
}

void TfrmMain::offerRecovery()
{
    if (m_settings.journal)
        kv::offerRecovery(recordingFolder(), m_prompt, [this](const QString &path) { m_files.ReadTextIntoList(path); });
}

void TfrmMain::ControlPanel1Click()
{
    ControlPanel1->setChecked(true);
    if (TfrmPanel *p = panel()) {
        p->frameWidget()->showNormal();
        p->frameWidget()->raise();
        return;
    }
    m_children.openPanel();
    m_link.RecogniseModel(QByteArray::number(m_link.model()) + '\0');
    panel()->setNoConnection(!m_link.connected());
}

void TfrmMain::About1Click()
{
    if (!m_about)
        m_about = new TfrmAbout(this);
    m_about->exec();
    delete m_about;
}

void TfrmMain::Contents1Click()
{
    HelpWindow::showGuide(m_help, helpFilePath(), m_options.openUrl, m_prompt, this);
}

void TfrmMain::btnRunClick()
{
    m_recorder.run();
}

void TfrmMain::btnPauseClick()
{
    m_recorder.stop();
    if (QMdiSubWindow *sw = frameOf(realTimeGraph()))
        sw->showNormal();
}

void TfrmMain::setRecordingControls(bool runEnabled, bool stopEnabled)
{
    btnRun->setEnabled(runEnabled);
    Run1->setEnabled(runEnabled);
    btnPause->setEnabled(stopEnabled);
    Stop1->setEnabled(stopEnabled);
}

void TfrmMain::showSamplingRate(int seconds)
{
    const Settings::RateBoxes boxes = Settings::rateBoxes(seconds);
    cmbMinute->setCurrentIndex(boxes.minutes);
    cmbSecond->setCurrentIndex(boxes.seconds);
    m_recorder.setSamplingRate(seconds);
}

void TfrmMain::cmbMinuteChange()
{
    int rate = cmbMinute->currentIndex() * 60 + cmbSecond->currentIndex();
    if (cmbMinute->currentIndex() <= 0 && cmbSecond->currentIndex() <= 0) {
        cmbSecond->setCurrentIndex(1);
        rate = 1;
    }
    m_recorder.setSamplingRate(rate);
}

void TfrmMain::Com1Click(int n)
{
    m_link.SelectPort(n);
}

void TfrmMain::Exit1Click()
{
    // Ends the program as closing the window does: the settings are kept
    // and the recording's journal ends normally.
    if (!close())
        return;
    if (m_options.exitHandler)
        m_options.exitHandler();
    else
        QCoreApplication::exit(0);
}

void TfrmMain::FormClose()
{
    // The polling stops first: no reading may be recorded after the
    // journal's normal end, not even while a message below is shown.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_link.waitForTick();
    m_run.stopPolling();
    QApplication::restoreOverrideCursor();
    // The one normal end of a recording's journal.
    m_journal->finish();
    m_settings.model = m_link.model();
    m_settings.connectedPort = m_link.portIndex();
    m_settings.samplingRate = m_recorder.samplingRate();
    m_settings.publish = m_publish->options();
    m_publish->stop(); // "offline" for the broker's subscribers
    QString error;
    if (!Settings::write(m_settingsLocation.writePath, m_settings, &error))
        m_prompt.error(error);

    m_Comm2.close();
    m_glyphs.clear();
}

} // namespace kv
