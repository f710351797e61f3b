#pragma once

#include <QString>

class IniStore;
class QWidget;

// Whether the two size fields hold a screen size the game can use: whole
// numbers greater than 0, digits only.
bool isValidScreenSize(const QString &width, const QString &height);

// Writes every key of the settings table from the controls into the store,
// each into the file that holds it. Saving is the caller's.
void applyFormToStore(const QWidget *window, IniStore &store);
