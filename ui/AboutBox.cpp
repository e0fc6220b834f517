#include "ui/AboutBox.h"

#include "gui/Controls.h"
#include "resources/resource.h"
#include "support/System.h"

#include <cstring>
#include <vector>

namespace {

constexpr const char* kNoVersion = "VersionNumber";
// Where the picture leaves room for the version, and its colour.
const RECT kVersionPlace = PlaceAt(220, 208, 165, 13);
constexpr COLORREF kVersionColour = RGB(0, 128, 0);

} // namespace

std::string ReadVersionLabel(const std::string& programFile) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(programFile.c_str(), &ignored);
    if (size == 0) {
        return kNoVersion;
    }
    // Sized from the record itself, whatever its length.
    std::vector<char> record(size);
    if (!GetFileVersionInfoA(programFile.c_str(), 0, size, record.data())) {
        return kNoVersion;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(record.data(), "\\StringFileInfo\\040904E4\\FileVersion", &value, &length) || length == 0) {
        return kNoVersion;
    }
    // The length counts the terminating zero.
    const char* version = static_cast<const char*>(value);
    return "Version " + std::string(version, strnlen(version, length));
}

TAboutBox::TAboutBox(TForm* owner) : owner_(owner), picture_(IDB_ABOUT) {
    picture_.Visible = true;
    versionText_ = ReadVersionLabel(sys::ModuleFileName());
    Handle();
}

void TAboutBox::CreateParams(TCreateParams& params) {
    params.ClassName = "TAboutBox";
    params.Caption = "About";
    params.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
    params.ExStyle = WS_EX_DLGMODALFRAME;
    params.Parent = owner_ != nullptr ? owner_->Handle() : nullptr;
    params.CentreClientOnScreen(kClientWidth, kClientHeight);
}

LRESULT TAboutBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        FormMouseDown();
        return 0;
    default:
        return TForm::WindowProc(message, wParam, lParam);
    }
}

void TAboutBox::FormMouseDown() { ModalResult = kModalOk; }

void TAboutBox::Paint(TCanvas& canvas) {
    picture_.Paint(canvas);
    if (!font_) {
        font_ = MakeFont("MS Sans Serif", -11);
    }
    const HDC dc = canvas.Handle();
    const UniqueSelection selected = SelectInto(dc, font_.Get());
    SetTextColor(dc, kVersionColour);
    SetBkMode(dc, TRANSPARENT);
    RECT place = kVersionPlace;
    DrawTextA(dc, versionText_.c_str(), static_cast<int>(versionText_.size()), &place,
              DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}
