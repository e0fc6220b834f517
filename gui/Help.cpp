#include "gui/Help.h"

#include <shellapi.h>

void OpenHelp(const std::string& helpFile, UINT, DWORD) {
    ShellExecuteA(nullptr, nullptr, helpFile.c_str(), nullptr, nullptr, SW_SHOW);
}
