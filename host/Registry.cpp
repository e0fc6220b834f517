#include "host/Registry.h"

#include "support/Error.h"

#include <vector>

namespace {

[[noreturn]] void Raise(const char* what, const std::string& name) {
    throw EZolvaneError(std::string(what) + " '" + name + "'");
}

} // namespace

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    root_ = root;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path) {
    CloseKey();
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    key_.Reset(key);
    return true;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    CloseKey();
    HKEY key = nullptr;
    LONG status = ERROR_SUCCESS;
    if (canCreate) {
        status = RegCreateKeyExA(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr);
    } else {
        status = RegOpenKeyExA(root_, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    key_.Reset(key);
    return true;
}

bool TRegistry::ValueExists(const std::string& name) const {
    return key_ && RegQueryValueExA(key_.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::vector<char> TRegistry::ReadTextBytes(const std::string& name, DWORD type1, DWORD type2, std::size_t zeros) const {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        Raise("Failed to get data for", name);
    }
    if (type != type1 && type != type2) {
        Raise("Invalid data type for", name);
    }
    std::vector<char> buffer(size + zeros, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS) {
        Raise("Failed to get data for", name);
    }
    buffer.resize(got + zeros, '\0');
    return buffer;
}

std::string TRegistry::ReadString(const std::string& name) const {
    // One spare byte: a value stored without its terminating zero still reads as a whole text.
    return std::string(ReadTextBytes(name, REG_SZ, REG_EXPAND_SZ, 1).data());
}

std::vector<std::string> TRegistry::ReadStrings(const std::string& name) const {
    // Two spare bytes: a list stored without its terminating zeros still ends.
    const std::vector<char> buffer = ReadTextBytes(name, REG_MULTI_SZ, REG_SZ, 2);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start + 2 < buffer.size();) {
        const std::string line(buffer.data() + start);
        if (!line.empty()) {
            lines.push_back(line);
        }
        start += line.size() + 1;
    }
    return lines;
}

std::int32_t TRegistry::ReadInteger(const std::string& name) const {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status =
        RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    // A longer value of another type answers ERROR_MORE_DATA: that is still a type error.
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        if (type != REG_DWORD) {
            Raise("Invalid data type for", name);
        }
    }
    if (status != ERROR_SUCCESS || size != sizeof value) {
        Raise("Failed to get data for", name);
    }
    return static_cast<std::int32_t>(value);
}

void TRegistry::WriteInteger(const std::string& name, std::int32_t value) {
    const DWORD data = static_cast<DWORD>(value);
    if (RegSetValueExA(key_.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
        ERROR_SUCCESS) {
        Raise("Failed to set data for", name);
    }
}
