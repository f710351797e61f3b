#pragma once

#include <QString>

class QWidget;

// Uniform access to the controls the settings table names: check boxes and
// checkable group boxes hold a flag, sliders and spin boxes an integer.
QWidget *findControl(const QWidget *window, const char *objectName);
bool isChecked(const QWidget *control);
void setChecked(QWidget *control, bool checked);
int integerValue(const QWidget *control);
void setIntegerValue(QWidget *control, int value);
