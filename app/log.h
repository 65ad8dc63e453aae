// Log: the program's diagnostic channel.
//
// Three line styles for progress messages (a plain line, the file being loaded, the banner of
// an object being constructed) and one formatted message box for errors. Whether the log keeps
// anything is decided once, by the constructor: a normal run creates it disabled, and `--log`
// enables it. An enabled log keeps the whole text the way a read-only edit control would hold
// it (each line introduced by "\r\n", at most 99 999 characters, newest line overwriting the
// most recent older text when full) and echoes every line to standard error, one line per
// message. The message box works either way, so load errors are always shown.
//
// Window thread only.
#pragma once

#include <cstdarg>
#include <string>

class Log {
public:
    explicit Log(bool enabled);

    // printf-style; messages longer than 1023 characters are cut. A null format does nothing.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));       // progress
    void printItem(const char* format, ...) __attribute__((format(printf, 2, 3)));   // a file
    void printObject(const char* format, ...) __attribute__((format(printf, 2, 3))); // a banner

    // Shows the formatted text in a modal box with an empty caption and an information icon,
    // enabled or not, and returns once the viewer has closed it.
    void messageBox(const char* format, ...) __attribute__((format(printf, 2, 3)));

    bool enabled() const { return enabled_; }

    // The log text as the log window would show it; empty when disabled.
    const std::string& text() const { return text_; }

private:
    void append(const char* prefix, const char* suffix, const char* format, va_list args);

    bool enabled_;
    std::string text_;
};

// The program's one log. Created first by preInit, before anything else that logs, and kept
// for the whole run; read by every part that logs or shows a load error.
extern Log* logger;
