#include "support/TraceLog.h"

#include "support/FileNames.h"
#include "support/System.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

struct TraceState {
    std::atomic<std::uint32_t> levelMask{tlError | tlWarning};
    // The trace lock: one line at a time reaches the file, and the path changes between lines only.
    std::mutex lock;
    std::string path;
};

TraceState& State() {
    static TraceState state;
    return state;
}

// Stores a new path and, without keep, deletes the file. The caller holds the trace lock.
void SetPathLocked(TraceState& state, const std::string& path, bool keep) {
    if (path.size() > kTraceMaxPath) {
        return;
    }
    state.path = path;
    if (!keep) {
        sys::RemoveFile(path);
    }
}

// A line is built in storage of its own, so threads can trace at once; what does not fit is cut.
class LineBuffer {
public:
    void Append(const char* text, std::size_t length) {
        const std::size_t room = kTraceMaxLine - length_;
        const std::size_t take = length < room ? length : room;
        std::memcpy(text_ + length_, text, take);
        length_ += take;
        text_[length_] = '\0';
    }
    void Append(const char* text) { Append(text, std::strlen(text)); }

#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void
    AppendFormat(const char* format, ...) {
        va_list args;
        va_start(args, format);
        const int length = std::vsnprintf(text_ + length_, kTraceMaxLine + 1 - length_, format, args);
        va_end(args);
        if (length > 0) {
            length_ += std::min(static_cast<std::size_t>(length), kTraceMaxLine - length_);
        }
        text_[length_] = '\0';
    }

    const char* Text() const { return text_; }

private:
    char text_[kTraceMaxLine + 1] = "";
    std::size_t length_ = 0;
};

// Opens, appends one line to and closes the file; a file that cannot be opened, or that is a link or a
// second name of another file, drops the line. The caller holds the lock of whoever writes the file.
void AppendLineTo(const std::string& path, const char* text) {
    // The lines end as the platform's text files do: carriage return and line feed on Windows.
#if defined(_WIN32)
    constexpr const char* kLineEnd = "\r\n";
#else
    constexpr const char* kLineEnd = "\n";
#endif
    std::string bytes;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at == '\n') {
            bytes += kLineEnd;
        } else {
            bytes += *at;
        }
    }
    bytes += kLineEnd;
    sys::AppendToOwnFile(path, bytes);
}

void ExpandMessage(LineBuffer& line, const char* format, std::initializer_list<TraceArg> args) {
    const TraceArg* next = args.begin();
    auto take = [&](TraceArg::Kind kind) -> const TraceArg* {
        if (next == args.end()) {
            return nullptr;
        }
        const TraceArg* arg = next++;
        return arg->GetKind() == kind ? arg : nullptr;
    };
    for (const char* at = format; *at != '\0'; ++at) {
        if (*at != '%') {
            line.Append(at, 1);
            continue;
        }
        const char specifier = *++at;
        if (specifier == '\0') {
            break; // a lone '%' at the end writes nothing
        }
        const TraceArg* arg = nullptr;
        switch (specifier) {
        case '%':
            line.Append("%");
            break;
        case 'd':
            if ((arg = take(TraceArg::Kind::Number)) != nullptr) {
                line.AppendFormat("%d", static_cast<std::int32_t>(arg->Number()));
            }
            break;
        case 'x':
        case 'X':
        case 'h':
            if ((arg = take(TraceArg::Kind::Number)) != nullptr) {
                const char* hex = specifier == 'x' ? "0x%x" : specifier == 'X' ? "0x%X" : ":%08X";
                line.AppendFormat(hex, static_cast<std::uint32_t>(arg->Number()));
            }
            break;
        case 'p':
            // A pointer keeps all its digits, at least eight of them.
            if ((arg = take(TraceArg::Kind::Number)) != nullptr) {
                line.AppendFormat(":%08llX", static_cast<unsigned long long>(arg->Number()));
            }
            break;
        case 'f':
            if ((arg = take(TraceArg::Kind::Real)) != nullptr) {
                line.AppendFormat("%f", arg->Real());
            }
            break;
        case 's':
            if ((arg = take(TraceArg::Kind::Text)) != nullptr) {
                line.Append(arg->Text());
            }
            break;
        default:
            break; // an unknown specifier drops both characters and takes no argument
        }
    }
}

} // namespace

const char* TraceLevelTag(std::uint32_t level) {
    switch (level) {
    case tlError:
        return ".ERROR.. ";
    case tlInfo:
        return ".INFO... ";
    case tlMemory:
        return ".MEMORY. ";
    case tlHandle:
        return ".HANDLE. ";
    case tlTrace1:
        return ".TRACE1. ";
    case tlTrace2:
        return ".TRACE2. ";
    case tlWarning:
        return ".WARNING ";
    default:
        return "........ ";
    }
}

void TraceSetLevel(std::uint32_t levels, bool on) {
    if (on) {
        State().levelMask.fetch_or(levels);
    } else {
        State().levelMask.fetch_and(~levels);
    }
}

std::string TraceSetFile(const std::string& path, bool keep) {
    TraceState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    SetPathLocked(state, path, keep);
    return state.path;
}

std::string TraceDefaultFileFor(const std::string& modulePath) { return WithExtension(modulePath, ".log"); }

void TraceUseDefaultFile(bool keep) { TraceSetFile(TraceDefaultFileFor(sys::ModuleFileName()), keep); }

void TraceAppendLine(const char* text) {
    TraceState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    AppendLineTo(state.path, text);
}

std::string TraceFormatLine(std::uint32_t level, const char* format, std::initializer_list<TraceArg> args) {
    const sys::CivilTime now = sys::LocalTimeNow();
    LineBuffer line;
    line.AppendFormat("%s%d-%02d-%02d_%02d:%02d:%02d.%03d ", TraceLevelTag(level), now.year, now.month, now.day,
                      now.hour, now.minute, now.second, now.milliseconds);
    line.AppendFormat("Thread=%X ", sys::CurrentThreadId());
    ExpandMessage(line, format != nullptr ? format : "", args);
    return line.Text();
}

void TraceWriteArgs(std::uint32_t level, const char* format, std::initializer_list<TraceArg> args) {
    TraceState& state = State();
    if ((level & state.levelMask.load()) == 0) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.path.empty()) {
            SetPathLocked(state, TraceDefaultFileFor(sys::ModuleFileName()), false);
        }
    }
    TraceAppendLine(TraceFormatLine(level, format, args).c_str());
}

TraceFile::TraceFile(std::string path)
    : path_(path.empty() ? TraceDefaultFileFor(sys::ModuleFileName()) : std::move(path)) {}

void TraceFile::WriteArgs(std::uint32_t level, const char* format, std::initializer_list<TraceArg> args) {
    const std::string line = TraceFormatLine(level, format, args);
    std::lock_guard<std::mutex> guard(lock_);
    AppendLineTo(path_, line.c_str());
}
