#include "controls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QGroupBox>
#include <QSpinBox>

QWidget *findControl(const QWidget *window, const char *objectName)
{
    QWidget *control = window->findChild<QWidget *>(QLatin1String(objectName));
    if (!control)
        qWarning("The form has no control named %s", objectName);
    return control;
}

bool isChecked(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->isChecked();
    if (const auto *group = qobject_cast<const QGroupBox *>(control))
        return group->isChecked();
    return false;
}

void setChecked(QWidget *control, bool checked)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setChecked(checked);
    else if (auto *group = qobject_cast<QGroupBox *>(control))
        group->setChecked(checked);
}

int integerValue(const QWidget *control)
{
    if (const auto *slider = qobject_cast<const QAbstractSlider *>(control))
        return slider->value();
    if (const auto *spinBox = qobject_cast<const QSpinBox *>(control))
        return spinBox->value();
    return 0;
}

void setIntegerValue(QWidget *control, int value)
{
    if (auto *slider = qobject_cast<QAbstractSlider *>(control))
        slider->setValue(value);
    else if (auto *spinBox = qobject_cast<QSpinBox *>(control))
        spinBox->setValue(value);
}
