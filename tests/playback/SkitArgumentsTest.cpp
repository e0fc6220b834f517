#include "playback/SkitArguments.h"
#include "support/Error.h"
#include "support/System.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using testing_files::WriteFile;

TEST(SkitArguments, TheFirstSkitOnTheSeventhOfMarchWithSound) {
    SkitArguments arguments;
    arguments.AddFormattedVariable("SS_RunCount", "%d", 0);
    arguments.AddFormattedVariable("SS_Sound", "%d", 0);
    arguments.AddFormattedVariable("SS_Month", "%02d", 3);
    arguments.AddFormattedVariable("SS_Day", "%02d", 7);
    arguments.AddVariable("SS_Swf", "A B");
    EXPECT_EQ(arguments.Text(), "SS_RunCount=0&SS_Sound=0&SS_Month=03&SS_Day=07&SS_Swf=A%20B");
}

TEST(SkitArguments, ValuesAreEncodedOnceAndNamesNever) {
    EXPECT_EQ(EscapeValue("50% off"), "50%25%20off");
    EXPECT_EQ(EscapeValue("a+b=c&d"), "a%2Bb%3Dc%26d");
    EXPECT_EQ(EscapeValue("C:\\skits\\\xE9t\xE9.gif"), "C:\\skits\\\xE9t\xE9.gif");
    SkitArguments arguments;
    arguments.AddVariable("a b+", "%20");
    EXPECT_EQ(arguments.Text(), "a b+=%2520");
}

TEST(SkitArguments, AnEmptyNameOrValueEmptiesEverything) {
    SkitArguments arguments;
    arguments.AddVariable("one", "1");
    arguments.AddVariable("two", "2");
    arguments.AddVariable("three", "3");
    arguments.AddVariable("SS_Swf", "");
    EXPECT_EQ(arguments.Text(), "");
    arguments.AddVariable("four", "4");
    EXPECT_EQ(arguments.Text(), "four=4");
    arguments.AddVariable("", "x");
    EXPECT_EQ(arguments.Text(), "");
}

TEST(SkitArguments, TheFileLiesInTheUsersFolderNamedForThePlayerAndTheSession) {
    const std::string user = "C:\\Users\\ann\\AppData\\Local\\Zolvane";
    EXPECT_EQ(ArgumentFilePath(user, "C:\\Tools\\Play.exe", 1), user + "\\Play.1.arg");
    EXPECT_EQ(ArgumentFilePath(user, "C:\\Old.Tools\\Play", 2), user + "\\Play.2.arg");
    EXPECT_EQ(ArgumentFilePath(user, ".player", 0), user + "\\.player.0.arg");
    EXPECT_EQ(ArgumentFilePath(user, "player.x.exe", 4294967295u), user + "\\player.x.4294967295.arg");
    // The user's own folder, made on demand; the same for every call of one session.
    const std::string mine = UserArgumentFilePath("C:\\Program Files\\Zolvane\\skitplayer.exe");
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine, ArgumentFilePath(sys::UserDataFolder(), "skitplayer.exe", sys::SessionId()));
    EXPECT_TRUE(std::filesystem::is_directory(sys::NativePath(sys::UserDataFolder())));
}

TEST(WriteArgumentFile, ReplacesALeftoverEvenAReadOnlyOne) {
    ScratchFolder folder;
    const std::string path = folder / "Play.arg";
    WriteFile(path, "old contents that are longer");
    ASSERT_TRUE(sys::SetAttributes(path, sys::kAttrReadOnly));
    WriteArgumentFile(path, "SS_Swf=a.gif");
    EXPECT_EQ(ReadFile(path), "SS_Swf=a.gif");

    // No variables: no file at all.
    WriteArgumentFile(path, "");
    EXPECT_FALSE(std::filesystem::exists(path));

    EXPECT_THROW(WriteArgumentFile(folder / "missing" + "/Play.arg", "x=1"), EZolvaneError);
}
