#include "library/SafeNames.h"

#include <algorithm>
#include <cctype>

namespace {

bool EqualsIgnoringCase(const std::string& text, const char* other) {
    std::size_t i = 0;
    for (; other[i] != '\0'; ++i) {
        if (i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(other[i]))) {
            return false;
        }
    }
    return i == text.size();
}

// Windows opens a device, in whatever folder it is asked for, when the part of the name before its
// first dot is one of these, in any case and with blanks after it: "con.gif" or "COM1 .txt" is no file.
// The digits include the superscripts one, two and three of the Western code page (0xB9, 0xB2, 0xB3),
// which Windows counts as digits here.
bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (EqualsIgnoringCase(stem, device)) {
            return true;
        }
    }
    if (stem.size() != 4 ||
        !(EqualsIgnoringCase(stem.substr(0, 3), "COM") || EqualsIgnoringCase(stem.substr(0, 3), "LPT"))) {
        return false;
    }
    const unsigned char digit = static_cast<unsigned char>(stem[3]);
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

} // namespace

bool IsSafeFileName(const std::string& name) {
    if (name.empty() || name.size() > kMaxFileNameText || name.find_first_not_of('.') == std::string::npos) {
        return false;
    }
    // Windows drops dots and blanks at the end of a name, so "x.gif." would open x.gif; a blank in
    // front is kept, but makes a name that looks like another one.
    if (name.back() == '.' || name.back() == ' ' || name.front() == ' ') {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 32) {
            return false;
        }
        switch (c) {
        case '\\':
        case '/':
        case ':': // a drive, or a stream of the file ("x.gif::$DATA")
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return false;
        default:
            break;
        }
    }
    return !IsDeviceName(name);
}

namespace {

// The movies the skit player plays, by extension.
const char* const kMovieExtensions[] = {"gif", "mp4", "m4v", "mov", "wmv"};

} // namespace

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
    return EqualsIgnoringCase(text.substr(0, std::char_traits<char>::length(prefix)), prefix);
}

bool SameFileName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsMovieFileName(const std::string& name) {
    if (!IsSafeFileName(name)) {
        return false;
    }
    // Windows answers to a short name such as SKITPL~1.EXE as well as to the long one.
    for (std::size_t tilde = name.find('~'); tilde != std::string::npos; tilde = name.find('~', tilde + 1)) {
        if (tilde + 1 < name.size() && std::isdigit(static_cast<unsigned char>(name[tilde + 1])) != 0) {
            return false;
        }
    }
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    const std::string extension = name.substr(dot + 1);
    for (const char* movie : kMovieExtensions) {
        if (EqualsIgnoringCase(extension, movie)) {
            return true;
        }
    }
    return false;
}

namespace {

// Blanks, quotes and control characters could end the address early or split it into further
// arguments where the shell puts it on a browser's command line, and a line break would add lines to
// a request; an address writes them as %20, %22 and so on. Windows reads a backslash as a folder
// separator.
bool IsAddressCharacter(unsigned char c) {
    if (c <= ' ' || c == 0x7F) {
        return false;
    }
    switch (c) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
        return false;
    default:
        return true;
    }
}

} // namespace

bool IsWebAddress(const std::string& url) {
    std::size_t host = 0;
    if (StartsWithIgnoringCase(url, "http://")) {
        host = 7;
    } else if (StartsWithIgnoringCase(url, "https://")) {
        host = 8;
    } else {
        return false;
    }
    if (url.size() <= host || url.size() > kMaxAddressText || url[host] == '/' || url[host] == '?' ||
        url[host] == '#') {
        return false;
    }
    for (const char c : url) {
        if (!IsAddressCharacter(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}
