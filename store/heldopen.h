#pragma once

#include <QString>

#include <optional>

// Windows replaces a file only when every program that has it open allowed deletion
// when it opened it, which a game holding its INI file usually does not. The reason
// a save of path cannot replace it now, if another program holds it that way.
std::optional<QString> heldOpenReason(const QString &path);
