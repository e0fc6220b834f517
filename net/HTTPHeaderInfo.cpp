#include "net/HTTPHeaderInfo.h"

#include "net/SimpleHTTP.h"
#include "support/ErrorCodes.h"

#include <algorithm>
#include <cstring>

void THTTPHeaderInfo::QueryFailed() {
    const DWORD code = GetLastError();
    if (!owner_.SilentExceptions) {
        throw ESimpleHTTPError("Error " + IntToDecimal(static_cast<std::int32_t>(code)) + " (" +
                               TWinInetControl::GetLastErrorString() + ") querying HTTP response header");
    }
}

std::uint32_t THTTPHeaderInfo::RetrieveANumber(DWORD query) {
    HINTERNET request = owner_.RequestHandle();
    if (request == nullptr) {
        return 0;
    }
    DWORD number = 0;
    length_ = sizeof number;
    index_ = 0;
    if (!HttpQueryInfoA(request, query | HTTP_QUERY_FLAG_NUMBER, &number, &length_, &index_)) {
        QueryFailed();
        return 0;
    }
    return number;
}

std::string THTTPHeaderInfo::QueryText(DWORD query) {
    HINTERNET request = owner_.RequestHandle();
    if (request == nullptr) {
        return std::string();
    }
    length_ = kTextBufferSize;
    index_ = 0;
    if (!HttpQueryInfoA(request, query, text_, &length_, &index_)) {
        QueryFailed();
        return std::string();
    }
    return std::string(text_, strnlen(text_, std::min<DWORD>(length_, kTextBufferSize)));
}

std::string THTTPHeaderInfo::RetrieveAString(DWORD query) {
    text_[0] = '\0';
    return QueryText(query);
}

std::string THTTPHeaderInfo::GetCustomHeader(const std::string& name) {
    // WinINet reads the header's name from the buffer that receives its value.
    const std::size_t length = std::min<std::size_t>(name.size(), kTextBufferSize - 1);
    std::memcpy(text_, name.data(), length);
    text_[length] = '\0';
    return QueryText(HTTP_QUERY_CUSTOM);
}

FileTime THTTPHeaderInfo::RetrieveADate(DWORD query) {
    HINTERNET request = owner_.RequestHandle();
    if (request == nullptr) {
        return 0;
    }
    time_ = SYSTEMTIME{};
    length_ = sizeof time_;
    index_ = 0;
    if (!HttpQueryInfoA(request, query | HTTP_QUERY_FLAG_SYSTEMTIME, &time_, &length_, &index_)) {
        QueryFailed();
        return 0;
    }
    FILETIME stamp{};
    if (!SystemTimeToFileTime(&time_, &stamp)) {
        return 0;
    }
    return (static_cast<FileTime>(stamp.dwHighDateTime) << 32) | stamp.dwLowDateTime;
}

std::optional<std::uint64_t> DecimalHeader(const std::string& text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(text);
}
