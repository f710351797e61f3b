#include "decimalspinbox.h"

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
