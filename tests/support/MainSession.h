#pragma once
// The real main window over a temporary program folder, with an emulated
// meter on a pseudo-terminal (or none), scripted prompts and recorded exits
// and browser requests.

#include "app/TfrmMain.h"
#include "common/Clock.h"
#include "panel/TfrmPanel.h"

#include "MeterEmulator.h"
#include "support/ScriptedPrompt.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace kv::test {

// The system's clock with the link's long pauses cut short. The search
// waits before it opens each port and again after it asks for the meter's
// model, long enough for a real meter; the emulator answers within
// milliseconds. A wait longer than kLongest lasts kLongest, and the tick
// count moves on by the rest. Shorter waits, the time of day and the
// poll timer (a QTimer) run as they would.
class QuickPauseClock final : public Clock
{
public:
    static constexpr int kLongest = 100; // ms
    double now() const override { return SystemClock::instance().now(); }
    qint64 tickCount() const override { return SystemClock::instance().tickCount() + m_skipped; }
    void idle(int ms) override;

private:
    qint64 m_skipped = 0;
};

struct Session
{
    QTemporaryDir dir;
    QuickPauseClock clock;
    std::unique_ptr<emu::MeterEmulator> meter;
    ScriptedPrompt prompt;
    std::unique_ptr<TfrmMain> main;
    int exits = 0;
    QList<QUrl> opened;
    MainOptions options;

    // model 0: no meter at all.
    explicit Session(int model, const QByteArray &ini = QByteArray(),
                     const std::function<void(emu::Options &)> &tweak = {});
    // The program closed and started again over the same folders and
    // meter; false when the new window did not come up.
    bool restart();
    bool started();
    TfrmPanel *panel() const { return main->panel(); }
    QString mainDigits() const;
    QString settingsText() const;
};


} // namespace kv::test
