// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RecordingPush.h"

#include "resources/Version.h"

#include <chrono>

namespace kel::cli {

namespace {

// A run that ends gives the server this long for what waits; a server that
// failed is not waited for at all.
constexpr std::chrono::seconds kPushAtEnd{3};

} // namespace

RecordingPush::RecordingPush(const results::StoreSetting& store, Note note)
    : store_(store), note_(std::move(note)) {
    push_ = results::BackgroundPush::For(store_, [this](const std::string& message) {
        std::lock_guard lock(problemMutex_);
        problem_ = message;
    });
}

RecordingPush::~RecordingPush() {
    if (!push_)
        return;
    push_->Finish(kPushAtEnd);
    std::lock_guard lock(problemMutex_);
    if (!problem_.empty())
        note_("kel-rftest: " + problem_);
}

std::unique_ptr<results::Recorder> RecordingPush::NewRecorder(const results::Warn& warn) const {
    return std::make_unique<results::Recorder>(store_, warn, push_.get());
}

results::RunRecord RfTestRunRecord() {
    results::RunRecord run;
    run.tool = results::kToolRfTest;
    run.version = std::string(res::BuildVersion());
    return run;
}

std::optional<results::StoreSetting> ResultsOption(const std::optional<std::string>& given,
                                                   std::string& refusal) {
    std::string why;
    auto store = results::ParseStoreSetting(results::StoreSettingText(given), why);
    if (!store)
        refusal = (given ? "--results: " : "KEL_RESULTS: ") + why;
    return store;
}

} // namespace kel::cli
