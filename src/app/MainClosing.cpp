// What closing the main window does with a recording nobody saved: the
// question Save, Discard or Cancel, and keeping track of which rows of the
// real-time list a save has written.

#include "app/TfrmMain.h"

#include "common/FileNames.h"
#include "journal/JournalFolder.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kv {

int TfrmMain::unsavedRecordedRows() const
{
    const TfrmList *list = realTimeList();
    if (!list) {
        // The list took its rows along when it closed; the run keeps them.
        const int rows = m_run.rows().count();
        return rows == m_savedRunRows ? 0 : rows;
    }
    if (list->grid()->cell(0, 1).isEmpty())
        return 0; // the empty list holds one empty row
    const int rows = list->grid()->RowCount() - 1;
    return list == m_savedList && rows == m_savedRows ? 0 : rows;
}

void TfrmMain::forgetSavedRows()
{
    m_savedList = nullptr;
    m_savedRows = 0;
}

bool TfrmMain::saveRealTimeList()
{
    TfrmList *list = realTimeList();
    if (!list) {
        // No list open: the run's rows, the same table the list showed.
        const RunRows &run = m_run.rows();
        if (run.isEmpty() || !m_files.WriteGridText(run, recordingFileName(run.row(0).dateTime))
            || !m_files.wroteWholeGrid())
            return false;
        m_savedRunRows = run.count();
        return true;
    }
    const int rows = list->grid()->RowCount() - 1;
    // A range of the rows in a file leaves the others unsaved.
    if (!m_files.WriteGridText(*list->grid(), list->suggestedFileName()) || !m_files.wroteWholeGrid())
        return false;
    m_savedList = list;
    m_savedRows = rows;
    // A list that has shown the run from its start holds all its rows.
    if (rows == m_run.rows().count())
        m_savedRunRows = rows;
    return true;
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
        if (realTimeList())
            m_children.restore(ChildWindows::RealTimeList);
        if (saveRealTimeList())
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
    else
        m_files.Save1Click();
}

} // namespace kv
