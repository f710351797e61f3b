// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

class IniDocument;

// What is particular to the game's INI files, apart from how INI files work.
namespace GameFiles {

// The files in the order a key is looked for: the main file first. A key
// that neither holds is added to the main file.
enum File { Main, Preferences };
QStringList fileNames();
// Whether every one of them stands in folder (which ends with a separator).
bool allIn(const QString &folder);

// The folder below the documents folder that holds them, ending with '/'.
QString folderBelowDocuments();

// The adapter name, "sD3DDevice" in [Display] of the preferences file, stands
// in exactly one pair of double quotes; a file without it is left without it.
void quoteDeviceName(IniDocument &preferences);

} // namespace GameFiles
