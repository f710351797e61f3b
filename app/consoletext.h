// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <cstdio>

// Writes text where a standard stream goes: on Windows as wide characters to a console,
// which then shows every letter whatever its code page; as UTF-8 to a file or a pipe,
// and everywhere else.
void writeText(std::FILE *stream, const QString &text);
