// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

class QLabel;

// One level of a setting that the preview pane illustrates.
struct PreviewLevel
{
    const char *caption; // shown beside the slider; empty where the setting has none
    const char *picture; // file name in the picture folder
};

// By slider position or combo box index; null outside the table.
const PreviewLevel *anisotropicFilteringLevel(int position);
const PreviewLevel *textureQualityLevel(int index);
const PreviewLevel *antiAliasingLevel(int position);

// Where a picture is found: "previews/" below the working directory, else a
// "previews" folder beside the executable, else the data folder of an install
// ("share/vantor-configurator/previews" beside the executable's "bin").
// Returns the first of these that exists, or the first when none does.
QString previewPicturePath(const QString &fileName);

// Shows the picture 400 pixels wide in the label; for a missing or broken file
// the label says which file it is.
void showPreviewPicture(QLabel *label, const QString &fileName);
