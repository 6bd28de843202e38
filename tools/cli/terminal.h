#pragma once

#include <QString>

#include <optional>

// The console the tool runs in. What it needs from it has no portable
// call, so each system has its own source file (terminal_posix.cpp,
// terminal_windows.cpp), chosen when the tool is built.
class Terminal
{
public:
    // Whether standard error goes to a terminal, where a progress line can
    // be rewritten in place.
    static bool errorIsTerminal();

    // A line typed on the terminal without showing it, after `prompt` on
    // standard error. Nothing when standard input is not a terminal (a pipe,
    // a file, nothing at all), so that a script never waits for a user.
    static std::optional<QString> readHidden(const QString& prompt);
};
