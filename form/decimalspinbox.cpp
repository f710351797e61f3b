// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "decimalspinbox.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

QString DecimalSpinBox::withPoint(QString text) const
{
    return text.replace(u',', locale().decimalPoint());
}

QValidator::State DecimalSpinBox::validate(QString &input, int &position) const
{
    input = withPoint(input);
    return QDoubleSpinBox::validate(input, position);
}

double DecimalSpinBox::valueFromText(const QString &text) const
{
    return QDoubleSpinBox::valueFromText(withPoint(text));
}

QString DecimalSpinBox::textFromValue(double value) const
{
    QString text = QDoubleSpinBox::textFromValue(value);
    const QString point = locale().decimalPoint();
    if (fontMetrics().horizontalAdvance(text) <= fieldWidth() || !text.contains(point))
        return text;
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(point))
        text.chop(point.size());
    return text;
}

// The field the style leaves beside the arrows, less the line edit's margins; a box
// on a page not shown yet is not laid out, so the style is asked.
int DecimalSpinBox::fieldWidth() const
{
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, this).width() - 4;
}
