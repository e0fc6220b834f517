// The about box: its version label from the program's version record, and the ways it closes.
#include "ui/AboutBox.h"

#include "support/System.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

TEST(AboutBox, TheLabelReadsTheProgramsFileVersionOrStaysVersionNumber) {
    // The test program carries the program's own version record.
    EXPECT_EQ(ReadVersionLabel(sys::ModuleFileName()), "Version 1.0.0.0");
    const testing_files::ScratchFolder folder;
    testing_files::WriteFile(folder / "plain.exe", "no version record here");
    EXPECT_EQ(ReadVersionLabel(folder / "plain.exe"), "VersionNumber");
    EXPECT_EQ(ReadVersionLabel(folder / "missing.exe"), "VersionNumber");
}

TEST(AboutBox, IsCaptionedAboutAndSizedToItsPicture) {
    TAboutBox about(nullptr);
    EXPECT_EQ(about.VersionNumber(), "Version 1.0.0.0");
    char caption[32] = "";
    GetWindowTextA(about.WindowHandle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "About");
    RECT client{};
    GetClientRect(about.WindowHandle(), &client);
    EXPECT_EQ(client.right, TAboutBox::kClientWidth);
    EXPECT_EQ(client.bottom, TAboutBox::kClientHeight);
}

TEST(AboutBox, AnyMouseButtonClosesItWithOkAndTheCloseBoxWithCancel) {
    const struct {
        UINT message;
        int result;
    } ways[] = {
        {WM_LBUTTONDOWN, TForm::kModalOk},
        {WM_RBUTTONDOWN, TForm::kModalOk},
        {WM_MBUTTONDOWN, TForm::kModalOk},
        {WM_CLOSE, TForm::kModalCancel},
    };
    for (const auto& way : ways) {
        TAboutBox about(nullptr);
        PostMessageA(about.WindowHandle(), way.message, 0, MAKELPARAM(100, 100));
        EXPECT_EQ(about.ShowModal(), way.result) << way.message;
        EXPECT_FALSE(IsWindowVisible(about.WindowHandle()));
    }
}
