// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inistore.h"

#include "gamefiles.h"

namespace {

QStringList pathsIn(const QString &folder)
{
    QStringList paths;
    for (const QString &name : GameFiles::fileNames())
        paths.append(folder + name);
    return paths;
}

} // namespace

IniStore::IniStore(const QString &folder)
    : files(pathsIn(folder), missingValue())
    , folderPath(folder)
{
    for (int file : {GameFiles::Preferences, GameFiles::Main}) {
        failure = files.openFailure(file);
        if (failure)
            break;
    }
    files.setFinishing([](int file, IniDocument &document) {
        if (file == GameFiles::Preferences)
            GameFiles::quoteDeviceName(document);
    });
}

std::optional<QString> IniStore::readValue(const QString &section, const QString &key) const
{
    return files.value(section, key);
}

bool IniStore::writeValue(const QString &section, const QString &key, const QString &text)
{
    return files.write(section, key, text);
}

bool IniStore::writeBool(const QString &section, const QString &key, bool flag)
{
    return writeValue(section, key, flag ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniStore::writeInt(const QString &section, const QString &key, int number)
{
    return writeValue(section, key, QString::number(number));
}

bool IniStore::writeDouble(const QString &section, const QString &key, double number)
{
    return writeValue(section, key, QString::number(number, 'g', 15));
}

QList<SaveFailure> IniStore::save()
{
    return files.save();
}
