#pragma once
// What a run says: each result as readable lines, or with --json as one JSON
// object per line on standard output; failures, notes and progress on
// standard error (a failure also as a JSON object with --json).

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

namespace kel::cli {

// Keys stay in the order they were put in: "command" first, "ok" last.
using Fields = nlohmann::ordered_json;

class Report {
public:
    Report(bool json, std::ostream& out, std::ostream& err) : json_(json), out_(out), err_(err) {}

    // fields holds "command" and what the result carries; "ok": true is added.
    void Result(Fields fields, const std::string& text);
    // "ok": false and "error" are added; the message also goes to standard error.
    void Failure(const std::string& command, const std::string& error, Fields extra = {});
    // A line on standard error only.
    void Note(const std::string& line);

    bool json() const { return json_; }

private:
    bool json_;
    std::ostream& out_;
    std::ostream& err_;
};

} // namespace kel::cli
