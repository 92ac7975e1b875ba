// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/SddFile.h"

#include <cstdint>
#include <cstdio>

namespace kel::board {

namespace {

std::string Format(const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A 16-bit sum of the bytes, so a copy that lost or changed a byte shows it.
unsigned Checksum(const std::string& text) {
    std::uint32_t sum = 0;
    for (unsigned char c : text)
        sum += c;
    return sum & 0xFFFFu;
}

} // namespace

std::string BuildSddFile(const BoardState& state) {
    std::string text = "# sdd data, ascii form\n"
                       "[header]\n"
                       "version=2\n"
                       "board=virtual\n";
    text += state.sddNotes;
    text += "[xtal]\n";
    text += Format("freq_offset=%d\n", state.sddFreqOffset);
    text += "[power]\n";
    text += Format("dsss=%d\n", state.sddPower[kDsss]);
    text += Format("bpsk1_2=%d\n", state.sddPower[kOfdm]);
    text += Format("64qam5_6=%d\n", state.sddPower[kMcs7]);
    text += "[mac]\n";
    text += "source=" + state.sourceMac + "\n";
    text += "bssid=" + state.bssid + "\n";
    text += "[end]\n";
    text += Format("checksum=0x%04x\n", static_cast<int>(Checksum(text)));
    return text;
}

} // namespace kel::board
