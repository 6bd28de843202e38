#include "tools/cli/terminal.h"

#include "tools/http/secretmemory.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iterator>
#include <string>

namespace {

termios g_saved;

// Echo stays off after the program ends unless it is turned back on, so an
// interrupt while the password is typed puts the terminal back first.
extern "C" void restoreAndStop(int signal)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

bool Terminal::errorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

std::optional<QString> Terminal::readHidden(const QString& prompt)
{
    if (isatty(STDIN_FILENO) != 1 || tcgetattr(STDIN_FILENO, &g_saved) != 0)
        return std::nullopt;
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);

    const int stops[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction restore = {};
    restore.sa_handler = restoreAndStop;
    struct sigaction before[std::size(stops)];
    for (size_t i = 0; i < std::size(stops); ++i)
        sigaction(stops[i], &restore, &before[i]);
    termios quiet = g_saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);

    // One buffer, never grown, and wiped before it goes: growing it would
    // leave the start of the password in freed memory. No password is
    // longer; the rest of a longer line is read and dropped.
    constexpr size_t Longest = 4096;
    std::string line;
    line.reserve(Longest);
    char c = 0;
    bool ended = false;
    while (::read(STDIN_FILENO, &c, 1) == 1) {
        if (c == '\n') {
            ended = true;
            break;
        }
        if (line.size() < Longest)
            line += c;
    }

    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
    for (size_t i = 0; i < std::size(stops); ++i)
        sigaction(stops[i], &before[i], nullptr);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    // End of input before the line was done: nothing was given.
    const std::optional<QString> given = ended ? std::optional(QString::fromLocal8Bit(line)) : std::nullopt;
    SecretMemory::wipe(line.data(), line.capacity());
    return given;
}
