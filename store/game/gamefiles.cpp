// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gamefiles.h"

#include "inidocument.h"

#include <QFileInfo>

#include <algorithm>

namespace GameFiles {

QStringList fileNames()
{
    return {QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini")};
}

bool allIn(const QString &folder)
{
    const QStringList names = fileNames();
    return std::all_of(names.cbegin(), names.cend(), [&folder](const QString &name) {
        return QFileInfo::exists(folder + name);
    });
}

QString folderBelowDocuments()
{
    return QStringLiteral("My Games/Vantor/");
}

// The name is read bare (a pair of quotes is not part of the value) and any
// stray quote is dropped, so every save leaves exactly one pair.
void quoteDeviceName(IniDocument &preferences)
{
    const QString display = QStringLiteral("Display");
    const QString key = QStringLiteral("sD3DDevice");
    std::optional<QString> name = preferences.value(display, key);
    if (!name)
        return;
    name->remove(u'"');
    preferences.setValue(display, key, u'"' + *name + u'"');
}

} // namespace GameFiles
