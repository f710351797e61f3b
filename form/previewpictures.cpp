// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "previewpictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QStringList>


namespace {

constexpr PreviewLevel anisotropicFiltering[] = {
    {"off", "af_0.jpg"}, {"2x", "af_2.jpg"}, {"4x", "af_4.jpg"}, {"8x", "af_8.jpg"}, {"16x", "af_16.jpg"},
};
constexpr PreviewLevel textureQuality[] = {
    {"", "tex_vl.jpg"}, {"", "tex_l.jpg"}, {"", "tex_m.jpg"}, {"", "tex_h.jpg"},
};
constexpr PreviewLevel antiAliasing[] = {
    {"0x", "msaa_0.jpg"}, {"2x", "msaa_2.jpg"}, {"4x", "msaa_4.jpg"}, {"8x", "msaa_8.jpg"},
};

template<size_t N>
const PreviewLevel *levelAt(const PreviewLevel (&levels)[N], int index)
{
    return index >= 0 && size_t(index) < N ? &levels[index] : nullptr;
}

} // namespace

const PreviewLevel *anisotropicFilteringLevel(int position)
{
    return levelAt(anisotropicFiltering, position);
}

const PreviewLevel *textureQualityLevel(int index)
{
    return levelAt(textureQuality, index);
}

const PreviewLevel *antiAliasingLevel(int position)
{
    return levelAt(antiAliasing, position);
}

QString previewPicturePath(const QString &fileName)
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        QStringLiteral("previews/") + fileName,
        programFolder + QStringLiteral("/previews/") + fileName,
        QDir::cleanPath(programFolder + QStringLiteral("/" VANTOR_DATA_FROM_BINARY "/previews/") + fileName),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return candidates.first();
}

void showPreviewPicture(QLabel *label, const QString &fileName)
{
    const QString path = previewPicturePath(fileName);
    const QPixmap picture(path);
    if (picture.isNull()) {
        // Said in the pane, not in a box: the settings work without the pictures.
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setText(QCoreApplication::translate("PreviewPictures", "No picture: %1 is missing or cannot be read.")
                           .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())));
        return;
    }
    label->setPixmap(picture.scaledToWidth(400, Qt::FastTransformation));
}
