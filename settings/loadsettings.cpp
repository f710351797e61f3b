#include "loadsettings.h"

#include "catalogue.h"
#include "controls.h"
#include "inistore.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>

#include <cmath>
#include <limits>

namespace {

int clampedIndex(qint64 index)
{
    return index < -1 || index > std::numeric_limits<int>::max() ? -1 : int(index);
}

void loadSetting(const Setting &setting, QWidget *control, const QString &text)
{
    switch (setting.rule) {
    case Rule::Flag:
        setChecked(control, parseInteger(text) != 0);
        break;
    case Rule::Integer:
        setIntegerValue(control, parseInteger(text));
        break;
    case Rule::Real:
        qobject_cast<QDoubleSpinBox *>(control)->setValue(parseReal(text));
        break;
    case Rule::Text:
        qobject_cast<QLineEdit *>(control)->setText(text);
        break;
    case Rule::IndexPlusOne:
        qobject_cast<QComboBox *>(control)->setCurrentIndex(clampedIndex(qint64(parseInteger(text)) - 1));
        break;
    case Rule::ThreeMinusIndex:
        qobject_cast<QComboBox *>(control)->setCurrentIndex(clampedIndex(3 - qint64(parseInteger(text))));
        break;
    case Rule::SizeTable:
        if (const std::optional<int> index = indexForSize(parseInteger(text)))
            qobject_cast<QComboBox *>(control)->setCurrentIndex(*index);
        break;
    case Rule::Multisample: {
        const double samples = parseReal(text);
        if (samples == std::trunc(samples) && std::fabs(samples) <= 1024) {
            if (const std::optional<int> position = positionForMultisample(int(samples)))
                setIntegerValue(control, *position);
        }
        break;
    }
    case Rule::Anisotropy:
        if (const std::optional<int> position = positionForAnisotropy(parseInteger(text)))
            setIntegerValue(control, *position);
        break;
    case Rule::Gamma:
        // The spin box holds four decimals; its slider follows it.
        qobject_cast<QDoubleSpinBox *>(control)->setValue(std::round(parseReal(text) * 10000.0) / 10000.0);
        break;
    case Rule::NonZeroInteger:
        if (const int value = parseInteger(text))
            setIntegerValue(control, value);
        break;
    case Rule::NonZeroReal:
        if (const double value = parseReal(text))
            qobject_cast<QDoubleSpinBox *>(control)->setValue(value);
        break;
    case Rule::HalfSizeTable:
    case Rule::OneAndAHalf:
        break; // derived on apply, never read
    }
}

} // namespace

void loadSettingsIntoForm(QWidget *window, const IniStore &store)
{
    for (const Setting &setting : settingsCatalogue()) {
        if (!setting.loadControl)
            continue;
        if (QWidget *control = findControl(window, setting.loadControl))
            loadSetting(setting, control, store.readValue(QLatin1String(setting.section), QLatin1String(setting.key)));
    }
}
