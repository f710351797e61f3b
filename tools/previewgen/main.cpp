// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the pictures that illustrate the graphics settings: one courtyard
// scene (a tiled floor receding to the horizon, a wall, a leaning post with a
// cross-arm and three cables against the sky), drawn with the texture
// filtering, texture resolution and multisampling each setting stands for.
//
//   previewgen <output folder>
//
// Every pixel is computed here, with fixed noise seeds, so a run writes the
// same files as the last one.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Colour, kept in linear light so that averaging samples and texels is right.

struct Color
{
    float r = 0;
    float g = 0;
    float b = 0;
};

Color operator+(Color a, Color b) { return { a.r + b.r, a.g + b.g, a.b + b.b }; }
Color operator*(Color a, float s) { return { a.r * s, a.g * s, a.b * s }; }

Color mix(Color a, Color b, float t)
{
    return a * (1 - t) + b * t;
}

float srgbToLinear(float c)
{
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

float linearToSrgb(float c)
{
    c = std::clamp(c, 0.0f, 1.0f);
    return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1 / 2.4f) - 0.055f;
}

Color fromSrgb(int r, int g, int b)
{
    return { srgbToLinear(r / 255.0f), srgbToLinear(g / 255.0f), srgbToLinear(b / 255.0f) };
}

QRgb toRgb(Color c)
{
    auto channel = [](float v) { return int(std::lround(linearToSrgb(v) * 255)); };
    return qRgb(channel(c.r), channel(c.g), channel(c.b));
}

float smoothstep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// ---------------------------------------------------------------------------
// Noise with fixed seeds.

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    std::uint32_t h = seed * 0x9e3779b9u;
    h ^= x * 0x85ebca6bu;
    h = (h << 13) | (h >> 19);
    h ^= y * 0xc2b2ae35u;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

float hashUnit(int x, int y, std::uint32_t seed)
{
    return (hash(std::uint32_t(x), std::uint32_t(y), seed) >> 8) / float(1 << 24);
}

// Value noise on a lattice that repeats every `period` cells.
float valueNoise(float x, float y, int period, std::uint32_t seed)
{
    const int x0 = int(std::floor(x));
    const int y0 = int(std::floor(y));
    const float fx = smoothstep(0, 1, x - x0);
    const float fy = smoothstep(0, 1, y - y0);
    auto corner = [&](int dx, int dy) {
        const int cx = ((x0 + dx) % period + period) % period;
        const int cy = ((y0 + dy) % period + period) % period;
        return hashUnit(cx, cy, seed);
    };
    const float top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * fx;
    const float bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * fx;
    return top + (bottom - top) * fy;
}

float fractalNoise(float x, float y, int period, int octaves, std::uint32_t seed)
{
    float sum = 0;
    float amplitude = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(x, y, period, seed + std::uint32_t(i));
        x *= 2;
        y *= 2;
        period *= 2;
        amplitude *= 0.5f;
    }
    return sum;
}

// ---------------------------------------------------------------------------
// The floor texture and its mip chain.

struct TextureLevel
{
    int size = 0;
    std::vector<Color> texels;

    const Color &at(int x, int y) const
    {
        const int mask = size - 1;
        return texels[std::size_t((y & mask) * size + (x & mask))];
    }
};

constexpr int textureSize = 1024;
constexpr int tilesPerTexture = 16;
constexpr int tileTexels = textureSize / tilesPerTexture;

// The stones the tiles are cut from; each tile takes one at random.
const Color stones[] = {
    fromSrgb(224, 210, 184),
    fromSrgb(208, 192, 162),
    fromSrgb(100, 82, 70),
    fromSrgb(124, 88, 68),
};
const Color groutColor = fromSrgb(40, 38, 36);

constexpr int fleckCell = 4;
constexpr int fleckCells = textureSize / fleckCell;

// Small flecks of darker and lighter grain, at most one in each cell, as in
// terrazzo. Returns how much of the texel a fleck covers and its brightness.
std::pair<float, float> fleckAt(int x, int y)
{
    const int cellX = x / fleckCell;
    const int cellY = y / fleckCell;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int seedX = (cellX + dx + fleckCells) % fleckCells;
            const int seedY = (cellY + dy + fleckCells) % fleckCells;
            if (hashUnit(seedX, seedY, 53) > 0.5f)
                continue;
            const float centreX = (cellX + dx + hashUnit(seedX, seedY, 59)) * fleckCell;
            const float centreY = (cellY + dy + hashUnit(seedX, seedY, 61)) * fleckCell;
            const float radius = 0.6f + 1.0f * hashUnit(seedX, seedY, 67);
            const float distance = std::hypot(x + 0.5f - centreX, y + 0.5f - centreY);
            const float cover = smoothstep(radius + 0.5f, radius - 0.5f, distance);
            if (cover > 0) {
                const float tone = hashUnit(seedX, seedY, 71) < 0.65f ? 0.4f : 1.45f;
                return { cover, tone };
            }
        }
    }
    return { 0.0f, 1.0f };
}

// Square stone tiles in dark grout, each tile with its own stone and shade,
// some mottling, flecks and grain, and slightly worn edges.
Color floorTexel(int x, int y)
{
    const int tileX = x / tileTexels;
    const int tileY = y / tileTexels;
    const int localX = x % tileTexels;
    const int localY = y % tileTexels;

    const float edgeDistance =
        std::min({ localX, tileTexels - 1 - localX, localY, tileTexels - 1 - localY }) + 0.5f;
    const float stoneAmount = smoothstep(1.5f, 3.0f, edgeDistance);
    const float wear = 0.82f + 0.18f * smoothstep(2.5f, 7.0f, edgeDistance);

    const int stoneCount = int(std::size(stones));
    Color stone = stones[hash(std::uint32_t(tileX), std::uint32_t(tileY), 7) % std::uint32_t(stoneCount)];
    stone = stone * (0.88f + 0.24f * hashUnit(tileX, tileY, 11));
    const float mottle = fractalNoise(x / 32.0f, y / 32.0f, textureSize / 32, 3, 23);
    const float grain = hashUnit(x, y, 37);
    stone = stone * (0.8f + 0.4f * mottle + 0.12f * (grain - 0.5f)) * wear;
    const auto [fleckCover, fleckTone] = fleckAt(x, y);
    stone = mix(stone, stone * fleckTone, 0.85f * fleckCover);

    const Color grout = groutColor * (0.85f + 0.3f * grain);
    return mix(grout, stone, stoneAmount);
}

TextureLevel makeFloorTexture()
{
    TextureLevel level;
    level.size = textureSize;
    level.texels.reserve(std::size_t(textureSize * textureSize));
    for (int y = 0; y < textureSize; ++y) {
        for (int x = 0; x < textureSize; ++x)
            level.texels.push_back(floorTexel(x, y));
    }
    return level;
}

TextureLevel halve(const TextureLevel &source)
{
    TextureLevel level;
    level.size = source.size / 2;
    level.texels.reserve(std::size_t(level.size * level.size));
    for (int y = 0; y < level.size; ++y) {
        for (int x = 0; x < level.size; ++x) {
            const Color sum = source.at(2 * x, 2 * y) + source.at(2 * x + 1, 2 * y)
                + source.at(2 * x, 2 * y + 1) + source.at(2 * x + 1, 2 * y + 1);
            level.texels.push_back(sum * 0.25f);
        }
    }
    return level;
}

class MipChain
{
public:
    explicit MipChain(TextureLevel base)
    {
        m_levels.push_back(std::move(base));
        while (m_levels.back().size > 1)
            m_levels.push_back(halve(m_levels.back()));
    }

    int baseSize() const { return m_levels.front().size; }
    int lastLevel() const { return int(m_levels.size()) - 1; }

    // u and v count texture repeats.
    Color bilinear(int level, float u, float v) const
    {
        const TextureLevel &texture = m_levels[std::size_t(level)];
        const float x = u * texture.size - 0.5f;
        const float y = v * texture.size - 0.5f;
        const int x0 = int(std::floor(x));
        const int y0 = int(std::floor(y));
        const float fx = x - x0;
        const float fy = y - y0;
        const Color top = mix(texture.at(x0, y0), texture.at(x0 + 1, y0), fx);
        const Color bottom = mix(texture.at(x0, y0 + 1), texture.at(x0 + 1, y0 + 1), fx);
        return mix(top, bottom, fy);
    }

    Color trilinear(float u, float v, float lod) const
    {
        lod = std::clamp(lod, 0.0f, float(lastLevel()));
        const int level = std::min(int(lod), lastLevel() - 1);
        const float blend = lod - level;
        return mix(bilinear(level, u, v), bilinear(level + 1, u, v), blend);
    }

private:
    std::vector<TextureLevel> m_levels;
};

// How the texture coordinates change from one pixel to the next, in texels
// of the full-size texture.
struct Footprint
{
    QPointF alongX;
    QPointF alongY;
};

float length(QPointF v)
{
    return float(std::hypot(v.x(), v.y()));
}

// Anisotropic filtering as a GPU does it: several trilinear probes along the
// long axis of the pixel's footprint, each as blurry as the short axis needs.
// With anisotropy 1 the long axis alone decides the blur. Dropping
// `mipSkip` levels stands for a lower texture resolution.
Color sampleTexture(const MipChain &texture, QPointF uv, const Footprint &footprint,
                    int maxAnisotropy, int mipSkip)
{
    const float lengthX = length(footprint.alongX);
    const float lengthY = length(footprint.alongY);
    const QPointF majorAxis = lengthX >= lengthY ? footprint.alongX : footprint.alongY;
    const float major = std::max(lengthX, lengthY);
    const float minor = std::max(std::min(lengthX, lengthY), 1e-6f);

    const int probes = std::clamp(int(std::ceil(major / minor)), 1, std::max(1, maxAnisotropy));
    const float lod = std::max(std::log2(std::max(major / probes, 1e-6f)), float(mipSkip));

    const QPointF step = majorAxis / (probes * texture.baseSize());
    Color sum;
    for (int i = 0; i < probes; ++i) {
        const QPointF at = uv + step * ((i + 0.5) - probes / 2.0);
        sum = sum + texture.trilinear(float(at.x()), float(at.y()), lod);
    }
    return sum * (1.0f / probes);
}

// ---------------------------------------------------------------------------
// The scene.

constexpr int imageWidth = 800;
constexpr int imageHeight = 450;

// A level camera; the horizon sits high in the frame so the floor fills most of it.
constexpr float centerX = imageWidth / 2.0f;
constexpr float horizonY = 130.0f;
constexpr float focalLength = 800.0f;
constexpr float eyeHeight = 1.6f;

// Floor: texels per metre, the angle the tile grid is laid at and where it starts.
constexpr float texelsPerMetre = 128.0f;
constexpr float floorAngle = 0.42f;
const QPointF floorShift(97, 41);

// The wall runs away from the viewer on the right.
constexpr float wallX = 6.0f;
constexpr float wallHeight = 3.5f;
constexpr float wallNearZ = 4.0f;
constexpr float wallFarZ = 45.0f;

// A post leaning to the right, its top out of the picture, with a cross-arm
// square to it.
constexpr float postX = -1.8f;
constexpr float postZ = 7.0f;
constexpr float postRadius = 0.11f;
constexpr float postLean = 0.12f;  // radians from upright
constexpr float armRow = 40.0f;    // pixels
constexpr float armHalfLength = 100.0f;
constexpr float armHalfThickness = 5.5f;

// Cables come in from a post off to the left, rest on the cross-arm and end
// on the wall.
struct Cable
{
    QPointF leftEnd;     // pixels, outside the picture
    float armOffset;     // pixels along the arm from the post
    float wallZ;         // metres
    float wallHeight;    // metres
};

const Cable cables[] = {
    { { -20, 62 }, -86, 16.0f, 3.3f },
    { { -20, 80 },  28, 16.0f, 2.95f },
    { { -20, 98 },  86, 16.0f, 2.6f },
};
constexpr float cableWidth = 2.8f;  // pixels

// Sun shadow of the post across the floor.
constexpr float shadowDirX = 0.78f;
constexpr float shadowDirZ = -0.62f;
constexpr float shadowLength = 7.0f;

const Color skyZenith = fromSrgb(92, 142, 212);
const Color skyHorizon = fromSrgb(222, 231, 242);
const Color cloudColor = fromSrgb(248, 249, 251);
const Color wallColor = fromSrgb(46, 48, 54);
const Color postColor = fromSrgb(74, 58, 46);
const Color armColor = fromSrgb(40, 32, 26);
const Color cableColor = fromSrgb(14, 14, 16);

QPointF project(float x, float height, float z)
{
    return { centerX + focalLength * x / z, horizonY - focalLength * (height - eyeHeight) / z };
}

struct Shape
{
    enum Kind { Wall, Post, Arm, Cable };

    Kind kind;
    std::array<QPointF, 4> corners;
    QRectF bounds;
};

Shape makeShape(Shape::Kind kind, std::array<QPointF, 4> corners)
{
    QPointF topLeft = corners[0];
    QPointF bottomRight = corners[0];
    for (const QPointF &corner : corners) {
        topLeft = { std::min(topLeft.x(), corner.x()), std::min(topLeft.y(), corner.y()) };
        bottomRight = { std::max(bottomRight.x(), corner.x()), std::max(bottomRight.y(), corner.y()) };
    }
    return { kind, corners, QRectF(topLeft, bottomRight) };
}

// A bar of the given thickness from one point to another.
Shape makeBar(Shape::Kind kind, QPointF from, QPointF to, double halfThickness)
{
    const QPointF delta = to - from;
    const QPointF normal = QPointF(-delta.y(), delta.x()) / std::hypot(delta.x(), delta.y());
    const QPointF side = normal * halfThickness;
    return makeShape(kind, { from - side, to - side, to + side, from + side });
}

double cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

bool covers(const Shape &shape, QPointF p)
{
    if (!shape.bounds.contains(p))
        return false;
    bool anyPositive = false;
    bool anyNegative = false;
    for (std::size_t i = 0; i < shape.corners.size(); ++i) {
        const QPointF a = shape.corners[i];
        const QPointF b = shape.corners[(i + 1) % shape.corners.size()];
        const double side = cross(b - a, p - a);
        anyPositive |= side > 0;
        anyNegative |= side < 0;
    }
    return !(anyPositive && anyNegative);
}

QPointF postBase()
{
    return project(postX, 0, postZ);
}

// Unit vectors up the post and along the cross-arm, in screen coordinates.
QPointF postAxis()
{
    return { std::sin(postLean), -std::cos(postLean) };
}

QPointF armAxis()
{
    return { std::cos(postLean), std::sin(postLean) };
}

float postHalfWidth()
{
    return focalLength * postRadius / postZ;
}

// Where the post's centre line crosses the row y.
QPointF postPointAtRow(float y)
{
    const QPointF axis = postAxis();
    const double t = (y - postBase().y()) / axis.y();
    return postBase() + axis * t;
}

Shape makePost()
{
    const QPointF base = postBase();
    const QPointF top = postPointAtRow(-40);
    const double baseHalf = postHalfWidth();
    const double topHalf = baseHalf * 0.85;
    return makeShape(Shape::Post, { base - armAxis() * baseHalf, base + armAxis() * baseHalf,
                                    top + armAxis() * topHalf, top - armAxis() * topHalf });
}

Shape makeArm()
{
    const QPointF centre = postPointAtRow(armRow);
    return makeBar(Shape::Arm, centre - armAxis() * armHalfLength, centre + armAxis() * armHalfLength,
                   armHalfThickness);
}

Shape makeWall()
{
    return makeShape(Shape::Wall, { project(wallX, wallHeight, wallFarZ),
                                    project(wallX, wallHeight, wallNearZ),
                                    project(wallX, 0, wallNearZ),
                                    project(wallX, 0, wallFarZ) });
}

// The two straight spans of a cable, either side of the cross-arm.
std::array<Shape, 2> makeCable(const Cable &cable)
{
    const QPointF rest = postPointAtRow(armRow) + armAxis() * cable.armOffset
        + postAxis() * (armHalfThickness + cableWidth / 2);
    const QPointF wallEnd = project(wallX, cable.wallHeight, cable.wallZ);
    return { makeBar(Shape::Cable, cable.leftEnd, rest, cableWidth / 2),
             makeBar(Shape::Cable, rest, wallEnd, cableWidth / 2) };
}

// What a setting changes.
struct Quality
{
    int anisotropy;  // 0 or 1: plain trilinear
    int mipSkip;     // texture resolution halved this many times
    int samples;     // 0 or 1: one sample in the pixel centre
};

struct SamplePattern
{
    int samples;
    std::vector<QPointF> offsets;  // in sixteenths of a pixel from its centre
};

// Rotated-grid patterns, so that near-horizontal and near-vertical edges both
// get as many distinct coverage steps as there are samples.
const SamplePattern samplePatterns[] = {
    { 1, { { 0, 0 } } },
    { 2, { { 4, 4 }, { -4, -4 } } },
    { 4, { { -2, -6 }, { 6, -2 }, { -6, 2 }, { 2, 6 } } },
    { 8, { { 1, -3 }, { -1, 3 }, { 5, 1 }, { -3, -5 }, { -5, 5 }, { -7, -1 }, { 3, 7 }, { 7, -7 } } },
};

std::vector<QPointF> samplePositions(int samples)
{
    for (const SamplePattern &pattern : samplePatterns) {
        if (pattern.samples == samples) {
            std::vector<QPointF> positions;
            for (const QPointF &offset : pattern.offsets)
                positions.push_back(QPointF(0.5, 0.5) + offset / 16.0);
            return positions;
        }
    }
    return { QPointF(0.5, 0.5) };
}

class Scene
{
public:
    explicit Scene(const MipChain &floorTexture)
        : m_floorTexture(floorTexture)
    {
        // Front to back: the first shape that covers a sample wins.
        for (const Cable &cable : cables) {
            for (const Shape &span : makeCable(cable))
                m_shapes.push_back(span);
        }
        m_shapes.push_back(makeArm());
        m_shapes.push_back(makePost());
        m_shapes.push_back(makeWall());
    }

    QImage render(const Quality &quality) const
    {
        const std::vector<QPointF> samples = samplePositions(quality.samples);
        QImage image(imageWidth, imageHeight, QImage::Format_RGB32);
        for (int y = 0; y < imageHeight; ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < imageWidth; ++x)
                line[x] = toRgb(pixel(x, y, quality, samples));
        }
        return image;
    }

private:
    // Like a multisampled frame: each shape is shaded once per pixel, and its
    // share of the pixel is the share of samples it covers.
    Color pixel(int x, int y, const Quality &quality, const std::vector<QPointF> &samples) const
    {
        const QPointF centre(x + 0.5, y + 0.5);
        Color sum;
        for (const QPointF &offset : samples) {
            const Shape *shape = shapeAt(QPointF(x, y) + offset);
            sum = sum + (shape ? shade(*shape, centre) : background(centre, quality));
        }
        return sum * (1.0f / samples.size());
    }

    const Shape *shapeAt(QPointF p) const
    {
        for (const Shape &shape : m_shapes) {
            if (covers(shape, p))
                return &shape;
        }
        return nullptr;
    }

    Color shade(const Shape &shape, QPointF p) const
    {
        switch (shape.kind) {
        case Shape::Wall:
            return wall(p);
        case Shape::Post:
            return post(p);
        case Shape::Arm:
            return armColor;
        case Shape::Cable:
            return cableColor;
        }
        return {};
    }

    Color background(QPointF p, const Quality &quality) const
    {
        return p.y() > horizonY ? floorAt(p, quality) : sky(p);
    }

    Color sky(QPointF p) const
    {
        const float height = float(std::clamp((horizonY - p.y()) / horizonY, 0.0, 1.0));
        const Color gradient = mix(skyHorizon, skyZenith, std::pow(height, 0.7f));

        // Soft clouds, flattened towards the horizon.
        const float squash = 0.35f + 0.65f * height;
        const float n = fractalNoise(float(p.x()) / 170.0f, float(p.y()) / (70.0f * squash), 64, 4, 101);
        const float cover = smoothstep(0.52f, 0.78f, n) * 0.75f;
        return mix(gradient, cloudColor, cover);
    }

    Color floorAt(QPointF p, const Quality &quality) const
    {
        const double below = p.y() - horizonY;
        const double dx = p.x() - centerX;
        const double worldX = dx * eyeHeight / below;
        const double worldZ = focalLength * eyeHeight / below;

        // Partial derivatives of the floor point by screen x and y.
        const QPointF dByX(eyeHeight / below, 0);
        const QPointF dByY(-dx * eyeHeight / (below * below), -focalLength * eyeHeight / (below * below));

        const double c = std::cos(floorAngle);
        const double s = std::sin(floorAngle);
        auto toTexels = [&](QPointF d) {
            return QPointF(c * d.x() - s * d.y(), s * d.x() + c * d.y()) * texelsPerMetre;
        };
        const QPointF texel = toTexels(QPointF(worldX, worldZ)) + floorShift;
        const QPointF uv = texel / m_floorTexture.baseSize();
        const Footprint footprint { toTexels(dByX), toTexels(dByY) };

        const Color albedo = sampleTexture(m_floorTexture, uv, footprint,
                                           quality.anisotropy, quality.mipSkip);
        const float light = shadowFactor(worldX, worldZ) * wallOcclusion(worldX);
        const float haze = 1.0f - std::exp(-float(worldZ) / 260.0f);
        return mix(albedo * light, skyHorizon, haze);
    }

    static float shadowFactor(double x, double z)
    {
        const double relX = x - postX;
        const double relZ = z - postZ;
        const double along = relX * shadowDirX + relZ * shadowDirZ;
        if (along < 0)
            return 1.0f;
        const double across = std::abs(relX * shadowDirZ - relZ * shadowDirX);
        const float penumbra = 0.03f + 0.025f * float(along);
        const float fade = smoothstep(shadowLength, shadowLength * 0.7f, float(along));
        const float shadow = smoothstep(postRadius + penumbra, postRadius - penumbra, float(across));
        return 1.0f - 0.55f * shadow * fade;
    }

    static float wallOcclusion(double x)
    {
        const double gap = std::max(0.0, wallX - x);
        return 1.0f - 0.35f * float(std::exp(-gap / 0.5));
    }

    static Color wall(QPointF p)
    {
        // Height on the wall where the view ray through p meets it.
        const double z = focalLength * wallX / std::max(1.0, p.x() - centerX);
        const double height = eyeHeight + (horizonY - p.y()) * z / focalLength;
        const float skyLight = 0.7f + 0.3f * float(std::clamp(height / wallHeight, 0.0, 1.0));
        const float distance = float(std::clamp((z - wallNearZ) / (wallFarZ - wallNearZ), 0.0, 1.0));
        return mix(wallColor * skyLight, skyHorizon, 0.18f * distance);
    }

    static Color post(QPointF p)
    {
        // Round post lit from the front left.
        const QPointF fromAxis = p - postPointAtRow(float(p.y()));
        const float across = std::clamp(float(fromAxis.x() * armAxis().x()) / postHalfWidth(), -1.0f, 1.0f);
        const float facing = std::sqrt(1 - across * across);
        const float lit = std::max(0.0f, -0.6f * across + 0.8f * facing);
        return postColor * (0.25f + 0.9f * lit);
    }

    const MipChain &m_floorTexture;
    std::vector<Shape> m_shapes;
};

// ---------------------------------------------------------------------------

struct Preview
{
    const char *fileName;
    Quality quality;
};

// Each set varies one setting; the others stay at their best.
const Preview previews[] = {
    { "af_0.jpg",    { 0,  0, 8 } },
    { "af_2.jpg",    { 2,  0, 8 } },
    { "af_4.jpg",    { 4,  0, 8 } },
    { "af_8.jpg",    { 8,  0, 8 } },
    { "af_16.jpg",   { 16, 0, 8 } },
    { "tex_vl.jpg",  { 16, 3, 8 } },
    { "tex_l.jpg",   { 16, 2, 8 } },
    { "tex_m.jpg",   { 16, 1, 8 } },
    { "tex_h.jpg",   { 16, 0, 8 } },
    { "msaa_0.jpg",  { 16, 0, 0 } },
    { "msaa_2.jpg",  { 16, 0, 2 } },
    { "msaa_4.jpg",  { 16, 0, 4 } },
    { "msaa_8.jpg",  { 16, 0, 8 } },
};

constexpr int jpegQuality = 90;

bool writeJpeg(const QImage &image, const QString &path)
{
    QImageWriter writer(path, "jpeg");
    writer.setQuality(jpegQuality);
    writer.setOptimizedWrite(true);
    if (!writer.write(image)) {
        std::fprintf(stderr, "previewgen: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Only for the image plugin search path; nothing is shown.
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: previewgen <output folder>\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(output.path()))
        return 1;

    const MipChain floorTexture(makeFloorTexture());
    const Scene scene(floorTexture);
    for (const Preview &preview : previews) {
        if (!writeJpeg(scene.render(preview.quality), output.filePath(QString::fromLatin1(preview.fileName))))
            return 1;
    }
    return 0;
}
