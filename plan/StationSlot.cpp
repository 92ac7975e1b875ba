// SPDX-License-Identifier: GPL-3.0-or-later
// PlanRun::Slot: one port of a station, board after board until the run is
// cancelled.

#include "plan/OperatorDesk.h"
#include "plan/PlanRun.h"
#include "serial/SerialPort.h"

namespace kel::plan {

namespace {

// Without inotify the waits cannot sleep on the device folder: the slot looks
// again this often instead of spinning.
constexpr std::chrono::seconds kLookAgain{1};

// The port's waits end at a cancel of the run while this lives.
class Attached {
public:
    Attached(RunControl& control, SerialPort& port) : control_(control), port_(port) {
        control_.Attach(port_);
    }
    ~Attached() { control_.Detach(port_); }
    Attached(const Attached&) = delete;
    Attached& operator=(const Attached&) = delete;

private:
    RunControl& control_;
    SerialPort& port_;
};

} // namespace

void PlanRun::Slot(std::size_t slot, BoardListener& listener) {
    SerialPort& port = *ports_[slot];
    const BoardIdentity& board = boards_[slot];
    BoardOutcome last;
    while (!control_.Cancelled()) {
        listener.WaitingForBoard();
        SerialPort::WaitEnd opened;
        {
            Attached attached(control_, port);
            opened = port.OpenWhenPresent(board.port, plan_.baud);
        }
        if (opened == SerialPort::WaitEnd::Cancelled)
            break;
        const std::string held =
            opened == SerialPort::WaitEnd::Opened ? HeldProblem(board.port) : std::string();
        if (opened == SerialPort::WaitEnd::Opened && !held.empty()) {
            listener.Unopened(held);
        } else if (opened == SerialPort::WaitEnd::Opened) {
            BoardIdentity identity = board;
            BoardRunSettings settings = settings_;
            settings.desk = slot < desks_.size() ? desks_[slot] : nullptr;
            std::optional<std::string> serial = std::string();
            if (settings.desk != nullptr) {
                // A board taken out before its serial came is not tested: the
                // slot waits for the next one.
                const DeskWait wait{control_, [&] { return port.Gone(board.port); }};
                serial = SerialFrom(*settings.desk, plan_.dut, wait);
                if (control_.Cancelled())
                    break;
                if (serial) {
                    identity.dut = *serial;
                    listener.Labelled(identity.dut);
                }
            }
            if (serial) {
                last = RunBoard(plan_, port, identity, control_, listener, settings);
                if (control_.Cancelled())
                    break;
                listener.WaitingForRemoval();
            }
        } else {
            listener.Unopened(OpenProblem(port, board.port));
        }
        SerialPort::GoneEnd gone;
        {
            Attached attached(control_, port);
            gone = port.WaitUntilGone(board.port);
        }
        port.Close();
        if (gone == SerialPort::GoneEnd::Refused && !control_.Pause(kLookAgain))
            break;
    }
    Ended(slot, std::move(last));
}

} // namespace kel::plan
