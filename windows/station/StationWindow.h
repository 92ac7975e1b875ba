// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator's station: a tile per fixture, fed by a barcode scanner (a
// keyboard that types a code and Enter), on the plan runner kel-rftest's
// --loop uses. The header names the plan, station and operator; the counters
// stay in view; Stop ends the session. Keyboard first: Tab moves between the
// tiles, a scanned code goes to the focused tile when it waits for a serial
// (else to the first that does) wherever the focus is in the window, Enter
// alone confirms a prompt.
//
// Objects tests reach by name: tile0..tileN (SlotTile), header, counters,
// status, stop.

#include "plan/BoardRun.h"
#include "plan/Plan.h"
#include "results/StoreSetting.h"
#include "windows/station/StationCounters.h"
#include "windows/station/StationSession.h"

#include <QWidget>
#include <chrono>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;
class SlotTile;

struct StationSetup {
    kel::plan::Plan plan;
    std::vector<kel::plan::BoardIdentity> fixtures; // slot names in BoardIdentity::slot
    StationNames names;
    kel::results::StoreSetting store;
    kel::plan::BoardRunSettings runSettings; // tests shorten the read slice
};

class StationWindow : public QWidget {
    Q_OBJECT
public:
    StationWindow(StationSetup setup, QWidget* parent = nullptr);
    ~StationWindow() override;

    // Begins the session: every slot waits for its board.
    void Start();
    // Ends it: running tests stopped, ports released, the tiles say so.
    void Stop();
    bool Ended() const { return ended_; }

    // What the scanner does: a code and Enter, or Enter alone.
    void Typed(const QString& code);

    const std::vector<SlotTile*>& Tiles() const { return tiles_; }
    const StationCounters& Counters() const { return counters_; }

    QLabel* headerLabel = nullptr;
    QLabel* countersLabel = nullptr;
    QLabel* statusLabel = nullptr;
    QPushButton* stopButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    void Shown(std::size_t slot, TileState state);
    void Counted(const std::string& serial, kel::plan::BoardVerdict verdict);
    void ShowCounters();
    void Say(const QString& text, bool loud);
    // The tile that takes what was typed: the focused one when it fits, else
    // the first that does.
    SlotTile* Target(bool (TileState::*fits)() const) const;
    std::size_t IndexOf(const SlotTile* tile) const;
    void CheckEnded();

    StationSetup setup_;
    std::vector<SlotTile*> tiles_;
    StationCounters counters_;
    std::chrono::steady_clock::time_point began_ = std::chrono::steady_clock::now();
    QString typing_; // the scanner's code so far
    QTimer* clock_ = nullptr;
    bool stopping_ = false;
    bool ended_ = false;
    std::unique_ptr<StationSession> session_; // last: it ends before the tiles go
};

// Columns of the tile grid for n fixtures: a square or wider.
int StationColumns(int fixtures);
