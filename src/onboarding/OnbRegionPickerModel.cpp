#include "OnbRegionPickerModel.h"

#include "Graphemes.h"
#include "RegionData.h"

OnbRegionPickerModel::OnbRegionPickerModel(QObject *parent) : QObject(parent) {}

void OnbRegionPickerModel::setProvince(const QString &province) {
    if (m_province == province)
        return;
    m_province = province;
    Q_EMIT provinceChanged();
    Q_EMIT cityEntryChanged();
}

void OnbRegionPickerModel::setCity(const QString &city) {
    if (m_city == city)
        return;
    m_city = city;
    Q_EMIT cityChanged();
    Q_EMIT cityLabelChanged();
    Q_EMIT cityEntryChanged();
}

void OnbRegionPickerModel::setManualCity(bool manual) {
    if (m_manualCity == manual)
        return;
    m_manualCity = manual;
    Q_EMIT manualCityChanged();
    Q_EMIT cityEntryChanged();
    // Only the prompt of an empty city depends on the manual mode.
    if (m_city.isEmpty())
        Q_EMIT cityLabelChanged();
}

QStringList OnbRegionPickerModel::provinceNames() const {
    QStringList names;
    for (const RegionData::Province &province : RegionData::provinces())
        names.append(province.name);
    return names;
}

QStringList OnbRegionPickerModel::cities() const {
    return RegionData::citiesOf(m_province);
}

QString OnbRegionPickerModel::provinceLabel() const {
    return m_province.isEmpty() ? QStringLiteral("选择省份") : m_province;
}

QString OnbRegionPickerModel::cityLabel() const {
    if (!m_city.isEmpty())
        return m_city;
    return m_manualCity ? QStringLiteral("手动填写") : QStringLiteral("选择城市");
}

int OnbRegionPickerModel::provinceEntry() const {
    return int(provinceNames().indexOf(m_province)) + 1; // not found: -1 + 1, "不填写"
}

int OnbRegionPickerModel::cityEntry() const {
    const QStringList list = cities();
    if (!m_manualCity && m_city.isEmpty())
        return 0;
    const qsizetype found = m_manualCity ? -1 : list.indexOf(m_city);
    return int(found < 0 ? list.size() : found);
}

void OnbRegionPickerModel::chooseNoProvince() {
    setProvince(QString());
    setCity(QString());
    setManualCity(false);
}

void OnbRegionPickerModel::chooseProvince(const QString &name) {
    // Re-choosing the province already shown must not throw away a city picked or typed for it.
    if (name == m_province)
        return;
    const QStringList cities = RegionData::citiesOf(name);
    setProvince(name);
    setCity(cities.size() == 1 ? cities.first() : QString());
    setManualCity(false);
}

void OnbRegionPickerModel::chooseCity(const QString &city) {
    setCity(city);
    setManualCity(false);
}

void OnbRegionPickerModel::chooseManualCity() {
    setCity(QString());
    setManualCity(true);
}

void OnbRegionPickerModel::typeCity(const QString &text) {
    setCity(Graphemes::leading(text, manualCityMaxLength));
}
