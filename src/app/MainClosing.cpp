// What closing the main window does with a recording nobody saved: the
// question Save, Discard or Cancel, and keeping track of which rows of the
// real-time list a save has written.

#include "app/TfrmMain.h"

#include "common/FileNames.h"
#include "journal/JournalFolder.h"
#include "views/TfrmWholeRun.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kv {

int TfrmMain::unsavedRecordedRows() const
{
    // The recording is the run's rows: the real-time list shows all of them,
    // or, opened again after it was closed, the newest.
    const int rows = m_run.rows().count();
    return rows == m_savedRunRows ? 0 : rows;
}

void TfrmMain::forgetSavedRows()
{
    m_savedRunRows = 0;
}

bool TfrmMain::saveRealTimeList()
{
    TfrmList *list = realTimeList();
    if (!list)
        return false;
    const int rows = list->grid()->RowCount() - 1;
    // A range of the rows in a file leaves the others unsaved.
    if (!m_files.WriteGridText(*list->grid(), list->suggestedFileName(), {}, list->notes())
        || !m_files.wroteWholeGrid())
        return false;
    // A list that has shown the run from its start holds all its rows.
    if (rows == m_run.rows().count())
        m_savedRunRows = rows;
    return true;
}

bool TfrmMain::saveRecording()
{
    const RunRows &run = m_run.rows();
    if (TfrmList *list = realTimeList(); list && list->grid()->RowCount() - 1 == run.count()) {
        m_children.restore(ChildWindows::RealTimeList);
        return saveRealTimeList();
    }
    // The list was closed, or opened again since: the run's rows, the same table.
    return saveRunRows();
}

bool TfrmMain::saveRunRows()
{
    const RunRows &run = m_run.rows();
    if (run.isEmpty()) {
        m_prompt.information(QStringLiteral("Nothing has been recorded yet."));
        return false;
    }
    // Rows that left memory are read back from the journal: a save that
    // could not read them all would pass for the whole run.
    if (const QString lost = run.readBackError(); !lost.isEmpty()) {
        m_prompt.error(lost + QStringLiteral(" The recording was not saved."));
        return false;
    }
    const int rows = run.count();
    if (!m_files.WriteGridText(run, recordingFileName(run.startTime()), {}, m_run.notes()))
        return false;
    if (const QString lost = run.readBackError(); !lost.isEmpty()) {
        m_prompt.error(lost + QStringLiteral(" The file written lacks those readings."));
        return false;
    }
    if (m_files.wroteWholeGrid() && rows == run.count())
        m_savedRunRows = rows;
    return m_files.wroteWholeGrid();
}

void TfrmMain::tellWhereReadingsStay()
{
    const bool whole = m_journal->writing();
    m_journal->waitWritten();
    const QString path = m_journal->currentPath();
    const QString shown = QDir::toNativeSeparators(path);
    if (whole) {
        m_prompt.information(QStringLiteral("The readings stay in the recording folder, in\n%1").arg(shown));
        return;
    }
    // The copy stopped (a full disk, say): only what reached the disk is kept.
    const qint64 kept = JournalFolder::scan(path).rows;
    if (kept > 0) {
        m_prompt.information(QStringLiteral("The safety copy of this recording had stopped: its first %1 readings "
                                            "stay in\n%2")
                                 .arg(kept)
                                 .arg(shown));
        return;
    }
    if (QFileInfo(path).size() == 0)
        QFile::remove(path);
    m_prompt.information(QStringLiteral("The safety copy of this recording had stopped before any reading reached "
                                        "the disk: its readings were not kept."));
}

bool TfrmMain::keepRecordingBeforeClose()
{
    if (unsavedRecordedRows() == 0)
        return true;
    // No reading comes in while the user decides and saves, so that what
    // is saved is the whole recording.
    const bool polling = m_run.polling();
    m_link.waitForTick();
    m_run.stopPolling();
    const int rows = unsavedRecordedRows();
    const QString text = rows == 1 ? QStringLiteral("Save the recording (1 reading) before closing?")
                                   : QStringLiteral("Save the recording (%1 readings) before closing?").arg(rows);
    switch (m_prompt.askSave(text)) {
    case Prompt::Keep::Save:
        if (saveRecording())
            return true;
        break; // not saved: the window stays, with its rows
    case Prompt::Keep::Discard:
        if (m_journal && !m_journal->currentPath().isEmpty())
            tellWhereReadingsStay();
        return true;
    case Prompt::Keep::Cancel:
        break;
    }
    if (polling)
        m_run.resumePolling();
    return false;
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    // A download in progress is cancelled first; the window closes once it
    // has let go of the port.
    if (m_dataLogger.transferring()) {
        event->ignore();
        m_dataLogger.cancel();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (!keepRecordingBeforeClose()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TfrmMain::Save1Click()
{
    // The real-time list's save is remembered: closing asks only of rows
    // that came in after it.
    if (realTimeList() && m_children.activeChild() == realTimeList())
        saveRealTimeList();
    else if (m_children.active<TfrmWholeRun>()) // the run's rows, every one
        saveRunRows();
    else
        m_files.Save1Click();
}

} // namespace kv
