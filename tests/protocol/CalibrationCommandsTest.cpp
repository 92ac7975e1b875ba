// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/CalibrationCommands.h"

#include "CatalogueTestSupport.h"
#include "protocol/PowerModeCommands.h"

#include <functional>
#include <thread>

namespace kel::test {
namespace {

using namespace std::string_literals;

class CalibrationCommands : public CatalogueTest {};

TEST_F(CalibrationCommands, WritesEachCommandInItsDialect) {
    std::string text = "t", p1, p2, p3;
    const WriteCase cases[] = {
        {"set_freq_offset", 2, [](auto& c) { return set_freq_offset(c, "-12"); },
         "kel set_freq_offset -12\n", 24, kCmdOk},
        {"set_freq_offset prefixed", 0, [](auto& c) { return set_freq_offset(c, "5"); },
         "netcmd lmac kel set_freq_offset 5\n", 34, kAck200},
        {"get_freq_offset", 2, [&](auto& c) { return get_freq_offset(c, text); },
         "kel get_freq_offset\n\0"s, 21, "freq offset is: 8\nSending CMD OK!\n"},
        {"get_freq_offset prefixed", 0, [&](auto& c) { return get_freq_offset(c, text); },
         "netcmd lmac kel get_freq_offset\n\0"s, 33, "Sending CMD OK!\nfreq offset is:-8\n"},
        {"get_sdd_freq_offset", 3, [&](auto& c) { return get_sdd_freq_offset(c, text); },
         "kel get_sdd_freq_offset\n\0"s, 25, kAck200},
        {"get_sdd_freq_offset prefixed", 1, [&](auto& c) { return get_sdd_freq_offset(c, text); },
         "netcmd lmac kel get_sdd_freq_offset\n\0"s, 37, kCmdOk},
        {"set_sdd_freq_offset", 2, [](auto& c) { return set_sdd_freq_offset(c, "7x"); },
         "kel set_sdd_freq_offset 7x\n", 27, kCmdOk},
        {"get_sdd_power_all", 2, [&](auto& c) { return get_sdd_power_all(c, p1, p2, p3); },
         "kel get_sdd_power all\n\0"s, 23, kCmdOk},
        {"get_sdd_power_all prefixed", 0, [&](auto& c) { return get_sdd_power_all(c, p1, p2, p3); },
         "netcmd lmac kel get_sdd_power all\n\0"s, 35, kAck200},
        {"set_sdd_power_all in order", 2,
         [](auto& c) { return set_sdd_power_all(c, "10", "11", "12"); },
         "kel set_sdd_power all 10 11 12\n", 31, kAck200},
        {"set_sdd_power_all prefixed", 1,
         [](auto& c) { return set_sdd_power_all(c, "1", "-2", ""); },
         "netcmd lmac kel set_sdd_power all 1 -2 \n", 40, kCmdOk},
    };
    ExpectWrites(cases);
    EXPECT_EQ(text, "-8");
}

TEST_F(CalibrationCommands, WithoutChipModelNothingIsWrittenOrLogged) {
    std::string t;
    ExpectNothingWithoutChipModel(link,
                                  {
                                      [](auto& c) { return set_freq_offset(c, "1"); },
                                      [&](auto& c) { return get_freq_offset(c, t); },
                                      [&](auto& c) { return get_sdd_freq_offset(c, t); },
                                      [](auto& c) { return set_sdd_freq_offset(c, "1"); },
                                      [&](auto& c) { return get_sdd_power_all(c, t, t, t); },
                                      [](auto& c) { return set_sdd_power_all(c, "1", "2", "3"); },
                                      [](auto& c) { return switch_to_ldo_mode(c); },
                                      [](auto& c) { return switch_to_dcdc_mode(c); },
                                  });
}

TEST_F(CalibrationCommands, GetFreqOffsetNeedsValueAndAcknowledgementInEitherOrder) {
    struct Case {
        const char* name;
        const char* reply;
        int result;
        const char* text;
    } const cases[] = {
        // Ends right after the value line: the line after it is not read.
        {"ack first", "Sending CMD OK!\nfreq offset is: 25\nfreq offset is: 99\n", kResultOk, "25"},
        {"ack two lines after the value", "freq offset is : -3\nstatus\nstatus\n<ACK> 200 OK\n",
         kResultOk, "-3"},
        {"plus sign", "freq offset is:+07\nSending CMD OK!\n", kResultOk, "7"},
        {"last colon counts", "freq offset is: 1: 42\nSending CMD OK!\n", kResultOk, "42"},
        {"no colon stores 0 and waits on", "freq offset is 25\nfreq offset is:8\nSending CMD OK!\n",
         kResultOk, "8"},
        {"five other lines after the value",
         "freq offset is: 9\n1\n2\n3\nfreq offset is: 10\n5\nSending CMD OK!\n", kResultFailed,
         "9"},
        {"error line is no acknowledgement", "freq offset is: 4\nSending CMD error!\n",
         kResultFailed, "4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PtyConnection fresh; // each case leaves its own unread lines behind
        std::string text = "old";
        fresh.peer.ScriptReplies({c.reply});
        EXPECT_EQ(get_freq_offset(fresh.ctx, text), c.result);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(CalibrationCommands, GetSddFreqOffsetReadsOnlyBeforeTheAcknowledgement) {
    struct Case {
        const char* reply;
        const char* text;
    } const cases[] = {
        {"Get sdd freq offset: -15\nSending CMD OK!\n", "-15"},
        {"Get sdd freq offset 15\n<ACK> 200 OK\n", "0"}, // no colon
        {"get sdd freq offset: 3\nSending CMD OK!\n", "old"},
        {"Sending CMD OK!\nGet sdd freq offset: 1\n", "old"}, // last: leaves a line unread
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        std::string text = "old";
        link.peer.ScriptReplies({c.reply});
        EXPECT_EQ(get_sdd_freq_offset(Ctx(), text), kResultOk);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(CalibrationCommands, GetSddPowerAllReadsTheLastThreeCharacters) {
    struct Case {
        const char* reply;
        const char* dsss;
        const char* bpsk;
        const char* qam;
    } const cases[] = {
        {"DSSS power 1234\nBPSK1/2 -5\n64QAM5/6: 15\nSending CMD OK!\n", "234", "-5", "15"},
        {"DSSS:15\nBPSK1/2   x\n64QAM5/6   7\n<ACK> 200 OK\n", "0", "0", "7"},
        {"64QAM5/6 20\nDSSS 18\nDSSS 19\nSending CMD OK!\n", "19", "b", "20"},
        {"dsss 18\nSending CMD OK!\n", "d", "b", "q"},
        {"Sending CMD OK!\nDSSS 1\n", "d", "b", "q"}, // last: leaves a line unread
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        std::string dsss = "d", bpsk = "b", qam = "q";
        link.peer.ScriptReplies({c.reply});
        EXPECT_EQ(get_sdd_power_all(Ctx(), dsss, bpsk, qam), kResultOk);
        EXPECT_EQ(dsss, c.dsss);
        EXPECT_EQ(bpsk, c.bpsk);
        EXPECT_EQ(qam, c.qam);
    }
}

TEST_F(CalibrationCommands, OnlyExactAcknowledgementsEndTheWait) {
    link.peer.ScriptReplies({"Sending CMD OK! \r\n<ACK> 200 OK \nSending CMD error!\n"});
    EXPECT_EQ(set_sdd_freq_offset(Ctx(), "1"), kResultFailed);
}

TEST_F(CalibrationCommands, AValueStoredBeforeAGiveUpStays) {
    std::string text = "old";
    link.peer.ScriptReplies({"Get sdd freq offset: 6\n"});
    EXPECT_EQ(get_sdd_freq_offset(Ctx(), text), kResultFailed);
    EXPECT_EQ(text, "6");
}

class PowerModeCommands : public CatalogueTest {};

TEST_F(PowerModeCommands, PrefixedChipModelsHaveNoSupplyCommands) {
    for (int row : {0, 1}) {
        UseChipModel(row);
        EXPECT_EQ(switch_to_ldo_mode(Ctx()), kResultFailed);
        EXPECT_EQ(switch_to_dcdc_mode(Ctx()), kResultFailed);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(link.peer.Received(), "");
}

TEST_F(PowerModeCommands, WritesBothCommandsEachAfterItsAcknowledgement) {
    UseChipModel(3);
    link.peer.ScriptReplies({"Sending CMD OK!\n", "<ACK> 200 OK\n"});
    EXPECT_EQ(switch_to_ldo_mode(Ctx()), kResultOk);
    EXPECT_EQ(WrittenSinceLastLook(40), "gpio deconfig pa23\nprcm set_top_ldo 1.8\n");

    UseChipModel(2);
    link.peer.ScriptReplies({"Sending CMD error!\n", "noise\nSending CMD error!\n"});
    EXPECT_EQ(switch_to_dcdc_mode(Ctx()), kResultOk);
    EXPECT_EQ(WrittenSinceLastLook(50), "gpio config pa23 m=2 p=1 l=1\nprcm set_top_ldo 1.4\n");
}

TEST_F(PowerModeCommands, AnUnansweredFirstCommandStopsTheSequence) {
    link.peer.ScriptReplies({""});
    EXPECT_EQ(switch_to_ldo_mode(Ctx()), kResultFailed);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(link.peer.Received(), "gpio deconfig pa23\n");
}

} // namespace
} // namespace kel::test
