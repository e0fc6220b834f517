#include "gui/Help.h"

#include "support/Error.h"
#include "support/ErrorCodes.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kReinstallAdvice = "You may need to reinstall this screensaver.";

// The shell reports a failure as a number of 32 or less. Most of them are the system's own error codes
// (file or path not found, access denied, out of memory, bad format); the SE_ERR_ numbers above those
// are not, and go to the system code that says the same, so that the user reads the system's text.
ErrorCode ShellResultCode(INT_PTR result) {
    switch (result) {
    case 0:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_SHARE:
        return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
        return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
        return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
        return ERROR_DLL_NOT_FOUND;
    default:
        return static_cast<ErrorCode>(result);
    }
}

std::string FullPath(const std::string& path) {
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    std::vector<char> full(size + 1, '\0');
    if (size == 0 || GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr) == 0) {
        return path;
    }
    return full.data();
}

// The path in UTF-8, which is how browsers read the bytes of a file address; the program's texts are in
// the ANSI code page.
std::string AnsiToUtf8(const std::string& text) {
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0) {
        return text;
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], length, nullptr, nullptr);
    return utf8;
}

// file:///C:/Folder/page.htm for a full path, file://server/share/page.htm for a network one. Every
// byte but letters, digits, "-._~", the slashes and the drive's colon is percent-encoded: a space would
// split the command line and a '#' or '%' in a folder's name would end the path or start an escape.
std::string FileUrl(const std::string& fullPath) {
    std::string path;
    for (const char c : AnsiToUtf8(fullPath)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '/') {
            path += '/';
        } else if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                   c == '-' || c == '.' || c == '_' || c == '~' || c == ':') {
            path += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            path += escape;
        }
    }
    return path.compare(0, 2, "//") == 0 ? "file:" + path : "file:///" + path;
}

// ShellExecuteA drops a "#fragment" from a file's name, so a topic goes to the program that opens the
// page, with the page's address and the fragment as its argument. Without such a program the page opens
// at its top.
void OpenTopic(const std::string& page, DWORD context) {
    char program[MAX_PATH] = "";
    const auto found = reinterpret_cast<INT_PTR>(FindExecutableA(page.c_str(), nullptr, program));
    if (found <= 32 || program[0] == '\0') {
        OpenDocument(page, "");
        return;
    }
    OpenDocument(program, "\"" + FileUrl(page) + "#context-" + std::to_string(context) + "\"");
}

} // namespace

void OpenDocument(const std::string& file, const std::string& parameters) {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(
        nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        throw EZolvaneError(ErrorText(ShellResultCode(result)));
    }
}

void OpenHelp(const std::string& helpFile, UINT command, DWORD data) {
    if (helpFile.empty()) {
        throw EZolvaneError(std::string("The help file is missing. ") + kReinstallAdvice);
    }
    const DWORD attributes = GetFileAttributesA(helpFile.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw EZolvaneError("The help file \"" + helpFile + "\" is missing. " + kReinstallAdvice);
    }
    const std::string page = FullPath(helpFile);
    if (command == HELP_CONTEXT) {
        OpenTopic(page, data);
    } else {
        OpenDocument(page, "");
    }
}
