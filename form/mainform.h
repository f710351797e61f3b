// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Ui::MainForm, the record of the form's widgets, which uic makes from mainform.ui.
#include "ui_mainform.h"
