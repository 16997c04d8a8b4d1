#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// The state of the region picker: a province and a city menu over the region table, "其他（手动填写）" with a
// city typed by hand, or no region at all. `province` and `city` mirror two texts the form owns (the empty
// text: not given); the form sets them when it loads a profile, and the picker's choices write them back.
//
// A choice writes `province`, then `city`, then `manualCity`, each signalled only when it changed. Choosing a
// province that has a single city (the municipalities, 香港, 澳门) fills that city at once; choosing the
// province already shown keeps the city and the manual mode. Values that are not in the table (loaded from
// an earlier profile) are shown as they stand; such a province lists no cities.
class OnbRegionPickerModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString province READ province WRITE setProvince NOTIFY provinceChanged)
    Q_PROPERTY(QString city READ city WRITE setCity NOTIFY cityChanged)
    Q_PROPERTY(bool manualCity READ manualCity NOTIFY manualCityChanged)
    Q_PROPERTY(QStringList provinceNames READ provinceNames CONSTANT)
    Q_PROPERTY(QStringList cities READ cities NOTIFY provinceChanged)
    Q_PROPERTY(QString provinceLabel READ provinceLabel NOTIFY provinceChanged)
    Q_PROPERTY(bool provincePrompt READ provincePrompt NOTIFY provinceChanged)
    Q_PROPERTY(QString cityLabel READ cityLabel NOTIFY cityLabelChanged)
    Q_PROPERTY(bool cityPrompt READ cityPrompt NOTIFY cityChanged)
    Q_PROPERTY(bool cityMenuEnabled READ cityMenuEnabled NOTIFY provinceChanged)
    Q_PROPERTY(int manualCityLimit READ manualCityLimit CONSTANT)
    Q_PROPERTY(int provinceEntry READ provinceEntry NOTIFY provinceChanged)
    Q_PROPERTY(int cityEntry READ cityEntry NOTIFY cityEntryChanged)

public:
    explicit OnbRegionPickerModel(QObject *parent = nullptr);

    static constexpr int manualCityMaxLength = 16;
    static inline const QString noProvinceTitle = QStringLiteral("不填写");
    static inline const QString manualCityTitle = QStringLiteral("其他（手动填写）");

    QString province() const { return m_province; }
    void setProvince(const QString &province);
    QString city() const { return m_city; }
    void setCity(const QString &city);
    bool manualCity() const { return m_manualCity; }

    // The province menu's entries after "不填写", in table order.
    QStringList provinceNames() const;
    // The cities of the shown province, in table order; none for an empty or unknown province.
    QStringList cities() const;
    // The province, or the prompt "选择省份".
    QString provinceLabel() const;
    bool provincePrompt() const { return m_province.isEmpty(); }
    // The city, or the prompt: "手动填写" while a city is being typed, else "选择城市".
    QString cityLabel() const;
    bool cityPrompt() const { return m_city.isEmpty(); }
    // No city can be chosen before a province.
    bool cityMenuEnabled() const { return !m_province.isEmpty(); }
    int manualCityLimit() const { return manualCityMaxLength; }
    // The entry a menu opens at, for the keyboard: the province's ("不填写", the first, for none or one not
    // in the table); the city's, or "其他（手动填写）" (the last) while typing one or for a city not in the
    // list, or the first city while none is given.
    int provinceEntry() const;
    int cityEntry() const;

    // The province menu's "不填写": no province, no city, no manual entry.
    Q_INVOKABLE void chooseNoProvince();
    // A province menu entry.
    Q_INVOKABLE void chooseProvince(const QString &name);
    // A city menu entry: ends a manual entry.
    Q_INVOKABLE void chooseCity(const QString &city);
    // The city menu's "其他（手动填写）": the city is emptied and typed by hand.
    Q_INVOKABLE void chooseManualCity();
    // Text typed into the manual field (committed text only): kept to its first 16 characters.
    Q_INVOKABLE void typeCity(const QString &text);
    // The manual field's clear button.
    Q_INVOKABLE void clearCity() { setCity(QString()); }

Q_SIGNALS:
    void provinceChanged();
    void cityChanged();
    void manualCityChanged();
    void cityLabelChanged();
    void cityEntryChanged();

private:
    void setManualCity(bool manual);

    QString m_province;
    QString m_city;
    bool m_manualCity = false;
};
