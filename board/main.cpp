// kel-virtual-board: serves the virtual board on a pseudo-terminal until
// SIGINT or SIGTERM. The first line of standard output is the device path to
// give the console (or any terminal program that sets its line to raw).

#include "board/FaultMode.h"
#include "board/VirtualBoardHost.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace {

void PrintUsage(std::FILE* to) {
    std::fputs("Usage: kel-virtual-board [--fault MODE]\n"
               "Serves a stand-in for the RF test firmware on a pseudo-terminal and prints\n"
               "its device path as the first line. Stops on SIGINT or SIGTERM.\n"
               "\n"
               "MODE is one of:\n",
               to);
    std::fputs(kel::board::FaultModeHelp().c_str(), to);
}

} // namespace

int main(int argc, char** argv) {
    kel::board::FaultMode fault;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        std::string_view modeText;
        if (arg == "--fault" && i + 1 < argc)
            modeText = argv[++i];
        else if (arg.starts_with("--fault="))
            modeText = arg.substr(8);
        else {
            std::fprintf(stderr, "kel-virtual-board: unexpected argument \"%s\"\n", argv[i]);
            PrintUsage(stderr);
            return 2;
        }
        std::string why;
        const std::optional<kel::board::FaultMode> parsed =
            kel::board::ParseFaultMode(modeText, &why);
        if (!parsed) {
            std::fprintf(stderr, "kel-virtual-board: %s\n", why.c_str());
            PrintUsage(stderr);
            return 2;
        }
        fault = *parsed;
    }

    // Blocked before the host's thread starts, so only sigtimedwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    kel::board::VirtualBoardHost host(fault);
    if (host.SlavePath().empty()) {
        std::fprintf(stderr, "kel-virtual-board: cannot open a pseudo-terminal: %s\n",
                     host.Error().c_str());
        return 1;
    }
    std::printf("%s\n", host.SlavePath().c_str());
    std::fflush(stdout);

    const timespec poll{0, 200 * 1000 * 1000};
    while (host.Serving()) {
        if (sigtimedwait(&stopSignals, nullptr, &poll) > 0)
            break;
    }
    if (host.HungUp())
        std::fputs("kel-virtual-board: hung up the line (fault mode)\n", stderr);
    host.Stop();
    return 0;
}
