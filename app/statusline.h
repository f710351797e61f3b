// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "savefailure.h"

#include <QLabel>
#include <QList>

// The line in the bottom row between "show preview" and "Apply": the folder the
// window edits, or how the last Apply went, with links the window acts on:
// "open" (the folder in the file manager), "switch" (another folder that holds
// the files) and "restore" (the files as they were before the first Apply).
class StatusLine : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent);

    // folders: how many folders hold the files, this one included.
    void showFolder(const QString &folder, int folders);
    void showSaved(const QStringList &paths, bool restorable);
    void showFailed(const QList<SaveFailure> &failures);
    void showRestored(const QList<SaveFailure> &failures);

private:
    // Text, elided in the middle to what the links leave of the line, then the links.
    void showLine(const QString &text, const QString &fullText, const QStringList &links);
    QString folder;
    int folderCount = 1;
};
