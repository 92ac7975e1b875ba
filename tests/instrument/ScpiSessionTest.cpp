// SPDX-License-Identifier: GPL-3.0-or-later
// The SCPI session against a scripted peer on real loopback TCP: what it
// sends on connect and after a setting, and every way an instrument fails,
// each reported naming the instrument.

#include "instrument/ScpiSession.h"

#include "instrument/InstrumentError.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/TcpTransport.h"
#include "tests/instrument/ScriptedPeer.h"

#include <gtest/gtest.h>

namespace kel::test {
namespace {

using namespace kel::instrument;
using namespace std::chrono_literals;

ScpiSession SessionTo(const std::string& url, std::chrono::milliseconds timeout = 2s) {
    std::string error;
    const auto parsed = ParseInstrumentUrl(url, error);
    EXPECT_TRUE(parsed) << error;
    return ScpiSession(std::make_unique<TcpTransport>(*parsed), {"\n", timeout});
}

// The fault of what throws, with its message checked to name the instrument.
template <typename Call> Fault FaultOf(Call call, const std::string& url) {
    try {
        call();
    } catch (const InstrumentError& error) {
        EXPECT_NE(std::string(error.what()).find(url), std::string::npos) << error.what();
        return error.fault();
    }
    ADD_FAILURE() << "nothing was thrown";
    return Fault::BadUrl;
}

TEST(ScpiSession, ConnectClearsAndIdentifiesAndASettingReadsTheErrorQueueUntilEmpty) {
    int queued = 0;
    ScriptedPeer peer([&](const std::string& line, int) -> PeerReply {
        if (line == "*IDN?")
            return {"Maker,Counter 9,SN1,2.3"};
        if (line == "ROUT:CLOS (@9)") {
            queued = 2;
            return {};
        }
        if (line == "SYSTem:ERRor?") {
            if (queued == 0)
                return {"+0,\"No error\""};
            return queued-- == 2 ? "-222,\"Data out of range\"" : "-221,\"Settings conflict\"";
        }
        return {};
    });
    ScpiSession session = SessionTo(peer.Url());
    session.Connect();
    EXPECT_EQ(session.Identity(), "Maker,Counter 9,SN1,2.3");
    session.Command("OUTP ON");
    try {
        session.Command("ROUT:CLOS (@9)");
        FAIL() << "the instrument's errors were not reported";
    } catch (const InstrumentError& error) {
        EXPECT_EQ(error.fault(), Fault::Reported);
        const std::string text = error.what();
        EXPECT_NE(text.find("-222,\"Data out of range\"; -221,\"Settings conflict\""),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("ROUT:CLOS (@9)"), std::string::npos) << text;
    }
    const std::vector<std::string> expected{"*CLS",          "*IDN?",          "OUTP ON",
                                            "SYSTem:ERRor?", "ROUT:CLOS (@9)", "SYSTem:ERRor?",
                                            "SYSTem:ERRor?", "SYSTem:ERRor?"};
    EXPECT_EQ(peer.Lines(), expected);
}

TEST(ScpiSession, NumbersInEveryFormAndTheNoValueCodeWithTheQueueSayingWhy) {
    ScriptedPeer peer(Instrument([](const std::string& line, int) -> PeerReply {
        if (line == "A?")
            return {" +2.412000123E+09\r"};
        if (line == "B?")
            return {"-17"};
        if (line == "C?")
            return {"2412 MHz"};
        return {"9.91E37"};
    }));
    ScpiSession session = SessionTo(peer.Url());
    session.Connect();
    EXPECT_DOUBLE_EQ(session.QueryNumber("A?"), 2.412000123e9);
    EXPECT_DOUBLE_EQ(session.QueryNumber("B?"), -17.0);
    EXPECT_EQ(FaultOf([&] { session.QueryNumber("C?"); }, peer.Url()), Fault::NotANumber);
    EXPECT_EQ(FaultOf([&] { session.QueryNumber("MEAS:FREQ?"); }, peer.Url()), Fault::NoValue);
}

TEST(ScpiSession, RefusedSilentAndDroppedInstrumentsFailNamingThemselves) {
    // Refused: a port that was listening a moment ago, now closed.
    std::string closedUrl;
    {
        ScriptedPeer gone(Instrument([](const std::string&, int) { return PeerReply{}; }));
        closedUrl = gone.Url();
    }
    ScpiSession refused = SessionTo(closedUrl);
    EXPECT_EQ(FaultOf([&] { refused.Connect(); }, closedUrl), Fault::Refused);

    ScriptedPeer silent([](const std::string&, int) { return PeerReply{}; });
    ScpiSession waiting = SessionTo(silent.Url(), 200ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FaultOf([&] { waiting.Connect(); }, silent.Url()), Fault::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);

    // Every connection hangs up in the middle of the reply: one reopen, then the failure.
    ScriptedPeer dropping(
        Instrument([](const std::string&, int) { return PeerReply::HangUp("2.41"); }));
    ScpiSession dropped = SessionTo(dropping.Url());
    dropped.Connect();
    EXPECT_EQ(FaultOf([&] { dropped.QueryNumber("MEAS:FREQ?"); }, dropping.Url()), Fault::Dropped);
    EXPECT_EQ(dropping.Connections(), 2);
}

TEST(ScpiSession, AConnectionDroppedOnceIsReopenedAndTheQueryAnswered) {
    ScriptedPeer peer(Instrument([](const std::string&, int connection) {
        if (connection == 0)
            return PeerReply::HangUp("");
        return PeerReply{"17.5"};
    }));
    ScpiSession session = SessionTo(peer.Url());
    session.Connect();
    EXPECT_DOUBLE_EQ(session.QueryNumber("MEAS:POW?"), 17.5);
    EXPECT_EQ(session.Identity(), "Maker,Model 1,SN42,1.0");
    EXPECT_EQ(peer.Connections(), 2);
}

TEST(InstrumentUrl, ReadsHostsAndPortsAndRefusesWhatNamesNoInstrument) {
    std::string error;
    EXPECT_EQ(ParseInstrumentUrl("tcp://10.0.0.5", error)->Text(), "tcp://10.0.0.5:5025");
    EXPECT_EQ(ParseInstrumentUrl("tcp://counter.lab:5555/", error)->Text(),
              "tcp://counter.lab:5555");
    EXPECT_EQ(ParseInstrumentUrl("tcp://[::1]:7", error)->Text(), "tcp://[::1]:7");
    EXPECT_EQ(ParseInstrumentUrl("tcp://[::1]", error)->port, kDefaultScpiPort);
    for (const char* bad : {"10.0.0.5", "TCPIP::10.0.0.5::INSTR", "tcp://", "tcp://host:0",
                            "tcp://host:65536", "tcp://host:", "tcp://[::1"}) {
        error.clear();
        EXPECT_FALSE(ParseInstrumentUrl(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

} // namespace
} // namespace kel::test
