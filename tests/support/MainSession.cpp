#include "support/MainSession.h"

#include <QFile>
#include <QtTest>

namespace kv::test {

void QuickPauseClock::idle(int ms)
{
    SystemClock::instance().idle(qMin(ms, kLongest));
    if (ms > kLongest)
        m_skipped += ms - kLongest;
}

Session::Session(int model, const QByteArray &ini, const std::function<void(emu::Options &)> &tweak)
{
    if (!ini.isEmpty()) {
        QFile f(dir.filePath(QStringLiteral("KV481.INI")));
        f.open(QIODevice::WriteOnly);
        f.write(ini);
    }
    MainOptions o;
    o.programPath = dir.filePath(QStringLiteral("KV481"));
    o.systemPorts = false;
    o.recordingFolder = dir.filePath(QStringLiteral("recordings"));
    o.prompt = &prompt;
    o.clock = &clock;
    o.exitHandler = [this] { ++exits; };
    o.openUrl = [this](const QUrl &u) {
        opened << u;
        return true;
    };
    if (model) {
        emu::Options e;
        e.model = model;
        e.linkPath = dir.filePath(QStringLiteral("meter")).toStdString();
        if (tweak)
            tweak(e);
        meter = std::make_unique<emu::MeterEmulator>(e);
        meter->setTemperatures(23.4, 21.7);
        meter->start();
        o.extraPorts << dir.filePath(QStringLiteral("meter"));
    } else {
        o.extraPorts << dir.filePath(QStringLiteral("nothing-here"));
    }
    options = o;
    main = std::make_unique<TfrmMain>(o);
    main->resize(1000, 700);
    main->show();
}

bool Session::restart()
{
    main->close();
    main.reset();
    main = std::make_unique<TfrmMain>(options);
    main->resize(1000, 700);
    main->show();
    return started();
}

bool Session::started()
{
    return QTest::qWaitFor([this] { return main->formShown(); }, 8000);
}

QString Session::mainDigits() const
{
    QString s;
    for (int i = 0; i < 4; ++i) {
        const int c = panel()->digitCode(0, i);
        s += c <= 9 ? QChar('0' + c) : c == kGlyphBlank ? QChar(' ') : QChar('-');
    }
    return s;
}

QString Session::settingsText() const
{
    QFile f(main->settingsPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace kv::test
