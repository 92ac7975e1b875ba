// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the committed seed corpus from the virtual board's real replies:
// every exchange operation is run with the board model answering what it
// writes, and what it read becomes that operation's seed; the reply lines seed
// the number reader, the commands written seed the board model. Each seed is
// replayed and checked like a fuzz input before it is written.
//   kel-fuzz-seeds <folder>   (the tree's is fuzz/seeds)

#include "board/BoardModel.h"
#include "fuzz/BoardModelInput.h"
#include "fuzz/ExchangeChecks.h"
#include "fuzz/ExchangeOps.h"
#include "protocol/ChipModels.h"
#include "serial/LineDefinition.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace kel::fuzz {
namespace {

namespace fs = std::filesystem;

// The seeds speak each dialect through the first chip model that has it.
int FirstRowSpeaking(Dialect dialect) {
    for (std::size_t row = 0; row < kChipModels.size(); ++row) {
        if (kChipModels[row].dialect == dialect)
            return static_cast<int>(row);
    }
    return -1;
}

struct Seeds {
    fs::path root;
    std::set<std::string> replyLines;
    std::string session; // every command written, in order

    void Write(const std::string& target, const std::string& name, const std::string& bytes) {
        fs::create_directories(root / target);
        std::ofstream(root / target / name, std::ios::binary) << bytes;
    }
};

// A board that has been through the handshake, unless the operation does it.
board::BoardModel BoardFor(std::string_view op) {
    board::BoardModel model;
    if (op != "probe" && op != "connect" && op != "handshake")
        model.Feed("kel connect\nkel enable_phy\n");
    return model;
}

std::string Transcribe(int chipModel, std::size_t op, Seeds& seeds) {
    board::BoardModel model = BoardFor(ExchangeOps()[op].name);
    ScriptedLine& line = ScriptedLine::Current();
    line.Load("");
    line.responder = [&](std::string_view written) { return board::Join(model.Feed(written)); };
    ExchangeOutputs outputs;
    const std::string header = EncodeExchangeHeader(chipModel, op);
    RunExchange(*DecodeExchangeInput(header), line, outputs);
    for (const TranscriptEntry& entry : line.transcript) {
        if (entry.kind == TranscriptEntry::Write)
            seeds.session += entry.bytes;
    }
    return line.bytesRead;
}

// Replays a seed as the fuzzer would and returns its result.
int Replay(const std::string& input) {
    return RunCheckedExchange(*DecodeExchangeInput(input));
}

void CollectLines(const std::string& bytes, Seeds& seeds) {
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
        seeds.replyLines.insert(bytes.substr(start, end + 1 - start));
}

void WriteExchangeSeeds(Seeds& seeds) {
    for (const Dialect dialect : {Dialect::Bare, Dialect::Prefixed}) {
        const int chipModel = FirstRowSpeaking(dialect);
        for (std::size_t op = 0; op < ExchangeOps().size(); ++op) {
            const std::string read = Transcribe(chipModel, op, seeds);
            if (read.empty())
                continue; // nothing written, so the board said nothing
            CollectLines(read, seeds);
            const std::string input = EncodeExchangeHeader(chipModel, op) + EscapeBytes(read);
            const std::string name = ExchangeOps()[op].name +
                                     std::string(dialect == Dialect::Prefixed ? "-prefixed" : "");
            std::printf("%-28s %4zu bytes read, result %d\n", name.c_str(), read.size(),
                        Replay(input));
            seeds.Write("exchange", name, input);
        }
    }
    // The bare readers and the waits that write nothing: one line each.
    for (const char* bare : {"wait_ack", "wait_any_ack", "read_reply_line", "wait_for_line"}) {
        const std::size_t op = ExchangeOpIndex(bare);
        for (const std::string& reply : seeds.replyLines) {
            if (reply.find("OK") == std::string::npos && reply.find("ready") == std::string::npos)
                continue;
            const std::string input = EncodeExchangeHeader(2, op) + EscapeBytes(reply);
            Replay(input);
            seeds.Write("exchange", ExchangeOps()[op].name + ("-" + std::to_string(reply.size())),
                        input);
        }
    }
}

void WriteNumberSeeds(Seeds& seeds) {
    int index = 0;
    for (const std::string& reply : seeds.replyLines)
        seeds.Write("numbers", "reply-" + std::to_string(index++), reply);
    // The PER read-out: sent, total, abort and CRC errors as the console holds them.
    seeds.Write("numbers", "per", "1000\n990\n0\n10\n");
    seeds.Write("numbers", "beyond-32-bits", "4294967297");
    seeds.Write("numbers", "beyond-64-bits", " -9223372036854775809");
}

void WriteDefinitionSeeds(Seeds& seeds) {
    const char* paths[] = {
        "/dev/ttyUSB0",
        "/dev/ttyACM1",
        "/dev/pts/3",
        "/dev/serial/by-id/usb-Vendor_Adapter_0001-if00-port0",
        "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
        "/tmp/kel-port=1:a=b",
    };
    const std::uint32_t rates[] = {115200, 921600, 3000000, 123456};
    int index = 0;
    for (const char* path : paths) {
        const std::uint32_t baud = rates[index % std::size(rates)];
        seeds.Write("line-definition", "definition-" + std::to_string(index++),
                    FormatDefinition(path, baud, 'N', 8, 1));
        seeds.Write("line-definition", "path-" + std::to_string(index), path);
    }
}

void WriteBoardSeeds(Seeds& seeds) {
    const std::string board0 = EncodeBoardHeader(0, board::kDefaultRxLevelDbm);
    seeds.Write("board-model", "session", board0 + seeds.session);
    // A weak board far down the tray, near the top rates' sensitivity.
    seeds.Write("board-model", "session-weak-rx",
                EncodeBoardHeader(200, -80, kWeakRx | kSeeded, 7) + seeds.session);
    std::set<std::string> commands;
    for (std::size_t start = 0, end;
         (end = seeds.session.find('\n', start)) != std::string::npos;) {
        // A command with the NUL some of them carry.
        const bool nul = end + 1 < seeds.session.size() && seeds.session[end + 1] == '\0';
        const std::size_t next = end + (nul ? 2 : 1);
        commands.insert(seeds.session.substr(start, next - start));
        start = next;
    }
    int index = 0;
    for (const std::string& command : commands)
        seeds.Write("board-model", "command-" + std::to_string(index++), board0 + command);
}

} // namespace
} // namespace kel::fuzz

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    kel::fuzz::Seeds seeds{argv[1], {}, {}};
    kel::fuzz::WriteExchangeSeeds(seeds);
    kel::fuzz::WriteNumberSeeds(seeds);
    kel::fuzz::WriteDefinitionSeeds(seeds);
    kel::fuzz::WriteBoardSeeds(seeds);
    return 0;
}
