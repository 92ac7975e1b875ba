// SPDX-License-Identifier: GPL-3.0-or-later
// kel-virtual-board: serves virtual boards, each on a pseudo-terminal of its
// own, until SIGINT or SIGTERM. Standard output starts with one device path a
// line, board 0 first: what to give the console (or any terminal program that
// sets its line to raw).

#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "board/TrayArguments.h"
#include "resources/Version.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (std::find(args.begin(), args.end(), "--version") != args.end()) {
        std::fputs(kel::res::VersionNotice("kel-virtual-board").c_str(), stdout);
        return 0;
    }
    std::string why;
    const auto parsed = kel::board::ParseTrayArguments(args, why);
    if (!parsed) {
        std::fprintf(stderr, "kel-virtual-board: %s\n", why.c_str());
        std::fputs(kel::board::TrayUsage().c_str(), stderr);
        return 2;
    }
    if (parsed->help) {
        std::printf("%s\n%s", kel::res::VersionLine("kel-virtual-board").c_str(),
                    kel::board::TrayUsage().c_str());
        return 0;
    }

    // Blocked before the tray's thread starts, so only sigtimedwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    kel::board::BoardTray tray(parsed->boards);
    if (!tray.Error().empty()) {
        std::fprintf(stderr, "kel-virtual-board: cannot open a pseudo-terminal: %s\n",
                     tray.Error().c_str());
        return 1;
    }
    std::unique_ptr<kel::board::InstrumentServer> bench;
    if (parsed->instrumentPort) {
        // *IDN? has four comma-separated fields: the version's own comma must go.
        std::string firmware(kel::res::BuildVersion());
        std::replace(firmware.begin(), firmware.end(), ',', ';');
        bench = std::make_unique<kel::board::InstrumentServer>(
            tray, *parsed->instrumentPort,
            "kelGuiTool,Virtual Bench,VB" + std::to_string(tray.Size()) + "," + firmware);
        if (!bench->Error().empty()) {
            std::fprintf(stderr, "kel-virtual-board: instrument: %s\n", bench->Error().c_str());
            return 1;
        }
    }
    for (std::size_t i = 0; i < tray.Size(); ++i)
        std::printf("%s\n", tray.SlavePath(i).c_str());
    if (bench)
        std::printf("%s\n", bench->Url().c_str());
    std::fflush(stdout);

    // Each hang-up is told once, as it happens; the other boards go on.
    std::vector<bool> told(tray.Size(), false);
    const auto tellHangUps = [&] {
        for (std::size_t i = 0; i < tray.Size(); ++i) {
            if (told[i] || !tray.HungUp(i))
                continue;
            told[i] = true;
            if (tray.Size() == 1)
                std::fputs("kel-virtual-board: hung up the line (fault mode)\n", stderr);
            else
                std::fprintf(stderr, "kel-virtual-board: board %zu hung up its line (fault mode)\n",
                             i);
        }
    };
    const timespec poll{0, 200 * 1000 * 1000};
    while (tray.Serving()) {
        tellHangUps();
        if (sigtimedwait(&stopSignals, nullptr, &poll) > 0)
            break;
    }
    tellHangUps();
    bench.reset();
    tray.Stop();
    return 0;
}
