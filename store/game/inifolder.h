// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// Where the game's INI files may be: "My Games/Vantor/" below a documents
// folder. On Windows that is the user's own; on Linux the game runs in a
// Windows prefix (Steam's Proton or Wine), so those are searched as well.
struct IniFolderSearch
{
    QString documents;  // the desktop's documents folder
    // Only searched outside Windows:
    QString home;
    QString winePrefix; // $WINEPREFIX, may be empty
    QString userName;   // the prefix's user folder for Wine

    static IniFolderSearch fromEnvironment();
};

// The folder, ending with a separator, that holds "VantorPrefs.ini": the
// documents folder first, then Steam compatibility prefixes (the one changed
// last when several hold it), then Wine prefixes. When none does, the
// documents folder, so that a message names where the files belong.
QString findIniFolder(const IniFolderSearch &search);

// Every folder the search looks at, in order.
QStringList iniFolderCandidates(const IniFolderSearch &search);

// findIniFolder for this user.
QString iniFolder();

// The user's documents folder: on Windows the shell's "My Documents", elsewhere
// the desktop's documents folder (XDG user dirs).
QString documentsFolder();
