// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace Ui {
class MainForm;
}

// Couples the sliders and spin boxes of the form that show one value, beyond
// the integer pairs the form couples itself. In the eleven real-valued pairs the
// spin box holds the value and the slider shows it times a scale factor (1000
// or 10000): a new value in the box moves the slider and is never rounded back
// by it, so typed values keep all four decimals; moving the slider sets the box.
// While "Sync" is checked, each mouse scaling box passes its value to the other.
void linkPairs(Ui::MainForm &form);

// The slider position for a spin box value: the value in whole ten-thousandths,
// scaled in integer arithmetic, so that no position lands one below the value
// it stands for, as truncating a binary product (1.001 * 1000 = 1000.999...) would.
int sliderPosition(double value, int scale);

// The spin box value for a slider position.
double spinBoxValue(int position, int scale);
