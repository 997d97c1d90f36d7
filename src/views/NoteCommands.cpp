#include "views/NoteCommands.h"

#include "common/LocaleText.h"
#include "common/Prompt.h"
#include "session/LiveRun.h"
#include "views/Chart.h"
#include "views/TfrmWholeRun.h"

#include <QAction>

namespace kv {

NoteCommands::NoteCommands(Prompt &prompt, LiveRun &run, std::function<Chart *()> realTimeGraph, QObject *parent)
    : QObject(parent)
    , m_prompt(prompt)
    , m_run(run)
    , m_realTimeGraph(std::move(realTimeGraph))
{
    connect(&run, &LiveRun::notesNotKept, this, &NoteCommands::tellNotKept, Qt::QueuedConnection);
}

bool NoteCommands::isLive(const Chart &chart) const
{
    return m_realTimeGraph && m_realTimeGraph() == &chart;
}

bool NoteCommands::showsRun(const Chart &chart) const
{
    for (const QWidget *w = chart.parentWidget(); w; w = w->parentWidget())
        if (qobject_cast<const TfrmWholeRun *>(w))
            return true;
    return isLive(chart);
}

bool NoteCommands::askNote(const QString &caption, const QString &label, QString &text)
{
    for (;;) {
        if (!m_prompt.askText(caption, label, text))
            return false;
        const QString problem = noteProblem(text);
        if (problem.isEmpty())
            return true;
        m_prompt.error(problem);
    }
}

void NoteCommands::tellNotKept(const QString &why)
{
    m_prompt.error(QStringLiteral("The note is in the run, but it could not be kept beside the recording's "
                                  "journal: %1")
                       .arg(why));
}

bool NoteCommands::AddNote1Click()
{
    if (!m_run.recording() && m_run.rows().isEmpty()) {
        m_prompt.information(QStringLiteral("There is no recording to add a note to. Start one with Run, "
                                            "then add notes while it records."));
        return false;
    }
    // The time it was asked at, not when the dialog was closed.
    const double at = m_run.now();
    const QString label =
        QStringLiteral("Note at %1 (at most %2 characters):").arg(longTimeText(at)).arg(kMaxNoteLength);
    QString text;
    if (!askNote(QStringLiteral("Add Note"), label, text))
        return false;
    QString why;
    if (!m_run.addNoteAt(at, text, &why))
        tellNotKept(why);
    return true;
}

bool NoteCommands::addNote(Chart &chart, double at)
{
    if (isLive(chart))
        return AddNote1Click();
    const QString label =
        QStringLiteral("Note at %1 (at most %2 characters):").arg(longTimeText(at)).arg(kMaxNoteLength);
    QString text;
    if (!askNote(QStringLiteral("Add Note"), label, text))
        return false;
    if (showsRun(chart)) {
        QString why;
        if (!m_run.addNoteAt(at, text, &why))
            tellNotKept(why);
        return true;
    }
    RunNotes notes = chart.notes();
    insertNote(notes, {at, noteText(text)});
    chart.setNotes(notes);
    return true;
}

bool NoteCommands::editNote(Chart &chart, int index)
{
    const RunNotes &notes = chart.notes();
    if (index < 0 || index >= notes.size())
        return false;
    QString text = notes.at(index).text;
    const QString label = QStringLiteral("Note at %1:").arg(longTimeText(notes.at(index).at));
    if (!askNote(QStringLiteral("Edit Note"), label, text))
        return false;
    if (showsRun(chart)) {
        QString why;
        if (!m_run.editNote(index, text, &why))
            tellNotKept(why);
        return true;
    }
    RunNotes changed = notes;
    changed[index].text = noteText(text);
    chart.setNotes(changed);
    return true;
}

bool NoteCommands::removeNote(Chart &chart, int index)
{
    if (index < 0 || index >= chart.notes().size())
        return false;
    if (showsRun(chart)) {
        QString why;
        if (!m_run.removeNote(index, &why))
            tellNotKept(why);
        return true;
    }
    RunNotes changed = chart.notes();
    changed.removeAt(index);
    chart.setNotes(changed);
    return true;
}

void NoteCommands::installOn(Chart &chart)
{
    auto *add = new QAction(QStringLiteral("Add &Note\u2026"), &chart);
    add->setObjectName(QStringLiteral("AddNoteContext"));
    auto *edit = new QAction(QStringLiteral("E&dit Note\u2026"), &chart);
    edit->setObjectName(QStringLiteral("EditNoteContext"));
    auto *remove = new QAction(QStringLiteral("Remo&ve Note"), &chart);
    remove->setObjectName(QStringLiteral("RemoveNoteContext"));
    // Edit and Remove are offered on a note's line or label, for that note.
    edit->setVisible(false);
    remove->setVisible(false);
    connect(&chart, &Chart::contextMenuOpening, this, [c = &chart, edit, remove] {
        edit->setVisible(c->menuNote() >= 0);
        remove->setVisible(c->menuNote() >= 0);
    });
    connect(add, &QAction::triggered, this, [this, c = &chart] { addNote(*c, c->menuTime()); });
    connect(edit, &QAction::triggered, this, [this, c = &chart] { editNote(*c, c->menuNote()); });
    connect(remove, &QAction::triggered, this, [this, c = &chart] { removeNote(*c, c->menuNote()); });
    chart.addAction(add);
    chart.addAction(edit);
    chart.addAction(remove);
    chart.setContextMenuPolicy(Qt::ActionsContextMenu);
}

} // namespace kv
