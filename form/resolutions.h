// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

// The screen resolutions offered for each aspect ratio, by the index of the
// aspect ratio box: 0 "4:3/5:4", 1 "16:9", 2 "16:10". Entries read width "x" height.
const QStringList &resolutionList(int aspectIndex);
constexpr int aspectRatioCount = 3;

// The first aspect index whose list holds the entry exactly, or -1.
int aspectIndexOf(const QString &entry);

// Empties the box and fills it with the list of the aspect index (none for an
// index outside the table); the box then selects its first entry by itself.
void fillResolutionBox(QComboBox *box, int aspectIndex);
