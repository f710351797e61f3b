// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "controlbinding.h"

#include <vector>

class IniStore;
class QWidget;
struct Setting;

// The settings table bound to the controls of a form. Loading fills the
// controls from the two INI files and remembers what each then shows; "Apply"
// writes back only what the player changed since, so a value a control cannot
// show (a size the list lacks, a number beyond a range) stays as stored.
class FormSettings
{
public:
    explicit FormSettings(const QWidget *form);

    // Controls follow the values through their own signals (linked pairs,
    // level captions), as if the player had set them.
    void load(const IniStore &store);

    // Writes the keys of every control the player changed, each key of that
    // control, present or not; an untouched control writes nothing. Writes
    // nothing and returns false when a screen size field the player changed is
    // not a whole number greater than 0. Saving is the caller's.
    bool apply(IniStore &store);

    // Whether a control shows other than what was last loaded or applied.
    bool hasChanges() const;
    // Calls the receiver's slot (by its SLOT() name) whenever a control changes.
    void connectChanges(const QObject *receiver, const char *slot) const;

private:
    struct Row
    {
        const Setting *setting;
        ControlBinding control;
        QVariant stored; // what the control showed when its key was last read or written
    };
    std::vector<Row> rows;
};
