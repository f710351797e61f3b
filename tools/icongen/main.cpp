// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Draws the application icon and writes it as a Windows .ico and as PNGs
// for the freedesktop hicolor icon theme.
//
//   icongen <repository root>
//
// writes <root>/resources/app.ico and
// <root>/resources/icons/hicolor/<N>x<N>/apps/vantor-configurator.png.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QtEndian>

#include <cstdio>
#include <vector>

namespace {

// Geometry of one icon size, in pixels. Tuned by hand so that tracks and
// knobs land on whole pixels at the small sizes.
struct IconMetrics
{
    int size;
    qreal margin;
    qreal cornerRadius;
    qreal trackThickness;
    qreal knobRadius;
    qreal rimWidth;
    bool knobShadow;
};

const IconMetrics iconMetrics[] = {
    {  16, 0.0,  3.0, 2.0,  2.0, 1.0, false },
    {  32, 0.0,  6.0, 2.0,  4.0, 1.0, false },
    {  64, 1.0, 11.0, 4.0,  7.0, 1.5, true  },
    { 128, 2.0, 22.0, 8.0, 14.0, 2.0, true  },
};

// Order of the images inside app.ico.
const int icoSizes[] = { 64, 128, 32, 16 };

// The three sliders on a 16 x 16 grid: track centre line and knob position.
struct Slider
{
    qreal y;
    qreal knobX;
};

const Slider sliders[] = {
    {  4.0, 10.0 },
    {  8.0,  5.0 },
    { 12.0,  8.0 },
};

constexpr qreal trackStart = 3.0;
constexpr qreal trackEnd = 13.0;
constexpr qreal gridSize = 16.0;

const QColor tileTop(0x44, 0x50, 0x65);
const QColor tileBottom(0x1b, 0x21, 0x2a);
const QColor rimTop(0x7a, 0x86, 0x9c);
const QColor rimBottom(0x12, 0x16, 0x1c);
const QColor trackGroove(0x5f, 0x6a, 0x7e);
const QColor trackFilled(0xe0, 0x7a, 0x24);
const QColor knobTop(0xff, 0xd5, 0x7e);
const QColor knobBottom(0xf2, 0x8c, 0x1e);
const QColor knobOutline(0xa8, 0x55, 0x10);

const IconMetrics &metricsFor(int size)
{
    for (const IconMetrics &metrics : iconMetrics) {
        if (metrics.size == size)
            return metrics;
    }
    return iconMetrics[0];
}

void drawTile(QPainter &painter, const IconMetrics &m)
{
    const QRectF tile(m.margin, m.margin, m.size - 2 * m.margin, m.size - 2 * m.margin);

    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0.0, tileTop);
    fill.setColorAt(1.0, tileBottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(tile, m.cornerRadius, m.cornerRadius);

    // A light upper rim and a dark lower one keep the tile apart from
    // both dark and light backgrounds.
    const qreal inset = m.rimWidth / 2;
    const QRectF rimRect = tile.adjusted(inset, inset, -inset, -inset);
    QLinearGradient rim(rimRect.topLeft(), rimRect.bottomLeft());
    rim.setColorAt(0.0, rimTop);
    rim.setColorAt(0.5, QColor(rimTop.red(), rimTop.green(), rimTop.blue(), 40));
    rim.setColorAt(1.0, rimBottom);
    painter.setPen(QPen(QBrush(rim), m.rimWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rimRect, m.cornerRadius - inset, m.cornerRadius - inset);
}

void drawSlider(QPainter &painter, const IconMetrics &m, const Slider &slider)
{
    const qreal unit = m.size / gridSize;
    const qreal y = slider.y * unit;
    const qreal knobX = slider.knobX * unit;
    const qreal half = m.trackThickness / 2;

    painter.setPen(Qt::NoPen);
    painter.setBrush(trackGroove);
    const QRectF track(QPointF(trackStart * unit, y - half), QPointF(trackEnd * unit, y + half));
    painter.drawRoundedRect(track, half, half);
    painter.setBrush(trackFilled);
    painter.drawRoundedRect(QRectF(track.topLeft(), QPointF(knobX, y + half)), half, half);

    const qreal r = m.knobRadius;
    if (m.knobShadow) {
        painter.setBrush(QColor(0, 0, 0, 90));
        painter.drawEllipse(QPointF(knobX, y + r * 0.18), r * 1.04, r * 1.04);
    }

    QLinearGradient knob(QPointF(knobX, y - r), QPointF(knobX, y + r));
    knob.setColorAt(0.0, knobTop);
    knob.setColorAt(1.0, knobBottom);
    painter.setBrush(knob);
    if (m.knobShadow)
        painter.setPen(QPen(knobOutline, m.rimWidth * 0.6));
    painter.drawEllipse(QPointF(knobX, y), r, r);

    if (m.knobShadow) {
        // Small cap highlight, the light coming from above.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 70));
        painter.drawEllipse(QPointF(knobX, y - r * 0.38), r * 0.5, r * 0.3);
    }
}

QImage drawIcon(int size)
{
    const IconMetrics &m = metricsFor(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        drawTile(painter, m);
        for (const Slider &slider : sliders)
            drawSlider(painter, m, slider);
    }
    // .ico and PNG both want straight alpha.
    return image.convertToFormat(QImage::Format_ARGB32);
}

void appendLE16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendLE32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

int maskRowBytes(int width)
{
    return (width + 31) / 32 * 4;
}

// A 32-bit DIB as stored in an .ico: BITMAPINFOHEADER, bottom-up BGRA rows,
// then the 1-bit AND mask. The header's height counts both bitmaps.
QByteArray dibFromImage(const QImage &image)
{
    const int width = image.width();
    const int height = image.height();
    const int pixelBytes = width * height * 4;
    const int maskBytes = maskRowBytes(width) * height;

    QByteArray dib;
    dib.reserve(40 + pixelBytes + maskBytes);
    appendLE32(dib, 40);
    appendLE32(dib, quint32(width));
    appendLE32(dib, quint32(2 * height));
    appendLE16(dib, 1);   // planes
    appendLE16(dib, 32);  // bits per pixel
    appendLE32(dib, 0);   // BI_RGB
    appendLE32(dib, quint32(pixelBytes + maskBytes));
    appendLE32(dib, 0);   // horizontal resolution
    appendLE32(dib, 0);   // vertical resolution
    appendLE32(dib, 0);   // colours used
    appendLE32(dib, 0);   // important colours

    for (int y = height - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const char bgra[4] = { char(qBlue(row[x])), char(qGreen(row[x])),
                                   char(qRed(row[x])), char(qAlpha(row[x])) };
            dib.append(bgra, 4);
        }
    }

    for (int y = height - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray maskRow(maskRowBytes(width), '\0');
        for (int x = 0; x < width; ++x) {
            if (qAlpha(row[x]) == 0)
                maskRow[x / 8] = char(maskRow[x / 8] | (0x80 >> (x % 8)));
        }
        dib.append(maskRow);
    }
    return dib;
}

QByteArray icoFromImages(const std::vector<QImage> &images)
{
    constexpr int headerSize = 6;
    constexpr int entrySize = 16;

    std::vector<QByteArray> dibs;
    for (const QImage &image : images)
        dibs.push_back(dibFromImage(image));

    QByteArray ico;
    appendLE16(ico, 0);  // reserved
    appendLE16(ico, 1);  // type: icon
    appendLE16(ico, quint16(images.size()));

    quint32 offset = headerSize + entrySize * quint32(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        // A width or height byte of 0 stands for 256.
        ico.append(char(images[i].width() & 0xff));
        ico.append(char(images[i].height() & 0xff));
        ico.append('\0');  // colour count
        ico.append('\0');  // reserved
        appendLE16(ico, 1);   // planes
        appendLE16(ico, 32);  // bits per pixel
        appendLE32(ico, quint32(dibs[i].size()));
        appendLE32(ico, offset);
        offset += quint32(dibs[i].size());
    }
    for (const QByteArray &dib : dibs)
        ico.append(dib);
    return ico;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "icongen: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return file.write(data) == data.size();
}

bool writeThemePng(const QDir &root, const QImage &image)
{
    const QString size = QStringLiteral("%1x%1").arg(image.width());
    const QString dir = root.filePath(QStringLiteral("resources/icons/hicolor/%1/apps").arg(size));
    const QString path = dir + QStringLiteral("/vantor-configurator.png");
    if (!QDir().mkpath(dir) || !image.save(path, "PNG")) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen <repository root>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(root.filePath(QStringLiteral("resources"))))
        return 1;

    std::vector<QImage> images;
    for (int size : icoSizes)
        images.push_back(drawIcon(size));

    if (!writeFile(root.filePath(QStringLiteral("resources/app.ico")), icoFromImages(images)))
        return 1;
    for (const QImage &image : images) {
        if (!writeThemePng(root, image))
            return 1;
    }
    return 0;
}
