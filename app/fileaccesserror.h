// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "savefailure.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

class QWidget;

// The "File access error!" box: a file the program needs could not be read at
// start, or could not be written by a save.
void showOpenError(const SaveFailure &failure);
QString fileAccessErrorTitle();
void showSaveErrors(QWidget *parent, const QList<SaveFailure> &failures);

// The words the box gives for a file that failed at start or in a save.
class SaveFailureText
{
    Q_DECLARE_TR_FUNCTIONS(SaveFailureText)

public:
    static QString reason(const SaveFailure &failure);
    // Why a file stops the start; empty for a missing one, which the first-run box explains.
    static QString startReason(const SaveFailure &failure);
    // "Couldn't open <path>!", a long path shortened in the middle so that the file name shows.
    static QString openError(const SaveFailure &failure);
    static QString shownPath(const QString &path);
};
