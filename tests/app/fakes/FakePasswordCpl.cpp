// A stand-in for the system's PASSWORD.CPL: VerifyScreenSavePwd answers what "password-answer.txt"
// beside it says ("yes" accepts, anything else refuses) and notes each question, with the window it
// was asked for, in "password-asks.txt".
#include "tests/app/fakes/FakeSystemDll.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        fake_dll::Instance() = instance;
    }
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    fake_dll::AppendLine("password-asks.txt", "asked " + std::to_string(reinterpret_cast<INT_PTR>(window)));
    return fake_dll::FirstWord("password-answer.txt") == "yes" ? TRUE : FALSE;
}
