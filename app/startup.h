#pragma once

#include <QString>

#include <memory>

class IniStore;

// Reads the game's two files in folder. When one is missing, blank or cannot
// be read, the "File access error!" box names it and the result is null.
std::unique_ptr<IniStore> openIniStore(const QString &folder);
