#include "formfont.h"

#include <QApplication>

QFont formFont()
{
    QFont font = QApplication::font();
#ifdef Q_OS_WIN
    // Wine lists no "MS Shell Dlg 2" family; Tahoma is the face it stands for.
    font.setFamilies({QStringLiteral("MS Shell Dlg 2"), QStringLiteral("Tahoma")});
#else
    // A family with the narrow metrics of the dialog fonts the form was drawn for,
    // where installed; otherwise the desktop's own.
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), font.family()});
#endif
    font.setPointSizeF(7.5);
    return font;
}
