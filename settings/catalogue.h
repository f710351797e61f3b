// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <optional>
#include <vector>

// How a key's text in the INI files becomes a control's state and back.
enum class Rule {
    Flag,            // check box or checkable group box; written "1" or "0"
    Integer,         // slider or spin box position, decimal
    Real,            // double spin box value
    ScreenSize,      // line edit text; written only as a whole number greater than 0
    IndexPlusOne,    // combo box: value = index + 1
    ThreeMinusIndex, // combo box: value = 3 - index
    SizeTable,       // combo box over the sizes 256 ... 8192
    HalfSizeTable,   // combo box over the sizes, written halved
    Multisample,     // slider position p stands for 2^p samples, written as a real
    Anisotropy,      // slider position over 0, 2, 4, 8, 16
    OneAndAHalf,     // real, 1.5 times the spin box value
    NonZeroInteger,  // as Integer, but a stored 0 (or nothing) leaves the control
    NonZeroReal,     // as Real, but a stored 0 (or nothing) leaves the control
};

// What the window sets up for a control in code, beyond what the form says.
struct Presentation
{
    const char *slider = nullptr;  // a slider showing the same value, times scale
    int scale = 1;
    double singleStep = 0;         // a spin box's step; 0 keeps the form's
    std::optional<double> start;   // what the control shows where the files give no usable value
};

// A slider coupled to the row's spin box, its position being the value times scale.
constexpr Presentation linked(const char *slider, int scale, double singleStep = 0,
                              std::optional<double> start = std::nullopt)
{
    return {slider, scale, singleStep, start};
}

struct Setting
{
    const char *section; // empty: the top level
    const char *key;
    Rule rule;
    const char *control;  // object name of the control that shows the value
    Presentation shown = {};
    bool derived = false; // written from a control that another key loads; never read
};

// Every key the program edits, in the order "Apply" writes them. The order
// decides where new keys appear in the main file, so it is part of the file format.
const std::vector<Setting> &settingsCatalogue();

// The value tables shared by loading and applying.
std::optional<int> sizeForIndex(int index);
std::optional<int> indexForSize(int size);
std::optional<int> multisampleForPosition(int position);
std::optional<int> positionForMultisample(int samples);
std::optional<int> anisotropyForPosition(int position);
std::optional<int> positionForAnisotropy(int anisotropy);

// Parsing of stored text: base-10 integers and reals; text that does not parse,
// and a number that is not finite ("nan", "inf"), gives 0.
int parseInteger(const QString &text);
double parseReal(const QString &text);
