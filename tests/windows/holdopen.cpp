// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Holds a file open the way a running game holds its INI file: reading, with read and
// write sharing but no delete sharing, so that no other program can replace or remove it.
// Usage: holdopen FILE. Prints "holding" once the file is open, and lets it go when a line
// or the end of input arrives on stdin. Exit codes: 0 held and let go; 1 could not open; 2 usage.

#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 2) {
        std::fputs("usage: holdopen FILE\n", stderr);
        return 2;
    }
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "holdopen: cannot open the file (error %lu)\n", GetLastError());
        return 1;
    }
    std::puts("holding");
    std::fflush(stdout);
    std::getchar();
    CloseHandle(file);
    return 0;
}
