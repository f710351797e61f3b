// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QCheckBox;
class QDoubleSpinBox;
class QSlider;
class QSpinBox;

// Couples a slider to the spin box that holds a real value, the slider showing
// it times scale: a new value in the box moves the slider and is never rounded
// back by it, so typed values keep all their decimals; moving the slider sets the box.
void linkSlider(QSlider *slider, QDoubleSpinBox *spinBox, int scale);
// Couples a slider and a spin box that show the same whole number.
void linkSlider(QSlider *slider, QSpinBox *spinBox);

// While sync is checked, each box passes its value to the other.
void syncSpinBoxes(QDoubleSpinBox *first, QDoubleSpinBox *second, const QCheckBox *sync);

// The slider position for a spin box value: the value in whole ten-thousandths,
// scaled in integer arithmetic, so that no position lands one below the value
// it stands for, as truncating a binary product (1.001 * 1000 = 1000.999...) would.
int sliderPosition(double value, int scale);

// The spin box value for a slider position.
double spinBoxValue(int position, int scale);
