// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/SddDump.h"

#include "protocol/CatalogueExchange.h"
#include "protocol/CommandContext.h"
#include "protocol/NumberReading.h"
#include "serial/SerialPort.h"

#include <cerrno>
#include <cstdint>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace kel {

namespace {
constexpr int kLengthZero = -2;

bool ReadUntilLineIs(CommandContext& ctx, ReplyBuffer& reply, const char* expected) {
    return WaitForEndLine(ctx, reply, {expected}) == kResultOk;
}

// A dump whose body is not read: the rest of it (logged like any skipped
// line) comes off the line up to its OK line, so the next command does not
// take that OK as its own.
int Refuse(CommandContext& ctx, ReplyBuffer& reply, int result) {
    ReadUntilLineIs(ctx, reply, kCmdOk);
    return result;
}

bool ReadBody(SerialPort& port, std::vector<std::uint8_t>& body) {
    for (std::uint8_t& byte : body) {
        if (port.ReadByteRetry(&byte) != 0)
            return false;
    }
    return true;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& body) {
    std::size_t done = 0;
    while (done < body.size()) {
        const ssize_t n = ::write(fd, body.data() + done, body.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}
} // namespace

int get_sdd_file(CommandContext& ctx) {
    return SendInDialect(ctx, "get_sdd_file ascii\n", Terminator::WithoutNul);
}

int ReadSddDump(CommandContext& ctx, int fd) {
    ReplyBuffer reply;
    const auto isLengthLine = [](const char* line) {
        return LineBeginsWith(line, kSddLengthLabel);
    };
    if (AwaitLine(ctx, reply.data(), kLineLimit, isLengthLine) != kResultOk)
        return kResultFailed;
    const std::int64_t length =
        ReadInteger64(reply.Line().substr(std::string_view(kSddLengthLabel).size()));
    if (length == 0)
        return Refuse(ctx, reply, kLengthZero);
    if (length < 0 || static_cast<std::uint64_t>(length) > kSddDumpMaxLength)
        return Refuse(ctx, reply, kResultFailed);
    if (!ReadUntilLineIs(ctx, reply, kBeginSddDump))
        return kResultFailed;
    std::vector<std::uint8_t> body(static_cast<std::size_t>(length));
    if (!ReadBody(ctx.Port(), body))
        return kResultFailed;
    if (!WriteAll(fd, body))
        return kResultFailed;
    if (!ReadUntilLineIs(ctx, reply, kEndSddDump))
        return kResultFailed;
    if (!ReadUntilLineIs(ctx, reply, kCmdOk))
        return kResultFailed;
    return kResultOk;
}

} // namespace kel
