#include "support/SessionSteps.h"

namespace kv::test {

QList<QByteArray> fileLines(const QString &path)
{
    QByteArray b = fileBytes(path);
    if (b.endsWith("\r\n"))
        b.chop(2);
    return b.isEmpty() ? QList<QByteArray>() : b.split('\n');
}

bool recordSamples(Session &s, int count, int firstSecond)
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

bool pressUnitKeyAndRecord(Session &s, int firstSecond, int count)
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

void activate(Session &s, QWidget *window)
{
    s.main->mdiArea()->setActiveSubWindow(s.main->frameOf(window));
}

QList<QWidget *> windows(Session &s)
{
    QList<QWidget *> out;
    for (QMdiSubWindow *sw : s.main->mdiArea()->subWindowList())
        out << sw->widget();
    return out;
}

void openFile(Session &s, const QString &path)
{
    s.prompt.choices.enqueue(Prompt::Choice::SingleSet);
    s.prompt.openNames.enqueue(path);
    s.main->Open1->trigger();
}

TfrmList *openAsList(Session &s, const QString &path)
{
    openFile(s, path);
    return windowTitled<TfrmList>(s, QDir::toNativeSeparators(path));
}

void saveAll(Session &s, const QString &path)
{
    s.prompt.saveNames.enqueue(path);
    s.prompt.rangeAnswers.enqueue(all());
    s.main->Save1->trigger();
}

TfrmGraph *graphOf(Session &s, TfrmList *list)
{
    activate(s, list);
    s.main->btnToGraph->click();
    return windowTitled<TfrmGraph>(s, list->windowTitle());
}

} // namespace kv::test
