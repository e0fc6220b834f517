#include "support/MessageBoxes.h"

#include <gtest/gtest.h>

TEST(ShowErrorBox, ShowsTheTextUnderTheCaptionErrorWithAnExclamation) {
    std::string text, caption;
    UINT type = 0xFFFF;
    HWND owner = reinterpret_cast<HWND>(1);
    const MessageBoxHandler before = SetMessageBoxHandler(
        [&](HWND boxOwner, const std::string& boxText, const std::string& boxCaption, UINT boxType) {
            owner = boxOwner;
            text = boxText;
            caption = boxCaption;
            type = boxType;
            return IDOK;
        });
    EXPECT_FALSE(before);

    EXPECT_EQ(ShowErrorBox(nullptr, "The file is missing or corrupt. C:\\x.pak"), IDOK);
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(text, "The file is missing or corrupt. C:\\x.pak");
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));

    EXPECT_TRUE(SetMessageBoxHandler(nullptr));
}
