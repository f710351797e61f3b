#pragma once

#include <QString>

// The user's documents folder: on Windows the shell's "My Documents", elsewhere
// the desktop's documents folder (XDG user dirs).
QString documentsFolder();

// The folder that holds the game's INI files, "My Games/Vantor/" below the
// documents folder, ending with a separator.
QString iniFolder();
