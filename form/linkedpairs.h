#pragma once

// A slider and a spin box that show one real number: the slider holds the
// number times a scale factor (1000 or 10000) as an integer.

// The slider position for a spin box value. The spin box holds at most four
// decimals, so the value is taken as a whole number of ten-thousandths and
// scaled in integer arithmetic: a position never lands one below the value
// it stands for, as truncating a binary product (1.001 * 1000 = 1000.999...) would.
int sliderPosition(double value, int scale);

// The spin box value for a slider position.
double spinBoxValue(int position, int scale);
