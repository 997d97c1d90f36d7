#pragma once
// The real main window over a temporary program folder, with an emulated
// meter on a pseudo-terminal (or none), scripted prompts and recorded exits
// and browser requests.

#include "app/TfrmMain.h"
#include "panel/TfrmPanel.h"

#include "MeterEmulator.h"
#include "support/ScriptedPrompt.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace kv::test {

struct Session
{
    QTemporaryDir dir;
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
