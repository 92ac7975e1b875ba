// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/TrayArguments.h"

#include "board/CommandText.h"
#include "board/RadioModel.h"

#include <charconv>
#include <cmath>
#include <map>

namespace kel::board {

namespace {

// One option's values: the one for every board and those for single boards.
template <typename Value> struct PerBoard {
    std::optional<Value> all;
    std::map<int, Value> single;

    Value For(int board, Value fallback) const {
        const auto found = single.find(board);
        if (found != single.end())
            return found->second;
        return all.value_or(fallback);
    }
};

std::optional<double> ParseLevel(std::string_view text) {
    double level = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), level);
    if (failure != std::errc{} || end != text.data() + text.size() || !std::isfinite(level) ||
        level < kMinRxLevelDbm || level > kMaxRxLevelDbm)
        return std::nullopt;
    return level;
}

// Splits "I:VALUE" into the board's index and the value; no index without a colon.
bool SplitIndex(std::string_view text, std::optional<int>& index, std::string_view& value) {
    const std::size_t colon = text.find(':');
    value = text;
    if (colon == std::string_view::npos)
        return true;
    const auto number = ParseInteger(text.substr(0, colon), 0, kMaxTrayBoards - 1);
    if (!number)
        return false;
    index = static_cast<int>(*number);
    value = text.substr(colon + 1);
    return true;
}

template <typename Value>
void Store(PerBoard<Value>& option, std::optional<int> index, Value value) {
    if (index)
        option.single[*index] = value;
    else
        option.all = value;
}

std::string Whole(double value) {
    return std::to_string(static_cast<int>(value));
}

// "-120 to 0 dBm"
std::string LevelRange() {
    return Whole(kMinRxLevelDbm) + " to " + Whole(kMaxRxLevelDbm) + " dBm";
}

// The option's value, from "--name VALUE" or "--name=VALUE"; advances i past it.
std::optional<std::string_view> ValueOf(std::string_view name,
                                        std::span<const std::string_view> args, std::size_t& i) {
    const std::string_view arg = args[i];
    if (arg == name && i + 1 < args.size())
        return args[++i];
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=')
        return arg.substr(name.size() + 1);
    return std::nullopt;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

} // namespace

std::optional<TrayArguments> ParseTrayArguments(std::span<const std::string_view> args,
                                                std::string& error) {
    TrayArguments parsed;
    int count = 1;
    PerBoard<FaultMode> faults;
    PerBoard<double> levels;
    int highestIndex = -1;
    std::string highestOption;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (const auto text = ValueOf("--count", args, i)) {
            const auto n = ParseInteger(*text, 1, kMaxTrayBoards);
            if (!n) {
                error = "--count wants a number of boards from 1 to " +
                        std::to_string(kMaxTrayBoards) + ", not " + Quoted(*text);
                return std::nullopt;
            }
            count = static_cast<int>(*n);
            continue;
        }
        if (const auto text = ValueOf("--instrument", args, i)) {
            const auto port = ParseInteger(*text, 0, 65535);
            if (!port) {
                error = "--instrument wants a TCP port from 0 (any free one) to 65535, not " +
                        Quoted(*text);
                return std::nullopt;
            }
            parsed.instrumentPort = static_cast<int>(*port);
            continue;
        }
        const std::string_view arg = args[i];
        const auto fault = ValueOf("--fault", args, i);
        const auto level = fault ? std::nullopt : ValueOf("--rx-level", args, i);
        if (!fault && !level) {
            error = "unexpected argument " + Quoted(arg);
            return std::nullopt;
        }
        std::optional<int> index;
        std::string_view value;
        if (!SplitIndex(fault ? *fault : *level, index, value)) {
            error = Quoted(fault ? *fault : *level) +
                    ": a board's index goes before the colon, 0 to " +
                    std::to_string(kMaxTrayBoards - 1);
            return std::nullopt;
        }
        if (index && *index > highestIndex) {
            highestIndex = *index;
            highestOption = std::string(fault ? "--fault " : "--rx-level ") +
                            std::string(fault ? *fault : *level);
        }
        if (fault) {
            const auto mode = ParseFaultMode(value, &error);
            if (!mode)
                return std::nullopt;
            Store(faults, index, *mode);
            continue;
        }
        const auto dbm = ParseLevel(value);
        if (!dbm) {
            error = "--rx-level wants a level from " + LevelRange() + ", like -65 or 3:-80, not " +
                    Quoted(*level);
            return std::nullopt;
        }
        Store(levels, index, *dbm);
    }
    if (highestIndex >= count) {
        error = highestOption + ": there is no board " + std::to_string(highestIndex) + " (" +
                std::to_string(count) + (count == 1 ? " board" : " boards") +
                ", numbered from 0; --count N serves more)";
        return std::nullopt;
    }
    parsed.boards = TrayConfigs(count);
    for (BoardConfig& board : parsed.boards) {
        board.fault = faults.For(board.index, FaultMode{});
        board.rxLevelDbm = levels.For(board.index, kDefaultRxLevelDbm);
    }
    return parsed;
}

std::string TrayUsage() {
    const std::string maxBoards = std::to_string(kMaxTrayBoards);
    return "Usage: kel-virtual-board [--count N] [--fault [I:]MODE]... [--rx-level [I:]DBM]...\n"
           "                         [--instrument PORT]\n"
           "Serves stand-ins for the RF test firmware, each on a pseudo-terminal of its own,\n"
           "and prints their device paths, one a line, board 0 first. Stops on SIGINT or\n"
           "SIGTERM, or when every board has hung up its line.\n"
           "\n"
           "  --count N           serve N boards, 1 to " +
           maxBoards +
           " (1); board I has the source\n"
           "                      MAC 02:4b:45:4c:XX:YY with XXYY = I + 1 in hexadecimal, and a\n"
           "                      sensitivity and crystal offset of its own, alike every run\n"
           "  --fault [I:]MODE    how the boards misbehave (none)\n"
           "  --rx-level [I:]DBM  the level the tester's signal reaches the boards with,\n"
           "                      " +
           LevelRange() + " (" + Whole(kDefaultRxLevelDbm) +
           "); at -80 the top rates lose most frames\n"
           "  --instrument PORT   also serve the virtual bench: an SCPI counter, power meter,\n"
           "                      generator and switch on 127.0.0.1:PORT (0: a free port),\n"
           "                      its URL printed after the paths; route N is the Nth board\n"
           "  -h, --help          show this text\n"
           "  --version           show the version and the licence\n"
           "\n"
           "With I: an option applies to board I only (0 is the first board) and wins over\n"
           "the same option without it: --count 8 --fault 3:weak-rx --rx-level -70.\n"
           "An RX test hears a tester sending " +
           std::to_string(kFramesPerSecond) + " frames a second: --sent " +
           std::to_string(kFramesPerSecond) +
           " per second.\n"
           "\n"
           "MODE is one of:\n" +
           FaultModeHelp() + "\nThe manual: 'man kel-virtual-board'.\n";
}

} // namespace kel::board
