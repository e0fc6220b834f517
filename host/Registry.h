// The registry accessor: one open key under a chosen root at a time, with typed reads and writes.
//
// A value of the wrong type raises "Invalid data type for 'NAME'"; a failed read or write raises
// "Failed to get data for 'NAME'" or "Failed to set data for 'NAME'". A key that does not open is a
// result, not an error.
#pragma once

#include "support/WinHandles.h"

#include <cstdint>
#include <string>
#include <vector>

class TRegistry {
public:
    explicit TRegistry(HKEY root = HKEY_CURRENT_USER) : root_(root) {}

    HKEY RootKey() const { return root_; }
    // Closes any open key first.
    void SetRootKey(HKEY root);

    // KEY_READ; the key is never created.
    bool OpenKeyReadOnly(const std::string& path);
    // KEY_ALL_ACCESS; with canCreate a missing key is created.
    bool OpenKey(const std::string& path, bool canCreate);
    void CloseKey() { key_.Reset(); }
    bool HasOpenKey() const { return key_.IsValid(); }

    bool ValueExists(const std::string& name) const;
    // REG_SZ or REG_EXPAND_SZ, as stored: environment references are not expanded.
    std::string ReadString(const std::string& name) const;
    // REG_MULTI_SZ, one text per line, empty lines left out; a REG_SZ is one line.
    std::vector<std::string> ReadStrings(const std::string& name) const;
    // REG_DWORD.
    std::int32_t ReadInteger(const std::string& name) const;
    void WriteInteger(const std::string& name, std::int32_t value);

private:
    // The value's bytes as stored, when its type is one of the two, and then the given number of zeros
    // (the last of them always beyond what was stored).
    std::vector<char> ReadTextBytes(const std::string& name, DWORD type1, DWORD type2, std::size_t zeros) const;

    HKEY root_;
    UniqueRegKey key_;
};
