// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandExchange.h"

#include "CommandContext.h"
#include "protocol/ChipModels.h"
#include "serial/DebugLog.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace kel {

namespace {

// The driver probe, the same in both dialects.
constexpr char kProbeCommand[] = "kel\n";

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
    // Written first: the board starts on it while the pane catches up.
    const std::size_t written = ctx.Port().Write(bytes, count);
    ctx.AppendLog(std::string(text, strnlen(text, count)));
    return written;
}

std::size_t SendText(CommandContext& ctx, std::string_view text, bool withNul) {
    std::string bytes(text);
    if (withNul)
        bytes.push_back('\0');
    return SendCommand(ctx, bytes.data(), bytes.size());
}

int SendInDialect(CommandContext& ctx, std::string_view body, Terminator terminator) {
    if (!HasChipModel(ctx))
        return kResultNoChipModel;
    std::string command(DialectPrefix(ctx.ChipModelIndex()));
    command += body;
    if (SendText(ctx, command, terminator == Terminator::WithNul) == 0)
        return kResultFailed;
    return kResultOk;
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
    if (!complete) {
        DebugNote(DebugArea::Protocol, "no line feed in " + std::to_string(limit) +
                                           " read attempts; the line reader gave up");
        return kResultFailed;
    }
    // A board that ends its lines in CR LF says the same lines: the CR is no
    // part of them (the traffic tap has seen it as it came).
    if (pos >= 2 && buffer[pos - 2] == '\r') {
        buffer[pos - 2] = '\n';
        buffer[pos - 1] = '\0';
    }

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

bool LineBeginsWith(std::string_view line, std::string_view label) {
    return line.starts_with(label);
}

int AwaitLine(CommandContext& ctx, char* buffer, int limit, const LineCheck& isAwaited,
              int giveUpAllowance, int otherLineLimit) {
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
        ++otherLines;
        if (otherLines >= bound.lines || otherLines >= otherLineLimit ||
            std::chrono::steady_clock::now() - start >= bound.time) {
            DebugNote(DebugArea::Protocol,
                      std::to_string(otherLines) + " other lines and no awaited one; given up");
            return kResultFailed;
        }
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
    if (SendText(ctx, kProbeCommand, true) == 0)
        return kResultFailed;
    return WaitForLine(ctx, {kDriverReady}, kProbeLineLimit);
}

int ConnectDevice(CommandContext& ctx) {
    if (const int sent = SendInDialect(ctx, "connect\n", Terminator::WithNul); sent != kResultOk)
        return sent;
    return WaitForLine(ctx, {kCmdOk});
}

int EnablePhy(CommandContext& ctx, std::string& powerText) {
    if (const int sent = SendInDialect(ctx, "enable_phy\n", Terminator::WithNul); sent != kResultOk)
        return sent;
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
    return SendInDialect(ctx, "disconnect\n", Terminator::WithNul);
}

int WaitAck(CommandContext& ctx) {
    return WaitForLine(ctx, {kCmdOk, kAck200, kCmdError});
}

int WaitAnyAck(CommandContext& ctx) {
    return WaitForLine(ctx, {kCmdOk, kAck200, kAck400, kDriverReady, kCmdError});
}

} // namespace kel
