// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "consoletext.h"

#include <QByteArray>

#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#endif

void writeText(std::FILE *stream, const QString &text)
{
    std::fflush(stream);
#ifdef Q_OS_WIN
    const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && ::GetConsoleMode(console, &mode)) {
        DWORD written = 0;
        ::WriteConsoleW(console, text.utf16(), DWORD(text.size()), &written, nullptr);
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}
