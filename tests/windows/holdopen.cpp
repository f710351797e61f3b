// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Holds a file open as another program may: ACCESS "r", "rw" or "w", SHARING "r", "rw", "rwd" or "-" (as a running
// game holds its INI file: "r" "rw"). Prints "holding" once the file is open and lets it go when a line or the end
// of input arrives. Usage: holdopen FILE ACCESS SHARING. Exit codes: 0 held and let go; 1 could not open; 2 usage.

#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t *argv[])
{
    if (argc != 4) {
        std::fputs("usage: holdopen FILE ACCESS SHARING\n", stderr);
        return 2;
    }
    const auto flags = [](const wchar_t *letters, DWORD read, DWORD write, DWORD remove) {
        return (std::wcschr(letters, L'r') ? read : 0) | (std::wcschr(letters, L'w') ? write : 0)
            | (std::wcschr(letters, L'd') ? remove : 0);
    };
    const HANDLE file = CreateFileW(argv[1], flags(argv[2], GENERIC_READ, GENERIC_WRITE, 0),
                                    flags(argv[3], FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_DELETE), nullptr,
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
