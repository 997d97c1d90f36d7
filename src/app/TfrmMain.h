#pragma once
// The program's frame window: menus, tool bar, status bar, the serial port
// and the poll timer, and the multiple-document area holding every child
// window. It lives for the whole run.

#include "app/ChildWindows.h"
#include "app/FolderMemory.h"
#include "app/QtPrompt.h"
#include "app/Settings.h"
#include "app/TfrmAbout.h"
#include "files/ui/FileCommands.h"
#include "journal/RecordingJournal.h"
#include "logger/ui/DataLoggerCommand.h"
#include "print/PrintCommands.h"
#include "link/MeterLink.h"
#include "link/PortWatcher.h"
#include "link/QtSerialPort.h"
#include "panel/TfrmPanel.h"
#include "views/GraphSetup.h"
#include "views/RealTimeRecorder.h"
#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace kv {

class Clock;
class ElidedLabel;
class HelpWindow;
class PublishCommand;

struct MainOptions
{
    QString programPath;       // the settings file and the help file lie beside it
    QStringList extraPorts;    // devices put before the system's ports
    bool systemPorts = true;   // list the ports the system registers
    QStringList portFolders;   // also list the serial devices linked from these folders
    PortEnumerator *ports = nullptr; // the system's ports (and portFolders') when not given
    Clock *clock = nullptr;    // the system clock when not given
    Prompt *prompt = nullptr;  // Qt dialogs when not given
    std::function<void()> exitHandler;          // "E&xit", once the window has closed: ends the program
    std::function<bool(const QUrl &)> openUrl;  // the system's browser and file manager
    QString recordingFolder;   // where journals of recordings go; the per-user folder when empty
};

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(MainOptions options, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The start-up box to close once the search is done.
    void setStartupBox(TfrmAbout *box);

    MeterLink &link() { return m_link; }
    QtSerialPort &port() { return m_Comm2; }
    QMdiArea *mdiArea() const { return m_mdi; }
    ChildWindows &children() { return m_children; }
    RealTimeRecorder &recorder() { return m_recorder; }
    LiveRun &liveRun() { return m_run; }
    TfrmPanel *panel() const { return m_children.panel(); }
    TfrmGraph *realTimeGraph() const { return m_children.realTimeGraph(); }
    TfrmList *realTimeList() const { return m_children.realTimeList(); }
    TfrmDataLogger *dataLoggerWindow() const { return m_children.dataLogger(); }
    DataLoggerCommand &dataLogger() { return m_dataLogger; }
    FileCommands &files() { return m_files; }
    PrintCommands &printing() { return m_print; }
    const GraphTemplate &graphTemplate() const { return m_template; }
    // The multiple-document frame around a child window.
    static QMdiSubWindow *frameOf(QWidget *child) { return ChildWindows::frameOf(child); }
    QTimer &timer() { return m_run.timer(); }
    Clock &clock() { return m_clock; }
    const SettingsValues &settings() const { return m_settings; }
    const FolderMemory &folders() const { return m_folderMemory; }
    QString settingsPath() const { return m_settingsLocation.writePath; }
    QString helpFilePath() const;
    QString recordingFolder() const;
    // The journal of the live recording (once the window is created).
    RecordingJournal *journal() const { return m_journal.get(); }
    // Opens a file given on the command line as Open would: a collection
    // file (.rec) in the data-logger window. False when it was not shown
    // (the user has been told why).
    bool openFile(const QString &path);
    bool formShown() const { return m_formShown; }
    // Data rows of the real-time list that no save has written yet: all of
    // them when any is unsaved, else 0.
    int unsavedRecordedRows() const;
    // "Publish Readings…": live readings to an MQTT broker.
    PublishCommand &publishing() { return *m_publish; }

    // Menu and tool-bar controls, by their names.
    QAction *Open1, *Save1, *Print1, *PrinterSetup1, *OpenRecordingFolder1, *Exit1;
    QAction *Run1, *Stop1;
    QAction *DataLogger1, *ControlPanel1, *RealTimeGraph1, *RealTimeList1, *LinkTest1;
    QMenu *RS2321;
    QAction *ComItems[8];
    QAction *Range1, *GraphCustomization1;
    QAction *PublishReadings1 = nullptr;
    QLabel *StatusMqtt = nullptr; // the broker's state in words; hidden while publishing is off
    QMenu *Window1;
    QAction *Tile1, *Cascade1;
    QAction *NextWindow1, *PreviousWindow1, *CloseWindow1;
    QAction *Contents1, *About1;
    QToolBar *Panel1;
    QToolButton *SpeedButton1, *SpeedButton2, *btnPrint, *btnRun, *btnPause, *btnDataLogger, *btnClear,
        *btnToGraph, *UndoZoom;
    QLabel *StaticText1, *Label2, *Label3;
    QComboBox *cmbMinute, *cmbSecond, *ComboBoxDeviceName;
    QLabel *StatusPanel0, *StatusPanel1;
    QLabel *StatusPortProblem; // why the port asked for does not work; hidden while nothing is wrong
    QLabel *StatusPortDetails; // what the system says of the port in use; hidden when it says nothing
    ElidedLabel *StatusJournalProblem; // in red, why the recording's safety copy stopped; hidden while it is kept
    ElidedLabel *StatusRunProblem; // in red, why the recording stopped on its own; hidden from the next Run
    PortWatcher *portWatcher() const { return m_portWatcher.get(); }

Q_SIGNALS:
    // FormShow has run: the search is over and the timer runs.
    void shown();

public Q_SLOTS:
    void Exit1Click();
    void ControlPanel1Click();
    void About1Click();
    void Contents1Click();
    void btnRunClick();
    void btnPauseClick();
    void cmbMinuteChange();
    void Com1Click(int n);
    void OpenRealTimeGraph();
    void RealTimeGraph1Click();
    void RealTimeList1Click();
    void btnClearClick();
    void UndoZoomClick();
    void Range1Click();
    void GraphCustomization1Click();
    void Print1Click();
    void PrinterSetup1Click();
    void Open1Click();
    void Save1Click();
    void btnToGraphClick();
    void DataLogger1Click();
    void OpenRecordingFolder1Click();
    // Enables the commands that act on the active child window.
    void updateCommands();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildWindowMenu();
    void buildPublishing(QMenu *option);
    void buildToolBar();
    // The child windows on show, in the order they were opened.
    QList<QMdiSubWindow *> openChildren() const;
    // Makes the next (step 1) or previous (-1) child window the active one.
    void activateNextChild(int step);
    // The list of open windows at the foot of the Window menu.
    void fillWindowMenu();
    void buildStatusBar();
    void connectLink();
    void FormCreate();
    void FormShow();
    void FormClose();
    // Where start-up puts the real-time graph and list.
    QRect realTimeGraphPlace() const;
    QRect realTimeListPlace() const;
    void setRecordingControls(bool runEnabled, bool stopEnabled);
    // What the Open, Save and Output Data to Graph commands use of this window.
    FileCommandContext fileCommandContext();
    void showSamplingRate(int seconds);
    // The data-logger window, created (placed over the client area) or
    // restored.
    TfrmDataLogger *openDataLoggerWindow(bool forDownload);
    // While the logger memory comes in, what could disturb the transfer
    // is unavailable.
    void setTransferring(bool on);
    // Closing with recorded rows that no save has written asks whether to
    // save them first; false when the window is to stay open.
    bool keepRecordingBeforeClose();
    // After Discard: where the journal keeps the readings, and how many.
    void tellWhereReadingsStay();
    // The real-time list's Save; true once all its rows are in a file.
    bool saveRealTimeList();
    // Saves what closing would lose: the real-time list while it holds the
    // whole run, else the run's rows.
    bool saveRecording();
    // Every row of the run into a file (the whole-run graph's Save); true
    // once all of them are in it.
    bool saveRunRows();
    // The real-time list was cleared or opened anew.
    void forgetSavedRows();
    // Recordings that a crash or a hasty exit left unfinished: offered for
    // opening as list windows.
    void offerRecovery();
    // The port list that follows the system: filled now, kept up to date
    // once the start-up search is over.
    void followPorts();

    MainOptions m_options;
    Clock &m_clock;
    QtPrompt m_qtPrompt;
    FolderMemory m_folderMemory; // the file dialogs' folders, over the prompt given
    Prompt &m_prompt;
    QMdiArea *m_mdi;
    ChildWindows m_children;
    QtSerialPort m_Comm2;
    MeterLink m_link;
    LiveRun m_run; // owns the poll timer, ThTimer1
    RealTimeRecorder m_recorder;
    DataLoggerCommand m_dataLogger;
    FileCommands m_files;
    PrintCommands m_print;
    QVector<QPixmap> m_glyphs;
    Settings::Location m_settingsLocation;
    SettingsValues m_settings;
    std::unique_ptr<RecordingJournal> m_journal;
    std::unique_ptr<PortEnumerator> m_systemPorts;
    std::unique_ptr<PortWatcher> m_portWatcher;
    std::unique_ptr<PublishCommand> m_publish;

    GraphTemplate m_template;
    QPointer<TfrmAbout> m_about;
    QPointer<HelpWindow> m_help;
    QPointer<TfrmAbout> m_startupBox;
    QAction *m_windowListStart = nullptr; // the separator above the list of windows
    bool m_formShown = false;
    int m_savedRunRows = 0; // the run's rows when a save last held them all
    bool m_showScheduled = false;
};

} // namespace kv
