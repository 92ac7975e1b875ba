// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/SddDump.h"

#include "CatalogueTestSupport.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

namespace kel::test {
namespace {

using namespace std::string_literals;

// A file the dump is written to, removed afterwards.
class TargetFile {
public:
    TargetFile() {
        char name[] = "/tmp/kel-sdd-dump-XXXXXX";
        fd_ = mkstemp(name);
        path_ = name;
    }
    ~TargetFile() {
        if (fd_ >= 0)
            close(fd_);
        std::remove(path_.c_str());
    }
    int fd() const { return fd_; }
    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    int fd_ = -1;
    std::string path_;
};

class SddDump : public CatalogueTest {
protected:
    // Runs get_sdd_file and the reader against a board that answers `reply`.
    int Export(const std::string& reply) {
        link.peer.ScriptReplies({reply});
        if (get_sdd_file(Ctx()) != kResultOk)
            return 99;
        return ReadSddDump(Ctx(), target.fd());
    }

    TargetFile target;
};

const std::string kTwelveBytes = "ab\ncd\0ef\r\ngh"s;

TEST_F(SddDump, GetSddFileWritesItsCommandWithoutNulAndReadsNothing) {
    for (const auto& [row, bytes] : {std::pair{2, "kel get_sdd_file ascii\n"s},
                                     std::pair{1, "netcmd lmac kel get_sdd_file ascii\n"s}}) {
        UseChipModel(row);
        link.peer.ScriptReplies({"Sending CMD OK!\n"});
        EXPECT_EQ(get_sdd_file(Ctx()), kResultOk);
        EXPECT_EQ(WrittenSinceLastLook(bytes.size()), bytes);
    }
    EXPECT_EQ("kel get_sdd_file ascii\n"s.size(), 23u);
    EXPECT_EQ("netcmd lmac kel get_sdd_file ascii\n"s.size(), 35u);
    EXPECT_EQ(Log(), "kel get_sdd_file ascii\nnetcmd lmac kel get_sdd_file ascii\n");

    UseChipModel(-1);
    EXPECT_EQ(get_sdd_file(Ctx()), kResultNoChipModel);
}

TEST_F(SddDump, StoresTheBodyByteForByte) {
    const std::string reply = "kel get_sdd_file ascii\n"
                              "sdd file length: 12\n"
                              "status line\n"
                              "begin dump sdd file\n" +
                              kTwelveBytes +
                              "noise\n"
                              "end dump sdd file\n"
                              "<ACK> 200 OK\n"
                              "Sending CMD OK!\n";
    ASSERT_EQ(Export(reply), kResultOk);
    EXPECT_EQ(target.Contents(), kTwelveBytes);
    // Lines are logged, the body is not.
    EXPECT_EQ(Log(), "kel get_sdd_file ascii\n"
                     "kel get_sdd_file ascii\r\n"
                     "sdd file length: 12\r\n"
                     "status line\r\n"
                     "begin dump sdd file\r\n"
                     "noise\r\n"
                     "end dump sdd file\r\n"
                     "<ACK> 200 OK\r\n"
                     "Sending CMD OK!\r\n");
}

TEST_F(SddDump, ReadsABodyLargerThanAReplyBuffer) {
    std::string body(kReplyBufferSize + 200, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 7);
    const std::string reply = "sdd file length:" + std::to_string(body.size()) +
                              "\nbegin dump sdd file\n" + body +
                              "end dump sdd file\nSending CMD OK!\n";
    ASSERT_EQ(Export(reply), kResultOk);
    EXPECT_EQ(target.Contents(), body);
}

TEST_F(SddDump, RefusesLengthsItCannotStoreAndDrainsTheDump) {
    struct Case {
        const char* lengthLine;
        int result;
    } const cases[] = {
        {"sdd file length: 0\n", -2},
        {"sdd file length:\n", -2},
        {"sdd file length: none\n", -2},
        {"sdd file length: -12\n", kResultFailed},
        {"sdd file length: 1048577\n", kResultFailed},
        {"sdd file length: 4294967308\n", kResultFailed}, // not 12 through truncation
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lengthLine);
        TargetFile file;
        link.peer.ScriptReplies({std::string(c.lengthLine) + "begin dump sdd file\n" +
                                 kTwelveBytes + "\nend dump sdd file\nSending CMD OK!\n"});
        ASSERT_EQ(get_sdd_file(Ctx()), kResultOk);
        EXPECT_EQ(ReadSddDump(Ctx(), file.fd()), c.result);
        EXPECT_EQ(file.Contents(), "");
        // The dump's OK line is gone with it: the next command reads its own.
        link.peer.ScriptReplies({"power level:7\nSending CMD OK!\n"});
        std::string power;
        EXPECT_EQ(EnablePhy(Ctx(), power), kResultOk);
        EXPECT_EQ(power, "7");
    }
}

TEST_F(SddDump, AMissingBodyByteWritesNothing) {
    EXPECT_EQ(Export("sdd file length: 12\nbegin dump sdd file\nshort"), kResultFailed);
    EXPECT_EQ(target.Contents(), "");
}

TEST_F(SddDump, AMissingClosingLineFailsButKeepsTheBody) {
    EXPECT_EQ(
        Export("sdd file length: 12\nbegin dump sdd file\n" + kTwelveBytes + "end dump sdd file\n"),
        kResultFailed);
    EXPECT_EQ(target.Contents(), kTwelveBytes);
}

TEST_F(SddDump, NoLengthLineFails) {
    EXPECT_EQ(Export("begin dump sdd file\n"), kResultFailed);
    EXPECT_EQ(target.Contents(), "");
}

TEST_F(SddDump, AFailedFileWriteIsAFailure) {
    link.peer.ScriptReplies({"sdd file length: 12\nbegin dump sdd file\n" + kTwelveBytes +
                             "end dump sdd file\nSending CMD OK!\n"});
    ASSERT_EQ(get_sdd_file(Ctx()), kResultOk);
    const int readOnly = open("/dev/null", O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(ReadSddDump(Ctx(), readOnly), kResultFailed);
    close(readOnly);
}

} // namespace
} // namespace kel::test
