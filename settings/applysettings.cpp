#include "applysettings.h"

#include "catalogue.h"
#include "controls.h"
#include "inistore.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>

namespace {

bool isPositiveWholeNumber(const QString &text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok && number > 0;
}

// A combo box without a current item writes nothing, so its key keeps what it held.
std::optional<int> comboIndex(const QWidget *control)
{
    const int index = qobject_cast<const QComboBox *>(control)->currentIndex();
    return index >= 0 ? std::optional<int>(index) : std::nullopt;
}

double realValue(const QWidget *control)
{
    return qobject_cast<const QDoubleSpinBox *>(control)->value();
}

void applySetting(const Setting &setting, const QWidget *control, IniStore &store)
{
    const QString section = QLatin1String(setting.section);
    const QString key = QLatin1String(setting.key);
    switch (setting.rule) {
    case Rule::Flag:
        store.writeBool(section, key, isChecked(control));
        break;
    case Rule::Integer:
    case Rule::NonZeroInteger:
        store.writeInt(section, key, integerValue(control));
        break;
    case Rule::Real:
    case Rule::NonZeroReal:
    case Rule::Gamma:
        store.writeDouble(section, key, realValue(control));
        break;
    case Rule::OneAndAHalf:
        store.writeDouble(section, key, realValue(control) * 1.5);
        break;
    case Rule::Text:
        store.writeValue(section, key, qobject_cast<const QLineEdit *>(control)->text());
        break;
    case Rule::IndexPlusOne:
        if (const std::optional<int> index = comboIndex(control))
            store.writeInt(section, key, *index + 1);
        break;
    case Rule::ThreeMinusIndex:
        if (const std::optional<int> index = comboIndex(control))
            store.writeInt(section, key, 3 - *index);
        break;
    case Rule::SizeTable:
        if (const std::optional<int> size = sizeForIndex(qobject_cast<const QComboBox *>(control)->currentIndex()))
            store.writeInt(section, key, *size);
        break;
    case Rule::HalfSizeTable:
        if (const std::optional<int> size = sizeForIndex(qobject_cast<const QComboBox *>(control)->currentIndex()))
            store.writeInt(section, key, *size / 2);
        break;
    case Rule::Multisample:
        if (const std::optional<int> samples = multisampleForPosition(integerValue(control)))
            store.writeDouble(section, key, *samples);
        break;
    case Rule::Anisotropy:
        if (const std::optional<int> anisotropy = anisotropyForPosition(integerValue(control)))
            store.writeInt(section, key, *anisotropy);
        break;
    }
}

} // namespace

bool isValidScreenSize(const QString &width, const QString &height)
{
    return isPositiveWholeNumber(width) && isPositiveWholeNumber(height);
}

void applyFormToStore(const QWidget *window, IniStore &store)
{
    for (const Setting &setting : settingsCatalogue()) {
        if (const QWidget *control = findControl(window, setting.control))
            applySetting(setting, control, store);
    }
}
