// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDoubleSpinBox>

// A real-valued spin box that takes a typed comma as its decimal point, as a
// player with a comma locale types it, while it shows and stores a point. A
// value whose every decimal would not fit the field (10000.0000 in a distance
// box) is shown without its trailing zeros.
class DecimalSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString &input, int &position) const override;
    double valueFromText(const QString &text) const override;
    QString textFromValue(double value) const override;

private:
    QString withPoint(QString text) const;
    int fieldWidth() const;
};
