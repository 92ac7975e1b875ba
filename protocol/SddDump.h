// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exporting the board's SDD file: get_sdd_file asks for the dump in ASCII
// form, ReadSddDump reads the board's reply and stores the body, byte for byte,
// in a file the caller has opened.

#include <cstddef>

namespace kel {

class CommandContext;

// The largest body the reader accepts; the board's files are far smaller.
constexpr std::size_t kSddDumpMaxLength = std::size_t{1} << 20;

// Writes "get_sdd_file ascii\n" in the dialect, without NUL, and waits for
// nothing: the reply belongs to ReadSddDump. kResultOk when written.
int get_sdd_file(CommandContext& ctx);

// Reads the "sdd file length:" line, "begin dump sdd file\n", exactly that many
// raw body bytes, "end dump sdd file\n" and "Sending CMD OK!\n", skipping other
// lines. The body goes to fd in one piece, once all of it has arrived.
// 0 done; -2 the announced length is 0 (or has no digits); -1 any other
// failure: a read gave up, a body byte did not come, the length is negative or
// above kSddDumpMaxLength, or the write to fd failed. A refused length (0
// included) writes nothing; the rest of the dump is read off the line up to its
// OK line, or until the reader gives up. fd stays open; the caller closes it.
int ReadSddDump(CommandContext& ctx, int fd);

} // namespace kel
