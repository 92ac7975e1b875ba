#include "CommandExchange.h"

#include "CommandContext.h"
#include "protocol/ChipModels.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace kel {

namespace {

// The handshake commands, each written with the NUL that ends its text
// (sizeof counts it).
constexpr char kProbeCommand[] = "kel\n";
constexpr char kConnectPrefixed[] = "netcmd lmac kel connect\n";
constexpr char kConnectBare[] = "kel connect\n";
constexpr char kEnablePhyPrefixed[] = "netcmd lmac kel enable_phy\n";
constexpr char kEnablePhyBare[] = "kel enable_phy\n";
constexpr char kDisconnectBare[] = "kel disconnect\n";

constexpr std::chrono::milliseconds kGiveUpPause{10};

bool IsPrefixedDialect(int chipModelIndex) {
    const ChipModel* model = ChipModelAt(chipModelIndex);
    return model != nullptr && model->dialect == Dialect::Prefixed;
}

// The line as log text: bytes up to the NUL, without its line feed.
std::string LineText(const char* line) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace

std::string_view DialectPrefix(int chipModelIndex) {
    const ChipModel* model = ChipModelAt(chipModelIndex);
    if (model == nullptr)
        return {};
    return model->dialect == Dialect::Prefixed ? "netcmd lmac kel " : "kel ";
}

bool HasChipModel(const CommandContext& ctx) {
    return !DialectPrefix(ctx.ChipModelIndex()).empty();
}

std::size_t SendCommand(CommandContext& ctx, const void* bytes, std::size_t count) {
    const auto* text = static_cast<const char*>(bytes);
    ctx.AppendLog(std::string(text, strnlen(text, count)));
    return ctx.Port().Write(bytes, count);
}

std::size_t SendText(CommandContext& ctx, std::string_view text, bool withNul) {
    std::string bytes(text);
    if (withNul)
        bytes.push_back('\0');
    return SendCommand(ctx, bytes.data(), bytes.size());
}

int ReadReplyLine(CommandContext& ctx, char* buffer, int limit) {
    if (limit <= 0)
        return kResultFailed;
    // One byte past the limit too, so even a line of limit bytes ends in a NUL.
    std::memset(buffer, 0, static_cast<std::size_t>(limit) + 1);
    SerialPort& port = ctx.Port();
    std::size_t pos = 0;
    bool complete = false;
    for (int attempt = 0; attempt < limit && !complete; ++attempt) {
        port.timedOut.store(0);
        auto* at = reinterpret_cast<std::uint8_t*>(buffer + pos);
        const int got = port.ReadByte(at);
        if (got == -1)
            return kResultFailed;
        if (got != 0)
            continue; // the slice ended without a byte
        complete = *at == '\n';
        ++pos;
    }
    if (!complete)
        return kResultFailed;

    if (ctx.LogLength() >= kLogPaneLimit)
        ctx.ClearLog();
    ctx.AppendLog(LineText(buffer) + "\r\n");
    return kResultOk;
}

bool LineIs(const char* line, const char* expected) {
    return std::strcmp(line, expected) == 0;
}

bool LineIsAnyOf(const char* line, std::initializer_list<const char*> texts) {
    for (const char* text : texts) {
        if (LineIs(line, text))
            return true;
    }
    return false;
}

bool LineBeginsWith(const char* line, const char* label) {
    return std::strncmp(line, label, std::strlen(label)) == 0;
}

int AwaitLine(CommandContext& ctx, char* buffer, int limit, const LineCheck& isAwaited,
              int giveUpAllowance) {
    const SerialPort& port = ctx.Port();
    const ChatterBound bound = ctx.chatterBound;
    const auto start = std::chrono::steady_clock::now();
    int otherLines = 0;
    for (;;) {
        if (ReadReplyLine(ctx, buffer, limit) != kResultOk) {
            // A line that is gone, or a user who stopped waiting, gets no second chance.
            if (giveUpAllowance <= 0 || port.CancelRequested() || port.HungUp())
                return kResultFailed;
            --giveUpAllowance;
            std::this_thread::sleep_for(kGiveUpPause);
            continue;
        }
        if (isAwaited(buffer))
            return kResultOk;
        if (++otherLines >= bound.lines || std::chrono::steady_clock::now() - start >= bound.time)
            return kResultFailed;
    }
}

int WaitForLine(CommandContext& ctx, std::initializer_list<const char*> expected, int limit) {
    if (limit <= 0)
        return kResultFailed;
    std::vector<char> buffer(limit == kProbeLineLimit ? kProbeBufferSize : kReplyBufferSize);
    if (buffer.size() <= static_cast<std::size_t>(limit))
        buffer.resize(static_cast<std::size_t>(limit) + 1);
    return AwaitLine(ctx, buffer.data(), limit,
                     [&](const char* line) { return LineIsAnyOf(line, expected); });
}

int ProbeDriver(CommandContext& ctx) {
    if (!HasChipModel(ctx))
        return kResultNoChipModel;
    if (SendCommand(ctx, kProbeCommand, sizeof kProbeCommand) == 0)
        return kResultFailed;
    return WaitForLine(ctx, {kDriverReady}, kProbeLineLimit);
}

int ConnectDevice(CommandContext& ctx) {
    if (!HasChipModel(ctx))
        return kResultNoChipModel;
    const bool prefixed = IsPrefixedDialect(ctx.ChipModelIndex());
    const std::size_t sent = prefixed ? SendCommand(ctx, kConnectPrefixed, sizeof kConnectPrefixed)
                                      : SendCommand(ctx, kConnectBare, sizeof kConnectBare);
    if (sent == 0)
        return kResultFailed;
    return WaitForLine(ctx, {kCmdOk});
}

int EnablePhy(CommandContext& ctx, std::string& powerText) {
    if (!HasChipModel(ctx))
        return kResultNoChipModel;
    const bool prefixed = IsPrefixedDialect(ctx.ChipModelIndex());
    const std::size_t sent = prefixed
                                 ? SendCommand(ctx, kEnablePhyPrefixed, sizeof kEnablePhyPrefixed)
                                 : SendCommand(ctx, kEnablePhyBare, sizeof kEnablePhyBare);
    if (sent == 0)
        return kResultFailed;
    char buffer[kReplyBufferSize];
    return AwaitLine(ctx, buffer, kLineLimit, [&](const char* line) {
        if (LineIs(line, kCmdOk))
            return true;
        if (LineBeginsWith(line, kPowerLevelLabel))
            powerText = LineText(line + std::strlen(kPowerLevelLabel));
        return false;
    });
}

int DisconnectDevice(CommandContext& ctx) {
    if (!HasChipModel(ctx))
        return kResultNoChipModel;
    // The prefixed dialect has no disconnect command.
    if (IsPrefixedDialect(ctx.ChipModelIndex()))
        return kResultOk;
    if (SendCommand(ctx, kDisconnectBare, sizeof kDisconnectBare) == 0)
        return kResultFailed;
    return kResultOk;
}

int WaitAck(CommandContext& ctx) {
    return WaitForLine(ctx, {kCmdOk, kAck200, kCmdError});
}

int WaitAnyAck(CommandContext& ctx) {
    return WaitForLine(ctx, {kCmdOk, kAck200, kAck400, kDriverReady, kCmdError});
}

} // namespace kel
