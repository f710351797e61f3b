// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formsettings.h"

#include "catalogue.h"
#include "inistore.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

ControlValue controlValueOf(Rule rule)
{
    switch (rule) {
    case Rule::Flag:
        return ControlValue::Checked;
    case Rule::Integer:
    case Rule::NonZeroInteger:
    case Rule::Multisample:
    case Rule::Anisotropy:
        return ControlValue::Integer;
    case Rule::Real:
    case Rule::NonZeroReal:
    case Rule::OneAndAHalf:
        return ControlValue::Real;
    case Rule::ScreenSize:
        return ControlValue::Text;
    case Rule::IndexPlusOne:
    case Rule::ThreeMinusIndex:
    case Rule::SizeTable:
    case Rule::HalfSizeTable:
        return ControlValue::Index;
    }
    Q_UNREACHABLE();
}

int clampedIndex(qint64 index)
{
    return index < -1 || index > std::numeric_limits<int>::max() ? -1 : int(index);
}

bool isScreenSize(const QString &text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok && number > 0;
}

// What the control shows for a stored text (none: the key is absent, which reads as 0, and
// in a size field as the game's word for it); nothing where the control keeps what it shows.
std::optional<QVariant> shownValue(Rule rule, const std::optional<QString> &stored)
{
    const QString text = stored.value_or(QString());
    switch (rule) {
    case Rule::Flag:
        return parseInteger(text) != 0;
    case Rule::Integer:
        return parseInteger(text);
    case Rule::Real:
        return parseReal(text);
    case Rule::ScreenSize:
        return stored.value_or(IniStore::missingValue());
    case Rule::IndexPlusOne:
        return clampedIndex(qint64(parseInteger(text)) - 1);
    case Rule::ThreeMinusIndex:
        return clampedIndex(3 - qint64(parseInteger(text)));
    case Rule::SizeTable:
        return indexForSize(parseInteger(text));
    case Rule::Multisample: {
        const double samples = parseReal(text);
        if (samples != std::trunc(samples) || std::fabs(samples) > 1024)
            return std::nullopt;
        return positionForMultisample(int(samples));
    }
    case Rule::Anisotropy:
        return positionForAnisotropy(parseInteger(text));
    case Rule::NonZeroInteger:
        if (const int value = parseInteger(text))
            return value;
        return std::nullopt;
    case Rule::NonZeroReal:
        if (const double value = parseReal(text))
            return value;
        return std::nullopt;
    case Rule::HalfSizeTable:
    case Rule::OneAndAHalf:
        return std::nullopt; // derived on apply, never read
    }
    Q_UNREACHABLE();
}

// What the key stores for what the control shows: a bool, int, double or text,
// each with its own writer; nothing where the control shows no value the key can hold.
std::optional<QVariant> storedValue(Rule rule, const QVariant &shown)
{
    const int index = shown.toInt();
    switch (rule) {
    case Rule::Flag:
    case Rule::Integer:
    case Rule::NonZeroInteger:
    case Rule::Real:
    case Rule::NonZeroReal:
        return shown;
    case Rule::OneAndAHalf:
        return shown.toDouble() * 1.5;
    case Rule::ScreenSize:
        return isScreenSize(shown.toString()) ? std::optional(shown) : std::nullopt;
    case Rule::IndexPlusOne:
        return index >= 0 ? std::optional<QVariant>(index + 1) : std::nullopt;
    case Rule::ThreeMinusIndex:
        return index >= 0 ? std::optional<QVariant>(3 - index) : std::nullopt;
    case Rule::SizeTable:
        return sizeForIndex(index);
    case Rule::HalfSizeTable:
        if (const std::optional<int> size = sizeForIndex(index))
            return *size / 2;
        return std::nullopt;
    case Rule::Multisample:
        if (const std::optional<int> samples = multisampleForPosition(index))
            return double(*samples);
        return std::nullopt;
    case Rule::Anisotropy:
        return anisotropyForPosition(index);
    }
    Q_UNREACHABLE();
}

void write(IniStore &store, const Setting &setting, const QVariant &value)
{
    const QString section = QLatin1String(setting.section);
    const QString key = QLatin1String(setting.key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        store.writeBool(section, key, value.toBool());
        break;
    case QMetaType::Int:
        store.writeInt(section, key, value.toInt());
        break;
    case QMetaType::Double:
        store.writeDouble(section, key, value.toDouble());
        break;
    default:
        store.writeValue(section, key, value.toString());
        break;
    }
}

} // namespace

FormSettings::FormSettings(const QWidget *form)
{
    const QHash<QString, QWidget *> widgets = widgetsByName(form);
    for (const Setting &setting : settingsCatalogue()) {
        QWidget *widget = widgets.value(QLatin1String(setting.control));
        rows.push_back({&setting, ControlBinding(widget, setting.control, controlValueOf(setting.rule)), QVariant()});
    }
}

void FormSettings::load(const IniStore &store)
{
    for (const Row &row : rows) {
        if (row.setting->derived)
            continue;
        const std::optional<QString> text =
            store.readValue(QLatin1String(row.setting->section), QLatin1String(row.setting->key));
        if (const std::optional<QVariant> shown = shownValue(row.setting->rule, text))
            row.control.setValue(*shown);
    }
    for (Row &row : rows)
        row.stored = row.control.value();
}

bool FormSettings::apply(IniStore &store)
{
    std::vector<std::pair<const Setting *, QVariant>> writes;
    for (const Row &row : rows) {
        if (!row.control.isBound())
            continue;
        const QVariant shown = row.control.value();
        if (shown == row.stored)
            continue;
        if (const std::optional<QVariant> value = storedValue(row.setting->rule, shown))
            writes.emplace_back(row.setting, *value);
        else if (row.setting->rule == Rule::ScreenSize)
            return false;
    }
    for (const auto &[setting, value] : writes)
        write(store, *setting, value);
    for (Row &row : rows)
        row.stored = row.control.value();
    return true;
}

bool FormSettings::hasChanges() const
{
    return std::any_of(rows.cbegin(), rows.cend(), [](const Row &row) { return row.control.value() != row.stored; });
}

void FormSettings::connectChanges(const QObject *receiver, const char *slot) const
{
    for (const Row &row : rows)
        row.control.connectChanges(receiver, slot);
}
