// SPDX-License-Identifier: GPL-3.0-or-later
// The station's part of the screenshot tour: the window at 1366x768 with
// four fixtures and at 1920x1080 with sixteen, boards of a virtual tray
// plugged in (a link appears where a slot's port is), scanned, some weak, so
// that the tiles show PASS, FAIL, testing and waiting side by side.

#include "docs/StationTour.h"

#include "board/BoardTray.h"
#include "board/TrayArguments.h"
#include "plan/PlanReader.h"
#include "windows/station/SlotTile.h"
#include "windows/station/StationWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <filesystem>

namespace {

constexpr char kPlan[] = R"(name = "QB202 line test"
version = "3"
model = "QB202"
[dut]
required = true
pattern = "^SN-[0-9]{6}$"
[[step]]
do = "freq-offset"
[[step]]
do = "rx-sweep"
channels = "1,6,11"
rates = "54"
seconds = 1
sent = 100
max_per = 8
)";

// Lets the station work until every tile given is in one of the kinds.
void WaitFor(const StationWindow& window, std::initializer_list<std::size_t> tiles,
             std::initializer_list<TileState::Kind> kinds) {
    QElapsedTimer timer;
    timer.start();
    const auto done = [&] {
        for (std::size_t i : tiles) {
            const TileState::Kind kind = window.Tiles()[i]->State().kind;
            if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
                return false;
        }
        return true;
    };
    while (!done() && timer.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

struct Scene {
    int width;
    int height;
    std::size_t count;
    std::vector<std::size_t> weak;     // boards that fail RX
    std::vector<std::size_t> finished; // plugged and tested first
    std::vector<std::size_t> testing;  // plugged after, pictured while tested
    const char* picture;
};

void Picture(const Scene& scene, const QString& scratch,
             const std::function<void(QWidget*, const char*)>& save) {
    std::vector<std::string> words{"--count", std::to_string(scene.count)};
    for (std::size_t board : scene.weak)
        words.insert(words.end(), {"--fault", std::to_string(board) + ":weak-rx"});
    const std::vector<std::string_view> views(words.begin(), words.end());
    std::string why;
    kel::board::BoardTray tray(kel::board::ParseTrayArguments(views, why)->boards);
    StationSetup setup;
    setup.plan = *kel::plan::ReadPlan(kPlan, "line-test.toml").plan;
    const std::filesystem::path folder = (scratch + "/fixtures").toStdString();
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < scene.count; ++i) {
        const std::string name = "Fixture " + std::string(1, static_cast<char>('A' + i));
        setup.fixtures.push_back(
            {(folder / (scene.picture + std::to_string(i))).string(), "", name});
    }
    setup.store = {kel::results::StoreSetting::Kind::File,
                   (scratch + "/data/station.sqlite").toStdString(),
                   {}};
    setup.names = {"line-2", "ana"};
    StationWindow window(std::move(setup));
    window.resize(scene.width, scene.height);
    window.show();
    window.Start();
    const auto plugAndScan = [&](const std::vector<std::size_t>& boards) {
        for (std::size_t board : boards)
            std::filesystem::create_symlink(tray.SlavePath(board),
                                            folder / (scene.picture + std::to_string(board)));
        for (std::size_t board : boards) {
            WaitFor(window, {board}, {TileState::Kind::Scan});
            window.Tiles()[board]->setFocus();
            window.Typed(QStringLiteral("SN-%1").arg(100200 + board, 6, 10, QLatin1Char('0')));
        }
    };
    plugAndScan(scene.finished);
    for (std::size_t board : scene.finished)
        WaitFor(window, {board}, {TileState::Kind::Pass, TileState::Kind::Fail});
    plugAndScan(scene.testing);
    for (std::size_t board : scene.testing)
        WaitFor(window, {board}, {TileState::Kind::Testing});
    save(&window, scene.picture);
    window.Stop();
    WaitFor(window, {0}, {TileState::Kind::Stopped});
}

} // namespace

void StationTour(const QString& scratch, const std::function<void(QWidget*, const char*)>& save) {
    Picture({1366, 768, 4, {2}, {0, 2}, {1}, "station-1366x768"}, scratch, save);
    Picture({1920, 1080, 16, {3, 9}, {0, 1, 2, 3, 4, 6, 8, 9}, {5, 7, 10, 11}, "station-1920x1080"},
            scratch, save);
}
