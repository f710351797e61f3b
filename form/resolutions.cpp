// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "resolutions.h"

#include <QComboBox>

const QStringList &resolutionList(int aspectIndex)
{
    static const QStringList lists[aspectRatioCount] = {
        {"800x600", "1024x768", "1152x864", "1280x1024", "1280x960", "1400x1050", "1600x1200"},
        {"1152x648", "1280x720", "1360x768", "1366x768", "1440x810", "1600x900", "1680x945", "1920x1080"},
        {"1024x640", "1152x720", "1280x800", "1400x875", "1440x900", "1680x1050", "1920x1200"},
    };
    static const QStringList none;
    return aspectIndex >= 0 && aspectIndex < aspectRatioCount ? lists[aspectIndex] : none;
}

int aspectIndexOf(const QString &entry)
{
    for (int index = 0; index < aspectRatioCount; ++index) {
        if (resolutionList(index).contains(entry))
            return index;
    }
    return -1;
}

void fillResolutionBox(QComboBox *box, int aspectIndex)
{
    box->clear();
    box->insertItems(box->count(), resolutionList(aspectIndex));
}
