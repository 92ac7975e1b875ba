// SPDX-License-Identifier: GPL-3.0-or-later
// kel-reply-path-bench [CONNECTS]: the console's connect sequence, again and
// again, timed on the line by a relay between the console and the virtual
// board, while it records to a store and a results server that cannot be
// reached warns: for each reply, how long the console took from its last
// byte to the next command's first, median, 99th percentile and worst in
// microseconds.

#include "ConsoleFixture.h"
#include "board/VirtualBoardHost.h"
#include "resources/ResourceIds.h"
#include "results/StoreSetting.h"
#include "tests/support/PtyRelay.h"
#include "tests/support/TempFolder.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kQB202 = 2; // a chip model that reads its offset and SDD powers too

// The first line of a reply, printable.
std::string FirstLine(const std::string& bytes) {
    std::string line = bytes.substr(0, bytes.find('\n'));
    std::erase_if(line, [](char c) { return c == '\r' || c == '\0'; });
    return line;
}

struct Gaps {
    std::string reply; // what the board answered
    std::vector<double> us;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int connects = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    kel::test::TempFolder folder("kel-reply-path");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString((folder.path / "state").string()));
    qputenv(kel::results::kResultsVariable,
            QByteArray::fromStdString("postgresql:///kel?host=" + (folder.path / "none").string()));
    kel::board::VirtualBoardHost board;

    std::map<std::size_t, Gaps> byReply; // by the reply's place in the sequence
    for (int round = 0; round < connects; ++round) {
        kel::test::PtyRelay relay(board.SlavePath());
        ConsoleFixture console;
        if (!console.Connect(kQB202, relay.SlavePath())) {
            std::fprintf(stderr, "kel-reply-path-bench: no connection on round %d\n", round);
            return 1;
        }
        const std::vector<kel::test::PtyRelay::Run> runs = relay.Transcript();
        std::size_t reply = 0;
        for (std::size_t i = 1; i < runs.size(); ++i) {
            if (!runs[i].fromPort || runs[i - 1].fromPort)
                continue;
            Gaps& gaps = byReply[reply++];
            gaps.reply = FirstLine(runs[i - 1].bytes);
            gaps.us.push_back(
                std::chrono::duration<double, std::micro>(runs[i].firstAt - runs[i - 1].lastAt)
                    .count());
        }
        console.Click(kel::res::IDC_CONNECT); // disconnect before the next round
    }

    std::printf("reply to next command, %d connects (microseconds)\n", connects);
    std::printf("%-28s %8s %8s %8s\n", "reply", "median", "99th", "worst");
    double worst = 0;
    for (auto& [place, gaps] : byReply) {
        std::sort(gaps.us.begin(), gaps.us.end());
        worst = std::max(worst, gaps.us.back());
        std::printf("%-28s %8.0f %8.0f %8.0f\n", gaps.reply.substr(0, 28).c_str(),
                    gaps.us[gaps.us.size() / 2], gaps.us[gaps.us.size() * 99 / 100],
                    gaps.us.back());
    }
    std::printf("worst of all: %.0f us\n", worst);
    return 0;
}
