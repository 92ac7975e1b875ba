// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/ExchangeOps.h"

#include "protocol/CalibrationCommands.h"
#include "protocol/PowerModeCommands.h"
#include "protocol/RfTestCommands.h"
#include "protocol/SddDump.h"
#include "serial/SerialPort.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kel::fuzz {

namespace {

// Arguments the virtual board accepts, so seeds written against it are real
// exchanges; they change only the bytes written, never how replies are read.
constexpr char kPower[] = "10";
constexpr char kSrcMac[] = "02:4b:45:4c:00:01";
constexpr char kDstMac[] = "ff:ff:ff:ff:ff:ff";
constexpr char kBssid[] = "02:4b:45:4c:00:00";
constexpr char kFreqOffset[] = "48";

int Handshake(CommandContext& ctx, std::string& power) {
    if (const int probed = ProbeDriver(ctx); probed != kResultOk)
        return probed;
    if (const int connected = ConnectDevice(ctx); connected != kResultOk)
        return connected;
    return EnablePhy(ctx, power);
}

std::string FileContent(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return {};
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    const ssize_t got = pread(fd, content.data(), content.size(), 0);
    content.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return content;
}

int ExportSdd(ExchangeRun& run) {
    if (const int sent = get_sdd_file(run.ctx); sent != kResultOk)
        return sent;
    const int fd = memfd_create("sdd", MFD_CLOEXEC);
    Require(fd >= 0, "a memory file for the SDD body");
    const int result = ReadSddDump(run.ctx, fd);
    run.out.sddAsked = true;
    run.out.sddFile = FileContent(fd);
    close(fd);
    return result;
}

int ReadOneLine(ExchangeRun& run) {
    // Exactly as long as the reader is told it may be: limit + 1 bytes.
    const std::size_t size = run.limit > 0 ? static_cast<std::size_t>(run.limit) + 1 : 1;
    run.out.lineBuffer.assign(size, '#');
    return ReadReplyLine(run.ctx, run.out.lineBuffer.data(), run.limit);
}

const ExchangeOp kOps[] = {
    {"probe", true, kProbeLineLimit, [](ExchangeRun& r) { return ProbeDriver(r.ctx); }},
    {"connect", true, kLineLimit, [](ExchangeRun& r) { return ConnectDevice(r.ctx); }},
    {"enable_phy", true, kLineLimit, [](ExchangeRun& r) { return EnablePhy(r.ctx, r.out.power); }},
    {"disconnect", true, kLineLimit, [](ExchangeRun& r) { return DisconnectDevice(r.ctx); }},
    {"handshake", true, kProbeLineLimit,
     [](ExchangeRun& r) { return Handshake(r.ctx, r.out.power); }},
    {"wait_ack", false, kLineLimit, [](ExchangeRun& r) { return WaitAck(r.ctx); }},
    {"wait_any_ack", false, kLineLimit, [](ExchangeRun& r) { return WaitAnyAck(r.ctx); }},
    {"get_mac", true, kLineLimit,
     [](ExchangeRun& r) { return get_mac(r.ctx, r.out.srcMac, r.out.dstMac, r.out.bssid); }},
    {"set_mac", true, kLineLimit,
     [](ExchangeRun& r) { return set_mac(r.ctx, kSrcMac, kDstMac, kBssid); }},
    {"power_level", true, kLineLimit, [](ExchangeRun& r) { return power_level(r.ctx, kPower); }},
    {"tone", true, kLineLimit, [](ExchangeRun& r) { return tone(r.ctx); }},
    {"tone_stop", true, kLineLimit, [](ExchangeRun& r) { return tone_stop(r.ctx); }},
    {"tx", true, kLineLimit, [](ExchangeRun& r) { return tx(r.ctx, 1024, 100, 1); }},
    {"tx_stop", true, kLineLimit, [](ExchangeRun& r) { return tx_stop(r.ctx); }},
    {"rx", true, kLineLimit, [](ExchangeRun& r) { return rx(r.ctx); }},
    {"rx_stop", true, kLineLimit,
     [](ExchangeRun& r) {
         return rx_stop(r.ctx, r.out.total, r.out.abortErrors, r.out.crcErrors);
     }},
    {"channel", true, kLineLimit, [](ExchangeRun& r) { return channel(r.ctx, 6); }},
    {"rate", true, kLineLimit, [](ExchangeRun& r) { return rate(r.ctx, 2, 54.0f, r.out.power); }},
    {"set_freq_offset", true, kLineLimit,
     [](ExchangeRun& r) { return set_freq_offset(r.ctx, kFreqOffset); }},
    {"get_freq_offset", true, kLineLimit,
     [](ExchangeRun& r) { return get_freq_offset(r.ctx, r.out.freqOffset); }},
    {"get_sdd_freq_offset", true, kLineLimit,
     [](ExchangeRun& r) { return get_sdd_freq_offset(r.ctx, r.out.freqOffset); }},
    {"set_sdd_freq_offset", true, kLineLimit,
     [](ExchangeRun& r) { return set_sdd_freq_offset(r.ctx, kFreqOffset); }},
    {"get_sdd_power_all", true, kLineLimit,
     [](ExchangeRun& r) {
         return get_sdd_power_all(r.ctx, r.out.dsss, r.out.bpsk12, r.out.qam64);
     }},
    {"set_sdd_power_all", true, kLineLimit,
     [](ExchangeRun& r) { return set_sdd_power_all(r.ctx, "64", "56", "48"); }},
    {"switch_to_ldo_mode", true, kLineLimit,
     [](ExchangeRun& r) { return switch_to_ldo_mode(r.ctx); }},
    {"switch_to_dcdc_mode", true, kLineLimit,
     [](ExchangeRun& r) { return switch_to_dcdc_mode(r.ctx); }},
    {"sdd_export", true, kLineLimit, ExportSdd},
    {"read_reply_line", false, 0, ReadOneLine},
    {"wait_for_line", false, 0,
     [](ExchangeRun& r) {
         return WaitForLine(r.ctx, {kCmdOk, kAck200}, r.limit);
     }},
};

} // namespace

std::span<const ExchangeOp> ExchangeOps() {
    return kOps;
}

std::size_t ExchangeOpIndex(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kOps); ++i) {
        if (kOps[i].name == name)
            return i;
    }
    Require(false, "an operation of that name");
    return 0;
}

std::optional<ExchangeInput> DecodeExchangeInput(std::string_view bytes) {
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    ExchangeInput input;
    input.chipModel = byte(0) % 5 - 1;
    input.op = byte(1) % std::size(kOps);
    input.prefill = byte(2) == 0 ? 0 : kLogPaneLimit - 128 + byte(2);
    input.limit = static_cast<std::int16_t>(byte(3) << 8 | byte(4));
    input.script = bytes.substr(kHeaderSize);
    return input;
}

std::string EncodeExchangeHeader(int chipModel, std::size_t op, int limit) {
    const auto limit16 = static_cast<std::uint16_t>(limit);
    return {static_cast<char>(chipModel + 1), static_cast<char>(op), '\0',
            static_cast<char>(limit16 >> 8), static_cast<char>(limit16 & 0xFF)};
}

int RunExchange(const ExchangeInput& input, ScriptedLine& line, ExchangeOutputs& outputs) {
    SerialPort port;
    port.Open("scripted", 115200);
    ScriptedContext ctx(port, input.chipModel, line);
    ctx.Prefill(input.prefill);
    ExchangeRun run{ctx, input.limit, outputs};
    return kOps[input.op].run(run);
}

} // namespace kel::fuzz
