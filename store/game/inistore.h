// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "inifileset.h"
#include "savefailure.h"

#include <QList>
#include <QString>

#include <optional>

// The game's two INI files, the preferences file "VantorPrefs.ini" and the main
// file "Vantor.ini", read and written as one store: a key is read from the
// main file first, and written into whichever file already holds it.
class IniStore
{
public:
    // Reads both files from folder (which ends with a separator). When one is
    // missing, blank or cannot be read, isOpen() is false and openFailure()
    // says which and why, the preferences file being checked first.
    explicit IniStore(const QString &folder);

    bool isOpen() const { return !failure; }
    std::optional<SaveFailure> openFailure() const { return failure; }

    // Sections are named without brackets; the empty name is the top level.

    // The key's text from the main file, else from the preferences file; none
    // where neither holds it. A stored text of exactly "NULL" counts as absent.
    std::optional<QString> readValue(const QString &section, const QString &key) const;

    // Writes into the main file if it holds the key, else into the preferences
    // file if that holds it, else adds the key to the main file; which file
    // holds a key is looked at again, on the files as they are then, when they
    // are saved. Returns false, writing nothing, for text that cannot be
    // stored on one line.
    bool writeValue(const QString &section, const QString &key, const QString &text);
    bool writeBool(const QString &section, const QString &key, bool flag);
    bool writeInt(const QString &section, const QString &key, int number);
    bool writeDouble(const QString &section, const QString &key, double number);

    // Lays the writes onto both files as they are on disk now and replaces each
    // file a write goes to, quoting the device name there (see IniFileSet::save).
    // Returns the files it could not write; it still tries the second after the
    // first fails. Writes that were not saved are tried again by the next save.
    QList<SaveFailure> save();
    bool hasPendingWrites() const { return files.hasPendingWrites(); }
    // The files the last save wrote, and the folder of both (ending with '/').
    QStringList lastWritten() const { return files.lastWritten(); }
    QString folder() const { return folderPath; }
    // See IniFileSet::restoreBackups; open a new store on the folder after it.
    QList<SaveFailure> restoreBackups() { return files.restoreBackups(); }

    // What the game stores for a key without a value.
    static QString missingValue() { return QStringLiteral("NULL"); }

private:
    IniFileSet files;
    QString folderPath;
    std::optional<SaveFailure> failure;
};
