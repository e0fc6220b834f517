#include "support/ErrorCodes.h"

#include "support/System.h"

#include <new>

namespace {

struct ErrorEntry {
    ErrorCode code;
    const char* text;
};

// The table ends at the row with code 0.
const ErrorEntry kProgramErrors[] = {
    {ecCreateFailed, "Attempt to create the file failed."},
    {ecOpenFailed, "Attempt to open the file failed."},
    {ecReadFailed, "Attempt to read from the file failed."},
    {ecWriteFailed, "Attempt to write to the file failed."},
    {ecSeekFailed, "Attempt to position within the file failed."},
    {ecRecordDeleted, "The record is deleted."},
    {ecBufferTooSmall, "The buffer size is too small."},
    {ecEndOfFile, "End of file."},
    {ecFileExists, "The file already exists."},
    {ecBadFormat, "The file format is invalid or unrecognized."},
    {ecMissingOrCorrupt, "The file is missing or corrupt."},
    {ecOutOfMemory, "Memory allocation failed."},
    {ecGdiFailed, "GDI operation failed."},
    {ecLoadFailed, "Attempt to load the file failed."},
    {ecSaveFailed, "Attempt to save the file failed."},
    {ecCreateWindowFailed, "Create window failed."},
    {ecDriverInitFailed, "Attempt to initialize the driver was unsuccessful."},
    {ecFileNotFound, "File not found."},
    {ecBackupFailed, "Backup failed."},
    {ecCancelled, "Operation cancelled."},
    {ecBadKeyword, "The keyword is invalid or unrecognized."},
    {ecBadSyntax, "The syntax is incorrect."},
    {ecEndOfLine, "End of line."},
    {ecBadFunction, "The function is invalid."},
    {ecUnsupportedFunction, "The function is unsupported."},
    {ecNoErrorInformation, "A Windows API function failed but no error information was returned."},
    {0, nullptr},
};

} // namespace

std::string ErrorText(ErrorCode code) {
    if ((code & kProgramErrorBit) != 0) {
        for (const ErrorEntry* entry = kProgramErrors; entry->code != 0; ++entry) {
            if (entry->code == code) {
                return entry->text;
            }
        }
    } else {
        std::string text;
        if (sys::SystemMessage(code, text)) {
            return text;
        }
    }
    return "<unknown error: " + IntToDecimal(static_cast<std::int32_t>(code)) + ">";
}

ErrorCode LastErrorCode() {
    const ErrorCode code = sys::LastError();
    return code != 0 ? code : ecNoErrorInformation;
}

std::string LastErrorText() { return ErrorText(LastErrorCode()); }

std::string IntToDecimal(std::int32_t value) { return std::to_string(value); }

std::unique_ptr<std::uint8_t[]> ZeroAlloc(std::size_t count) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[count]());
}
