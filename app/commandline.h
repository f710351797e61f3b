// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// What the command line asks for. Answers that need no window (help, version,
// the folder lookup, a wrong option) are printed by parseCommandLine, which then
// sets exitCode; otherwise the window starts on folder, or on the folder the
// lookup finds when it is empty.
struct CommandLine
{
    std::optional<int> exitCode;
    QString folder; // ends with a separator when given
};

// arguments include the program name first, as QCoreApplication::arguments().
CommandLine parseCommandLine(const QStringList &arguments, QTextStream &out, QTextStream &err);
