#include "app/CommandLine.h"

#include <cstddef>

namespace {

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

std::string ArgumentsOf(const std::string& commandLine) {
    std::size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const std::size_t closing = commandLine.find('"', 1);
        at = closing == std::string::npos ? commandLine.size() : closing + 1;
    } else {
        while (at < commandLine.size() && commandLine[at] != ' ' && commandLine[at] != '\t') {
            ++at;
        }
    }
    // The one separator after the name is not part of the arguments.
    if (at < commandLine.size() && commandLine[at] == ' ') {
        ++at;
    }
    return commandLine.substr(at);
}

RunModeChoice ChooseRunMode(const std::string& arguments) {
    std::size_t at = 0;
    while (at < arguments.size() && arguments[at] == ' ') {
        ++at;
    }
    if (at < arguments.size() && (arguments[at] == '-' || arguments[at] == '/')) {
        ++at;
    }
    const char letter = at < arguments.size() ? UpperCase(arguments[at]) : '\0';
    RunModeChoice choice;
    choice.rest = at < arguments.size() ? arguments.substr(at + 1) : std::string();
    switch (letter) {
    case 'A':
        choice.mode = rmPassword;
        choice.parent = ParentSource::AfterLetter;
        break;
    case 'C':
        choice.mode = rmConfig;
        choice.parent = ParentSource::Foreground;
        break;
    case 'L':
    case 'P':
        choice.mode = rmPreview;
        choice.parent = ParentSource::AfterLetter;
        break;
    case 'S':
        choice.mode = rmSaver;
        break;
    default:
        choice.mode = rmConfig;
        break;
    }
    return choice;
}

std::int64_t ReadWindowNumber(const std::string& text) {
    std::size_t at = 0;
    if (at < text.size() && text[at] == ':') {
        ++at;
    }
    while (at < text.size() && IsWhiteSpace(text[at])) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    // Handles are 32-bit numbers on 64-bit Windows too: anything longer names no window, and must not
    // wrap around onto one that exists.
    constexpr std::int64_t kLargest = 0xFFFFFFFFll;
    std::int64_t value = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > kLargest) {
            return 0;
        }
    }
    return negative ? -value : value;
}
