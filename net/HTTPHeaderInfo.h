// THTTPHeaderInfo: the response headers of a TSimpleHTTP's current request.
//
// Every query works on the request handle that the owner holds. Without a request there is nothing to
// ask: a number reads 0, a text empty and a date the zero date, and WinINet is not called. A query that
// WinINet answers with an error raises ESimpleHTTPError, or yields the same empty values when the owner's
// SilentExceptions is set.
#pragma once

#include "support/LocalTime.h"

#include <windows.h>

#include <wininet.h>

#include <cstdint>
#include <optional>
#include <string>

class TSimpleHTTP;

class THTTPHeaderInfo {
public:
    explicit THTTPHeaderInfo(TSimpleHTTP& owner) : owner_(owner) {}
    THTTPHeaderInfo(const THTTPHeaderInfo&) = delete;
    THTTPHeaderInfo& operator=(const THTTPHeaderInfo&) = delete;

    std::uint32_t GetContentLength() { return RetrieveANumber(HTTP_QUERY_CONTENT_LENGTH); }
    std::string GetContentType() { return RetrieveAString(HTTP_QUERY_CONTENT_TYPE); }
    // Dates are FILETIME values in UTC, as the server sent them; 0 is the zero date.
    FileTime GetDate() { return RetrieveADate(HTTP_QUERY_DATE); }
    FileTime GetExpires() { return RetrieveADate(HTTP_QUERY_EXPIRES); }
    FileTime GetLastModified() { return RetrieveADate(HTTP_QUERY_LAST_MODIFIED); }
    // The status line and every header, each line ended by a carriage return and a line feed.
    std::string GetRawHeader() { return RetrieveAString(HTTP_QUERY_RAW_HEADERS_CRLF); }
    std::uint32_t GetStatusCode() { return RetrieveANumber(HTTP_QUERY_STATUS_CODE); }
    std::string GetStatusText() { return RetrieveAString(HTTP_QUERY_STATUS_TEXT); }
    std::string GetCustomHeader(const std::string& name);

    std::uint32_t RetrieveANumber(DWORD query);
    std::string RetrieveAString(DWORD query);
    FileTime RetrieveADate(DWORD query);

private:
    static constexpr DWORD kTextBufferSize = 16384;

    // Raises, unless the owner is silent, the error of the query that just failed.
    void QueryFailed();
    // The text buffer holds the header name for a custom query, and is emptied for the others.
    std::string QueryText(DWORD query);

    TSimpleHTTP& owner_;
    SYSTEMTIME time_{};
    char text_[kTextBufferSize] = "";
    DWORD length_ = 0;
    DWORD index_ = 0;
};

// The number of a header that holds a count of bytes (Content-Length): none unless its text is 1 to
// maxDigits decimal digits and nothing else.
std::optional<std::uint64_t> DecimalHeader(const std::string& text, std::size_t maxDigits);
