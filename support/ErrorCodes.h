// Error codes and their texts.
//
// An error code is an unsigned 32-bit number. Codes with bit 27 set are the program's own and have the
// texts of the table in ErrorCodes.cpp; every other code is a system code (a Windows error code, or an
// errno value on POSIX) whose text the system supplies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

using ErrorCode = std::uint32_t;

constexpr ErrorCode kProgramErrorBit = 0x08000000u;

enum ProgramError : ErrorCode {
    ecCreateFailed = 0x8000001,
    ecOpenFailed = 0x8000002,
    ecReadFailed = 0x8000003,
    ecWriteFailed = 0x8000004,
    ecSeekFailed = 0x8000005,
    ecRecordDeleted = 0x8000006,
    ecBufferTooSmall = 0x8000007,
    ecEndOfFile = 0x8000008,
    ecFileExists = 0x8000009,
    ecBadFormat = 0x800000A,
    ecMissingOrCorrupt = 0x800000B,
    ecOutOfMemory = 0x800000E,
    ecGdiFailed = 0x800000F,
    ecLoadFailed = 0x8000010,
    ecSaveFailed = 0x8000011,
    ecCreateWindowFailed = 0x8000012,
    ecDriverInitFailed = 0x8000013,
    ecFileNotFound = 0x8000014,
    ecBackupFailed = 0x8000015,
    ecCancelled = 0x8000016,
    ecBadKeyword = 0x8000017,
    ecBadSyntax = 0x8000018,
    ecEndOfLine = 0x8000019,
    ecBadFunction = 0x800001A,
    ecUnsupportedFunction = 0x800001B,
    ecNoErrorInformation = 0x800001C,
};

// The text of a program code from the table, or of a system code from the system; a code that has
// neither reads "<unknown error: N>" with N in signed decimal.
std::string ErrorText(ErrorCode code);

// The calling thread's last system error; ecNoErrorInformation when the failed call left none.
// Call it right after the call that failed, before any other system call.
ErrorCode LastErrorCode();

std::string LastErrorText();

std::string IntToDecimal(std::int32_t value);

// n bytes set to zero, or null when the heap is exhausted (nothing is thrown).
std::unique_ptr<std::uint8_t[]> ZeroAlloc(std::size_t count);
