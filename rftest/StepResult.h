// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a step turns the result code of its command into its failure.

#include "protocol/CommandExchange.h"
#include "rftest/Messages.h"

namespace kel::rftest {

// nullptr when the command succeeded, else the step's message.
constexpr Failure FailureOf(int result, Failure message) {
    return result == kResultOk ? nullptr : message;
}

} // namespace kel::rftest
