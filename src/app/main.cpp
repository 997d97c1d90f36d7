#include "app/TfrmAbout.h"
#include "app/TfrmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#ifdef Q_OS_UNIX
#include "MeterEmulator.h"
#include <unistd.h>
#endif

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KV481"));
    QApplication::setApplicationDisplayName(QStringLiteral("KV481"));
    QApplication::setApplicationVersion(QStringLiteral(KV481_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Companion program for the K-type thermocouple thermometers 481 and 482."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption port(QStringLiteral("port"),
                            QStringLiteral("Put DEVICE (a serial device or pseudo-terminal) first in the port list; "
                                           "may be given more than once."),
                            QStringLiteral("DEVICE"));
    QCommandLineOption demo(QStringLiteral("demo"),
                            QStringLiteral("Start a built-in meter emulator (model 482, or the model given as "
                                           "--demo=481) and put it first in the port list."),
                            QStringLiteral("MODEL"));
    parser.addOption(port);
    parser.addOption(demo);

    // "--demo" may stand alone or carry the model.
    QStringList args = QApplication::arguments();
    for (QString &a : args)
        if (a == QLatin1String("--demo"))
            a = QStringLiteral("--demo=482");
    parser.process(args);

    kv::MainOptions options;
    options.programPath = QApplication::applicationFilePath();
    options.extraPorts = parser.values(port);

#ifdef Q_OS_UNIX
    std::unique_ptr<emu::MeterEmulator> meter;
    if (parser.isSet(demo)) {
        emu::Options o;
        o.model = parser.value(demo) == QLatin1String("481") ? 481 : 482;
        o.linkPath = QDir::temp().filePath(QStringLiteral("kv481-demo-%1").arg(::getpid())).toStdString();
        meter = std::make_unique<emu::MeterEmulator>(o);
        std::string error;
        if (!meter->start(&error)) {
            QMessageBox::critical(nullptr, QStringLiteral("KV481"),
                                  QStringLiteral("The demo meter could not be started: %1")
                                      .arg(QString::fromStdString(error)));
            return 1;
        }
        options.extraPorts.prepend(QString::fromStdString(meter->portPath()));
    }
#else
    if (parser.isSet(demo)) {
        QMessageBox::information(nullptr, QStringLiteral("KV481"),
                                 QStringLiteral("The demo meter needs pseudo-terminals and runs on Linux only."));
    }
#endif

    // The about box greets the user while the program looks for the meter.
    auto *startup = new kv::TfrmAbout;
    startup->setAttribute(Qt::WA_DeleteOnClose);
    startup->BitBtn1->hide();
    startup->show();
    startup->repaint();
    QApplication::processEvents();

    kv::TfrmMain w(options);
    w.setStartupBox(startup);
    // Fill the screen even where no window manager maximises windows.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        w.setGeometry(screen->availableGeometry());
    w.showMaximized();
    return app.exec();
}
