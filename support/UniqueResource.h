// One owner for every operating-system handle the program holds.
//
// A handle type is described by a traits struct that names its value type, the value that means
// "nothing held" and the call that gives it back:
//
//     struct FindHandleTraits {
//         using Value = HANDLE;
//         static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
//         static void Close(Value v) noexcept { FindClose(v); }
//     };
//     using UniqueFindHandle = UniqueResource<FindHandleTraits>;
//
// Because the invalid value is part of the type, a handle that is invalid when NULL can never be
// mixed up with one that is invalid when INVALID_HANDLE_VALUE.
#pragma once

#include <utility>

template <class Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Value value) noexcept : value_(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Value Get() const noexcept { return value_; }
    bool IsValid() const noexcept { return value_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives up ownership without closing.
    Value Release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    // Closes what is held (if anything) and gives the place of the value to a call that makes a new one,
    // as C APIs take it ("&handle").
    Value* Out() noexcept {
        Reset();
        return &value_;
    }

    // Closes what is held (if anything) and takes ownership of `value`.
    void Reset(Value value = Traits::Invalid()) noexcept {
        const Value old = std::exchange(value_, value);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

private:
    Value value_ = Traits::Invalid();
};
