// kv481: the meter from a terminal or a script. The same link, logger and
// file code as the window program, with Qt Core and Serial Port only.

#include "cli/CollectionSets.h"
#include "cli/SetFigures.h"
#include "cli/LiveRecord.h"
#include "cli/MeterSearch.h"
#include "cli/PortLines.h"
#include "cli/PublishCommand.h"
#include "cli/SilentPrompt.h"
#include "cli/WatchCommand.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/Prompt.h"
#include "common/SafeFile.h"
#include "files/CollectionFile.h"
#include "files/TextDataSet.h"
#include "files/Workbook.h"
#include "link/MeterLink.h"
#include "link/PortInfo.h"
#include "link/PortList.h"
#include "link/QtSerialPort.h"
#include "logger/DataSetDecoder.h"
#include "logger/LoggerDownload.h"
#include "session/LiveRun.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

using namespace kv;

using cli::fail;
using cli::kFailed;
using cli::kMaxInterval;
using cli::kUsage;
using cli::say;

const char kSummary[] =
    "Usage: kv481 COMMAND [OPTIONS]\n"
    "The K-type thermocouple thermometers 481 and 482 from the command line.\n"
    "\n"
    "Commands:\n"
    "  ports      list the serial ports\n"
    "  identify   find the meter and print its port and model\n"
    "  read       print live readings\n"
    "  watch      print live readings with alarm limits and the rate of rise\n"
    "  download   copy the meter's logger memory into a collection file (.rec)\n"
    "  sets       list the data sets of a collection file\n"
    "  export     write data sets of a collection file as text or an Excel workbook\n"
    "  publish    send live readings to an MQTT broker\n"
    "\n"
    "kv481 COMMAND --help describes each command; kv481 --version prints the version.\n";

// A file that could not be written: its name and the system's reason.
QString fileFailure(const SafeFile &file)
{
    return QStringLiteral("%1: %2").arg(file.path(), file.reason());
}

// The standard output refused a write: the system's reason.
QString standardOutputFailure(const QString &reason)
{
    const bool known = !reason.trimmed().isEmpty() && reason != QLatin1String("Unknown error");
    return QStringLiteral("the standard output cannot be written: %1")
        .arg(known ? reason : SafeFile::systemText(EIO));
}

// One subcommand's options. parse() answers --help itself; on a mistake it
// says so in one line.
struct Command
{
    QCommandLineParser parser;
    QString name;

    Command(const QString &n, const QString &description, const QString &positional = QString())
        : name(n)
    {
        parser.setApplicationDescription(description);
        parser.addHelpOption();
        if (!positional.isEmpty())
            parser.addPositionalArgument(positional, QStringLiteral("The collection file (.rec)."));
    }
    QCommandLineOption add(const QString &option, const QString &text, const QString &value = QString())
    {
        QCommandLineOption o(option, text, value);
        parser.addOption(o);
        return o;
    }
    // -1 to go on, else the exit code.
    int parse(const QStringList &args, int positionals)
    {
        if (!parser.parse(args))
            return fail(QStringLiteral("%1: %2").arg(name, parser.errorText()), kUsage);
        if (parser.isSet(QStringLiteral("help"))) {
            QString help = parser.helpText();
            help.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: kv481 ") + name);
            std::fputs(help.toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (parser.positionalArguments().size() != positionals)
            return fail(positionals == 0
                            ? QStringLiteral("%1: unexpected argument \"%2\"").arg(name, parser.positionalArguments().value(0))
                            : QStringLiteral("%1 needs one collection file (kv481 %1 FILE.rec)").arg(name),
                        kUsage);
        return -1;
    }
};

// The port search, as the window program does it at start-up: 0 when a
// meter answered, else the exit code after saying why.
int searchMeter(MeterSearch &link, const QString &device, const QStringList &folders)
{
    QString why;
    return link.search(device, folders, &why) ? 0 : fail(why);
}

QString portOption() { return QStringLiteral("port"); }
QCommandLineOption portFolderOption(Command &c)
{
    return c.add(QStringLiteral("port-folder"),
                 QStringLiteral("Also the serial devices linked from DIR (as the meter emulator's --link makes them)."),
                 QStringLiteral("DIR"));
}

int portsCommand(const QStringList &args)
{
    Command c(QStringLiteral("ports"), QStringLiteral("Lists the serial ports the system knows, one a line: the device, "
                                                      "then what the system says of it (description, maker, USB id, "
                                                      "serial number), TAB-separated; or as JSON Lines."));
    const auto format = c.add(QStringLiteral("format"), QStringLiteral("tsv (default) or jsonl."),
                              QStringLiteral("FORMAT"));
    const auto folder = portFolderOption(c);
    if (const int r = c.parse(args, 0); r >= 0)
        return r;
    const QString f = c.parser.value(format);
    if (!f.isEmpty() && f != QLatin1String("tsv") && f != QLatin1String("jsonl"))
        return fail(QStringLiteral("ports: --format takes tsv or jsonl"), kUsage);
    const auto ports = SystemPortEnumerator(c.parser.values(folder)).ports();
    for (const PortInfo &p : ports)
        std::fputs(portLine(f == QLatin1String("jsonl") ? PortsFormat::Jsonl : PortsFormat::Tsv, p).constData(), stdout);
    if (ports.isEmpty())
        say(QStringLiteral("the system lists no serial ports"));
    return 0;
}

int identifyCommand(const QStringList &args)
{
    Command c(QStringLiteral("identify"),
              QStringLiteral("Looks for the meter on every serial port (or only DEVICE) as the window program does, "
                             "and prints the port and the model, TAB-separated."));
    const auto port = c.add(portOption(), QStringLiteral("Ask only DEVICE."), QStringLiteral("DEVICE"));
    const auto folder = portFolderOption(c);
    if (const int r = c.parse(args, 0); r >= 0)
        return r;
    MeterSearch link;
    if (const int r = searchMeter(link, c.parser.value(port), c.parser.values(folder)))
        return r;
    std::printf("%s\t%d\n", qPrintable(link.deviceName()), link.link.model());
    return 0;
}

int readCommand(const QStringList &args)
{
    Command c(QStringLiteral("read"),
              QStringLiteral("Prints live readings at the chosen interval, COUNT of them or until interrupted "
                             "(Ctrl+C ends after a whole record). Each record: the time (ISO 8601 with its UTC "
                             "offset), T1, T2 (482), the unit and the annunciators; an overload is an empty value "
                             "with the flag OL."));
    const auto port = c.add(portOption(), QStringLiteral("Ask only DEVICE."), QStringLiteral("DEVICE"));
    const auto folder = portFolderOption(c);
    const auto interval = c.add(QStringLiteral("interval"),
                                QStringLiteral("Seconds between records, 1 to 3660 (default 1)."), QStringLiteral("S"));
    const auto count = c.add(QStringLiteral("count"), QStringLiteral("Stop after N records."), QStringLiteral("N"));
    const auto format = c.add(QStringLiteral("format"), QStringLiteral("csv (default), tsv or jsonl."),
                              QStringLiteral("FORMAT"));
    const auto output = c.add(QStringLiteral("output"), QStringLiteral("Write to FILE instead of the standard output."),
                              QStringLiteral("FILE"));
    if (const int r = c.parse(args, 0); r >= 0)
        return r;

    bool ok = true;
    const int seconds = c.parser.isSet(interval) ? c.parser.value(interval).toInt(&ok) : 1;
    if (!ok || seconds < 1 || seconds > kMaxInterval)
        return fail(QStringLiteral("read: --interval takes whole seconds from 1 to %1").arg(kMaxInterval), kUsage);
    const int wanted = c.parser.isSet(count) ? c.parser.value(count).toInt(&ok) : 0;
    if (!ok || wanted < 0 || (c.parser.isSet(count) && wanted == 0))
        return fail(QStringLiteral("read: --count takes a whole number above 0"), kUsage);
    LiveFormat fmt = LiveFormat::Csv;
    if (c.parser.isSet(format) && !parseLiveFormat(c.parser.value(format), fmt))
        return fail(QStringLiteral("read: --format takes csv, tsv or jsonl"), kUsage);
    if (c.parser.isSet(output) && c.parser.value(output).isEmpty())
        return fail(QStringLiteral("read: --output needs a file name"), kUsage);

    MeterSearch link;
    if (const int r = searchMeter(link, c.parser.value(port), c.parser.values(folder)))
        return r;

    // Records land in the file as they come, for whoever follows it. It is
    // emptied only now that a meter answers: without one, the earlier file
    // stays as it was.
    SafeFile file(c.parser.value(output), SafeFile::Stream);
    QFile standardOutput;
    QIODevice *out = &file;
    if (c.parser.isSet(output)) {
        if (!file.open())
            return fail(fileFailure(file));
    } else if (standardOutput.open(stdout, QIODevice::WriteOnly)) {
        out = &standardOutput;
    } else {
        return fail(QStringLiteral("the standard output cannot be written"));
    }
    const auto outputFailure = [&](const QString &standard) {
        if (file.failed())
            return fileFailure(file);
        return out == &standardOutput ? standardOutputFailure(standardOutput.errorString()) : standard;
    };

    MeterLink &m = link.link;
    const int model = m.model();
    const QString device = link.deviceName();

    int code = 0;
    auto write = [&](const QByteArray &bytes) {
        if (out->write(bytes) != bytes.size() || (out == &standardOutput && !standardOutput.flush())) {
            code = kFailed;
            QCoreApplication::exit(kFailed);
            return false;
        }
        return true;
    };
    if (!write(liveHeader(fmt, model, device, QCoreApplication::applicationVersion())))
        return fail(outputFailure(QStringLiteral("the output cannot be written")));

    LiveRun run(m, SystemClock::instance());
    QObject::connect(&m, &MeterLink::connectionChanged, [&](bool connected) {
        say(connected ? QStringLiteral("the meter on %1 answers again").arg(device)
                      : QStringLiteral("the meter on %1 stopped answering; waiting for it").arg(device));
    });
    QObject::connect(&link.port, &QtSerialPort::lost, [&] {
        say(QStringLiteral("%1 has gone; waiting for it to come back").arg(device));
    });

    // A record every `seconds` ticks, the first at once.
    int written = 0;
    SampleGate gate(seconds);
    QObject::connect(&run, &LiveRun::ticked, [&](const LiveSample &s) {
        if (!gate.due(s) || !write(liveRecord(fmt, model, s.reading, fromDateTimeDouble(s.dateTime))))
            return;
        if (++written == wanted)
            QCoreApplication::exit(0);
    });

    StopOnSignal stop;
    m.requestFrame();
    run.startPolling();
    const int r = QCoreApplication::exec();
    run.stopPolling();
    if (code != 0 || (out == &file && !file.commit()))
        return fail(outputFailure(QStringLiteral("the output cannot be written any more")));
    return r;
}

int downloadCommand(const QStringList &args)
{
    Command c(QStringLiteral("download"),
              QStringLiteral("Copies the meter's logger memory into a data set collection file, the same file the "
                             "window program saves. Shows its progress on a terminal."));
    const auto port = c.add(portOption(), QStringLiteral("Ask only DEVICE."), QStringLiteral("DEVICE"));
    const auto folder = portFolderOption(c);
    const auto output = c.add(QStringLiteral("output"), QStringLiteral("The collection file to write (required)."),
                              QStringLiteral("FILE.rec"));
    if (const int r = c.parse(args, 0); r >= 0)
        return r;
    if (!c.parser.isSet(output) || c.parser.value(output).isEmpty())
        return fail(QStringLiteral("download needs --output FILE.rec"), kUsage);

    MeterSearch link;
    if (const int r = searchMeter(link, c.parser.value(port), c.parser.values(folder)))
        return r;
    LoggerDownload job(link.port, SystemClock::instance());
    const bool terminal = ::isatty(fileno(stderr));
    if (terminal)
        QObject::connect(&job, &LoggerDownload::progress, [](int received, int total) {
            std::fprintf(stderr, "\rdownloading: %d of %d bytes", received, total);
            std::fflush(stderr);
        });
    const LoggerDownload::Outcome outcome = job.run(link.link.model());
    if (terminal && job.totalBytes() > 0)
        std::fputs("\n", stderr);
    switch (outcome) {
    case LoggerDownload::Outcome::Downloaded:
        break;
    case LoggerDownload::Outcome::NoData:
        return fail(LoggerDownload::noDataText());
    case LoggerDownload::Outcome::PortFailed:
        return fail(QStringLiteral("the port %1 failed during the download").arg(link.deviceName()));
    default:
        return fail(readErrorText().simplified());
    }
    // Only what decodes is saved, as in the window program.
    const CollectionSets sets = decodeCollectionSets(job.takeImage(), QStringLiteral("the downloaded memory"));
    if (!sets.ok)
        return fail(sets.error);
    const CollectionFileResult written = CollectionFile::writeFile(c.parser.value(output), sets.collection->image);
    if (!written.ok)
        return fail(written.error.simplified());
    for (int i = 0; i < sets.impossibleStart.size(); ++i)
        if (!sets.usable(i))
            say(QStringLiteral("set %1 starts on an impossible date and time (%2)")
                    .arg(i + 1)
                    .arg(sets.impossibleStart.at(i)));
    return 0;
}

void reportImpossible(const CollectionSets &sets, int index)
{
    say(QStringLiteral("set %1 starts on an impossible date and time (%2); skipped")
            .arg(index + 1)
            .arg(sets.impossibleStart.at(index)));
}

int setsCommand(const QStringList &args)
{
    Command c(QStringLiteral("sets"),
              QStringLiteral("Lists the data sets of a collection file as the window program does: number, start "
                             "date, start time, interval (mm:ss), count of readings and unit, TAB-separated. Sets "
                             "with an impossible start are reported and left out."),
              QStringLiteral("FILE.rec"));
    const auto format = c.add(QStringLiteral("format"), QStringLiteral("txt (default) or jsonl."),
                              QStringLiteral("FORMAT"));
    const auto stats = c.add(QStringLiteral("stats"),
                             QStringLiteral("Add each set's figures, as the data-logger window shows them: the last "
                                            "reading's date and time, the duration (hh:mm:ss), then per channel the "
                                            "mean, standard deviation, highest and lowest reading (overloads left "
                                            "out; empty when a channel has no valid reading). The text "
                                            "starts with a line naming the columns."));
    if (const int r = c.parse(args, 1); r >= 0)
        return r;
    const QString fmt = c.parser.isSet(format) ? c.parser.value(format) : QStringLiteral("txt");
    if (fmt != QLatin1String("txt") && fmt != QLatin1String("jsonl"))
        return fail(QStringLiteral("sets: --format takes txt or jsonl"), kUsage);
    const CollectionSets sets = readCollectionSets(c.parser.positionalArguments().first());
    if (!sets.ok)
        return fail(sets.error);
    const QVector<QStringList> rows = dataSetListRows(*sets.collection);
    QByteArray out;
    // The figures' many columns are named; the plain list stays as scripts know it.
    if (c.parser.isSet(stats) && fmt == QLatin1String("txt"))
        out += statisticsHeader(sets.channels()).toUtf8();
    for (int i = 0; i < rows.size(); ++i) {
        if (!sets.usable(i)) {
            reportImpossible(sets, i);
            continue;
        }
        out += setListLine(sets, i, rows.at(i), fmt == QLatin1String("jsonl"), c.parser.isSet(stats)).toUtf8();
    }
    errno = 0;
    if (std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout) != static_cast<size_t>(out.size())
        || std::fflush(stdout) != 0)
        return fail(standardOutputFailure(errno ? SafeFile::systemText(errno) : QString()));
    return 0;
}

int exportCommand(const QStringList &args)
{
    Command c(QStringLiteral("export"),
              QStringLiteral("Writes data sets of a collection file in the window program's own text layouts "
                             "(byte for byte what it saves, in the same regional settings), or as its CSV for analysis "
                             "(--format csv-iso): a header row, ISO 8601 times with the UTC offset, a decimal "
                             "point in every locale, an overload as an empty value flagged OL; with --all, a "
                             "set column first. --format xlsx writes an Excel workbook (--output needed): a sheet "
                             "per set with real date-time cells, a number column per channel, OL flags and a "
                             "chart; with --all, a first sheet \"Sets\" with each set's figures."),
              QStringLiteral("FILE.rec"));
    const auto set = c.add(QStringLiteral("set"), QStringLiteral("The set to write (default 1)."), QStringLiteral("N"));
    const auto all = c.add(QStringLiteral("all"), QStringLiteral("Write every set, one after the other."));
    const auto layout = c.add(QStringLiteral("layout"),
                              QStringLiteral("table (default: the data-logger window's table) or graph."),
                              QStringLiteral("LAYOUT"));
    const auto format = c.add(QStringLiteral("format"),
                              QStringLiteral("txt (TAB), csv (comma), csv-iso or xlsx; default: by the output's "
                                             "name, else txt."),
                              QStringLiteral("FORMAT"));
    const auto output = c.add(QStringLiteral("output"), QStringLiteral("Write to FILE instead of the standard output."),
                              QStringLiteral("FILE"));
    if (const int r = c.parse(args, 1); r >= 0)
        return r;
    if (c.parser.isSet(set) && c.parser.isSet(all))
        return fail(QStringLiteral("export: give --set or --all, not both"), kUsage);
    if (c.parser.isSet(output) && c.parser.value(output).isEmpty())
        return fail(QStringLiteral("export: --output needs a file name"), kUsage);
    const QString lay = c.parser.isSet(layout) ? c.parser.value(layout) : QStringLiteral("table");
    if (lay != QLatin1String("table") && lay != QLatin1String("graph"))
        return fail(QStringLiteral("export: --layout takes table or graph"), kUsage);
    QString fmt = c.parser.value(format);
    if (!c.parser.isSet(format))
        fmt = c.parser.isSet(output) && WorkbookFile::isWorkbookPath(c.parser.value(output)) ? QStringLiteral("xlsx")
            : c.parser.isSet(output) && TextDataSet::separatorFor(c.parser.value(output)) == TextDataSet::Comma
            ? QStringLiteral("csv")
            : QStringLiteral("txt");
    const bool workbook = fmt == QLatin1String("xlsx");
    if (fmt != QLatin1String("txt") && fmt != QLatin1String("csv") && fmt != QLatin1String("csv-iso") && !workbook)
        return fail(QStringLiteral("export: --format takes txt, csv, csv-iso or xlsx"), kUsage);
    if ((fmt == QLatin1String("csv-iso") || workbook) && c.parser.isSet(layout))
        return fail(QStringLiteral("export: --format %1 has its own layout; leave out --layout").arg(fmt), kUsage);
    if (workbook && !c.parser.isSet(output))
        return fail(QStringLiteral("export: --format xlsx needs --output FILE.xlsx"), kUsage);
    bool ok = true;
    const int number = c.parser.isSet(set) ? c.parser.value(set).toInt(&ok) : 1;
    if (!ok || number < 1)
        return fail(QStringLiteral("export: --set takes a set number from 1"), kUsage);

    const CollectionSets sets = readCollectionSets(c.parser.positionalArguments().first());
    if (!sets.ok)
        return fail(sets.error);
    const int count = sets.collection->sets.size();
    QList<int> chosen;
    if (c.parser.isSet(all)) {
        for (int i = 0; i < count; ++i) {
            if (sets.usable(i))
                chosen << i;
            else
                reportImpossible(sets, i);
        }
    } else {
        if (number > count)
            return fail(QStringLiteral("export: the file holds %1 set%2; there is no set %3")
                            .arg(count)
                            .arg(count == 1 ? QString() : QStringLiteral("s"))
                            .arg(number));
        if (!sets.usable(number - 1))
            return fail(QStringLiteral("set %1 starts on an impossible date and time (%2); it cannot be written")
                            .arg(number)
                            .arg(sets.impossibleStart.at(number - 1)));
        chosen << number - 1;
    }

    if (workbook) {
        // A workbook without a sheet is not one.
        if (chosen.isEmpty())
            return fail(QStringLiteral("export: no set can be written"));
        const QString error = writeWorkbook(c.parser.value(output), sets, chosen, c.parser.isSet(all));
        return error.isEmpty() ? 0 : fail(error.simplified());
    }
    const ExportLayout how = fmt == QLatin1String("csv-iso") ? ExportLayout::CsvIso
        : lay == QLatin1String("graph")                      ? ExportLayout::Graph
                                                             : ExportLayout::Table;
    const QChar separator = fmt == QLatin1String("txt") ? TextDataSet::Tab : TextDataSet::Comma;
    SafeFile file(c.parser.value(output));
    QFile standardOutput;
    QIODevice *device = nullptr;
    if (c.parser.isSet(output)) {
        if (!file.open())
            return fail(fileFailure(file));
        device = &file;
    } else {
        if (!standardOutput.open(stdout, QIODevice::WriteOnly))
            return fail(QStringLiteral("the standard output cannot be written"));
        device = &standardOutput;
    }
    QString error;
    bool first = true;
    for (int i : chosen) {
        if (!writeSet(*device, sets, i, how, separator, first, &error, c.parser.isSet(all))) {
            if (device == &standardOutput)
                return fail(standardOutputFailure(standardOutput.errorString()));
            return fail(file.failed() ? fileFailure(file) : error.simplified());
        }
        first = false;
    }
    if (device == &file && !file.commit())
        return fail(fileFailure(file));
    if (device == &standardOutput && !standardOutput.flush())
        return fail(standardOutputFailure(standardOutput.errorString()));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kv481"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KV481_VERSION));
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe is a write error, reported once
#endif
    const QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    if (command.isEmpty())
        return fail(QStringLiteral("which command? (kv481 --help lists them)"), kUsage);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        std::fputs(kSummary, stdout);
        return 0;
    }
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        std::printf("kv481 %s\n", KV481_VERSION);
        return 0;
    }
    const std::map<QString, std::function<int(const QStringList &)>> commands{
        {QStringLiteral("ports"), portsCommand},       {QStringLiteral("identify"), identifyCommand},
        {QStringLiteral("read"), readCommand},         {QStringLiteral("download"), downloadCommand},
        {QStringLiteral("sets"), setsCommand},         {QStringLiteral("export"), exportCommand},
        {QStringLiteral("publish"), publishCommand},
        {QStringLiteral("watch"), kv::watchCommand},
    };
    const auto it = commands.find(command);
    if (it == commands.end())
        return fail(QStringLiteral("unknown command \"%1\" (kv481 --help lists them)").arg(command), kUsage);
    QStringList rest = args;
    rest.removeAt(1); // the parser takes the program name and the options
    return it->second(rest);
}
