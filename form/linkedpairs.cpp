// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "linkedpairs.h"

#include "mainform.h"

#include <QSignalBlocker>

#include <cmath>
#include <limits>

namespace {

struct LinkedPair
{
    QSlider *Ui::MainForm::*slider;
    DecimalSpinBox *Ui::MainForm::*spinBox;
    int scale;
};

using F = Ui::MainForm;
constexpr LinkedPair realPairs[] = {
    {&F::sldGamma, &F::spnGamma, 1000},
    {&F::sldDecalDrawDistance, &F::spnDecalDrawDistance, 1000},
    {&F::sldShadowDistInt, &F::spnShadowDistInt, 1000},
    {&F::sldShadowDistExt, &F::spnShadowDistExt, 1000},
    {&F::sldShadowDistFade, &F::spnShadowDistFade, 1000},
    {&F::sldLightFadeDist, &F::spnLightFadeDist, 1000},
    {&F::sldSpecFadeDist, &F::spnSpecFadeDist, 1000},
    {&F::sldShadowBias, &F::spnShadowBias, 10000},
    {&F::sldMouseSens, &F::spnMouseSens, 1000},
    {&F::sldMouseSCalX, &F::spnMouseSCalX, 1000},
    {&F::sldMouseSCalY, &F::spnMouseSCalY, 1000},
};

void link(QSlider *slider, QDoubleSpinBox *spinBox, int scale)
{
    QObject::connect(spinBox, &QDoubleSpinBox::valueChanged, slider, [slider, spinBox, scale](double value) {
        // A step adds in binary (1.1 + 0.05 = 1.1500000000000001): keep what the box shows.
        const double shown = QString::number(value, 'f', spinBox->decimals()).toDouble();
        if (shown != value) {
            spinBox->setValue(shown);
            return;
        }
        const QSignalBlocker showOnly(slider);
        slider->setValue(sliderPosition(value, scale));
    });
    QObject::connect(slider, &QSlider::valueChanged, spinBox,
                     [spinBox, scale](int position) { spinBox->setValue(spinBoxValue(position, scale)); });
}

void follow(QDoubleSpinBox *from, QDoubleSpinBox *to, const QCheckBox *sync)
{
    QObject::connect(from, &QDoubleSpinBox::valueChanged, to, [to, sync](double value) {
        // Setting the value back into the box being typed in would reformat its text.
        if (sync->isChecked() && to->value() != value)
            to->setValue(value);
    });
}

} // namespace

void linkPairs(Ui::MainForm &form)
{
    for (const LinkedPair &pair : realPairs)
        link(form.*pair.slider, form.*pair.spinBox, pair.scale);
    follow(form.spnMouseSCalX, form.spnMouseSCalY, form.ckbSyncMScaling);
    follow(form.spnMouseSCalY, form.spnMouseSCalX, form.ckbSyncMScaling);

    QObject::connect(form.sldShadowMaskQuarter, &QSlider::valueChanged, form.spnShadowMaskQuarter,
                     &QSpinBox::setValue);
    QObject::connect(form.spnShadowMaskQuarter, &QSpinBox::valueChanged, form.sldShadowMaskQuarter,
                     &QSlider::setValue);
}

int sliderPosition(double value, int scale)
{
    // Far beyond any slider's range (or not a number): saturate, the slider clamps.
    if (!(std::fabs(value) <= 1e9))
        return value > 0 ? std::numeric_limits<int>::max() : value < 0 ? std::numeric_limits<int>::min() : 0;
    const qint64 tenThousandths = qRound64(value * 10000.0);
    const qint64 position = tenThousandths * scale / 10000;
    return int(qBound(qint64(std::numeric_limits<int>::min()), position,
                      qint64(std::numeric_limits<int>::max())));
}

double spinBoxValue(int position, int scale)
{
    return position / double(scale);
}
