// A stand-in for the system's MPR.DLL: PwdChangePasswordA notes its arguments in "mpr-calls.txt"
// beside it.
#include "tests/app/fakes/FakeSystemDll.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        fake_dll::Instance() = instance;
    }
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2) {
    fake_dll::AppendLine("mpr-calls.txt", std::string(provider != nullptr ? provider : "(null)") + " " +
                                              std::to_string(reinterpret_cast<INT_PTR>(parent)) + " " +
                                              std::to_string(reserved1) + " " + std::to_string(reserved2));
    return 0;
}
