// The operating-system layer behaves the same on both platforms where the core can tell.
#include "support/System.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using testing_files::ReadFile;
using testing_files::ScratchFolder;
using testing_files::WriteFile;

TEST(System, PathsJoinedWithBackslashesWorkOnEveryPlatform) {
    ScratchFolder folder;
    WriteFile(folder / "a.txt", "abc");
    const std::string backslashed = folder.Path() + "\\a.txt";
    sys::FindData found;
    sys::DirectorySearch search;
    ASSERT_TRUE(search.First(backslashed, found));
    EXPECT_EQ(found.name, "a.txt");
    EXPECT_EQ(found.size, 3u);
    EXPECT_TRUE(sys::CopyFileTo(backslashed, folder.Path() + "\\b.txt", true));
    EXPECT_EQ(ReadFile(folder / "b.txt"), "abc");
}

TEST(System, AMoveReplacesItsTargetOnlyWhenTold) {
    ScratchFolder folder;
    WriteFile(folder / "new", "new");
    WriteFile(folder / "old", "old");
    EXPECT_FALSE(sys::RenameFile(folder / "new", folder / "old", false));
    EXPECT_EQ(ReadFile(folder / "new"), "new");
    EXPECT_EQ(ReadFile(folder / "old"), "old");

    EXPECT_TRUE(sys::RenameFile(folder / "new", folder / "old", true));
    EXPECT_EQ(ReadFile(folder / "old"), "new");
    EXPECT_FALSE(std::filesystem::exists(folder / "new"));

    EXPECT_TRUE(sys::RenameFile(folder / "old", folder / "moved", false));
    EXPECT_EQ(ReadFile(folder / "moved"), "new");
}

TEST(System, ACopyThatMustNotOverwriteLeavesTheTarget) {
    ScratchFolder folder;
    WriteFile(folder / "source", "source");
    WriteFile(folder / "target", "target");
    EXPECT_FALSE(sys::CopyFileTo(folder / "source", folder / "target", true));
    EXPECT_EQ(ReadFile(folder / "target"), "target");
    EXPECT_TRUE(sys::CopyFileTo(folder / "source", folder / "target", false));
    EXPECT_EQ(ReadFile(folder / "target"), "source");
}

TEST(System, RemovingAMissingFileFailsWithFileNotFound) {
    ScratchFolder folder;
    EXPECT_FALSE(sys::RemoveFile(folder / "missing"));
    EXPECT_EQ(sys::LastError(), sys::kErrorFileNotFound);
}

TEST(System, ReadOnlyIsAnAttributeThatComesAndGoes) {
    ScratchFolder folder;
    WriteFile(folder / "file", "x");
    sys::FindData found;
    sys::DirectorySearch search;
    ASSERT_TRUE(search.First(folder / "file", found));
    EXPECT_EQ(found.attributes & sys::kAttrReadOnly, 0u);

    ASSERT_TRUE(sys::SetAttributes(folder / "file", sys::kAttrReadOnly));
    ASSERT_TRUE(search.First(folder / "file", found));
    EXPECT_NE(found.attributes & sys::kAttrReadOnly, 0u);
    EXPECT_EQ(found.attributes & sys::kAttrDirectory, 0u);

    ASSERT_TRUE(sys::SetAttributes(folder / "file", sys::kAttrNormal));
    ASSERT_TRUE(search.First(folder / "file", found));
    EXPECT_EQ(found.attributes & sys::kAttrReadOnly, 0u);
}

TEST(System, AFolderCarriesTheDirectoryAttribute) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "sub");
    sys::FindData found;
    sys::DirectorySearch search;
    ASSERT_TRUE(search.First(folder / "sub", found));
    EXPECT_NE(found.attributes & sys::kAttrDirectory, 0u);
}

TEST(System, EachThreadHasItsOwnId) {
    const std::uint32_t mine = sys::CurrentThreadId();
    std::uint32_t other = mine;
    std::thread([&] { other = sys::CurrentThreadId(); }).join();
    EXPECT_NE(mine, 0u);
    EXPECT_NE(other, mine);
}

TEST(System, TheModuleFileNameNamesThisTestProgram) {
    const std::string name = sys::ModuleFileName();
    EXPECT_NE(name.find("support_tests"), std::string::npos) << name;
}

TEST(System, LocalTimeHasFieldsInRange) {
    const sys::CivilTime now = sys::LocalTimeNow();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.hour, 23);
    EXPECT_LE(now.minute, 59);
    EXPECT_LE(now.second, 59);
    EXPECT_LE(now.milliseconds, 999);
    EXPECT_LE(now.dayOfWeek, 6);
}

// In a folder that other users write, only a plain file of this user's, under one name, is opened; a link
// is refused, not followed. Wine makes no symbolic links, so there only the hard link shows.
TEST(System, OnlyAPlainFileOfOurOwnUnderOneNameOpensAsOurOwn) {
    ScratchFolder folder;
    WriteFile(folder / "ours", "ours");
    WriteFile(folder / "elsewhere", "elsewhere");
    std::filesystem::create_directory(folder / "folder");
    std::error_code refused;
    std::filesystem::create_hard_link(folder / "elsewhere", folder / "hard", refused);
    std::filesystem::create_symlink(folder / "ours", folder / "soft", refused);
    const struct {
        const char* name;
        bool opens;
    } cases[] = {{"ours", true}, {"missing", false}, {"folder", false}, {"hard", false}, {"soft", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<bool>(sys::OpenOwnFile(folder / c.name)), c.opens) << c.name;
    }
    // The first name of a file that has a second one is refused as well.
    EXPECT_EQ(static_cast<bool>(sys::OpenOwnFile(folder / "elsewhere")), !std::filesystem::exists(folder / "hard"));
}
