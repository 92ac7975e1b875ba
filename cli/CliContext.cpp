#include "cli/CliContext.h"

namespace kel::cli {

void CliContext::AppendLog(const std::string& text) {
    // The exchange logs a reply line with "\r\n", a command as written.
    const bool reply = text.ends_with("\r\n");
    const std::string line = text.substr(0, text.size() - (reply ? 2 : text.ends_with('\n')));
    if (reply && collecting_)
        replies_.push_back(line);
    if (trace_ != nullptr)
        *trace_ << (reply ? "< " : "> ") << line << '\n' << std::flush;
}

} // namespace kel::cli
