// The message of whatever an action raises, for tests that check the exact text a user would see.
#pragma once

#include <exception>
#include <functional>
#include <string>

inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "(nothing raised)";
}
