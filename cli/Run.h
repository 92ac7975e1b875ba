#pragma once
// One run of kel-rftest once its arguments are checked: the port opened (or
// the virtual board started), the handshake, the global settings, the
// subcommand (RunSubcommands.cpp), and the end of the connection, whatever
// ended the run (Run.cpp).

#include "board/VirtualBoardHost.h"
#include "cli/CliContext.h"
#include "cli/Interruption.h"
#include "cli/Invocation.h"
#include "cli/Report.h"
#include "cli/RfTestRun.h"
#include "cli/RxReport.h"
#include "cli/SddTarget.h"
#include "rftest/Messages.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace kel::cli {

class Run {
public:
    // With --verbose the exchange is traced on err.
    Run(const Invocation& invocation, Report& report, Interruption& interruption,
        const RunSettings& settings, std::ostream& err)
        : run_(invocation), report_(report), interruption_(interruption), settings_(settings),
          ctx_(port_, invocation.chipModelRow, invocation.verbose ? &err : nullptr) {}
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    int Execute();

private:
    enum class Test { None, Tx, Rx, Tone };

    bool PrepareOutputs();
    bool OpenPort();
    // Opens the port, with --wait-port once it is there (RunWaitPort.cpp);
    // an interrupted wait is reported here.
    bool OpenOrWait(const std::string& path);
    bool ApplySettings();
    void NoteVirtualRx();
    int RunSubcommand();
    int End(int code);
    // Reports a failed step (as an interruption when it was one): kExitFailed.
    int Fail(const std::string& command, rftest::Failure failure);
    int Done(Fields fields, const std::string& text) {
        report_.Result(std::move(fields), text);
        return kExitOk;
    }
    Fields Named() const { return Fields{{"command", SubcommandName(run_.subcommand)}}; }
    // A step whose result is only that it was done.
    int DoneUnless(const std::string& command, rftest::Failure failure, const std::string& text) {
        return failure != nullptr ? Fail(command, failure) : Done(Named(), text);
    }
    bool Pause(std::chrono::milliseconds duration) { return interruption_.Pause(duration); }

    int Info();
    int Tx();
    int Tone();
    // Starts a test; stops it after --seconds, or leaves it running without.
    int Timed(Fields fields, Test test, const std::function<rftest::Failure()>& start,
              const std::function<rftest::Failure()>& stop, const std::string& runningText,
              const std::string& doneText);
    int Rx();
    // Reports a measured point, with "pass" under --max-per; false when it
    // does not keep to the limit.
    bool ReportPoint(const rftest::RxPoint& point);
    int SweepRx();
    int SddExport();
    int Send();
    int Calibration();

    const Invocation& run_;
    Report& report_;
    Interruption& interruption_;
    RunSettings settings_;

    // Declared in the order they start; they end the other way round.
    std::unique_ptr<board::VirtualBoardHost> board_;
    SerialPort port_;
    std::unique_ptr<ReadWatchdog> watchdog_;
    CliContext ctx_;

    std::string powerText_;
    Test started_ = Test::None; // may be running on the board: stop it on the way out
    bool leaveRunning_ = false; // what was started is meant to outlast the run
    SweepCsv csv_;
    SddTarget sddTarget_;
};

} // namespace kel::cli
