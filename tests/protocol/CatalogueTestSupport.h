#pragma once
// Shared by the command catalogue tests: a port on a scripted pseudo-terminal
// peer, and the bytes the port wrote since the last look.

#include "protocol/CommandExchange.h"
#include "tests/support/PtyConnection.h"

#include <gtest/gtest.h>
#include <string>

namespace kel::test {

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
    CommandContext& Ctx() { return link.ctx; }
    const std::string& Log() const { return link.ctx.log; }

    PtyConnection link;

private:
    std::size_t seen_ = 0;
};

} // namespace kel::test
