// Figures for the data-logger window (offscreen):
//  - showing the largest set a memory can hold, table and graph filled and
//    the first redraw done: 32 632 one-channel readings, 16 316 two-channel;
//  - decoding a full memory image and showing its first set.
// Usage: bench_logger_window [runs] [--shots <folder>]
//   --shots also writes the window with a one- and a two-channel set as
//   datalogger-481.png and datalogger-482.png into the folder.

#include "common/Clock.h"
#include "logger/DataSetDecoder.h"
#include "logger/ui/TfrmDataLogger.h"
#include "views/Chart.h"

#include "LoggerMemory.h"
#include "support/ScriptedPrompt.h"

#include "Figures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTableView>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

// The processor time of this thread: on a busy machine the wall clock
// measures the other programs too.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

QByteArray imageOf(const emu::Bytes &memory, int channels)
{
    const emu::Bytes file = emu::collectionFileBytes(memory, channels);
    return QByteArray(reinterpret_cast<const char *>(file.data()), static_cast<int>(file.size()));
}

// One set filling the whole memory: 65536 - 256 header bytes - 16 record
// bytes, minus the last byte, over 2 or 4 bytes per reading. Another
// variant gives other readings at the same times.
QByteArray largestSet(int channels, int variant = 0)
{
    const int n = channels == 1 ? 32632 : 16316;
    emu::DataSetDesc d;
    d.year = 2026;
    d.month = 5;
    d.day = 2;
    d.hour = 6;
    d.intervalSeconds = 2;
    for (int i = 0; i < n; ++i) {
        const double wave = 180.0 + 150.0 * std::sin(i / 900.0 + variant) + (i % 17) * 0.1;
        d.channel1.push_back(i % 5000 == 4999 ? NAN : wave);
        d.channel2.push_back(wave * 0.5 - 20.0);
    }
    return imageOf(emu::buildMemory(channels, {d}), channels);
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Window
{
    PaintCounter chartPaints;
    QTemporaryDir dir;
    kv::test::ScriptedPrompt prompt;
    kv::ManualClock clock{46000.5};
    kv::TfrmDataLogger w;
    std::vector<double> shown; // of each showing, the part before the window paints
    explicit Window(int model)
        : w(model, -10, 50, kv::GraphTemplate::locate(dir.filePath(QStringLiteral("KV481"))), prompt, clock)
    {
        w.resize(1100, 750);
        w.show();
        QApplication::processEvents();
        w.chart()->plot()->installEventFilter(&chartPaints);
    }
    // Shows a set and waits for its first redraw on screen.
    void showAndDraw(int index)
    {
        // The chart draws its image while the set is shown; the window
        // paints it (and the table) when events run next.
        const int before = chartPaints.paints;
        QElapsedTimer t;
        t.start();
        w.ShowDataSet(index);
        shown.push_back(t.nsecsElapsed() / 1e6);
        QApplication::processEvents();
        if (chartPaints.paints == before)
            std::printf("the chart was not painted\n");
    }
};

void showLargest(int channels, int runs)
{
    Window win(channels == 1 ? 481 : 482);
    kv::DecodeResult r = kv::decodeImage(largestSet(channels), win.prompt);
    if (!r.collection) {
        std::printf("the largest set did not decode\n");
        return;
    }
    win.w.collectionSlot() = std::move(r.collection);
    win.w.fillDataSetList();
    win.w.setDataSetsLoaded(true);
    win.showAndDraw(0);
    std::vector<double> ms, cpu;
    QElapsedTimer t;
    for (int k = 0; k < runs; ++k) {
        t.start();
        const double c0 = cpuMs();
        win.showAndDraw(0);
        cpu.push_back(cpuMs() - c0);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    char what[96];
    std::snprintf(what, sizeof what, "show a set of %d %s readings", win.w.collection()->sets.at(0).sampleCount,
                  channels == 1 ? "one-channel" : "two-channel");
    kv::bench::printTimings(what, ms, "ms");
    kv::bench::printTimings("  the same in processor time", cpu, "ms");
    win.shown.erase(win.shown.begin());
    kv::bench::printTimings("  of which showing, before the window paints", win.shown, "ms");

    // Another set of the same size each time: the window has read none of
    // its readings before. Two collections take turns in the window.
    kv::DecodeResult other = kv::decodeImage(largestSet(channels, 1), win.prompt);
    std::unique_ptr<kv::DataSetCollection> spare = std::move(other.collection);
    ms.clear();
    cpu.clear();
    win.shown.clear();
    for (int k = 0; k < runs; ++k) {
        std::swap(win.w.collectionSlot(), spare);
        t.start();
        const double c0 = cpuMs();
        win.showAndDraw(0);
        cpu.push_back(cpuMs() - c0);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    kv::bench::printTimings("  another set of that size", ms, "ms");
    kv::bench::printTimings("  the same in processor time", cpu, "ms");
    kv::bench::printTimings("  of which showing, before the window paints", win.shown, "ms");
}

void decodeAndShowFull(int runs)
{
    Window win(482);
    const QByteArray image = imageOf(emu::buildMemoryOfKind(emu::MemoryKind::Full, 2), 2);
    std::vector<double> ms;
    QElapsedTimer t;
    for (int k = 0; k < runs; ++k) {
        t.start();
        kv::DecodeResult r = kv::decodeImage(image, win.prompt);
        win.w.collectionSlot() = std::move(r.collection);
        win.w.fillDataSetList();
        win.showAndDraw(0);
        win.w.setDataSetsLoaded(true);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    kv::bench::printTimings("decode a full two-channel memory and show its first set", ms, "ms");
}

void screenshots(const QString &folder)
{
    for (int channels : {1, 2}) {
        Window win(channels == 1 ? 481 : 482);
        kv::DecodeResult r =
            kv::decodeImage(imageOf(emu::buildMemoryOfKind(emu::MemoryKind::Demo, channels), channels), win.prompt);
        win.w.collectionSlot() = std::move(r.collection);
        win.w.fillDataSetList();
        win.w.setTitles(QStringLiteral("Data Logger"), QStringLiteral("demo memory"));
        win.showAndDraw(channels == 1 ? 0 : 2);
        win.w.setDataSetsLoaded(true);
        win.w.PositionCursor(40);
        win.w.HighlightPane(kv::TfrmDataLogger::Pane::Tabular);
        win.w.Grid1->selectRow(40);
        QApplication::processEvents();
        const QString path = folder + QStringLiteral("/datalogger-%1.png").arg(channels == 1 ? 481 : 482);
        win.w.grab().save(path);
        std::printf("wrote %s\n", qPrintable(path));
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int runs = 30;
    QString shots;
    for (int i = 1; i < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--shots") && i + 1 < argc)
            shots = QString::fromLocal8Bit(argv[++i]);
        else
            runs = std::max(1, std::atoi(argv[i]));
    }
    if (!shots.isEmpty()) {
        screenshots(shots);
        return 0;
    }
    showLargest(1, runs);
    showLargest(2, runs);
    decodeAndShowFull(runs);
    return 0;
}
