#include "journal/JournalRecovery.h"

#include "common/Prompt.h"
#include "files/NotesFile.h"
#include "journal/JournalFolder.h"

#include <QDir>

namespace kv {

void offerRecovery(const QString &folder, Prompt &prompt, const std::function<void(const QString &)> &open)
{
    for (const UnfinishedJournal &u : JournalFolder::findUnfinished(folder)) {
        // Asked once: whatever the answer, the journal stays in the folder.
        JournalFolder::dismiss(u);
        if (u.rows == 0) {
            prompt.information(QStringLiteral("The recording of %1 %2 did not end normally. None of its readings "
                                              "reached the disk: its journal\n%3\nheld nothing.")
                                   .arg(u.firstDate, u.firstTime, QDir::toNativeSeparators(u.path)));
            continue;
        }
        QString text = u.rows == 1
            ? QStringLiteral("The recording of %1 %2 did not end normally. Its 1 reading was kept in\n%3\n\n"
                             "Open it now?")
                  .arg(u.firstDate, u.firstTime, QDir::toNativeSeparators(u.path))
            : QStringLiteral("The recording of %1 %2 did not end normally. %3 readings, from %1 %2 to %4 %5, "
                             "were kept in\n%6\n\nOpen them now?")
                  .arg(u.firstDate, u.firstTime, QString::number(u.rows), u.lastDate, u.lastTime,
                       QDir::toNativeSeparators(u.path));
        // Notes made during the recording come back with it.
        const int notes = int(NotesFile::read(JournalFolder::notesPath(u.path)).size());
        if (notes > 0)
            text.replace(QStringLiteral("\n\nOpen"), notes == 1 ? QStringLiteral(", with its note.\n\nOpen")
                                                                  : QStringLiteral(", with its %1 notes.\n\nOpen").arg(notes));
        if (prompt.confirm(text))
            open(u.path);
    }
}

bool openRecordingFolder(const QString &folder, const std::function<bool(const QUrl &)> &openUrl, Prompt &prompt)
{
    // A file where the folder should be is not handed on: the file manager
    // would open that file instead.
    if (!QDir().mkpath(folder)) {
        prompt.error(QStringLiteral("The folder %1 could not be opened.").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    if (openUrl && openUrl(QUrl::fromLocalFile(folder)))
        return true;
    // No file manager took it (none installed, say): the path on a line of
    // its own, where it can be selected and copied.
    prompt.information(QStringLiteral("No file manager could open the recording folder. It is\n\n%1\n\n"
                                      "Its path can be selected and copied from here.")
                           .arg(QDir::toNativeSeparators(folder)));
    return false;
}

} // namespace kv
