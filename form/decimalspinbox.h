#pragma once

#include <QDoubleSpinBox>

// A real-valued spin box that takes a typed comma as its decimal point, as a
// player with a comma locale types it, while it shows and stores a point.
class DecimalSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QValidator::State validate(QString &input, int &position) const override;
    double valueFromText(const QString &text) const override;

private:
    QString withPoint(QString text) const;
};
