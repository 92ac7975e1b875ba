// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/station/StationOptions.h"

#include "plan/PlanReader.h"
#include "results/Recorder.h"
#include "rftest/ValueChecks.h"
#include "serial/PortNaming.h"
#include "windows/station/StationStart.h"

#include <QApplication>
#include <QInputDialog>
#include <algorithm>

std::optional<StationOptions> ReadStationOptions(const std::vector<std::string>& args,
                                                 std::string& error) {
    if (std::find(args.begin(), args.end(), "--station") == args.end())
        return std::nullopt;
    StationOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool valued = word == "--station" || word == "--slot" || word == "--operator";
        if (word == "--fullscreen") {
            options.fullscreen = true;
            continue;
        }
        if (!valued)
            continue; // Qt's own options
        if (word == "--station" && i + 1 == args.size())
            break; // no plan yet: the start form asks for it
        if (i + 1 >= args.size()) {
            error = word + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (word == "--station") {
            options.planPath = value;
        } else if (word == "--operator") {
            options.operatorName = value;
        } else {
            const std::size_t equals = value.find('=');
            if (equals == 0 || equals == std::string::npos || equals + 1 == value.size()) {
                error = "--slot " + value + ": give the slot's name and its port, NAME=PORT";
                return std::nullopt;
            }
            options.fixtures.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        }
    }
    if (options.fixtures.size() > 16) {
        error = "--station needs 1 to 16 slots, each --slot NAME=PORT";
        return std::nullopt;
    }
    if (kel::rftest::HoldsControlCharacter(options.operatorName)) {
        error = "--operator: one line of text";
        return std::nullopt;
    }
    return options;
}

std::optional<StationSetup> StationSetupFor(const StationOptions& options, std::string& errors) {
    kel::plan::PlanReading reading = kel::plan::ReadPlanFile(options.planPath);
    for (const kel::plan::PlanError& error : reading.errors)
        errors += error.Text() + "\n";
    std::string why;
    const auto store =
        kel::results::ParseStoreSetting(kel::results::StoreSettingText(std::nullopt), why);
    if (!store)
        errors += std::string(kel::results::kResultsVariable) + ": " + why + "\n";
    StationSetup setup;
    for (const auto& [name, port] : options.fixtures) {
        const std::string path = kel::DevicePathFor(port);
        for (const kel::plan::BoardIdentity& slot : setup.fixtures) {
            if (slot.port == path || slot.slot == name)
                errors += "--slot " + name + "=" + port + ": given twice: one board per slot\n";
        }
        setup.fixtures.push_back({path, "", name});
    }
    if (!errors.empty())
        return std::nullopt;
    setup.plan = std::move(*reading.plan);
    setup.store = *store;
    setup.names = {kel::results::DefaultStation(), options.operatorName};
    return setup;
}

int RunStationStart(const StationOptions& options) {
    StationStart start(nullptr);
    start.planEdit->setText(QString::fromStdString(options.planPath));
    start.operatorEdit->setText(QString::fromStdString(options.operatorName));
    if (start.exec() != QDialog::Accepted)
        return 0;
    return QApplication::exec();
}

int RunStation(StationSetup setup, bool fullscreen) {
    if (setup.names.operatorName.empty()) {
        bool given = false;
        const QString name = QInputDialog::getText(
            nullptr, QApplication::translate("Station", "Operator"),
            QApplication::translate("Station", "Your name, recorded with every board you test:"),
            QLineEdit::Normal, {}, &given);
        if (!given || name.trimmed().isEmpty())
            return 0;
        setup.names.operatorName = name.trimmed().toStdString();
    }
    StationWindow window(std::move(setup));
    if (fullscreen)
        window.showFullScreen();
    else
        window.showMaximized();
    window.Start();
    return QApplication::exec();
}
