// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/BoardText.h"

namespace kel {
namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at the start of bytes, 0 for none:
// no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t SequenceLength(std::string_view bytes) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80; // the second byte's range, narrowed for some leads
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(at(i)))
            return 0;
    }
    return length;
}

} // namespace

QString TextFromBytes(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t runStart = 0; // start of the valid UTF-8 not yet appended
    std::size_t pos = 0;
    const auto appendRun = [&] {
        if (pos > runStart)
            text +=
                QString::fromUtf8(bytes.data() + runStart, static_cast<qsizetype>(pos - runStart));
    };
    while (pos < bytes.size()) {
        const std::size_t length = SequenceLength(bytes.substr(pos));
        if (length != 0) {
            pos += length;
            continue;
        }
        appendRun();
        text.append(QChar(static_cast<unsigned char>(bytes[pos])));
        runStart = ++pos;
    }
    appendRun();
    return text;
}

std::string BytesFromText(const QString& text) {
    return text.toUtf8().toStdString();
}

} // namespace kel
