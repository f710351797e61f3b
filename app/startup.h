// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "savefailure.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class IniStore;

// The folder as the store takes it: absolute, clean, ending with '/'.
QString folderPath(const QString &folder);

// The folder the window starts on: the one given on the command line, else the
// one the player chose in the first-run box before (while it still holds the
// preferences file), else the one the search finds.
QString startFolder(const QString &given);

// The folder the player chose in the first-run box, tried first at the next
// start; empty forgets it. Kept where the desktop keeps a program's settings.
void rememberFolder(const QString &folder);

// The folders looked at for the files, as --locate lists them.
QStringList searchedFolders(const QString &given);

// Why the program cannot start on a file, in full: the box's text, or what it
// prints without a display. For a missing file it says that the game makes the
// files and lists the folders searched.
QString startErrorText(const SaveFailure &failure, const QStringList &searched);

// Whether a window can be shown: a display (or a platform that needs none) is set.
bool displayAvailable();

// Reads the game's two files in folder (given: the command line's folder, if
// any). When one is missing, the first-run box says so, lists the folders
// searched and offers "Choose Folder…"; a folder chosen that holds both files
// is remembered and opened. When one is blank or cannot be read, the "File
// access error!" box names it. Null when the player closes the box.
std::unique_ptr<IniStore> openIniStore(const QString &folder, const QString &given = QString());

// Qt's own words (standard buttons, context menus) in the system's language,
// where Qt's translations are installed; false where they are not.
bool installQtTranslations();

// For tests: what "Choose Folder…" asks the player (by default the platform's
// folder dialog, starting in start); an empty answer is a cancel.
void setFolderChooser(std::function<QString(const QString &start)> chooser);
