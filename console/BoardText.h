// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one rule for turning the board's bytes into text and text into the
// board's bytes. Bytes show as UTF-8 wherever they form valid UTF-8 and byte
// for byte (Latin-1) wherever they do not, so every byte shows and nothing
// is replaced; text goes out as UTF-8. Text that shows a stray byte as one
// of U+0080..U+00FF goes back out as that character's UTF-8, not the byte.

#include <QString>
#include <string>
#include <string_view>

namespace kel {

QString TextFromBytes(std::string_view bytes);
std::string BytesFromText(const QString& text);

} // namespace kel
