#include "playback/SkitArguments.h"

#include "support/DiskFile.h"

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

std::string ArgumentFilePath(const std::string& playerPath) {
    const std::string::size_type dot = playerPath.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? playerPath : playerPath.substr(0, dot);
    return stem + ".arg";
}

std::string PlayerWorkingFolder(const std::string& playerPath) {
    const std::string::size_type separator = playerPath.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : playerPath.substr(0, separator);
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
