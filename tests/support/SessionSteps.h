#pragma once
// Steps the main-window tests take on a Session: record samples at fixed
// times, bring a window to the front, find a window by its title, open and
// save files and graph lists as a user does, and read back a written file
// line by line.

#include "common/DateTime.h"
#include "support/FileBytes.h"
#include "support/MainSession.h"

#include "views/TfrmGraph.h"
#include "views/TfrmList.h"

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

namespace kv::test {

// The fixed times recorded samples get, so written files come out the same
// every run.
inline const double kStart = toDateTimeDouble(QDate(2007, 12, 5), QTime(14, 3, 10));
constexpr double kSecond = 1.0 / 86400.0;

// The lines of a written file, without its last line end.
QList<QByteArray> fileLines(const QString &path);

// Waits for the window to come up and for the meter's reading, then stops
// the poll timer and records samples one second apart from
// kStart + firstSecond.
bool recordSamples(Session &s, int count, int firstSecond = 0);

// Pauses the recording, presses the panel's unit key until the meter sends
// degrees F, then records count more samples from kStart + firstSecond.
bool pressUnitKeyAndRecord(Session &s, int firstSecond, int count);

// The range dialog's answer that takes every row.
inline Prompt::RangeAnswer all()
{
    return {true, QString(), QString()};
}

void activate(Session &s, QWidget *window);

QList<QWidget *> windows(Session &s);

template <class W>
W *windowTitled(Session &s, const QString &title)
{
    for (QWidget *w : windows(s))
        if (auto *x = qobject_cast<W *>(w); x && x->windowTitle() == title)
            return x;
    return nullptr;
}

// Opens a file as a single data set, as a user does through Open.
void openFile(Session &s, const QString &path);

// Opens a text file as a single data set; the list window that shows it,
// or null.
TfrmList *openAsList(Session &s, const QString &path);

// Saves the active window through Save under path, every row of it.
void saveAll(Session &s, const QString &path);

// Output Data to Graph on a list window; the graph made of it, or null.
TfrmGraph *graphOf(Session &s, TfrmList *list);

} // namespace kv::test
