#include "app/StartupBox.h"
#include "app/TfrmAbout.h"
#include "app/TfrmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>

#ifdef Q_OS_UNIX
#include "MeterEmulator.h"
#include <unistd.h>
#endif

#include <memory>

namespace {

struct CommandLine
{
    QStringList ports;
    QStringList portFolders;
    QStringList files;
    bool demo = false;
    int demoModel = 482;
};

// The options the Qt libraries take for themselves when the application
// object is created ("-platform offscreen", "-style fusion", ...). They are
// known here only so that they are not refused as unknown; they stay out of
// the help text.
void addToolkitOptions(QCommandLineParser &parser)
{
    const char *withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                               "geometry", "qwindowicon", "icon", "qwindowtitle", "title", "session", "display",
                               "name", "visual", "style", "stylesheet", "qmljsdebugger"};
    const char *flags[] = {"reverse", "sync", "nograb", "dograb", "widgetcount", "testability"};
    for (const char *n : withValue) {
        QCommandLineOption o(QString::fromLatin1(n), QString(), QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    for (const char *n : flags) {
        QCommandLineOption o(QString::fromLatin1(n));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
}

// Reads the command line before anything needs a display, so that --help,
// --version and a mistyped option are answered on a bare terminal too. For
// those three the program ends here (exit code 0, 0 and 1).
CommandLine parseCommandLine(int &argc, char **argv)
{
    const QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Companion program for the K-type thermocouple thermometers 481 and 482."));
    // "-platform offscreen" and the like are single-dash words, not letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
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
    QCommandLineOption portFolder(QStringLiteral("port-folder"),
                                  QStringLiteral("Also list the serial devices linked from DIR (as the meter emulator's "
                                                 "--link makes them), following them as they come and go; names in "
                                                 "DIR/by-id tell the same adapter under a new name."),
                                  QStringLiteral("DIR"));
    parser.addOption(port);
    parser.addOption(portFolder);
    parser.addOption(demo);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Files to open, as Open does: a data set collection (.rec) in the "
                                                "data-logger window."),
                                 QStringLiteral("[FILE...]"));
    addToolkitOptions(parser);

    // "--demo" may stand alone or carry the model.
    QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args.at(i) != QLatin1String("--demo") && args.at(i) != QLatin1String("-demo"))
            continue;
        // "--demo 481" names the model; a bare "--demo" is the 482.
        const bool model = i + 1 < args.size()
            && (args.at(i + 1) == QLatin1String("481") || args.at(i + 1) == QLatin1String("482"));
        args[i] = QStringLiteral("--demo=") + (model ? args.takeAt(i + 1) : QStringLiteral("482"));
    }
    parser.process(args);

    CommandLine c;
    c.ports = parser.values(port);
    c.portFolders = parser.values(portFolder);
    c.files = parser.positionalArguments();
    c.demo = parser.isSet(demo);
    c.demoModel = parser.value(demo) == QLatin1String("481") ? 481 : 482;
    return c;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("KV481"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KV481_VERSION));
    const CommandLine commandLine = parseCommandLine(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("KV481"));

    kv::MainOptions options;
    options.programPath = QApplication::applicationFilePath();
    options.extraPorts = commandLine.ports;
    options.portFolders = commandLine.portFolders;

#ifdef Q_OS_UNIX
    std::unique_ptr<emu::MeterEmulator> meter;
    QString demoFolder;
    // The demo meter's folder goes with the program.
    const auto removeDemoFolder = qScopeGuard([&] {
        meter.reset();
        if (!demoFolder.isEmpty())
            QDir(demoFolder).removeRecursively();
    });
    if (commandLine.demo) {
        emu::Options o;
        o.model = commandLine.demoModel;
        o.paced = true; // a download takes as long as from a real meter
        // In a folder of its own, shown as a USB adapter: the port list
        // tells what it is, and the meter can leave and come back under
        // another name there as a replugged adapter does.
        demoFolder = QDir::temp().filePath(QStringLiteral("kv481-demo-%1").arg(::getpid()));
        o.linkPath = QDir(demoFolder).filePath(QStringLiteral("ttyDEMO0")).toStdString();
        o.usbSerial = QStringLiteral("DEMO%1").arg(::getpid()).toStdString();
        meter = std::make_unique<emu::MeterEmulator>(o);
        std::string error;
        if (!meter->start(&error)) {
            QMessageBox::critical(nullptr, QStringLiteral("KV481"),
                                  QStringLiteral("The demo meter could not be started: %1")
                                      .arg(QString::fromStdString(error)));
            return 1;
        }
        options.extraPorts.prepend(QString::fromStdString(meter->portPath()));
        options.portFolders << demoFolder;
    }
#else
    if (commandLine.demo) {
        QMessageBox::information(nullptr, QStringLiteral("KV481"),
                                 QStringLiteral("The demo meter needs pseudo-terminals and runs on Linux only."));
    }
#endif

    // The about box greets the user while the program looks for the meter.
    auto *startup = new kv::TfrmAbout;
    startup->setAttribute(Qt::WA_DeleteOnClose);
    startup->BitBtn1->hide();
    kv::showStartupBox(startup);

    kv::TfrmMain w(options);
    w.setStartupBox(startup);
    // Fill the screen even where no window manager maximises windows.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        w.setGeometry(screen->availableGeometry());
    // Files from the command line (or the desktop) open once the start-up
    // search is over, each as Open would open it.
    if (!commandLine.files.isEmpty()) {
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = QObject::connect(&w, &kv::TfrmMain::shown, &w, [&w, once, files = commandLine.files] {
            QObject::disconnect(*once);
            for (const QString &f : files)
                w.openFile(QFileInfo(f).absoluteFilePath());
        });
    }
    w.showMaximized();
    return app.exec();
}
