// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class IniStore;
class QWidget;

// Writes every key of the settings table as the form's controls show it,
// changed or not, each into the file that holds it; nothing when a screen size
// field is not a whole number greater than 0. Saving is the caller's.
void applyFormToStore(const QWidget *window, IniStore &store);
