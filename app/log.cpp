// The log's text buffer and its echo to standard error; see log.h.
#include "app/log.h"

#include <cstdio>

#include "platform/os.h"

Log* logger = nullptr;

namespace {

constexpr std::size_t messageBufferSize = 1024;  // a message holds at most 1023 characters
constexpr std::size_t textCapacityBytes = 100000; // the log text with its terminator
constexpr const char* initialText = "Log Initiated...\r\n";
constexpr char lineBreak[] = "\r\n"; // starts every line, not ends it

} // namespace

Log::Log(bool enabled) : enabled_(enabled) {
    if (!enabled_)
        return;
    text_ = initialText;
    std::fputs("Log Initiated...\n", stderr);
}

// Appends "\r\n" + prefix + message + suffix. When the text is full, the old text is cut at its
// end so that it and the new line fit the capacity: the oldest lines survive, and the newest
// line replaces the most recent older text.
void Log::append(const char* prefix, const char* suffix, const char* format, va_list args) {
    if (format == nullptr)
        return;
    char message[messageBufferSize];
    std::vsnprintf(message, sizeof message, format, args);
    if (!enabled_)
        return;

    std::string line = lineBreak;
    line += prefix;
    line += message;
    line += suffix;

    const std::size_t keepBytes = textCapacityBytes - line.size() - 1;
    if (text_.size() > keepBytes)
        text_.resize(keepBytes);
    text_ += line;

    // On the terminal the leading line break becomes a trailing one: one line per message.
    std::fprintf(stderr, "%s\n", line.c_str() + (sizeof lineBreak - 1));
}

void Log::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    append("", "", format, args);
    va_end(args);
}

void Log::printItem(const char* format, ...) {
    va_list args;
    va_start(args, format);
    append("  -> ", "", format, args);
    va_end(args);
}

void Log::printObject(const char* format, ...) {
    va_list args;
    va_start(args, format);
    append(" ** ", " **", format, args);
    va_end(args);
}

void Log::messageBox(const char* format, ...) {
    if (format == nullptr)
        return;
    char message[messageBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    os::messageBox(message, "", os::MB_OK | os::MB_ICONINFORMATION);
}
