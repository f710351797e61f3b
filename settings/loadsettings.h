#pragma once

class IniStore;
class QWidget;

// Fills every control of the settings table from the two INI files. Controls
// follow the values through their own signals (linked pairs, resolution box,
// level captions), as if the player had set them.
void loadSettingsIntoForm(QWidget *window, const IniStore &store);
