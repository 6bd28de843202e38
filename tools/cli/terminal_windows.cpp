#include "tools/cli/terminal.h"

#include <windows.h>

#include <io.h>

#include <cstdio>

bool Terminal::errorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

std::optional<QString> Terminal::readHidden(const QString& prompt)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode))
        return std::nullopt;
    std::fputws(reinterpret_cast<const wchar_t*>(prompt.utf16()), stderr);
    std::fflush(stderr);
    SetConsoleMode(input, (mode & ~DWORD(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT);

    QString line;
    bool ended = false;
    wchar_t c = 0;
    DWORD read = 0;
    while (ReadConsoleW(input, &c, 1, &read, nullptr) && read == 1) {
        if (c == L'\r' || c == L'\n') {
            ended = true;
            break;
        }
        line += QChar(c);
    }

    SetConsoleMode(input, mode);
    std::fputws(L"\n", stderr);
    if (!ended)
        return std::nullopt;
    return line;
}
