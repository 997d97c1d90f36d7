// The main window's menu bar, tool bar and status bar: every control with
// its caption, hint, name and starting state, wired to its handler, and
// what the link reports wired to the controls that show it.

#include "app/ElidedLabel.h"
#include "app/GraphViewCommands.h"
#include "app/TfrmMain.h"
#include "app/WatchWiring.h"
#include "app/WholeRunCommand.h"
#include "files/ui/CompareCommands.h"
#include "views/ChildWindow.h"
#include "views/NoteCommands.h"
#include "views/PictureCommands.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace kv {

void TfrmMain::buildMenus()
{
    auto action = [](QMenu *menu, const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    Open1 = action(file, "Open1", QStringLiteral("&Open"));
    Save1 = action(file, "Save1", QStringLiteral("&Save"));
    connect(Open1, &QAction::triggered, this, &TfrmMain::Open1Click);
    connect(Save1, &QAction::triggered, this, &TfrmMain::Save1Click);
    Print1 = action(file, "Print1", QStringLiteral("&Print"));
    connect(Print1, &QAction::triggered, this, &TfrmMain::Print1Click);
    // "&Print" holds P; the setup takes the next free letter of its own.
    PrinterSetup1 = action(file, "PrinterSetup1", QStringLiteral("Printer Set&up"));
    connect(PrinterSetup1, &QAction::triggered, this, &TfrmMain::PrinterSetup1Click);
    {
        // Graph pictures: the active graph's from here, and each graph's
        // own from its context menu.
        auto *pictures = new PictureCommands(
            m_prompt,
            [this] {
                ChildWindow *child = childWindowOf(m_children.activeChild());
                return child ? child->chart() : nullptr;
            },
            this, this);
        pictures->setObjectName(QStringLiteral("PictureCommands"));
        QAction *exportPicture = action(file, "ExportPicture1", QStringLiteral("&Export Picture\u2026"));
        QAction *copyPicture = action(file, "CopyPicture1", QStringLiteral("&Copy Picture"));
        connect(exportPicture, &QAction::triggered, pictures, &PictureCommands::ExportPicture1Click);
        connect(copyPicture, &QAction::triggered, pictures, &PictureCommands::CopyPicture1Click);
        const auto follow = [this, exportPicture, copyPicture] {
            ChildWindow *child = childWindowOf(m_children.activeChild());
            const bool graph = child && child->chart();
            exportPicture->setEnabled(graph);
            copyPicture->setEnabled(graph);
        };
        follow();
        connect(m_mdi, &QMdiArea::subWindowActivated, pictures, follow);
        connect(&m_children, &ChildWindows::added, pictures, [pictures](QWidget *window) {
            if (ChildWindow *child = childWindowOf(window); child && child->chart())
                pictures->installOn(*child->chart());
        });
    }
    {
        // Comparing two runs, from each graph's context menu.
        auto *compare = new CompareCommands(m_prompt, this, this);
        compare->setObjectName(QStringLiteral("CompareCommands"));
        connect(&m_children, &ChildWindows::added, compare, [compare](QWidget *window) {
            if (ChildWindow *child = childWindowOf(window); child && child->chart())
                compare->installOn(*child->chart());
        });
    }
    OpenRecordingFolder1 = action(file, "OpenRecordingFolder1", QStringLiteral("Open &Recording Folder"));
    connect(OpenRecordingFolder1, &QAction::triggered, this, &TfrmMain::OpenRecordingFolder1Click);
    file->addSeparator();
    Exit1 = action(file, "Exit1", QStringLiteral("E&xit"));
    connect(Exit1, &QAction::triggered, this, &TfrmMain::Exit1Click);

    QMenu *realTime = bar->addMenu(QStringLiteral("&Real Time"));
    Run1 = action(realTime, "Run1", QStringLiteral("Run"));
    Stop1 = action(realTime, "Stop1", QStringLiteral("Stop"));
    Run1->setEnabled(false);
    Stop1->setEnabled(false);
    connect(Run1, &QAction::triggered, this, &TfrmMain::btnRunClick);
    connect(Stop1, &QAction::triggered, this, &TfrmMain::btnPauseClick);
    {
        // Notes on the run's time line, and on every graph's from its context menu.
        auto *notes = new NoteCommands(m_prompt, m_run, [this] { return m_recorder.graph(); }, this);
        notes->setObjectName(QStringLiteral("NoteCommands"));
        realTime->addSeparator();
        QAction *addNote = action(realTime, "AddNote1", QStringLiteral("Add &Note\u2026"));
        addNote->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
        connect(addNote, &QAction::triggered, notes, &NoteCommands::AddNote1Click);
        connect(&m_children, &ChildWindows::added, notes, [notes](QWidget *window) {
            if (ChildWindow *child = childWindowOf(window); child && child->chart())
                notes->installOn(*child->chart());
        });
    }

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    DataLogger1 = action(view, "DataLogger1", QStringLiteral("&Data Logger"));
    connect(DataLogger1, &QAction::triggered, this, &TfrmMain::DataLogger1Click);
    ControlPanel1 = action(view, "ControlPanel1", QStringLiteral("&Control Panel"));
    ControlPanel1->setCheckable(true);
    connect(ControlPanel1, &QAction::triggered, this, [this] { ControlPanel1Click(); });
    RealTimeGraph1 = action(view, "RealTimeGraph1", QStringLiteral("Real Time &Graph"));
    RealTimeGraph1->setCheckable(true);
    connect(RealTimeGraph1, &QAction::triggered, this, &TfrmMain::RealTimeGraph1Click);
    RealTimeList1 = action(view, "RealTimeList1", QStringLiteral("Real Time List"));
    RealTimeList1->setCheckable(true);
    connect(RealTimeList1, &QAction::triggered, this, &TfrmMain::RealTimeList1Click);
    {
        // Every sample of the run, however long.
        auto *wholeRun = new WholeRunCommand(*this, m_prompt, this);
        QAction *wholeRun1 = action(view, "WholeRun1", QStringLiteral("&Whole Run"));
        wholeRun1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
        connect(wholeRun1, &QAction::triggered, wholeRun, &WholeRunCommand::WholeRun1Click);
    }
    LinkTest1 = action(view, "LinkTest1", QStringLiteral("&LinkTest"));
    LinkTest1->setVisible(false);
    RS2321 = view->addMenu(QStringLiteral("&COM Port"));
    RS2321->setObjectName(QStringLiteral("RS2321"));
    for (int n = 1; n <= 8; ++n) {
        QAction *a = RS2321->addAction(QStringLiteral("Com%1").arg(n));
        a->setObjectName(QStringLiteral("Com%1").arg(n) + QLatin1Char('1'));
        a->setCheckable(true);
        a->setEnabled(false);
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, n] { Com1Click(n); });
        ComItems[n - 1] = a;
    }
    RS2321->menuAction()->setVisible(false);
    RS2321->menuAction()->setEnabled(false);

    QMenu *option = bar->addMenu(QStringLiteral("&Option"));
    Range1 = action(option, "Range1", QStringLiteral("&Range"));
    GraphCustomization1 = action(option, "GraphCustomization1", QStringLiteral("&Graph Customization"));
    connect(Range1, &QAction::triggered, this, &TfrmMain::Range1Click);
    connect(GraphCustomization1, &QAction::triggered, this, &TfrmMain::GraphCustomization1Click);
    installGraphView(*this, option);
    buildPublishing(option);
    // Alarm limits, the watchdog and the rate of rise: a room of their own.
    installWatch(*this, option);

    buildWindowMenu();

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    Contents1 = action(help, "Contents1", QStringLiteral("&Contents"));
    About1 = action(help, "About1", QStringLiteral("&About"));
    connect(Contents1, &QAction::triggered, this, &TfrmMain::Contents1Click);
    connect(About1, &QAction::triggered, this, &TfrmMain::About1Click);

    // Qt's standard keys where the desktop has one, plain keys elsewhere.
    Open1->setShortcuts(QKeySequence::Open);
    Save1->setShortcuts(QKeySequence::Save);
    Print1->setShortcuts(QKeySequence::Print);
    Exit1->setShortcuts(QKeySequence::Quit);
    if (Exit1->shortcut().isEmpty())
        Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Contents1->setShortcuts(QKeySequence::HelpContents);
    Run1->setShortcut(QKeySequence(Qt::Key_F5));
    Stop1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    DataLogger1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    RealTimeGraph1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    RealTimeList1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
}

void TfrmMain::buildToolBar()
{
    Panel1 = addToolBar(QStringLiteral("Tools"));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMovable(false);
    Panel1->setIconSize(QSize(24, 24));
    // A hint names the key that does the same, as the menu does.
    auto button = [this](const char *name, const char *icon, const QString &hint, QAction *same = nullptr,
                         const QKeySequence &key = {}) {
        auto *b = new QToolButton(Panel1);
        b->setObjectName(QLatin1String(name));
        if (icon)
            b->setIcon(QIcon(QStringLiteral(":/icons/") + QLatin1String(icon)));
        const QKeySequence shown = same && key.isEmpty() ? same->shortcut() : key;
        b->setToolTip(shown.isEmpty() ? hint
                                      : hint + QStringLiteral(" (%1)").arg(shown.toString(QKeySequence::NativeText)));
        b->setAccessibleName(hint);
        b->setAutoRaise(true);
        if (same)
            connect(b, &QToolButton::clicked, same, &QAction::trigger);
        Panel1->addWidget(b);
        return b;
    };
    SpeedButton1 = button("SpeedButton1", "open", QStringLiteral("Open File"), Open1);
    SpeedButton2 = button("SpeedButton2", "save", QStringLiteral("Save to file"), Save1);
    btnPrint = button("btnPrint", "print", QStringLiteral("Print"), Print1);
    Panel1->addSeparator();
    btnRun = button("btnRun", "run", QStringLiteral("Start Graphing Real Time Data"), nullptr, Run1->shortcut());
    btnPause = button("btnPause", "stop", QStringLiteral("Stop Graphing Real Time Data"), nullptr, Stop1->shortcut());
    btnRun->setEnabled(false);
    btnPause->setEnabled(false);
    connect(btnRun, &QToolButton::clicked, this, &TfrmMain::btnRunClick);
    connect(btnPause, &QToolButton::clicked, this, &TfrmMain::btnPauseClick);
    btnDataLogger = button("btnDataLogger", "datalogger", QStringLiteral("Data Logger"), DataLogger1);
    btnClear = button("btnClear", "clear", QStringLiteral("clear and reset graph"));
    connect(btnClear, &QToolButton::clicked, this, &TfrmMain::btnClearClick);
    const QKeySequence toGraphKey(Qt::CTRL | Qt::SHIFT | Qt::Key_G);
    btnToGraph = button("btnToGraph", "tograph", QStringLiteral("Output Data to Graph"), nullptr, toGraphKey);
    btnToGraph->setShortcut(toGraphKey);
    connect(btnToGraph, &QToolButton::clicked, this, &TfrmMain::btnToGraphClick);
    Panel1->addSeparator();

    StaticText1 = new QLabel(QStringLiteral("Sampling Rate"), Panel1);
    StaticText1->setContentsMargins(6, 0, 6, 0);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    Panel1->addWidget(StaticText1);
    QStringList values;
    for (int i = 0; i <= 60; ++i)
        values << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    auto combo = [this, &values](const char *name) {
        auto *c = new QComboBox(Panel1);
        c->setObjectName(QLatin1String(name));
        c->addItems(values);
        c->setMaxVisibleItems(12);
        c->setAccessibleName(QLatin1String(name) == QLatin1String("cmbMinute") ? QStringLiteral("Sampling rate minutes")
                                                                                : QStringLiteral("Sampling rate seconds"));
        connect(c, &QComboBox::activated, this, &TfrmMain::cmbMinuteChange);
        Panel1->addWidget(c);
        return c;
    };
    cmbMinute = combo("cmbMinute");
    Label2 = new QLabel(QStringLiteral("MM"), Panel1);
    Label2->setContentsMargins(4, 0, 6, 0);
    Label2->setBuddy(cmbMinute);
    Label2->setObjectName(QStringLiteral("Label2"));
    Panel1->addWidget(Label2);
    cmbSecond = combo("cmbSecond");
    Label3 = new QLabel(QStringLiteral("SS"), Panel1);
    Label3->setContentsMargins(4, 0, 6, 0);
    Label3->setBuddy(cmbSecond);
    Label3->setObjectName(QStringLiteral("Label3"));
    Panel1->addWidget(Label3);
    Panel1->addSeparator();

    const QKeySequence undoZoomKey(Qt::CTRL | Qt::Key_Z);
    UndoZoom = button("UndoZoom", nullptr, QStringLiteral("Clear Graph"), nullptr, undoZoomKey);
    UndoZoom->setText(QStringLiteral("Undo Zoom"));
    UndoZoom->setShortcut(undoZoomKey); // after the text, which would set a mnemonic of its own
    UndoZoom->setToolButtonStyle(Qt::ToolButtonTextOnly);
    UndoZoom->setAccessibleName(UndoZoom->text());
    UndoZoom->setAccessibleDescription(UndoZoom->toolTip());
    UndoZoom->setEnabled(false);
    connect(UndoZoom, &QToolButton::clicked, this, &TfrmMain::UndoZoomClick);
    Panel1->addSeparator();

    ComboBoxDeviceName = new QComboBox(Panel1);
    ComboBoxDeviceName->setObjectName(QStringLiteral("ComboBoxDeviceName"));
    ComboBoxDeviceName->setMinimumContentsLength(14);
    ComboBoxDeviceName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ComboBoxDeviceName->setToolTip(QStringLiteral("Serial port of the meter"));
    ComboBoxDeviceName->setAccessibleName(QStringLiteral("Serial port"));
    connect(ComboBoxDeviceName, &QComboBox::activated, &m_link, &MeterLink::choosePort);
    Panel1->addWidget(ComboBoxDeviceName);
}

void TfrmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setMinimumWidth(220);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPortProblem = new QLabel(bar);
    StatusPortProblem->setObjectName(QStringLiteral("StatusPortProblem"));
    StatusPortProblem->setAccessibleName(QStringLiteral("Port problem"));
    StatusPortProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatusPortProblem->hide();
    StatusPortDetails = new QLabel(bar);
    StatusPortDetails->setObjectName(QStringLiteral("StatusPortDetails"));
    StatusPortDetails->setAccessibleName(QStringLiteral("Serial port details"));
    StatusPortDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatusPortDetails->hide();
    bar->addWidget(StatusPanel0);
    bar->addWidget(StatusPortDetails);
    bar->addWidget(StatusPanel1, 1);
    bar->addWidget(StatusPortProblem, 3);
    // Stays until the recording ends (cleared or closed): the rows after
    // it live only in the list.
    StatusJournalProblem = new ElidedLabel(bar);
    StatusJournalProblem->setObjectName(QStringLiteral("StatusJournalProblem"));
    StatusJournalProblem->setAccessibleName(QStringLiteral("Safety copy problem"));
    StatusJournalProblem->setStyleSheet(QStringLiteral("QLabel { color: #c00000; font-weight: bold; }"));
    StatusJournalProblem->hide();
    bar->addPermanentWidget(StatusJournalProblem, 4);
    StatusRunProblem = new ElidedLabel(bar);
    StatusRunProblem->setObjectName(QStringLiteral("StatusRunProblem"));
    StatusRunProblem->setAccessibleName(QStringLiteral("Recording stopped"));
    StatusRunProblem->setStyleSheet(StatusJournalProblem->styleSheet());
    StatusRunProblem->hide();
    bar->addPermanentWidget(StatusRunProblem, 4);
}

void TfrmMain::connectLink()
{
    connect(&m_link, &MeterLink::portListChanged, this, [this](const QStringList &entries, int selected) {
        QSignalBlocker block(ComboBoxDeviceName);
        if (ComboBoxDeviceName->count() != entries.size()) {
            ComboBoxDeviceName->clear();
            ComboBoxDeviceName->addItems(entries);
        }
        // Each entry says what the system knows of it; the by-id name is in its tip.
        for (int i = 0; i < entries.size(); ++i) {
            const PortInfo info = m_link.portInfo(i);
            ComboBoxDeviceName->setItemText(i, info.entry == entries.at(i) ? info.label() : entries.at(i));
            ComboBoxDeviceName->setItemData(i, info.byId.isEmpty() ? info.device : info.byId, Qt::ToolTipRole);
        }
        ComboBoxDeviceName->setCurrentIndex(selected);
    });
    connect(&m_link, &MeterLink::portStatusChanged, StatusPanel0, &QLabel::setText);
    connect(&m_link, &MeterLink::portDetailsChanged, this, [this](const QString &details) {
        StatusPortDetails->setText(details);
        StatusPortDetails->setVisible(!details.isEmpty());
    });
    // What keeps the port asked for from working stays in view until the
    // port opens, a meter answers or the user picks a port.
    connect(&m_link, &MeterLink::askedPortProblemChanged, this, [this](const QString &why) {
        StatusPortProblem->setText(why);
        StatusPortProblem->setVisible(!why.isEmpty());
    });
    connect(&m_link, &MeterLink::connectionStatusChanged, StatusPanel1, &QLabel::setText);
    connect(&m_link, &MeterLink::noConnectionChanged, this, [this](bool shown) {
        if (TfrmPanel *p = panel())
            p->setNoConnection(shown);
    });
    connect(&m_recorder, &RealTimeRecorder::controlsChanged, this, &TfrmMain::setRecordingControls);
    // The recording goes on without its safety copy; the user learns that it stopped.
    connect(&m_run, &LiveRun::journalFailed, this, [this](const QString &why) {
        StatusJournalProblem->setFullText(QStringLiteral("Safety copy stopped: ") + why);
        StatusJournalProblem->show();
    });
    // Another meter answered: the recording stopped, and says so until Run.
    // The port's details give it the room: the message names the ports.
    connect(&m_run, &LiveRun::runStopped, this, [this](const QString &why) {
        StatusRunProblem->setFullText(why);
        StatusRunProblem->show();
        StatusPortDetails->hide();
    });
    // Emptied by Clear or for another meter's run: nothing of it is saved
    // yet, and its journal starts afresh.
    connect(&m_run, &LiveRun::runCleared, this, [this] {
        forgetSavedRows();
        StatusJournalProblem->hide();
    });
    connect(&m_run, &LiveRun::recordingChanged, this, [this](bool on) {
        if (on && StatusRunProblem->isVisible()) {
            StatusRunProblem->hide();
            StatusPortDetails->setVisible(!StatusPortDetails->text().isEmpty());
        }
    });
    connect(&m_link, &MeterLink::portItemChecked, this, [this](int index) {
        for (int i = 0; i < 8; ++i)
            ComItems[i]->setChecked(i == index);
    });
    connect(&m_link, &MeterLink::modelRecognised, this, [this](int model) {
        if (TfrmPanel *p = panel())
            p->applyModelLayout(model);
    });
    connect(&m_link, &MeterLink::frameDecoded, this, [this](const Reading &previous) {
        if (TfrmPanel *p = panel())
            p->applyFrame(previous, m_link.reading(), m_link.model());
    });
    connect(&m_link, &MeterLink::busy, this, [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    connect(&m_link, &MeterLink::searchFinished, this, [this] {
        if (m_startupBox)
            m_startupBox->close();
    });
}

} // namespace kv
