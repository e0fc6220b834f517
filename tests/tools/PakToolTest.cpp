#include "library/PakArchive.h"
#include "support/ErrorCodes.h"
#include "tests/TestFiles.h"
#include "tests/tools/PakToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using testing_files::ReadFile;
using testing_files::SameBytes;
using testing_files::ScratchFolder;
using testing_files::WriteFile;

namespace {

class PakToolTest : public ::testing::Test {
protected:
    ScratchFolder folder_;
    std::string pak_ = folder_ / "skits.pak";
};

} // namespace

TEST_F(PakToolTest, MakesFillsListsAndReadsAPak) {
    EXPECT_EQ(PakTool({"new", pak_}).status, 0);
    EXPECT_EQ(PakTool({"put", pak_, "PSTR", "next", "--text", "hello"}).out, "1\n");
    EXPECT_EQ(PakTool({"put", pak_, "PSTR", "next", "--text", "world"}).out, "2\n");
    EXPECT_EQ(PakTool({"put", pak_, "0x0000abcd", "-5", "--text", "x"}).out, "-5\n");
    // Longer than before: the resource moves, and closing compacts.
    EXPECT_EQ(PakTool({"put", pak_, "PSTR", "1", "--text", "hello again"}).out, "1\n");

    const PakToolOutcome list = PakTool({"list", pak_});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "PSTR 2 0 6\n"
                        "0x0000ABCD -5 6 2\n"
                        "PSTR 1 8 12\n"
                        "base 0 dataEnd 20 dirSize 4816 capacity 200 count 3 scramble 0D0D0D0D0D0D0D0D\n");
    EXPECT_EQ(PakTool({"get", pak_, "PSTR", "1"}).out, std::string("hello again\0", 12));

    ASSERT_EQ(PakTool({"get", pak_, "PSTR", "2", "--out", folder_ / "two.bin"}).status, 0);
    EXPECT_EQ(ReadFile(folder_ / "two.bin"), std::string("world\0", 6));
}

TEST_F(PakToolTest, StoresFilesAsTheyAreAndScramblesOnRequest) {
    ASSERT_EQ(PakTool({"new", pak_, "--scramble", "1DA5000000000000"}).status, 0);
    const std::string binary("\x00\x01\xFF\x7Fskit", 8);
    WriteFile(folder_ / "skit.bin", binary);
    EXPECT_EQ(PakTool({"put", pak_, "SKIT", "1", "--file", folder_ / "skit.bin", "--scrambled"}).out, "1\n");
    EXPECT_EQ(PakTool({"put", pak_, "SYNC", "1", "--file", folder_ / "skit.bin"}).out, "1\n");

    EXPECT_EQ(PakTool({"list", pak_}).out,
              "SKIT 1 0 8 scrambled\n"
              "SYNC 1 8 8\n"
              "base 0 dataEnd 16 dirSize 4816 capacity 200 count 2 scramble 1DA5000000000000\n");
    EXPECT_EQ(ReadFile(pak_).substr(8, 8), binary);
    EXPECT_NE(ReadFile(pak_).substr(0, 8), binary);
    EXPECT_EQ(PakTool({"get", pak_, "SKIT", "1"}).out, binary);
}

TEST_F(PakToolTest, FailuresSayWhatWentWrongOnOneLineAndLeaveThePak) {
    ASSERT_EQ(PakTool({"new", pak_}).status, 0);
    ASSERT_EQ(PakTool({"put", pak_, "PSTR", "1", "--text", "kept"}).status, 0);
    const std::string before = ReadFile(pak_);

    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::string missing = folder_ / "missing.pak";
    const Case cases[] = {
        {{"put", pak_, "PSTX", "1", "--text", "a"},
         "paktool: Unknown resource type \"PSTX\": use PSTR, SKIT, SYNC, SkOp, SIGN, HASH or 0x and 8 hex digits.\n"},
        {{"put", pak_, "PSTR", "1x", "--text", "a"},
         "paktool: Bad resource id \"1x\": use a whole number from -2147483648 to 2147483647 (but not "
         "-1879048193), or next.\n"},
        {{"put", pak_, "PSTR", "4294967296", "--text", "a"},
         "paktool: Bad resource id \"4294967296\": use a whole number from -2147483648 to 2147483647 (but not "
         "-1879048193), or next.\n"},
        {{"get", pak_, "PSTR", "2"}, "paktool: " + pak_ + " holds no PSTR 2.\n"},
        {{"put", pak_, "PSTR", "1", "--file", folder_ / "nothing.bin"}, ""},
        {{"new", pak_}, "paktool: " + pak_ + " is already there; use --force to replace it.\n"},
        {{"new", folder_ / "x.pak", "--scramble", "123"},
         "paktool: Bad scramble program \"123\": use 16 hex digits, two for each of the 8 bytes.\n"},
    };
    for (const Case& c : cases) {
        const PakToolOutcome outcome = PakTool(c.args);
        EXPECT_EQ(outcome.status, 1) << c.args[0] << " " << c.args.back();
        if (!c.error.empty()) {
            EXPECT_EQ(outcome.err, c.error);
        }
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_TRUE(SameBytes(ReadFile(pak_), before));
    }

    const PakToolOutcome notThere = PakTool({"list", missing});
    EXPECT_EQ(notThere.status, 1);
    EXPECT_EQ(notThere.err, "paktool: " + ErrorText(sys::kErrorFileNotFound) + " " + missing + "\n");

    WriteFile(folder_ / "damaged.pak", std::string(200, 'x'));
    const PakToolOutcome damaged = PakTool({"list", folder_ / "damaged.pak"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err, "paktool: The file is missing or corrupt. " + (folder_ / "damaged.pak") + "\n");
}

TEST_F(PakToolTest, UsageErrorsEndWithStatusTwo) {
    EXPECT_EQ(PakTool({}).status, 2);
    EXPECT_EQ(PakTool({"unpack", pak_}).status, 2);
    EXPECT_EQ(PakTool({"put", pak_, "PSTR", "1"}).status, 2);
    EXPECT_EQ(PakTool({"put", pak_, "PSTR", "1", "--text", "a", "--file", "b"}).status, 2);
    EXPECT_EQ(PakTool({"list"}).status, 2);
    EXPECT_EQ(PakTool({"list", pak_, "--verbose"}).status, 2);
}

TEST_F(PakToolTest, HelpNamesTheCommandsAndEachCommandsArguments) {
    const PakToolOutcome help = PakTool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"new", "put", "get", "list", "compact"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
    const PakToolOutcome putHelp = PakTool({"put", "--help"});
    EXPECT_EQ(putHelp.status, 0);
    EXPECT_NE(putHelp.out.find("paktool put"), std::string::npos) << putHelp.out;
    EXPECT_NE(putHelp.out.find("--scrambled"), std::string::npos);
}
