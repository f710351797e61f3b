// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMetaProperty>
#include <QVariant>

#include <QHash>

class QWidget;

// The form's widgets by object name, found in one walk; where two share a name, the first.
QHash<QString, QWidget *> widgetsByName(const QWidget *form);

// What a control of the settings holds.
enum class ControlValue {
    Checked, // check box or checkable group box: bool
    Integer, // slider or spin box: int
    Real,    // double spin box: double
    Index,   // combo box, by its current index: int (-1: no current item)
    Text,    // line edit: QString
};

// One named control of a form, read and written through the property that holds
// its value: the widget's user property, or a combo box's current index. A
// missing control (null), or one of another kind, gives an unbound control, with
// a warning: it reads as an invalid QVariant and ignores writes.
class ControlBinding
{
public:
    ControlBinding(QWidget *widget, const char *objectName, ControlValue kind);

    bool isBound() const { return control != nullptr; }
    QVariant value() const;
    void setValue(const QVariant &value) const;
    // Calls the receiver's slot (by its SLOT() name) whenever the value changes.
    void connectChanges(const QObject *receiver, const char *slot) const;

private:
    QWidget *control = nullptr;
    QMetaProperty property;
};
