// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kel-rftest's command line as CLI11 reads it: the options and their help
// (Arguments.cpp, which runs it), what a refused line misses
// (CommandLineMissing.cpp), and the values checked into an Invocation
// (CommandLineResolve.cpp).

#include "cli/Invocation.h"
#include "rftest/RfTables.h"
#include "rftest/ValueChecks.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

// A refused value is a refusal of the command line: exit 2, nothing sent.
using UsageError = rftest::ValueError;

// Every option as typed: kel-rftest checks each value itself, so that each
// refusal says what the option takes.
struct Raw {
    std::string port;
    bool virtualBoard = false;
    std::string model;
    std::string baud = std::to_string(rftest::kDefaultBaudRate);
    std::string channel, rate, power, timeout, waitPort;
    bool json = false, verbose = false;
    std::string count = "0", length = "0";
    bool fullDuty = false;
    std::string seconds, sent, maxPer;
    std::string channels, rates, csv;
    bool force = false, append = false;
    std::vector<std::string> values;
    std::string value, path;
    std::string source, dest, bssid;
    std::vector<std::string> words;
    bool yes = false;
    std::string results, station, operatorName, dut;
    bool noMac = false;
};

class CommandLine {
public:
    CommandLine();

    CLI::App app;
    Raw raw;

    Invocation Resolve() const;
    // The subcommand chosen, as far as the words went.
    std::optional<Subcommand> ChosenSubcommand() const;
    // What a line that names no subcommand, or misses required options, lacks:
    // everything at once. Nothing when the refusal is of another kind.
    std::optional<std::string> WhatIsMissing() const;

private:
    void Build();
    // Named as SubcommandName spells it, the last word under a group.
    CLI::App* Add(CLI::App& parent, Subcommand subcommand, const char* help);
    // A word that groups subcommands ("mac get"): one of them must follow.
    CLI::App* Group(const char* name, const char* help);
    void AddSeconds(CLI::App* sub, const char* help, bool required);
    void AddPer(CLI::App* sub, bool sentRequired);
    static bool Given(const std::vector<CLI::Option*>& options) {
        return std::any_of(options.begin(), options.end(),
                           [](const CLI::Option* o) { return o->count() > 0; });
    }
    static CLI::App* Chosen(const CLI::App& parent) {
        const std::vector<CLI::App*> chosen = parent.get_subcommands();
        return chosen.empty() ? nullptr : chosen.front();
    }
    // The deepest subcommand or group given.
    const CLI::App* Deepest() const {
        const CLI::App* at = &app;
        while (const CLI::App* next = Chosen(*at))
            at = next;
        return at;
    }
    std::string UnknownSubcommand(const CLI::App& at) const;

    std::map<const CLI::App*, Subcommand> subcommands_;
    CLI::Option* portOption_ = nullptr;
    CLI::Option* channelOption_ = nullptr;
    CLI::Option* rateOption_ = nullptr;
    CLI::Option* powerOption_ = nullptr;
    CLI::Option* timeoutOption_ = nullptr;
    CLI::Option* waitPortOption_ = nullptr;
    CLI::Option* resultsOption_ = nullptr;
    CLI::Option* csvOption_ = nullptr;
    std::vector<CLI::Option*> secondsOptions_;
    std::vector<CLI::Option*> sentOptions_;
    std::vector<CLI::Option*> maxPerOptions_;
};

// Why the chip model cannot run the subcommand; nothing when it can.
std::optional<std::string> TraitRefusal(int modelRow, Subcommand subcommand, bool sentGiven);

} // namespace kel::cli
