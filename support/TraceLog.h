// The trace log: time-stamped, level-tagged lines appended to one log file per process.
//
// A line reads: a 9-character level tag, the local date and time as 2001-07-04_13:05:09.042, a blank,
// "Thread=" and the thread id in hexadecimal, a blank, then the message. The file is opened, appended
// to and closed for every line, so it can be viewed, replaced or deleted between lines.
//
// The message is expanded from a small format of its own: %d %x %X %h %p %f %s and %%; any other
// character after '%' drops both. Arguments are checked by type: a specifier whose argument is missing
// or of another kind writes nothing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <type_traits>

enum TraceLevel : std::uint32_t {
    tlError = 1,
    tlInfo = 2,
    tlMemory = 4,
    tlHandle = 8,
    tlTrace1 = 16,
    tlTrace2 = 32,
    // Something that arrived was refused and left out, and the program went on without it.
    tlWarning = 64,
};

// Longest log file path and longest line (without its line end) the trace log keeps.
constexpr std::size_t kTraceMaxPath = 255;
constexpr std::size_t kTraceMaxLine = 2047;

// One argument of a trace message.
class TraceArg {
public:
    enum class Kind { Number, Real, Text };

    template <class T, std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>, int> = 0>
    TraceArg(T value) : kind_(Kind::Number), number_(static_cast<std::uint64_t>(value)) {}
    TraceArg(double value) : kind_(Kind::Real), real_(value) {}
    TraceArg(const char* text) : kind_(Kind::Text), text_(text != nullptr ? text : "") {}
    TraceArg(const std::string& text) : kind_(Kind::Text), text_(text.c_str()) {}
    TraceArg(const void* pointer) : kind_(Kind::Number), number_(reinterpret_cast<std::uintptr_t>(pointer)) {}

    Kind GetKind() const { return kind_; }
    std::uint64_t Number() const { return number_; }
    double Real() const { return real_; }
    const char* Text() const { return text_; }

private:
    Kind kind_;
    std::uint64_t number_ = 0;
    double real_ = 0;
    const char* text_ = "";
};

// Writes one line when the level shares a bit with the enabled levels. The first line of a process
// that never chose a file starts the default file afresh.
void TraceWriteArgs(std::uint32_t level, const char* format, std::initializer_list<TraceArg> args);

template <class... Args>
void TraceWrite(std::uint32_t level, const char* format, const Args&... args) {
    TraceWriteArgs(level, format, {TraceArg(args)...});
}

// Turns levels on or off. Only ERROR and WARNING are on at first.
void TraceSetLevel(std::uint32_t levels, bool on);

// Chooses the log file; without keep, deletes it at once so the next line starts a new file. A path
// longer than kTraceMaxPath is refused and the file stays as it was. Returns the file now in use.
std::string TraceSetFile(const std::string& path, bool keep);

// Chooses the program's own file name with ".log" in place of its extension.
void TraceUseDefaultFile(bool keep);

// The default log file of a program file: "C:\Apps\Example.scr" gives "C:\Apps\Example.log".
std::string TraceDefaultFileFor(const std::string& modulePath);

// The 9-character tag of a level: one of the seven levels exactly, or "........ ".
const char* TraceLevelTag(std::uint32_t level);

// Appends the text and a line end to the log file under the trace lock; a file that cannot be
// opened drops the line.
void TraceAppendLine(const char* text);

// One line as the trace log writes it, without its line end: tag, local date and time, thread, message.
std::string TraceFormatLine(std::uint32_t level, const char* format, std::initializer_list<TraceArg> args);

// A log of its own in the trace log's line format, such as the download log: its own file and its own
// lock, every level written, and nothing of the trace log's file or levels touched. An empty path means
// the trace log's default file, appended to.
class TraceFile {
public:
    explicit TraceFile(std::string path);
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    const std::string& Path() const { return path_; }
    void WriteArgs(std::uint32_t level, const char* format, std::initializer_list<TraceArg> args);
    template <class... Args>
    void Write(std::uint32_t level, const char* format, const Args&... args) {
        WriteArgs(level, format, {TraceArg(args)...});
    }

private:
    std::string path_;
    std::mutex lock_;
};
