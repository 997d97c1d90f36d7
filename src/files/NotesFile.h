#pragma once
// The notes of a recording, kept beside its journal: the journal
// "2026-12-09_10-00-00.txt" gets "2026-12-09_10-00-00.notes.csv". A header
// "time,note", then one line per note: its local time in ISO 8601 with
// milliseconds and UTC offset, and its text (quoted where it holds a comma
// or a quote). UTF-8, lines ended by LF. The file is written whole on every
// change, through the checked writer, so a kill leaves the notes of the
// last change or of the one before, never half a file.

#include "common/RunNote.h"

#include <QString>

namespace kv {

namespace NotesFile {

// The file beside a journal or a data file ("x.txt", "x.csv": "x.notes.csv").
QString pathBeside(const QString &dataPath);

QByteArray bytes(const RunNotes &notes);
// Writes notes as the whole file (no notes: the file is removed); false
// with the reason in error.
bool write(const QString &path, const RunNotes &notes, QString *error = nullptr);
// The notes a file holds, in time order; none when it is missing. Lines
// that do not read are skipped and counted in unread (-1: the file itself
// could not be read), for unreadText() to tell the user.
RunNotes read(const QString &path, int *unread = nullptr);
RunNotes parse(const QByteArray &bytes, int *unread = nullptr);
QString unreadText(int unread);

} // namespace NotesFile

} // namespace kv
