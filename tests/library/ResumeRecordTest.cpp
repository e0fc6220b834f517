// The record beside a partial movie download: what it holds, and that anything else in the shared
// download folder is no record.
#include "library/ResumeRecord.h"

#include "tests/TestFiles.h"

#include <gtest/gtest.h>

namespace {

const std::string kGood = "Zolvane resume 1\nurl=http://skits.example/a.gif\nvalidator=\"3e8-1\"\nlength=1000\n";

} // namespace

TEST(ResumeRecord, OnlyARecordAsItIsWrittenReadsAsOne) {
    const ResumeRecord record{"http://skits.example/a.gif", "\"3e8-1\"", 1000};
    EXPECT_EQ(FormatResumeRecord(record), kGood);
    const struct {
        const char* name;
        std::string bytes;
        bool reads;
    } cases[] = {
        {"as written", kGood, true},
        {"a date for a validator",
         "Zolvane resume 1\nurl=http://skits.example/a.gif\nvalidator=Tue, 08 Dec 2026 "
         "10:00:00 GMT\nlength=4294967295\n",
         true},
        {"no last line end", kGood.substr(0, kGood.size() - 1), false},
        {"carriage returns", "Zolvane resume 1\r\nurl=http://skits.example/a.gif\r\nvalidator=x\r\nlength=1\r\n",
         false},
        {"another version", "Zolvane resume 2" + kGood.substr(16), false},
        {"a fifth line", kGood + "more=1\n", false},
        {"fields out of order", "Zolvane resume 1\nvalidator=x\nurl=http://skits.example/a.gif\nlength=1\n", false},
        {"no web address", "Zolvane resume 1\nurl=file:///etc/passwd\nvalidator=x\nlength=1\n", false},
        {"a weak validator", "Zolvane resume 1\nurl=http://a.example/\nvalidator=W/\"x\"\nlength=1\n", false},
        {"an empty validator", "Zolvane resume 1\nurl=http://a.example/\nvalidator=\nlength=1\n", false},
        {"a control character", "Zolvane resume 1\nurl=http://a.example/\nvalidator=x\ty\nlength=1\n", false},
        {"a long validator",
         "Zolvane resume 1\nurl=http://a.example/\nvalidator=" + std::string(257, 'v') + "\nlength=1\n", false},
        {"length 0", "Zolvane resume 1\nurl=http://a.example/\nvalidator=x\nlength=0\n", false},
        {"a leading zero", "Zolvane resume 1\nurl=http://a.example/\nvalidator=x\nlength=01\n", false},
        {"past 32 bits", "Zolvane resume 1\nurl=http://a.example/\nvalidator=x\nlength=4294967296\n", false},
        {"a sign", "Zolvane resume 1\nurl=http://a.example/\nvalidator=x\nlength=+1\n", false},
        {"over 4096 bytes",
         "Zolvane resume 1\nurl=http://a.example/" + std::string(4100, 'a') + "\nvalidator=x\nlength=1\n", false},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseResumeRecord(c.bytes).has_value(), c.reads) << c.name;
    }
    const auto parsed = ParseResumeRecord(kGood);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->url, record.url);
    EXPECT_EQ(parsed->validator, record.validator);
    EXPECT_EQ(parsed->length, 1000u);
}

TEST(ResumeRecord, IsWrittenAndReadBackBesideItsFile) {
    testing_files::ScratchFolder folder;
    const std::string path = ResumeRecordPath(folder / "a.gif");
    EXPECT_EQ(path, folder / "a.gif.resume");
    EXPECT_FALSE(ReadResumeRecord(path));
    ASSERT_TRUE(WriteResumeRecord(path, {"http://skits.example/a.gif", "\"3e8-1\"", 1000}));
    EXPECT_EQ(testing_files::ReadFile(path), kGood);
    EXPECT_TRUE(ReadResumeRecord(path));
}
