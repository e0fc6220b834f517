// Where the HTTP client writes a response body.
#pragma once

#include "support/DiskFile.h"

#include <cstdint>

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Starts the body again from its first byte: what was written before is dropped.
    virtual void Rewind() = 0;
    // Raises the sink's own error when the bytes cannot be stored.
    virtual void Write(const void* bytes, std::uint32_t count) = 0;
};

// A body written into an open DiskFile, whose errors carry the system's text.
class DiskFileSink : public ByteSink {
public:
    explicit DiskFileSink(DiskFile& file) : file_(file) {}

    // Cut as well as moved: a second body shorter than the first must not keep the first one's tail.
    void Rewind() override {
        file_.Seek(static_cast<std::int32_t>(kept_), sys::kSeekBegin);
        file_.SetEnd();
    }
    void Write(const void* bytes, std::uint32_t count) override { file_.Write(bytes, count); }
    // The body continues the file's first bytes: Rewind keeps them and goes on after them. At most 2 GiB.
    void KeepFirst(std::uint32_t bytes) { kept_ = bytes; }

private:
    DiskFile& file_;
    std::uint32_t kept_ = 0;
};
