// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "linkedpairs.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSignalBlocker>
#include <QSpinBox>

#include <cmath>
#include <limits>

namespace {

void follow(QDoubleSpinBox *from, QDoubleSpinBox *to, const QCheckBox *sync)
{
    QObject::connect(from, &QDoubleSpinBox::valueChanged, to, [to, sync](double value) {
        // Setting the value back into the box being typed in would reformat its text.
        if (sync->isChecked() && to->value() != value)
            to->setValue(value);
    });
}

} // namespace

void linkSlider(QSlider *slider, QDoubleSpinBox *spinBox, int scale)
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

void linkSlider(QSlider *slider, QSpinBox *spinBox)
{
    QObject::connect(slider, &QSlider::valueChanged, spinBox, &QSpinBox::setValue);
    QObject::connect(spinBox, &QSpinBox::valueChanged, slider, &QSlider::setValue);
}

void syncSpinBoxes(QDoubleSpinBox *first, QDoubleSpinBox *second, const QCheckBox *sync)
{
    follow(first, second, sync);
    follow(second, first, sync);
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
