// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/ColumnTitles.h"

#include "protocol/ReplyParsing.h"
#include "rftest/Measurement.h"

#include <QCoreApplication>
#include <array>
#include <utility>

namespace {

namespace f = kel::rftest::field;

constexpr std::array<std::pair<std::string_view, const char*>, 24> kTitles{{
    {f::kId, "Id"},
    {f::kRunId, "Run"},
    {f::kSeq, "#"},
    {f::kAt, "Time"},
    {f::kKind, "Kind"},
    {f::kChannel, "Channel"},
    {f::kRateMbps, "Rate (Mbit/s)"},
    {f::kPowerLevel, "Power level"},
    {f::kSent, "Sent"},
    {f::kTotal, "Received"},
    {f::kAbortErrors, "Abort errors"},
    {f::kCrcErrors, "CRC errors"},
    {f::kPerPercent, "PER (%)"},
    {f::kValue, "Value"},
    {f::kText, "Note"},
    {f::kLimitLow, "Limit low"},
    {f::kLimitHigh, "Limit high"},
    {f::kVerdict, "Verdict"},
    {f::kFreqHz, "Frequency (Hz)"},
    {f::kErrorHz, "Error (Hz)"},
    {f::kErrorPpm, "Error (ppm)"},
    {f::kPowerDbm, "Power (dBm)"},
    {f::kInstrument, "Instrument"},
    {f::kSlot, "Slot"},
}};

} // namespace

QString ColumnTitle(std::string_view storedName) {
    for (const auto& [name, title] : kTitles) {
        if (name == storedName)
            return QCoreApplication::translate("ColumnTitles", title);
    }
    return QString::fromUtf8(storedName.data(), static_cast<qsizetype>(storedName.size()));
}

QColor VerdictColour(std::string_view verdict) {
    // The grid's colours: green passes, red fails, amber was cut short.
    if (verdict == "pass")
        return QColor(0xc8, 0xe6, 0xc9);
    if (verdict == "fail" || verdict == "error")
        return QColor(0xff, 0xcd, 0xd2);
    if (verdict == "interrupted")
        return QColor(0xff, 0xe0, 0xb2);
    return {};
}

QString CellText(std::string_view storedName, const kel::results::Value& value) {
    const auto* number = std::get_if<double>(&value);
    if (number && storedName == f::kPerPercent)
        return QString::fromStdString(kel::FixedDecimal(*number, kPerDecimals));
    if (number && storedName == f::kRateMbps)
        return QString::fromStdString(kel::FixedDecimal(*number, 1));
    return QString::fromStdString(kel::results::ValueText(value));
}
