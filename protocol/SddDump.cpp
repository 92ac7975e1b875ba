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
constexpr std::string_view kLengthLabel = "sdd file length:";
constexpr const char kBeginDump[] = "begin dump sdd file\n";
constexpr const char kEndDump[] = "end dump sdd file\n";
constexpr int kLengthZero = -2;

bool ReadUntilLineStartsWith(CommandContext& ctx, ReplyBuffer& reply, std::string_view label) {
    for (;;) {
        if (ReadReplyLine(ctx, reply.data(), kLineLimit) != 0)
            return false;
        if (reply.Line().starts_with(label))
            return true;
    }
}

bool ReadUntilLineIs(CommandContext& ctx, ReplyBuffer& reply, const char* expected) {
    for (;;) {
        if (ReadReplyLine(ctx, reply.data(), kLineLimit) != 0)
            return false;
        if (LineIs(reply.data(), expected))
            return true;
    }
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
    if (!ReadUntilLineStartsWith(ctx, reply, kLengthLabel))
        return kResultFailed;
    const std::int64_t length = ReadInteger64(reply.Line().substr(kLengthLabel.size()));
    if (length == 0)
        return kLengthZero;
    if (length < 0 || static_cast<std::uint64_t>(length) > kSddDumpMaxLength)
        return kResultFailed;
    if (!ReadUntilLineIs(ctx, reply, kBeginDump))
        return kResultFailed;
    std::vector<std::uint8_t> body(static_cast<std::size_t>(length));
    if (!ReadBody(ctx.Port(), body))
        return kResultFailed;
    if (!WriteAll(fd, body))
        return kResultFailed;
    if (!ReadUntilLineIs(ctx, reply, kEndDump))
        return kResultFailed;
    if (!ReadUntilLineIs(ctx, reply, kCmdOk))
        return kResultFailed;
    return kResultOk;
}

} // namespace kel
