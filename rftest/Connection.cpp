// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/Connection.h"

#include "protocol/CommandExchange.h"

namespace kel::rftest {

Failure Handshake(CommandContext& ctx, std::string& powerText) {
    if (ProbeDriver(ctx) != kResultOk)
        return kProbeFailed;
    if (ConnectDevice(ctx) != kResultOk)
        return kConnectFailed;
    if (EnablePhy(ctx, powerText) != kResultOk)
        return kEnablePhyFailed;
    return nullptr;
}

void Disconnect(CommandContext& ctx) {
    DisconnectDevice(ctx);
}

} // namespace kel::rftest
