#include "library/Paths.h"

#include <gtest/gtest.h>

namespace {

std::pair<std::string, std::string> Split(const std::string& path) {
    std::string folder = "unchanged", name = "unchanged";
    SplitPath(path, &folder, &name);
    return {folder, name};
}

} // namespace

TEST(SplitPath, TheLastSeparatorDividesFolderFromName) {
    using Parts = std::pair<std::string, std::string>;
    EXPECT_EQ(Split("C:\\skits\\a.swf"), (Parts{"C:\\skits", "a.swf"}));
    EXPECT_EQ(Split("a.swf"), (Parts{"", "a.swf"}));
    EXPECT_EQ(Split("C:a.swf"), (Parts{"C", "a.swf"}));
    EXPECT_EQ(Split("/home/user/a.swf"), (Parts{"/home/user", "a.swf"}));
    EXPECT_EQ(Split("C:\\skits\\"), (Parts{"C:\\skits", ""}));
    EXPECT_EQ(Split(""), (Parts{"", ""}));
}

TEST(SplitPath, WritesOnlyTheOutputsItIsGiven) {
    std::string name;
    SplitPath("C:\\skits\\a.swf", nullptr, &name);
    EXPECT_EQ(name, "a.swf");
    std::string folder;
    SplitPath("C:\\skits\\a.swf", &folder, nullptr);
    EXPECT_EQ(folder, "C:\\skits");
}

TEST(JoinPath, PutsOneBackslashBetweenFolderAndName) {
    EXPECT_EQ(JoinPath("C:\\skits\\", "a.swf"), "C:\\skits\\a.swf");
    EXPECT_EQ(JoinPath("C:\\skits", "a.swf"), "C:\\skits\\a.swf");
    EXPECT_EQ(JoinPath("C:", "a.swf"), "C:a.swf");
    EXPECT_EQ(JoinPath("", "a.swf"), "a.swf");
    EXPECT_EQ(JoinPath("/tmp/", "a.swf"), "/tmp/a.swf");
    // A folder of one character gets no backslash.
    EXPECT_EQ(JoinPath("x", "a.swf"), "xa.swf");
    // No name is the folder itself.
    EXPECT_EQ(JoinPath("C:\\skits", ""), "C:\\skits");
}
