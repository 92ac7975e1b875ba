// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RfTestRun.h"

#include "cli/Arguments.h"
#include "cli/CompletionValues.h"
#include "cli/InstrumentCommands.h"
#include "cli/Report.h"
#include "cli/ResultsCommands.h"
#include "cli/Run.h"
#include "cli/TextChecks.h"
#include "cli/plan/PlanArguments.h"
#include "cli/plan/PlanCommand.h"

#include <ostream>

namespace kel::cli {

int RunRfTest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              Interruption& interruption, const RunSettings& settings) {
    if (const auto code = AnswerCompleteValues(args, out, err))
        return *code;
    err << PasswordOnCommandLineWarning(args) << std::flush;
    // Reading the store needs no board: a command line of its own.
    if (IsResultsCommand(args))
        return RunResultsCommand(args, out, err);
    // The instrument alone needs no board: a command line of its own.
    if (IsInstrumentCommand(args))
        return RunInstrumentCommand(args, out, err);
    // A plan runs many boards: a command line of its own.
    if (IsPlanCommand(args))
        return RunPlanCommand(args, out, err, interruption, settings);
    const ParsedArguments parsed = ParseArguments(args, out, err);
    if (!parsed.invocation)
        return parsed.exitCode;
    Report report(parsed.invocation->json, out, err);
    Run run(*parsed.invocation, report, interruption, settings, err);
    return run.Execute();
}

} // namespace kel::cli
