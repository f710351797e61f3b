// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formfont.h"

#include <QApplication>
#include <QWidget>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

QFont formFont()
{
    QFont font = QApplication::font();
#ifdef Q_OS_WIN
    // Wine lists no "MS Shell Dlg 2" family; Tahoma is the face it stands for.
    font.setFamilies({QStringLiteral("MS Shell Dlg 2"), QStringLiteral("Tahoma")});
#else
    // A family with the narrow metrics of the dialog fonts the form was drawn for;
    // wider ones clip its captions. The package depends on the first.
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
#endif
    font.setPointSizeF(7.5);
    return font;
}

void useFormFont(QWidget *window)
{
    QApplication::setFont(formFont());
    // The window's own font, which a platform theme that sets the application's font
    // after start-up cannot replace; its widgets inherit it from the window.
    window->setFont(formFont());
}

void chooseTextRendering()
{
#ifdef Q_OS_WIN
    BOOL smoothing = FALSE;
    UINT type = 0;
    if (SystemParametersInfoW(SPI_GETFONTSMOOTHING, 0, &smoothing, 0) && smoothing
        && SystemParametersInfoW(SPI_GETFONTSMOOTHINGTYPE, 0, &type, 0) && type == FE_FONTSMOOTHINGSTANDARD
        && !qEnvironmentVariableIsSet("QT_MAX_CACHED_GLYPH_SIZE"))
        qputenv("QT_MAX_CACHED_GLYPH_SIZE", "1"); // the largest text, in pixels, drawn from glyph images
#endif
}
