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
inline QList<QByteArray> fileLines(const QString &path)
{
    QByteArray b = fileBytes(path);
    if (b.endsWith("\r\n"))
        b.chop(2);
    return b.isEmpty() ? QList<QByteArray>() : b.split('\n');
}

// Waits for the window to come up and for the meter's reading, then stops
// the poll timer and records samples one second apart from
// kStart + firstSecond.
inline bool recordSamples(Session &s, int count, int firstSecond = 0)
{
    if (!s.started())
        return false;
    if (!QTest::qWaitFor([&] { return s.main->link().connected() && qAbs(s.main->link().reading().t1 - 23.4) < 0.01; }, 8000))
        return false;
    s.main->timer().stop();
    s.main->recorder().setSamplingRate(1);
    s.main->recorder().run();
    for (int i = 0; i < count; ++i)
        s.main->liveRun().onLiveTick(kStart + (firstSecond + i) * kSecond, true);
    return true;
}

// Pauses the recording, presses the panel's unit key until the meter sends
// degrees F, then records count more samples from kStart + firstSecond.
inline bool pressUnitKeyAndRecord(Session &s, int firstSecond, int count)
{
    s.main->recorder().stop();
    s.main->timer().start();
    QTest::mouseClick(s.panel()->btnCF, Qt::LeftButton);
    const bool switched = QTest::qWaitFor([&] { return s.main->link().reading().unit1 == QLatin1String("F"); }, 8000);
    s.main->timer().stop();
    if (!switched)
        return false;
    s.main->recorder().run();
    for (int i = 0; i < count; ++i)
        s.main->liveRun().onLiveTick(kStart + (firstSecond + i) * kSecond, true);
    return true;
}

// The range dialog's answer that takes every row.
inline Prompt::RangeAnswer all()
{
    return {true, QString(), QString()};
}

inline void activate(Session &s, QWidget *window)
{
    s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(window));
}

inline QList<QWidget *> windows(Session &s)
{
    QList<QWidget *> out;
    for (QMdiSubWindow *sw : s.main->mdiArea()->subWindowList())
        out << sw->widget();
    return out;
}

template <class W>
W *windowTitled(Session &s, const QString &title)
{
    for (QWidget *w : windows(s))
        if (auto *x = qobject_cast<W *>(w); x && x->windowTitle() == title)
            return x;
    return nullptr;
}

// Opens a file as a single data set, as a user does through Open.
inline void openFile(Session &s, const QString &path)
{
    s.prompt.choices.enqueue(Prompt::Choice::SingleSet);
    s.prompt.openNames.enqueue(path);
    s.main->Open1->trigger();
}

// Opens a text file as a single data set; the list window that shows it,
// or null.
inline TfrmList *openAsList(Session &s, const QString &path)
{
    openFile(s, path);
    return windowTitled<TfrmList>(s, QDir::toNativeSeparators(path));
}

// Saves the active window through Save under path, every row of it.
inline void saveAll(Session &s, const QString &path)
{
    s.prompt.saveNames.enqueue(path);
    s.prompt.rangeAnswers.enqueue(all());
    s.main->Save1->trigger();
}

// Output Data to Graph on a list window; the graph made of it, or null.
inline TfrmGraph *graphOf(Session &s, TfrmList *list)
{
    activate(s, list);
    s.main->btnToGraph->click();
    return windowTitled<TfrmGraph>(s, list->windowTitle());
}

} // namespace kv::test
