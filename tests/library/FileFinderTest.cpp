#include "library/FileFinder.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <set>

using testing_files::ScratchFolder;
using testing_files::WriteFile;

namespace {

std::set<std::string> NamesFound(const std::string& pattern, std::uint32_t mask) {
    std::set<std::string> names;
    FileFinder finder;
    for (bool found = finder.FindFirst(pattern, mask); found; found = finder.FindNext()) {
        names.insert(finder.name);
    }
    return names;
}

} // namespace

TEST(FileExists, TrueForPlainAndReadOnlyFilesOnly) {
    ScratchFolder folder;
    WriteFile(folder / "plain.swf", "x");
    WriteFile(folder / "locked.swf", "x");
    ASSERT_TRUE(sys::SetAttributes(folder / "locked.swf", sys::kAttrReadOnly));
    std::filesystem::create_directory(folder / "skits");

    EXPECT_TRUE(FileExists(folder / "plain.swf"));
    EXPECT_TRUE(FileExists(folder / "locked.swf"));
    EXPECT_FALSE(FileExists(folder / "skits"));
    EXPECT_FALSE(FileExists(folder / "missing.swf"));
    EXPECT_FALSE(FileExists(folder / "missing-folder" + "/a.swf"));
}

TEST(AnyFileExists, TrueForHiddenFilesTooButNeverForFolders) {
    ScratchFolder folder;
    WriteFile(folder / ".hidden.ops", "x");
    ASSERT_TRUE(sys::SetAttributes(folder / ".hidden.ops", sys::kAttrHidden));
    std::filesystem::create_directory(folder / "skits");

    EXPECT_TRUE(AnyFileExists(folder / ".hidden.ops"));
    EXPECT_FALSE(AnyFileExists(folder / "skits"));
    EXPECT_FALSE(AnyFileExists(folder / "missing.ops"));
}

TEST(FileSize, TheSizeOfAFileOrZeroWhenThereIsNone) {
    ScratchFolder folder;
    WriteFile(folder / "empty", "");
    WriteFile(folder / "some", std::string(12345, 'z'));
    std::filesystem::create_directory(folder / "skits");
    EXPECT_EQ(FileSize(folder / "missing"), 0u);
    EXPECT_EQ(FileSize(folder / "empty"), 0u);
    EXPECT_EQ(FileSize(folder / "some"), 12345u);
    EXPECT_EQ(FileSize(folder / "skits"), 0u);
}

TEST(FileFinder, TheMaskDecidesWhichEntriesQualify) {
    ScratchFolder folder;
    WriteFile(folder / "a.swf", "aa");
    WriteFile(folder / "b.txt", "b");
    std::filesystem::create_directory(folder / "sub");
    const std::string all = folder / "*";

    EXPECT_EQ(NamesFound(all, kPlainFileMask), (std::set<std::string>{"a.swf", "b.txt"}));
    // "." and ".." never qualify, even for a mask that takes folders.
    EXPECT_EQ(NamesFound(all, sys::kAttrDirectory), (std::set<std::string>{"sub"}));
    EXPECT_TRUE(NamesFound(all, 0).empty());
}

TEST(FileFinder, WildcardsMatchWithoutRegardToCase) {
    ScratchFolder folder;
    WriteFile(folder / "one.swf", "");
    WriteFile(folder / "TWO.SWF", "");
    WriteFile(folder / "three.swf.bak", "");
    WriteFile(folder / "noextension", "");
    using Names = std::set<std::string>;
    EXPECT_EQ(NamesFound(folder / "*.swf", kPlainFileMask), (Names{"one.swf", "TWO.SWF"}));
    EXPECT_EQ(NamesFound(folder / "???.swf", kPlainFileMask), (Names{"one.swf", "TWO.SWF"}));
    EXPECT_EQ(NamesFound(folder / "t*", kPlainFileMask), (Names{"TWO.SWF", "three.swf.bak"}));
    EXPECT_EQ(NamesFound(folder / "*.*", kPlainFileMask),
              (Names{"one.swf", "TWO.SWF", "three.swf.bak", "noextension"}));
    EXPECT_TRUE(NamesFound(folder / "*.gif", kPlainFileMask).empty());
}

TEST(FileFinder, DescribesTheMatchItFound) {
    ScratchFolder folder;
    WriteFile(folder / "movie.swf", std::string(70000, 'm'));
    FileFinder finder;
    ASSERT_TRUE(finder.FindFirst(folder / "movie.swf", kPlainFileMask));
    EXPECT_EQ(finder.name, "movie.swf");
    EXPECT_EQ(finder.sizeLow, 70000u);
    EXPECT_EQ(finder.sizeHigh, 0u);
    EXPECT_EQ(finder.attributes & sys::kAttrDirectory, 0u);
    EXPECT_NE(finder.written, 0u);
    EXPECT_FALSE(finder.FindNext());
    EXPECT_FALSE(finder.FindNext());
}

TEST(FileFinder, NothingIsFoundAfterCloseOrWithoutASearch) {
    ScratchFolder folder;
    WriteFile(folder / "a", "");
    WriteFile(folder / "b", "");
    FileFinder finder;
    EXPECT_FALSE(finder.FindNext());
    ASSERT_TRUE(finder.FindFirst(folder / "*", kPlainFileMask));
    finder.Close();
    EXPECT_FALSE(finder.FindNext());
    finder.Close();
}
