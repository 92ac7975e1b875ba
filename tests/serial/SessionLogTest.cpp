// SPDX-License-Identifier: GPL-3.0-or-later
// The session log file: its lines give back the traffic byte for byte, in
// order and with directions; a folder or disk that fails is reported once and
// never stops the session.

#include "serial/SessionLog.h"

#include "tests/support/TempFolder.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sys/resource.h>
#include <vector>

namespace kel {
namespace {

namespace fs = std::filesystem;

using test::TempFolder;

const SessionInfo kInfo{"kelGuiTool", "1.0.8g", "QB202", "/dev/pts/7", 115200};

void Send(SessionLog& log, std::string_view bytes) {
    log.Record(Traffic::Sent, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// One byte at a time, as the port reads them.
void Receive(SessionLog& log, std::string_view bytes) {
    for (const char c : bytes)
        log.Record(Traffic::Received, reinterpret_cast<const std::uint8_t*>(&c), 1);
}

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The lines after the header, less their time stamps.
std::vector<std::string> Body(const fs::path& path) {
    static const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
    std::vector<std::string> body;
    for (const std::string& line : Lines(path)) {
        if (line.starts_with("# "))
            continue;
        EXPECT_TRUE(std::regex_search(line, stamp)) << line;
        body.push_back(std::regex_replace(line, stamp, ""));
    }
    return body;
}

TEST(SessionLogTest, LinesGiveBackTheTrafficInOrder) {
    TempFolder folder;
    SessionLog log;
    ASSERT_TRUE(log.Open(folder.path / "logs", kInfo));
    Send(log, std::string("kel\n\0", 5));
    Receive(log, "noise\r\nkel driver is ready!\n");
    Receive(log, "half a line"); // the board is cut short by the next command
    Send(log, "set \\ \xB5\x01\n");
    log.Note("Failed to send kel cmd!\nµ");
    Receive(log, std::string(5000, 'x'));
    log.Close();
    Receive(log, "after the end\n");

    const fs::path path = log.Path();
    EXPECT_EQ(path.parent_path(), folder.path / "logs");
    EXPECT_TRUE(std::regex_match(path.filename().string(),
                                 std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_7\.log)")));
    const std::vector<std::string> lines = Lines(path);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "# kelGuiTool 1.0.8g session log");
    EXPECT_EQ(lines[1], "# chip model: QB202");
    EXPECT_EQ(lines[2], "# port: /dev/pts/7");
    EXPECT_EQ(lines[3], "# baud: 115200");
    EXPECT_TRUE(lines.back().starts_with("# ended: "));

    const std::vector<std::string> expected{
        "sent kel\\n\\0",
        "recv noise\\r\\n",
        "recv kel driver is ready!\\n",
        "recv half a line",
        "sent set \\\\ \\xB5\\x01\\n",
        "mbox Failed to send kel cmd!\\nµ",
        "recv " + std::string(4096, 'x'), // a line that never ends comes in pieces
        "recv " + std::string(904, 'x'),
    };
    EXPECT_EQ(Body(path), expected);
}

TEST(SessionLogTest, SessionsOfOneSecondOnOnePortGetTheirOwnFiles) {
    TempFolder folder;
    SessionLog log;
    ASSERT_TRUE(log.Open(folder.path, kInfo));
    const fs::path first = log.Path();
    ASSERT_TRUE(log.Open(folder.path, kInfo)); // closes the first
    EXPECT_NE(log.Path(), first);
    EXPECT_TRUE(Lines(first).back().starts_with("# ended: "));
}

TEST(SessionLogTest, FolderThatCannotBeCreatedIsReportedOnce) {
    TempFolder folder;
    std::ofstream(folder.path / "state") << "a file where the folder should be";
    SessionLog log;
    EXPECT_FALSE(log.Open(folder.path / "state" / "logs", kInfo));
    Send(log, "kel\n");
    const std::string problem = log.TakeProblem();
    EXPECT_NE(problem.find("Cannot create the session log folder"), std::string::npos) << problem;
    EXPECT_EQ(log.TakeProblem(), "");
    EXPECT_FALSE(log.IsOpen());
}

TEST(SessionLogTest, FullDiskEndsTheFileWithOneReport) {
    TempFolder folder;
    // A file size limit fails writes as a full disk does (EFBIG instead of ENOSPC).
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    SessionLog log;
    ASSERT_TRUE(log.Open(folder.path, kInfo));
    for (int i = 0; i < 100; ++i)
        Receive(log, "Sending CMD OK!\n");
    EXPECT_FALSE(log.IsOpen());
    const std::string problem = log.TakeProblem();
    EXPECT_NE(problem.find("Cannot write the session log"), std::string::npos) << problem;
    Receive(log, "Sending CMD OK!\n");
    log.Close();
    EXPECT_EQ(log.TakeProblem(), "");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_LE(fs::file_size(log.Path()), 1024u);
}

} // namespace
} // namespace kel
