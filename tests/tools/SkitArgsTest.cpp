#include "tools/skitplayer/SkitArgs.h"

#include "playback/SkitArguments.h"
#include "support/Error.h"
#include "support/ErrorCodes.h"
#include "support/System.h"
#include "tests/TestFiles.h"
#include "tools/skitplayer/SkitFile.h"

#include <gtest/gtest.h>

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(DecodeSkitValue, TurnsTheFiveCodesBackIntoTheirCharacters) {
    EXPECT_EQ(DecodeSkitValue("A%20B"), "A B");
    EXPECT_EQ(DecodeSkitValue("a%2Bb%3Dc%26d"), "a+b=c&d");
    EXPECT_EQ(DecodeSkitValue("50%25%20off"), "50% off");
    // Hand-written files may spell the hex digits in lower case.
    EXPECT_EQ(DecodeSkitValue("a%2bb%3dc"), "a+b=c");
    // A decoded percent sign does not start a code: this is the escaped text "%20".
    EXPECT_EQ(DecodeSkitValue("%2520"), "%20");
}

TEST(DecodeSkitValue, LeavesEverythingElseAsItIs) {
    EXPECT_EQ(DecodeSkitValue("C:\\skits\\sun.gif"), "C:\\skits\\sun.gif");
    EXPECT_EQ(DecodeSkitValue("%41%2F"), "%41%2F");
    EXPECT_EQ(DecodeSkitValue("100%"), "100%");
    EXPECT_EQ(DecodeSkitValue("%2"), "%2");
    EXPECT_EQ(DecodeSkitValue("caf\xE9%20cr\xE8me"), "caf\xE9 cr\xE8me");
    EXPECT_EQ(DecodeSkitValue(""), "");
}

TEST(SkitArgs, ReadsTheFileThatTheScreensaverWrites) {
    const SkitArgs args = SkitArgs::Parse("SS_RunCount=0&SS_Sound=0&SS_Month=03&SS_Day=07&SS_Swf=A%20B");
    EXPECT_EQ(
        args.Pairs(),
        (Pairs{{"SS_RunCount", "0"}, {"SS_Sound", "0"}, {"SS_Month", "03"}, {"SS_Day", "07"}, {"SS_Swf", "A B"}}));
    std::string value;
    ASSERT_TRUE(args.Find("SS_Swf", value));
    EXPECT_EQ(value, "A B");
    EXPECT_FALSE(args.Find("SS_Other", value));
    EXPECT_FALSE(args.Find("ss_swf", value));
}

TEST(SkitArgs, SkipsDamagedPiecesAndKeepsTheRest) {
    const SkitArgs args = SkitArgs::Parse("&&junk&=lost&a%20b=1&empty=&x=y=z&");
    // Names are never encoded, so they are not decoded either; a value keeps any later "=".
    EXPECT_EQ(args.Pairs(), (Pairs{{"a%20b", "1"}, {"empty", ""}, {"x", "y=z"}}));
    EXPECT_TRUE(SkitArgs::Parse("").Pairs().empty());
    EXPECT_TRUE(SkitArgs::Parse("no pairs at all").Pairs().empty());
}

TEST(SkitArgs, TakesTheLastOfTwoVariablesOfOneName) {
    std::string value;
    ASSERT_TRUE(SkitArgs::Parse("SS_Swf=old.gif&SS_Day=07&SS_Swf=new.gif").Find("SS_Swf", value));
    EXPECT_EQ(value, "new.gif");
}

TEST(SkitArgs, ReadsBackEveryPairThatTheScreensaverWrites) {
    SkitArguments written;
    written.AddFormattedVariable("SS_RunCount", "%d", 12);
    written.AddVariable("SS_Note", "50% off & a+b=c");
    written.AddVariable("SS_Swf", "caf\xE9 \\ C:/skits.gif");
    EXPECT_EQ(SkitArgs::Parse(written.Text()).Pairs(),
              (Pairs{{"SS_RunCount", "12"}, {"SS_Note", "50% off & a+b=c"}, {"SS_Swf", "caf\xE9 \\ C:/skits.gif"}}));
}

TEST(DecodeSkitValue, UndoesTheScreensaversEncodingOfEveryByte) {
    std::string every;
    for (int c = 1; c < 256; ++c) {
        every += static_cast<char>(c);
    }
    // Codes in the text itself, as the screensaver's own encoding of a percent sign must keep them.
    every += "%20%2B%25";
    EXPECT_EQ(DecodeSkitValue(EscapeValue(every)), every);
}

TEST(MoviePathFor, TakesOnlyABareMovieNameInTheSkitsFolder) {
    EXPECT_EQ(MoviePathFor("C:\\Zolvane\\skits", "sun rise.gif"), "C:\\Zolvane\\skits\\sun rise.gif");
    for (const char* name : {"extra\\sun.gif", "..\\sun.gif", "D:\\movies\\sun.gif", "\\\\server\\skits\\sun.gif",
                             "/tmp/sun.gif", "sun.exe", "SKITPL~1.GIF", ""}) {
        EXPECT_THROW(MoviePathFor("C:\\Zolvane\\skits", name), EZolvaneError) << name;
    }
}

namespace {

std::string ErrorOfReading(const std::string& path, std::uint32_t largest) {
    try {
        ReadSkitFile(path, largest, "argument file");
    } catch (const EZolvaneError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(ReadSkitFile, ReadsAFileWholeUpToItsLimitAndSaysWhatFailed) {
    testing_files::ScratchFolder folder;
    const std::string path = folder / "skitplayer.arg";
    testing_files::WriteFile(path, "SS_Swf=A%20B");
    EXPECT_EQ(ReadSkitFile(path, 12, "argument file"), "SS_Swf=A%20B");
    EXPECT_EQ(ErrorOfReading(path, 11), "The argument file cannot be read: It is larger than 11 bytes. " + path);
    EXPECT_EQ(ErrorOfReading(folder / "none.arg", 100),
              "The argument file cannot be read: " + ErrorText(sys::kErrorFileNotFound) + " " + (folder / "none.arg"));
    testing_files::WriteFile(path, "");
    EXPECT_EQ(ReadSkitFile(path, 100, "argument file"), "");
}
