#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(ChooseRunMode, OnlyTheFirstLetterCountsInEitherCase) {
    for (const char* arguments : {"/s", "-S", "s", "Settings", "/Screensaver 12", "   /s"}) {
        EXPECT_EQ(ChooseRunMode(arguments).mode, rmSaver) << arguments;
        EXPECT_EQ(ChooseRunMode(arguments).parent, ParentSource::None) << arguments;
    }
}

TEST(ChooseRunMode, EachLetterHasItsModeAndItsParent) {
    EXPECT_EQ(ChooseRunMode("/a").mode, rmPassword);
    EXPECT_EQ(ChooseRunMode("/a").parent, ParentSource::AfterLetter);
    EXPECT_EQ(ChooseRunMode("/c").mode, rmConfig);
    EXPECT_EQ(ChooseRunMode("/c").parent, ParentSource::Foreground);
    EXPECT_EQ(ChooseRunMode("/p 12").mode, rmPreview);
    EXPECT_EQ(ChooseRunMode("/p 12").parent, ParentSource::AfterLetter);
    EXPECT_EQ(ChooseRunMode("-l:12").mode, rmPreview);
}

TEST(ChooseRunMode, AnythingElseAndNothingOpenTheSettingsWithoutParent) {
    for (const char* arguments : {"", "   ", "/", "/x", "--s", "//s", "\t/s", "1234"}) {
        EXPECT_EQ(ChooseRunMode(arguments).mode, rmConfig) << arguments;
        EXPECT_EQ(ChooseRunMode(arguments).parent, ParentSource::None) << arguments;
    }
}

TEST(ChooseRunMode, TheRestIsWhatFollowsTheLetter) {
    EXPECT_EQ(ChooseRunMode("/p 1234").rest, " 1234");
    EXPECT_EQ(ChooseRunMode("  -P:1234").rest, ":1234");
    EXPECT_EQ(ChooseRunMode("a").rest, "");
    EXPECT_EQ(ChooseRunMode("").rest, "");
}

TEST(ReadWindowNumber, TakesAColonWhiteSpaceAndASignedNumber) {
    EXPECT_EQ(ReadWindowNumber("1234"), 1234);
    EXPECT_EQ(ReadWindowNumber(" 1234"), 1234);
    EXPECT_EQ(ReadWindowNumber(":1234"), 1234);
    EXPECT_EQ(ReadWindowNumber(":\t\r\n\v\f 1234 5"), 1234);
    EXPECT_EQ(ReadWindowNumber("1234abc"), 1234);
    EXPECT_EQ(ReadWindowNumber("-56"), -56);
    EXPECT_EQ(ReadWindowNumber("+56"), 56);
}

TEST(ReadWindowNumber, NoDigitsGiveZero) {
    EXPECT_EQ(ReadWindowNumber(""), 0);
    EXPECT_EQ(ReadWindowNumber("::1234"), 0);
    EXPECT_EQ(ReadWindowNumber("x1234"), 0);
    EXPECT_EQ(ReadWindowNumber("-"), 0);
}

TEST(ReadWindowNumber, ANumberBeyondThirtyTwoBitsNamesNoWindowInsteadOfWrappingAround) {
    EXPECT_EQ(ReadWindowNumber("4294967295"), 4294967295ll);
    EXPECT_EQ(ReadWindowNumber("4294967296"), 0);
    EXPECT_EQ(ReadWindowNumber("18446744073709552850"), 0);
}

TEST(ArgumentsOf, DropsTheProgramsNameAndTheOneBlankAfterIt) {
    EXPECT_EQ(ArgumentsOf("zolvane.scr /s"), "/s");
    EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\zolvane.scr\" /p 12"), "/p 12");
    EXPECT_EQ(ArgumentsOf("zolvane.scr"), "");
    EXPECT_EQ(ArgumentsOf("\"zolvane.scr\""), "");
    EXPECT_EQ(ArgumentsOf("zolvane.scr   /s"), "  /s");
}

TEST(ArgumentsOf, KeepsALeadingTabSoThatItChoosesTheSettings) {
    EXPECT_EQ(ArgumentsOf("zolvane.scr \t/s"), "\t/s");
    EXPECT_EQ(ChooseRunMode(ArgumentsOf("zolvane.scr \t/s")).mode, rmConfig);
    EXPECT_EQ(ArgumentsOf("zolvane.scr\t/s"), "\t/s");
}
