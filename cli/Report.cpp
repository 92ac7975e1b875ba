#include "cli/Report.h"

#include <ostream>

namespace kel::cli {

namespace {
// Bytes that are not UTF-8 (a board's reply, a device path) are replaced,
// not fatal.
std::string Dump(const Fields& fields) {
    return fields.dump(-1, ' ', false, Fields::error_handler_t::replace);
}
} // namespace

void Report::Result(Fields fields, const std::string& text) {
    if (!json_) {
        out_ << text << '\n' << std::flush;
        return;
    }
    fields["ok"] = true;
    out_ << Dump(fields) << '\n' << std::flush;
}

void Report::Failure(const std::string& command, const std::string& error, Fields extra) {
    err_ << "kel-rftest: " << error << '\n' << std::flush;
    if (!json_)
        return;
    Fields fields{{"command", command}};
    if (extra.is_object())
        fields.update(extra);
    fields["ok"] = false;
    fields["error"] = error;
    out_ << Dump(fields) << '\n' << std::flush;
}

void Report::Note(const std::string& line) {
    err_ << line << '\n' << std::flush;
}

} // namespace kel::cli
