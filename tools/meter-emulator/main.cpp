// meter-emulator: a model 481 or 482 thermometer on a pseudo-terminal.
// Prints the device path on its first line and runs until stopped.

#include "MeterEmulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

void usage(std::ostream &o)
{
    o << "usage: meter-emulator --model 481|482 [--link PATH [--usb-serial SERIAL]] [--paced] [--memory FILE.rec]\n"
         "                      [--memory-kind KIND] [--empty-memory] [--write-memory FILE.rec]\n"
         "                      [--steady T1[,T2]] [fault options]\n"
         "\n"
         "  --model 481|482        one-channel or two-channel meter (default 482)\n"
         "  --link PATH            also make PATH a symlink to the device\n"
         "  --usb-serial SERIAL    with --link: show as a USB adapter with this serial\n"
         "                         number (a link in by-id/ beside PATH)\n"
         "  --paced                send at 9600 baud (about 1.04 ms a byte)\n"
         "  --memory FILE.rec      logger memory from a collection file\n"
         "  --memory-kind KIND     logger memory built in (default demo):\n"
         "      demo        a cup of coffee cooling, an oven warming up, a probe pulled\n"
         "                  out (overloads), a fridge through the night\n"
         "      full        filled to its last byte (last address 65535), e.g. with --paced\n"
         "      branches    1 to 3 samples, whole degrees, range limits, all overloads,\n"
         "                  tied maxima, Fahrenheit, across midnight, intervals 0 and 65535\n"
         "      bad-date    sets starting on impossible dates and times\n"
         "      many-sets   4000 sets, the most the header allows\n"
         "      empty       no data sets\n"
         "  --empty-memory         the same as --memory-kind empty\n"
         "  --write-memory FILE    write the logger memory as a collection file (as the\n"
         "                         program saves a download) and exit\n"
         "  --steady T1[,T2]       fixed temperatures in degrees C (no drift)\n"
         "faults:\n"
         "  --silent               answer nothing\n"
         "  --short N              cut every answer to N bytes\n"
         "  --bad-start            live frames with a wrong start mark\n"
         "  --bad-end              live frames with a wrong end mark\n"
         "  --stop-after-blocks N  stop answering memory requests after N blocks\n"
         "  --split-block N        send memory block N as 200 bytes, the rest with the next answer\n"
         "  --bad-record N         serve record N with a broken end marker\n"
         "  --frame-delay MS       send each live frame MS milliseconds late (later answers\n"
         "                         wait behind it)\n";
}

bool number(const char *s, int &out)
{
    char *end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!s[0] || *end)
        return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    emu::Options options;
    bool steady = false;
    double t1 = 23.4, t2 = 21.7;
    std::string writeMemory;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char *what) -> const char * {
            if (i + 1 >= argc) {
                std::cerr << "meter-emulator: " << a << " needs " << what << "\n";
                std::exit(2);
            }
            return argv[++i];
        };
        auto intValue = [&](const char *what) {
            int v = 0;
            if (!number(value(what), v)) {
                std::cerr << "meter-emulator: " << a << " needs a whole number\n";
                std::exit(2);
            }
            return v;
        };
        if (a == "--model") {
            options.model = intValue("481 or 482");
            if (options.model != 481 && options.model != 482) {
                std::cerr << "meter-emulator: --model takes 481 or 482\n";
                return 2;
            }
        } else if (a == "--link") {
            options.linkPath = value("a path");
        } else if (a == "--usb-serial") {
            options.usbSerial = value("a serial number");
        } else if (a == "--paced") {
            options.paced = true;
        } else if (a == "--memory") {
            std::string error;
            emu::Bytes m = emu::loadMemoryFile(value("a file"), &error);
            if (m.empty()) {
                std::cerr << "meter-emulator: " << error << "\n";
                return 2;
            }
            options.memory = m;
        } else if (a == "--memory-kind") {
            const std::string kind = value(emu::kMemoryKindNames);
            if (!emu::parseMemoryKind(kind, options.memoryKind)) {
                std::cerr << "meter-emulator: --memory-kind takes " << emu::kMemoryKindNames << "\n";
                return 2;
            }
        } else if (a == "--write-memory") {
            writeMemory = value("a file");
        } else if (a == "--empty-memory") {
            options.emptyMemory = true;
        } else if (a == "--steady") {
            const std::string v = value("T1[,T2]");
            steady = true;
            if (std::sscanf(v.c_str(), "%lf,%lf", &t1, &t2) < 1) {
                std::cerr << "meter-emulator: --steady takes T1[,T2]\n";
                return 2;
            }
        } else if (a == "--silent") {
            options.faults.silent = true;
        } else if (a == "--short") {
            options.faults.shortAnswers = intValue("a byte count");
        } else if (a == "--bad-start") {
            options.faults.badStartMark = true;
        } else if (a == "--bad-end") {
            options.faults.badEndMark = true;
        } else if (a == "--stop-after-blocks") {
            options.faults.stopAfterBlocks = intValue("a block count");
        } else if (a == "--split-block") {
            options.faults.splitBlock = intValue("a block number");
        } else if (a == "--bad-record") {
            options.faults.badRecord = intValue("a record number");
        } else if (a == "--frame-delay") {
            options.faults.frameDelayMs = intValue("milliseconds");
        } else if (a == "--help" || a == "-h") {
            usage(std::cout);
            return 0;
        } else {
            std::cerr << "meter-emulator: unknown option " << a << "\n";
            usage(std::cerr);
            return 2;
        }
    }

    if (!writeMemory.empty()) {
        const emu::MeterEmulator meter(options);
        std::string error;
        if (!emu::saveMemoryFile(writeMemory, meter.memory(), options.model == 481 ? 1 : 2, &error)) {
            std::cerr << "meter-emulator: " << error << "\n";
            return 1;
        }
        return 0;
    }

    // Wait for the stop signal synchronously instead of in a handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    emu::MeterEmulator meter(options);
    if (steady)
        meter.setTemperatures(t1, t2);
    std::string error;
    if (!meter.start(&error)) {
        std::cerr << "meter-emulator: " << error << "\n";
        return 1;
    }
    std::cout << meter.devicePath() << std::endl;
    std::cerr << "meter-emulator: model " << options.model << " on " << meter.devicePath();
    if (!options.linkPath.empty())
        std::cerr << " (link " << options.linkPath << ")";
    std::cerr << "; stop with Ctrl+C" << std::endl;

    int sig = 0;
    sigwait(&stopSignals, &sig);
    meter.stop();
    return 0;
}
