// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliContext.h"

namespace kel::cli {

void CliContext::AppendLog(const std::string& text) {
    // The exchange logs a reply line with "\r\n", a command as written.
    if (collecting_ && text.ends_with("\r\n"))
        replies_.push_back(text.substr(0, text.size() - 2));
}

} // namespace kel::cli
