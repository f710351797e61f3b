#include "formfont.h"

#include <QApplication>
#include <QWidget>

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

void useFormFont(QWidget *window)
{
    QApplication::setFont(formFont());
    // Outside the event loop the application does not pass the change on to existing
    // widgets; an empty font makes the window take the application's again.
    window->setFont(QFont());
}
