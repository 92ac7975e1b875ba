// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/LineDefinition.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

LineSettings Line(std::uint32_t baud, std::uint8_t data, char parity, std::uint8_t stop, bool dtr,
                  bool rts) {
    LineSettings line;
    line.baud = baud;
    line.dataBits = data;
    line.parity = parity;
    line.stopBits = stop;
    line.dtr = dtr;
    line.rts = rts;
    return line;
}

TEST(LineDefinition, ParsesWhatItCanAndRejectsTheRest) {
    struct Case {
        const char* text;
        std::optional<LineSettings> line;
    };
    const Case cases[] = {
        {"COM3:baud=115200 parity=N data=8 stop=1 dtr=off rts=off to=off",
         Line(115200, 8, 'N', 1, false, false)},
        {"/dev/serial/by-path/pci-0:1:baud=123456 parity=N data=8 stop=1 dtr=off rts=off to=off",
         Line(123456, 8, 'N', 1, false, false)},
        {"/tmp/a=b:c d=e:baud=9600 parity=N data=8 stop=1 dtr=off rts=off to=off",
         Line(9600, 8, 'N', 1, false, false)},
        {"baud=57600 dtr=on", Line(57600, 8, 'N', 1, true, false)},
        {"x:baud=9600 parity=e data=7 stop=2 rts=ON", Line(9600, 7, 'E', 2, false, true)},
        {"", std::nullopt},
        {"x:parity=N data=8", std::nullopt}, // no rate
        {"x:baud=0", std::nullopt},
        {"x:baud=abc", std::nullopt},
        {"x:baud=99999999999", std::nullopt},
        {"x:baud=9600 parity=Q", std::nullopt},
        {"x:baud=9600 data=9", std::nullopt},
        {"x:baud=9600 stop=3", std::nullopt},
        {"x:baud=9600 speed=2", std::nullopt},
        {"x:baud=9600 lonely", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDefinition(c.text), c.line);
    }
}

} // namespace
} // namespace kel
