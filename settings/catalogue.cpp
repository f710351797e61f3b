// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "catalogue.h"

#include <QtGlobal>

#include <array>
#include <cmath>

namespace {

constexpr std::array<int, 6> sizes = {256, 512, 1024, 2048, 4096, 8192};
constexpr std::array<int, 4> multisamples = {1, 2, 4, 8};
constexpr std::array<int, 5> anisotropies = {0, 2, 4, 8, 16};

template<size_t N>
std::optional<int> valueAt(const std::array<int, N> &table, int index)
{
    if (index < 0 || size_t(index) >= N)
        return std::nullopt;
    return table[size_t(index)];
}

template<size_t N>
std::optional<int> indexOf(const std::array<int, N> &table, int value)
{
    for (size_t index = 0; index < N; ++index) {
        if (table[index] == value)
            return int(index);
    }
    return std::nullopt;
}

} // namespace

const std::vector<Setting> &settingsCatalogue()
{
    using R = Rule;
    constexpr bool derived = true;
    static const std::vector<Setting> catalogue = {
        {"Display", "bFull Screen", R::Flag, "ckbScreenFuScr"},
        {"Display", "fGamma", R::Real, "spnGamma", linked("sldGamma", 1000, 0.05)},
        {"Display", "iPresentInterval", R::Flag, "ckbVSync"},
        {"Display", "bTransparencyMultisampling", R::Flag, "ckbTransAA"},
        {"Display", "bFXAAEnabled", R::Flag, "ckbFXAA"},
        {"Display", "iSize H", R::ScreenSize, "txtScreenResH"},
        {"Display", "iSize W", R::ScreenSize, "txtScreenResW"},
        {"Display", "iMultiSample", R::Multisample, "sldAA"},
        {"Display", "iMaxAnisotropy", R::Anisotropy, "sldTexFilter"},
        {"Display", "iTexMipMapSkip", R::ThreeMinusIndex, "cmbTexQual"},
        {"Display", "fDecalLOD1", R::Real, "spnDecalDrawDistance", linked("sldDecalDrawDistance", 1000)},
        {"Display", "fDecalLOD2", R::OneAndAHalf, "spnDecalDrawDistance", {}, derived},
        {"Display", "bDrawShadows", R::Flag, "ckbDrawShadows"},
        {"Display", "iShadowMapResolution", R::SizeTable, "cmbShadowRes"},
        {"Display", "iShadowMapResolutionPrimary", R::SizeTable, "cmbShadowRes", {}, derived},
        {"Display", "iShadowMapResolutionSecondary", R::HalfSizeTable, "cmbShadowRes", {}, derived},
        {"Display", "iShadowFilter", R::IndexPlusOne, "cmbShadowFilter"},
        {"Display", "iBlurDeferredShadowMask", R::Integer, "sldShadowBlur"},
        {"Display", "iShadowMode", R::IndexPlusOne, "cmbShadowMode"},
        {"Display", "fShadowDistance", R::Real, "spnShadowDistExt", linked("sldShadowDistExt", 1000)},
        {"Display", "fInteriorShadowDistance", R::Real, "spnShadowDistInt",
         linked("sldShadowDistInt", 1000)},
        {"Display", "bDrawLandShadows", R::Flag, "ckbLandShadows"},
        {"Display", "bTreesReceiveShadows", R::Flag, "ckbTreeShadows"},
        {"Display", "fShadowBiasScale", R::Real, "spnShadowBias", linked("sldShadowBias", 10000, 0.005)},
        {"Display", "iShadowSplitCount", R::Integer, "spnShadowSplitC"},
        {"Display", "iShadowMaskQuarter", R::Integer, "spnShadowMaskQuarter",
         linked("sldShadowMaskQuarter", 1)},
        {"Display", "fShadowLODStartFade", R::Real, "spnShadowDistFade", linked("sldShadowDistFade", 1000)},
        {"Display", "bShadowsOnGrass", R::Flag, "ckbGrassShadows"},
        {"Display", "bActorSelfShadowing", R::Flag, "ckbPlrSelfShad"},
        {"Display", "bUseSunbeams", R::Flag, "ckbSunBeams"},
        {"Display", "bAllow30Shaders", R::Flag, "ckbSh30"},
        {"Display", "bDo30VFog", R::Flag, "ckbFog30"},
        {"Display", "bSimpleLighting", R::Flag, "ckbSimpleLight"},
        {"Display", "bDynamicWindowReflections", R::Flag, "ckbDynWinRefl"},
        {"Display", "fSpecularLODStartFade", R::Real, "spnSpecFadeDist", linked("sldSpecFadeDist", 1000)},
        {"Display", "fLightLODStartFade", R::Real, "spnLightFadeDist", linked("sldLightFadeDist", 1000)},

        {"Imagespace", "bDoDepthOfField", R::Flag, "ckbDOF"},
        {"Imagespace", "iRadialBlurLevel", R::IndexPlusOne, "cmbRadBlurLev"},

        {"BlurShaderHDR", "bDoHighDynamicRange", R::Flag, "ckbHDR"},

        {"", "fDefaultFOV", R::NonZeroInteger, "sldFOV", {}, derived},
        {"", "fDefaultWorldFOV", R::NonZeroInteger, "sldFOV", {nullptr, 1, 0, 85}},
        {"", "fDefault1stPersonFOV", R::NonZeroInteger, "sldFOV", {}, derived},

        {"Decals", "bDecals", R::Flag, "ckbDrawDecals"},
        {"Decals", "bSkinnedDecals", R::Flag, "ckbDrawDecalsModels"},
        {"Decals", "uMaxDecals", R::Integer, "sldMaxDecals"},
        {"Decals", "uMaxSkinDecals", R::Integer, "sldMaxDecalsModels"},
        {"Decals", "uMaxSkinDecalsPerActor", R::Integer, "sldMaxDecalsModelsPA"},

        {"Particles", "iMaxDesired", R::Integer, "sldMaxParticles"},

        {"Water", "bUseWaterReflections", R::Flag, "grpReflect"},
        {"Water", "bForceHighDetailReflections", R::Flag, "ckbForceHD"},
        {"Water", "bUseWaterReflectionBlur", R::Flag, "ckbReflectBlur"},
        {"Water", "bReflectExplosions", R::Flag, "ckbReflect_Explosions"},
        {"Water", "bReflectLODLand", R::Flag, "ckbReflect_Land"},
        {"Water", "bReflectLODObjects", R::Flag, "ckbReflect_Objects"},
        {"Water", "bReflectSky", R::Flag, "ckbReflect_Sky"},
        {"Water", "bReflectLODTrees", R::Flag, "ckbReflect_Trees"},
        {"Water", "iWaterBlurAmount", R::Integer, "sldReflectBlur"},
        {"Water", "iWaterReflectHeight", R::SizeTable, "cmbWaterRes"},
        {"Water", "iWaterReflectWidth", R::SizeTable, "cmbWaterRes", {}, derived},
        {"Water", "bUseWaterRefractions", R::Flag, "ckbRefract"},
        {"Water", "bUseWaterDisplacements", R::Flag, "ckbDisplace"},
        {"Water", "bUseWaterDepth", R::Flag, "ckbDepth"},
        {"Water", "bUseWaterShader", R::Flag, "ckbWaterShader"},
        {"Water", "bUseWaterLOD", R::Flag, "ckbWaterLOD"},
        {"Water", "bUseWaterHiRes", R::Flag, "ckbWaterShaderHR"},
        {"Water", "bAutoWaterSilhouetteReflections", R::Flag, "ckbSilRefl"},

        {"Controls", "bMouseAcceleration", R::Flag, "ckbMouseAccel"},
        {"Controls", "bInvertYValues", R::Flag, "ckbMouseInvertY"},
        {"Controls", "fMouseHeadingSensitivity", R::Real, "spnMouseSens", linked("sldMouseSens", 1000, 0.0005)},
        {"Controls", "fMouseHeadingXScale", R::NonZeroReal, "spnMouseSCalX",
         linked("sldMouseSCalX", 1000, 0.005, 0.02)},
        {"Controls", "fMouseHeadingYScale", R::NonZeroReal, "spnMouseSCalY",
         linked("sldMouseSCalY", 1000, 0.005, 0.02)},
    };
    return catalogue;
}

std::optional<int> sizeForIndex(int index)
{
    return valueAt(sizes, index);
}

std::optional<int> indexForSize(int size)
{
    return indexOf(sizes, size);
}

std::optional<int> multisampleForPosition(int position)
{
    return valueAt(multisamples, position);
}

std::optional<int> positionForMultisample(int samples)
{
    return indexOf(multisamples, samples);
}

std::optional<int> anisotropyForPosition(int position)
{
    return valueAt(anisotropies, position);
}

std::optional<int> positionForAnisotropy(int anisotropy)
{
    return indexOf(anisotropies, anisotropy);
}

int parseInteger(const QString &text)
{
    return text.toInt(nullptr, 10);
}

double parseReal(const QString &text)
{
    const double number = text.toDouble();
    return std::isfinite(number) ? number : 0.0;
}
