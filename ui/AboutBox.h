// The about box: the product picture with the program's file version written on it, shown modally
// over the settings window. Any mouse button on it, or its close box, closes it.
#pragma once

#include "gui/Canvas.h"
#include "gui/Form.h"
#include "support/WinHandles.h"

#include <string>

class TAboutBox : public TForm {
public:
    static constexpr int kClientWidth = 400;
    static constexpr int kClientHeight = 300;

    // owner may be none. The version label is read from the program's file now.
    explicit TAboutBox(TForm* owner);

    const std::string& VersionNumber() const { return versionText_; }

    void FormMouseDown();

protected:
    void CreateParams(TCreateParams& params) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(TCanvas& canvas) override;

private:
    TForm* owner_;
    TPicture picture_;
    UniqueFont font_;
    std::string versionText_;
};

// "Version " and the file version of the program's US English (code page 1252) version record, or
// "VersionNumber" when the file has no such record.
std::string ReadVersionLabel(const std::string& programFile);
