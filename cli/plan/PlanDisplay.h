// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a plan run shows on standard error: on a terminal a table with a row per
// board (port, board, step, points, verdict so far), redrawn in place at most
// a few times a second; otherwise one plain line per finished step. Notes go
// above the table. Safe from any thread.

#include "cli/plan/PlanTally.h"

#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

namespace kel::cli {

class PlanDisplay {
public:
    // table: standard error is a terminal. station: the rows are a
    // station's slots, each saying where it stands between boards.
    PlanDisplay(const plan::Plan& plan, std::ostream& err, bool table, bool station = false)
        : plan_(plan), err_(err), table_(table), station_(station) {}

    bool Table() const { return table_; }
    // The terminal's size (0: unknown): the table is clipped to it, a last
    // line saying how many boards it leaves out. True when it changed, so
    // that the table is drawn again.
    bool Resize(std::size_t columns, std::size_t lines);
    // The table as the rows stand now, in place of the one drawn before;
    // the footer (a station's count) below it.
    void Draw(const std::vector<BoardRow>& rows, const std::string& footer = {});
    // A line of its own: a note, or (without the table) a finished step.
    void Line(const std::string& text);

    // A slot as a station shows it: "waiting for a board", "testing step 3
    // of 5: rx-sweep", "FAIL, remove the board".
    std::string SlotState(const BoardRow& row) const;
    // "/dev/pts/3 02:4b:45:4c:00:01: 2/3 rx-sweep: fail (ch 1 54 Mbps PER 29 % > 8 %), 3.1 s"
    std::string StepLine(const BoardRow& row, const plan::StepResult& step) const;
    // The table's lines, heading first. A column never narrows while the
    // table is shown, so a redraw does not shift what the eye follows.
    std::vector<std::string> TableLines(const std::vector<BoardRow>& rows);

private:
    void Erase();
    void Show();

    const plan::Plan& plan_;
    std::ostream& err_;
    bool table_;
    bool station_;
    std::mutex mutex_;
    std::vector<BoardRow> shown_; // what the table shows now
    std::string footer_;
    std::vector<std::size_t> drawn_; // the lengths of the lines drawn
    std::size_t columns_ = 0;
    std::size_t lines_ = 0;
    std::vector<std::size_t> widths_; // the widest each column has been
};

} // namespace kel::cli
