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
    static const std::vector<Setting> catalogue = {
        {"Display", "bFull Screen", R::Flag, "ckbScreenFuScr", "ckbScreenFuScr"},
        {"Display", "fGamma", R::Gamma, "spnGamma", "spnGamma"},
        {"Display", "iPresentInterval", R::Flag, "ckbVSync", "ckbVSync"},
        {"Display", "bTransparencyMultisampling", R::Flag, "ckbTransAA", "ckbTransAA"},
        {"Display", "bFXAAEnabled", R::Flag, "ckbFXAA", "ckbFXAA"},
        {"Display", "iSize H", R::Text, "txtScreenResH", "txtScreenResH"},
        {"Display", "iSize W", R::Text, "txtScreenResW", "txtScreenResW"},
        {"Display", "iMultiSample", R::Multisample, "sldAA", "sldAA"},
        {"Display", "iMaxAnisotropy", R::Anisotropy, "sldTexFilter", "sldTexFilter"},
        {"Display", "iTexMipMapSkip", R::ThreeMinusIndex, "cmbTexQual", "cmbTexQual"},
        {"Display", "fDecalLOD1", R::Real, "spnDecalDrawDistance", "spnDecalDrawDistance"},
        {"Display", "fDecalLOD2", R::OneAndAHalf, "spnDecalDrawDistance", nullptr},
        {"Display", "bDrawShadows", R::Flag, "ckbDrawShadows", "ckbDrawShadows"},
        {"Display", "iShadowMapResolution", R::SizeTable, "cmbShadowRes", "cmbShadowRes"},
        {"Display", "iShadowMapResolutionPrimary", R::SizeTable, "cmbShadowRes", nullptr},
        {"Display", "iShadowMapResolutionSecondary", R::HalfSizeTable, "cmbShadowRes", nullptr},
        {"Display", "iShadowFilter", R::IndexPlusOne, "cmbShadowFilter", "cmbShadowFilter"},
        {"Display", "iBlurDeferredShadowMask", R::Integer, "sldShadowBlur", "sldShadowBlur"},
        {"Display", "iShadowMode", R::IndexPlusOne, "cmbShadowMode", "cmbShadowMode"},
        {"Display", "fShadowDistance", R::Real, "spnShadowDistExt", "spnShadowDistExt"},
        {"Display", "fInteriorShadowDistance", R::Real, "spnShadowDistInt", "spnShadowDistInt"},
        {"Display", "bDrawLandShadows", R::Flag, "ckbLandShadows", "ckbLandShadows"},
        {"Display", "bTreesReceiveShadows", R::Flag, "ckbTreeShadows", "ckbTreeShadows"},
        {"Display", "fShadowBiasScale", R::Real, "spnShadowBias", "spnShadowBias"},
        {"Display", "iShadowSplitCount", R::Integer, "spnShadowSplitC", "spnShadowSplitC"},
        {"Display", "iShadowMaskQuarter", R::Integer, "spnShadowMaskQuarter", "spnShadowMaskQuarter"},
        {"Display", "fShadowLODStartFade", R::Real, "spnShadowDistFade", "spnShadowDistFade"},
        {"Display", "bShadowsOnGrass", R::Flag, "ckbGrassShadows", "ckbGrassShadows"},
        {"Display", "bActorSelfShadowing", R::Flag, "ckbPlrSelfShad", "ckbPlrSelfShad"},
        {"Display", "bUseSunbeams", R::Flag, "ckbSunBeams", "ckbSunBeams"},
        {"Display", "bAllow30Shaders", R::Flag, "ckbSh30", "ckbSh30"},
        {"Display", "bDo30VFog", R::Flag, "ckbFog30", "ckbFog30"},
        {"Display", "bSimpleLighting", R::Flag, "ckbSimpleLight", "ckbSimpleLight"},
        {"Display", "bDynamicWindowReflections", R::Flag, "ckbDynWinRefl", "ckbDynWinRefl"},
        {"Display", "fSpecularLODStartFade", R::Real, "spnSpecFadeDist", "spnSpecFadeDist"},
        {"Display", "fLightLODStartFade", R::Real, "spnLightFadeDist", "spnLightFadeDist"},

        {"Imagespace", "bDoDepthOfField", R::Flag, "ckbDOF", "ckbDOF"},
        {"Imagespace", "iRadialBlurLevel", R::IndexPlusOne, "cmbRadBlurLev", "cmbRadBlurLev"},

        {"BlurShaderHDR", "bDoHighDynamicRange", R::Flag, "ckbHDR", "ckbHDR"},

        {"", "fDefaultFOV", R::NonZeroInteger, "sldFOV", nullptr},
        {"", "fDefaultWorldFOV", R::NonZeroInteger, "sldFOV", "sldFOV"},
        {"", "fDefault1stPersonFOV", R::NonZeroInteger, "sldFOV", nullptr},

        {"Decals", "bDecals", R::Flag, "ckbDrawDecals", "ckbDrawDecals"},
        {"Decals", "bSkinnedDecals", R::Flag, "ckbDrawDecalsModels", "ckbDrawDecalsModels"},
        {"Decals", "uMaxDecals", R::Integer, "sldMaxDecals", "sldMaxDecals"},
        {"Decals", "uMaxSkinDecals", R::Integer, "sldMaxDecalsModels", "sldMaxDecalsModels"},
        {"Decals", "uMaxSkinDecalsPerActor", R::Integer, "sldMaxDecalsModelsPA", "sldMaxDecalsModelsPA"},

        {"Particles", "iMaxDesired", R::Integer, "sldMaxParticles", "sldMaxParticles"},

        {"Water", "bUseWaterReflections", R::Flag, "grpReflect", "grpReflect"},
        {"Water", "bForceHighDetailReflections", R::Flag, "ckbForceHD", "ckbForceHD"},
        {"Water", "bUseWaterReflectionBlur", R::Flag, "ckbReflectBlur", "ckbReflectBlur"},
        {"Water", "bReflectExplosions", R::Flag, "ckbReflect_Explosions", "ckbReflect_Explosions"},
        {"Water", "bReflectLODLand", R::Flag, "ckbReflect_Land", "ckbReflect_Land"},
        {"Water", "bReflectLODObjects", R::Flag, "ckbReflect_Objects", "ckbReflect_Objects"},
        {"Water", "bReflectSky", R::Flag, "ckbReflect_Sky", "ckbReflect_Sky"},
        {"Water", "bReflectLODTrees", R::Flag, "ckbReflect_Trees", "ckbReflect_Trees"},
        {"Water", "iWaterBlurAmount", R::Integer, "sldReflectBlur", "sldReflectBlur"},
        {"Water", "iWaterReflectHeight", R::SizeTable, "cmbWaterRes", "cmbWaterRes"},
        {"Water", "iWaterReflectWidth", R::SizeTable, "cmbWaterRes", nullptr},
        {"Water", "bUseWaterRefractions", R::Flag, "ckbRefract", "ckbRefract"},
        {"Water", "bUseWaterDisplacements", R::Flag, "ckbDisplace", "ckbDisplace"},
        {"Water", "bUseWaterDepth", R::Flag, "ckbDepth", "ckbDepth"},
        {"Water", "bUseWaterShader", R::Flag, "ckbWaterShader", "ckbWaterShader"},
        {"Water", "bUseWaterLOD", R::Flag, "ckbWaterLOD", "ckbWaterLOD"},
        {"Water", "bUseWaterHiRes", R::Flag, "ckbWaterShaderHR", "ckbWaterShaderHR"},
        {"Water", "bAutoWaterSilhouetteReflections", R::Flag, "ckbSilRefl", "ckbSilRefl"},

        {"Controls", "bMouseAcceleration", R::Flag, "ckbMouseAccel", "ckbMouseAccel"},
        {"Controls", "bInvertYValues", R::Flag, "ckbMouseInvertY", "ckbMouseInvertY"},
        {"Controls", "fMouseHeadingSensitivity", R::Real, "spnMouseSens", "spnMouseSens"},
        {"Controls", "fMouseHeadingXScale", R::NonZeroReal, "spnMouseSCalX", "spnMouseSCalX"},
        {"Controls", "fMouseHeadingYScale", R::NonZeroReal, "spnMouseSCalY", "spnMouseSCalY"},
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
