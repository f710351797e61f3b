// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "controlbinding.h"

#include <QWidget>

namespace {

struct Kind
{
    const char *userProperty; // the widget's user property, as Qt declares it
    QMetaType::Type type;     // and its type
    const char *valueProperty;
};

Kind kindOf(ControlValue value)
{
    switch (value) {
    case ControlValue::Checked:
        return {"checked", QMetaType::Bool, "checked"};
    case ControlValue::Integer:
        return {"value", QMetaType::Int, "value"};
    case ControlValue::Real:
        return {"value", QMetaType::Double, "value"};
    case ControlValue::Index: // a combo box names its current text as its value
        return {"currentText", QMetaType::QString, "currentIndex"};
    case ControlValue::Text:
        return {"text", QMetaType::QString, "text"};
    }
    Q_UNREACHABLE();
}

} // namespace

QHash<QString, QWidget *> widgetsByName(const QWidget *form)
{
    QHash<QString, QWidget *> widgets;
    for (QWidget *widget : form->findChildren<QWidget *>()) {
        if (!widgets.contains(widget->objectName()))
            widgets.insert(widget->objectName(), widget);
    }
    return widgets;
}

ControlBinding::ControlBinding(QWidget *widget, const char *objectName, ControlValue value)
{
    if (!widget) {
        qWarning("The form has no control named %s", objectName);
        return;
    }
    const Kind kind = kindOf(value);
    const QMetaObject *meta = widget->metaObject();
    const QMetaProperty user = meta->userProperty();
    const bool fits = user.isValid() && qstrcmp(user.name(), kind.userProperty) == 0
        && user.typeId() == kind.type
        && (value != ControlValue::Checked || widget->property("checkable").toBool());
    if (!fits) {
        qWarning("The control %s is a %s, which does not hold a %s value", objectName, meta->className(),
                 kind.valueProperty);
        return;
    }
    control = widget;
    property = meta->property(meta->indexOfProperty(kind.valueProperty));
}

QVariant ControlBinding::value() const
{
    return control ? property.read(control) : QVariant();
}

void ControlBinding::setValue(const QVariant &value) const
{
    if (control)
        property.write(control, value);
}

void ControlBinding::connectChanges(const QObject *receiver, const char *slot) const
{
    if (control) {
        const QByteArray signal = QByteArray::number(QSIGNAL_CODE) + property.notifySignal().methodSignature();
        QObject::connect(control, signal.constData(), receiver, slot, Qt::UniqueConnection);
    }
}
