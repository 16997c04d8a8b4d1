#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The provincial-level regions and their cities the learner can pick for the learning profile, compiled in:
// the four municipalities, the provinces and autonomous regions from 河北 to 新疆, then 香港, 澳门 and 台湾.
// Names are the short forms the learner sees and the profile stores; nothing sorts them.
namespace RegionData {

struct Province {
    QString name;
    QStringList cities; // in table order

    // Equal only when the names and every city, in order, are equal: the picker identifies its rows by value.
    friend bool operator==(const Province &, const Province &) = default;
};
size_t qHash(const Province &province, size_t seed = 0);

// All 34, in table order; built from the source lines on first use and never changed.
const QList<Province> &provinces();
// The cities of the first province named exactly `name`; empty for none (an empty name included).
QStringList citiesOf(const QString &name);

} // namespace RegionData
