// The region table (its size, order, single-city regions and names that look alike) and the region picker's
// transitions: what each choice writes, in which order, and what the menus show.
#include "OnbRegionPickerModel.h"
#include "RegionData.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// "province|city|manual" of the picker.
QString state(const OnbRegionPickerModel &picker) {
    return picker.province() + u'|' + picker.city() + u'|' + (picker.manualCity() ? u'M' : u'-');
}

// Puts the picker into "province|city|manual" the way a form loads a profile (and, for a manual entry, the
// way the learner starts one).
void prepare(OnbRegionPickerModel &picker, const QString &from) {
    const QStringList start = from.split(u'|');
    picker.setProvince(start.at(0));
    if (start.at(2) == u"M")
        picker.chooseManualCity();
    picker.setCity(start.at(1));
}

} // namespace

class TestRegionPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tableShape() {
        const QList<RegionData::Province> &provinces = RegionData::provinces();
        QCOMPARE(provinces.size(), 34);
        qsizetype cities = 0;
        QStringList single;
        for (const RegionData::Province &province : provinces) {
            QVERIFY(!province.name.isEmpty());
            QVERIFY(!province.cities.isEmpty());
            for (const QString &city : province.cities)
                QVERIFY2(!city.isEmpty() && city.trimmed() == city, qPrintable(province.name));
            cities += province.cities.size();
            if (province.cities.size() == 1) {
                QCOMPARE(province.cities.first(), province.name);
                single.append(province.name);
            }
        }
        QCOMPARE(cities, 331);
        QCOMPARE(single, QStringList({"北京", "天津", "上海", "重庆", "香港", "澳门"}));
        QCOMPARE(provinces.first().name, QStringLiteral("北京"));
        QCOMPARE(provinces.at(4).name, QStringLiteral("河北"));
        QCOMPARE(provinces.at(21).name, QStringLiteral("海南"));
        QCOMPARE(provinces.at(30).name, QStringLiteral("新疆"));
        QCOMPARE(provinces.last().name, QStringLiteral("台湾"));
        // The same table on every read.
        QCOMPARE(&RegionData::provinces(), &provinces);
    }

    void citiesOf_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("吉林 holds 吉林") << "吉林" << 9 << "长春"
                                         << "延边";
        QTest::newRow("海南 the province") << "海南" << 4 << "海口"
                                           << "儋州";
        QTest::newRow("青海 holds 海南州") << "青海" << 8 << "西宁"
                                           << "玉树";
        QTest::newRow("empty") << "" << 0 << ""
                               << "";
        QTest::newRow("a city, not a province") << "海南州" << 0 << ""
                                                << "";
        QTest::newRow("full name") << "广东省" << 0 << ""
                                   << "";
    }
    void citiesOf() {
        QFETCH(QString, name);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(QString, last);
        const QStringList cities = RegionData::citiesOf(name);
        QCOMPARE(cities.size(), count);
        QCOMPARE(cities.value(0), first);
        QCOMPARE(cities.isEmpty() ? QString() : cities.last(), last);
    }

    // Each row starts from a state (set as a loaded profile would), applies one action and expects a state.
    void transitions_data() {
        QTest::addColumn<QString>("from");   // "province|city|M or -"
        QTest::addColumn<QString>("action"); // none, province:<P>, city:<c>, manual, type:<text>, clear
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("emitted"); // in order
        const QStringList all{"province", "city", "manual"};
        QTest::newRow("不填写 clears everything") << "河北|石家庄|-"
                                                  << "none"
                                                  << "||-" << QStringList{"province", "city"};
        QTest::newRow("不填写 ends a manual entry") << "河北|雄安|M"
                                                    << "none"
                                                    << "||-" << all;
        QTest::newRow("不填写 when empty") << "||-"
                                           << "none"
                                           << "||-" << QStringList();
        QTest::newRow("province with many cities") << "||-"
                                                   << "province:河北"
                                                   << "河北||-" << QStringList{"province"};
        QTest::newRow("municipality fills its city") << "||-"
                                                     << "province:北京"
                                                     << "北京|北京|-" << QStringList{"province", "city"};
        QTest::newRow("香港 fills its city") << "河北|石家庄|-"
                                             << "province:香港"
                                             << "香港|香港|-" << QStringList{"province", "city"};
        QTest::newRow("another province empties the city") << "河北|石家庄|-"
                                                           << "province:山西"
                                                           << "山西||-" << QStringList{"province", "city"};
        QTest::newRow("another province ends a manual entry") << "河北|雄安|M"
                                                              << "province:上海"
                                                              << "上海|上海|-" << all;
        QTest::newRow("same province keeps the city") << "河北|石家庄|-"
                                                      << "province:河北"
                                                      << "河北|石家庄|-" << QStringList();
        QTest::newRow("same province keeps a manual entry") << "河北|雄安|M"
                                                            << "province:河北"
                                                            << "河北|雄安|M" << QStringList();
        QTest::newRow("same municipality keeps a typed city") << "北京|朝阳区|M"
                                                              << "province:北京"
                                                              << "北京|朝阳区|M" << QStringList();
        QTest::newRow("city entry") << "河北||-"
                                    << "city:保定"
                                    << "河北|保定|-" << QStringList{"city"};
        QTest::newRow("city entry ends a manual entry") << "河北|雄安|M"
                                                        << "city:保定"
                                                        << "河北|保定|-" << QStringList{"city", "manual"};
        QTest::newRow("manual entry empties the city") << "河北|保定|-"
                                                       << "manual"
                                                       << "河北||M" << QStringList{"city", "manual"};
        QTest::newRow("manual entry again") << "河北||M"
                                            << "manual"
                                            << "河北||M" << QStringList();
        QTest::newRow("typing") << "河北||M"
                                << "type:雄安新区"
                                << "河北|雄安新区|M" << QStringList{"city"};
        QTest::newRow("typing 17 keeps 16")
            << "河北||M"
            << "type:一二三四五六七八九十一二三四五六七"
            << "河北|一二三四五六七八九十一二三四五六|M" << QStringList{"city"};
        QTest::newRow("typing 16 emoji sequences keeps them whole")
            << "河北||M"
            << "type:" + QString::fromUtf8("👨‍👩‍👧").repeated(17)
            << "河北|" + QString::fromUtf8("👨‍👩‍👧").repeated(16) + "|M" << QStringList{"city"};
        QTest::newRow("clear button") << "河北|雄安|M"
                                      << "clear"
                                      << "河北||M" << QStringList{"city"};
    }
    void transitions() {
        QFETCH(QString, from);
        QFETCH(QString, action);
        QFETCH(QString, to);
        QFETCH(QStringList, emitted);

        OnbRegionPickerModel picker;
        prepare(picker, from);
        QCOMPARE(state(picker), from);

        QStringList order;
        connect(&picker, &OnbRegionPickerModel::provinceChanged, this, [&] { order.append("province"); });
        connect(&picker, &OnbRegionPickerModel::cityChanged, this, [&] { order.append("city"); });
        connect(&picker, &OnbRegionPickerModel::manualCityChanged, this, [&] { order.append("manual"); });
        const QString argument = action.section(u':', 1);
        if (action == u"none")
            picker.chooseNoProvince();
        else if (action.startsWith(u"province:"))
            picker.chooseProvince(argument);
        else if (action.startsWith(u"city:"))
            picker.chooseCity(argument);
        else if (action == u"manual")
            picker.chooseManualCity();
        else if (action.startsWith(u"type:"))
            picker.typeCity(argument);
        else if (action == u"clear")
            picker.clearCity();
        else
            QFAIL("unknown action");
        QCOMPARE(state(picker), to);
        QCOMPARE(order, emitted);
    }

    // What the menus show for a state, and the entries they open at for the keyboard.
    void labels_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("provinceLabel");
        QTest::addColumn<QString>("cityLabel");
        QTest::addColumn<bool>("cityMenuEnabled");
        QTest::addColumn<int>("cityCount");
        QTest::addColumn<int>("provinceEntry");
        QTest::addColumn<int>("cityEntry");
        QTest::newRow("nothing") << "||-"
                                 << "选择省份"
                                 << "选择城市" << false << 0 << 0 << 0;
        QTest::newRow("province only") << "浙江||-"
                                       << "浙江"
                                       << "选择城市" << true << 11 << 12 << 0;
        QTest::newRow("a listed city") << "河北|保定|-"
                                       << "河北"
                                       << "保定" << true << 11 << 5 << 5;
        QTest::newRow("typing a city") << "浙江||M"
                                       << "浙江"
                                       << "手动填写" << true << 11 << 12 << 11;
        QTest::newRow("saved city not in the list") << "浙江|义乌|-"
                                                    << "浙江"
                                                    << "义乌" << true << 11 << 12 << 11;
        QTest::newRow("saved province not in the table") << "江南|苏杭|-"
                                                         << "江南"
                                                         << "苏杭" << true << 0 << 0 << 0;
    }
    void labels() {
        QFETCH(QString, from);
        QFETCH(QString, provinceLabel);
        QFETCH(QString, cityLabel);
        QFETCH(bool, cityMenuEnabled);
        QFETCH(int, cityCount);
        OnbRegionPickerModel picker;
        prepare(picker, from);
        const QStringList start = from.split(u'|');
        QCOMPARE(picker.provinceLabel(), provinceLabel);
        QCOMPARE(picker.provincePrompt(), start.at(0).isEmpty());
        QCOMPARE(picker.cityLabel(), cityLabel);
        QCOMPARE(picker.cityPrompt(), start.at(1).isEmpty());
        QCOMPARE(picker.cityMenuEnabled(), cityMenuEnabled);
        QCOMPARE(picker.cities().size(), cityCount);
        QCOMPARE(picker.provinceNames().size(), 34);
        QTEST(picker.provinceEntry(), "provinceEntry");
        QTEST(picker.cityEntry(), "cityEntry");
    }

    // The city label follows the manual mode while the city is empty, and says so.
    void cityLabelSignals() {
        OnbRegionPickerModel picker;
        picker.chooseProvince(QStringLiteral("河北"));
        QSignalSpy label(&picker, &OnbRegionPickerModel::cityLabelChanged);
        picker.chooseManualCity();
        QCOMPARE(label.size(), 1);
        QCOMPARE(picker.cityLabel(), QStringLiteral("手动填写"));
        picker.typeCity(QStringLiteral("雄安"));
        QCOMPARE(label.size(), 2);
        picker.chooseCity(QStringLiteral("保定")); // leaves the manual mode with a city: one change
        QCOMPARE(label.size(), 3);
        picker.chooseNoProvince();
        QCOMPARE(label.size(), 4);
        QCOMPARE(picker.cityLabel(), QStringLiteral("选择城市"));
    }
};

QTEST_GUILESS_MAIN(TestRegionPicker)
#include "tst_regionpicker.moc"
