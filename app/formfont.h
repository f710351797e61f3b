// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>

class QWidget;

// The form's fixed geometry was drawn for a small dialog font of about 8 points;
// larger desktop fonts would clip its captions.
QFont formFont();

// Makes the form font the application's font and the font of window, which exists
// already, before the form is built into it. The widgets then take the font as they
// are made (a font set on the window alone would reach the tab pages only when they
// are added, after their contents were built, and lay every widget out a second
// time), and keep it when a platform theme sets the application's font later.
void useFormFont(QWidget *window);

// Chooses how text is drawn; called before the application object is made. Under greyscale font smoothing (ClearType
// off, as Wine has it by default) the glyph images Qt takes from Windows lose thin strokes, so text is drawn from the
// glyphs' outlines there. ClearType text is left as Windows draws it.
void chooseTextRendering();
