// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "applysettings.h"

#include "formsettings.h"

void applyFormToStore(const QWidget *window, IniStore &store)
{
    // Settings that were never loaded count every control as changed.
    FormSettings(window).apply(store);
}
