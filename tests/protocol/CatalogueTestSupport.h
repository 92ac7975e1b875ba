// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the command tests: a port on a scripted pseudo-terminal peer, the
// bytes the port wrote since the last look, the form of a case that checks
// what a command writes, and the check that without a chip model nothing is.

#include "protocol/CommandExchange.h"
#include "tests/support/PtyConnection.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <span>
#include <string>
#include <thread>

namespace kel::test {

using Command = std::function<int(CommandContext&)>;

// A command run in a chip model's dialect, the exact bytes it must write
// (their count given apart, as the board's command table counts them) and the
// reply that ends it.
struct WriteCase {
    const char* name;
    int chipModel;
    Command run;
    std::string bytes;
    std::size_t byteCount;
    const char* reply = kCmdOk;
};

// Without a chip model each command gives kResultNoChipModel, and nothing is
// written or logged.
inline void ExpectNothingWithoutChipModel(PtyConnection& link,
                                          std::initializer_list<Command> commands) {
    link.ctx.chipModelIndex = -1;
    for (const Command& run : commands)
        EXPECT_EQ(run(link.ctx), kResultNoChipModel);
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a late byte would show
    EXPECT_EQ(link.peer.Received(), "");
    EXPECT_EQ(link.ctx.log, "");
}

class CatalogueTest : public ::testing::Test {
protected:
    // Waits for `count` more bytes from the port and returns what came since
    // the last call (more than count when the port wrote too much).
    std::string WrittenSinceLastLook(std::size_t count) {
        const std::string all = link.peer.WaitReceived(seen_ + count);
        std::string fresh = all.substr(seen_);
        seen_ = all.size();
        return fresh;
    }

    void UseChipModel(int row) { link.ctx.chipModelIndex = row; }

    // Each case, answered by its reply, succeeds having written its bytes.
    void ExpectWrites(std::span<const WriteCase> cases) {
        for (const WriteCase& c : cases) {
            SCOPED_TRACE(c.name);
            ASSERT_EQ(c.bytes.size(), c.byteCount);
            UseChipModel(c.chipModel);
            link.peer.ScriptReplies({c.reply});
            EXPECT_EQ(c.run(Ctx()), kResultOk);
            EXPECT_EQ(WrittenSinceLastLook(c.byteCount), c.bytes);
        }
    }
    CommandContext& Ctx() { return link.ctx; }
    const std::string& Log() const { return link.ctx.log; }

    PtyConnection link;

private:
    std::size_t seen_ = 0;
};

} // namespace kel::test
