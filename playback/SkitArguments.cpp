#include "playback/SkitArguments.h"

#include "library/Paths.h"
#include "support/DiskFile.h"
#include "support/System.h"

#include <cstdio>

std::string EscapeValue(const std::string& value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case ' ':
            escaped += "%20";
            break;
        case '+':
            escaped += "%2B";
            break;
        case '=':
            escaped += "%3D";
            break;
        case '&':
            escaped += "%26";
            break;
        case '%':
            escaped += "%25";
            break;
        default:
            escaped += c;
            break;
        }
    }
    return escaped;
}

std::string ArgumentFilePath(const std::string& folder, const std::string& playerPath, std::uint32_t session) {
    std::string name;
    SplitPath(playerPath, nullptr, &name);
    const std::string::size_type dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return JoinPath(folder, stem + "." + std::to_string(session) + ".arg");
}

std::string UserArgumentFilePath(const std::string& playerPath) {
    const std::string folder = sys::UserDataFolder();
    return folder.empty() ? std::string() : ArgumentFilePath(folder, playerPath, sys::SessionId());
}

void SkitArguments::AddVariable(const std::string& name, const std::string& value) {
    if (name.empty() || value.empty()) {
        text_.clear();
        return;
    }
    if (!text_.empty()) {
        text_ += '&';
    }
    text_ += name + '=' + EscapeValue(value);
}

void SkitArguments::AddFormattedVariable(const std::string& name, const char* format, std::int32_t value) {
    char formatted[64];
    std::snprintf(formatted, sizeof formatted, format, value);
    AddVariable(name, formatted);
}

void WriteArgumentFile(const std::string& path, const std::string& text) {
    sys::SetAttributes(path, sys::kAttrNormal);
    sys::RemoveFile(path);
    if (text.empty()) {
        return;
    }
    DiskFile file;
    file.Create(path, sys::kAttrNormal, sys::kShareRead);
    file.Write(text.data(), static_cast<std::uint32_t>(text.size()));
}
