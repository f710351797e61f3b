#pragma once

#include "inistore.h"

#include <QList>
#include <QString>

class QWidget;

// The "File access error!" box: a file the program needs could not be read at
// start, or could not be written by a save.
void showOpenError(const QString &path);
void showSaveErrors(QWidget *parent, const QList<SaveFailure> &failures);
