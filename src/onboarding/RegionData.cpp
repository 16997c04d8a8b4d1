#include "RegionData.h"

#include <QHashFunctions>

namespace {

// One line per province: its name, "|", its cities separated by ",".
constexpr const char16_t *sourceLines[] = {
    u"北京|北京",
    u"天津|天津",
    u"上海|上海",
    u"重庆|重庆",
    u"河北|石家庄,唐山,秦皇岛,邯郸,邢台,保定,张家口,承德,沧州,廊坊,衡水",
    u"山西|太原,大同,阳泉,长治,晋城,朔州,晋中,运城,忻州,临汾,吕梁",
    u"内蒙古|呼和浩特,包头,乌海,赤峰,通辽,鄂尔多斯,呼伦贝尔,巴彦淖尔,乌兰察布",
    u"辽宁|沈阳,大连,鞍山,抚顺,本溪,丹东,锦州,营口,阜新,辽阳,盘锦,铁岭,朝阳,葫芦岛",
    u"吉林|长春,吉林,四平,辽源,通化,白山,松原,白城,延边",
    u"黑龙江|哈尔滨,齐齐哈尔,鸡西,鹤岗,双鸭山,大庆,伊春,佳木斯,七台河,牡丹江,黑河,绥化",
    u"江苏|南京,无锡,徐州,常州,苏州,南通,连云港,淮安,盐城,扬州,镇江,泰州,宿迁",
    u"浙江|杭州,宁波,温州,嘉兴,湖州,绍兴,金华,衢州,舟山,台州,丽水",
    u"安徽|合肥,芜湖,蚌埠,淮南,马鞍山,淮北,铜陵,安庆,黄山,滁州,阜阳,宿州,六安,亳州,池州,宣城",
    u"福建|福州,厦门,莆田,三明,泉州,漳州,南平,龙岩,宁德",
    u"江西|南昌,景德镇,萍乡,九江,新余,鹰潭,赣州,吉安,宜春,抚州,上饶",
    u"山东|济南,青岛,淄博,枣庄,东营,烟台,潍坊,济宁,泰安,威海,日照,临沂,德州,聊城,滨州,菏泽",
    u"河南|郑州,开封,洛阳,平顶山,安阳,鹤壁,新乡,焦作,濮阳,许昌,漯河,三门峡,南阳,商丘,信阳,周口,驻马店",
    u"湖北|武汉,黄石,十堰,宜昌,襄阳,鄂州,荆门,孝感,荆州,黄冈,咸宁,随州,恩施",
    u"湖南|长沙,株洲,湘潭,衡阳,邵阳,岳阳,常德,张家界,益阳,郴州,永州,怀化,娄底,湘西",
    u"广东|广州,深圳,珠海,汕头,佛山,韶关,湛江,肇庆,江门,茂名,惠州,梅州,汕尾,河源,阳江,清远,东莞,中山,潮州,"
    u"揭阳,云浮",
    u"广西|南宁,柳州,桂林,梧州,北海,防城港,钦州,贵港,玉林,百色,贺州,河池,来宾,崇左",
    u"海南|海口,三亚,三沙,儋州",
    u"四川|成都,自贡,攀枝花,泸州,德阳,绵阳,广元,遂宁,内江,乐山,南充,眉山,宜宾,广安,达州,雅安,巴中,资阳",
    u"贵州|贵阳,六盘水,遵义,安顺,毕节,铜仁,黔东南,黔南,黔西南",
    u"云南|昆明,曲靖,玉溪,保山,昭通,丽江,普洱,临沧,大理,红河,文山,西双版纳,楚雄",
    u"西藏|拉萨,日喀则,昌都,林芝,山南,那曲,阿里",
    u"陕西|西安,铜川,宝鸡,咸阳,渭南,延安,汉中,榆林,安康,商洛",
    u"甘肃|兰州,嘉峪关,金昌,白银,天水,武威,张掖,平凉,酒泉,庆阳,定西,陇南",
    u"青海|西宁,海东,海西,海南州,海北,黄南,果洛,玉树",
    u"宁夏|银川,石嘴山,吴忠,固原,中卫",
    u"新疆|乌鲁木齐,克拉玛依,吐鲁番,哈密,昌吉,伊犁,阿克苏,喀什,和田,巴音郭楞,塔城,阿勒泰",
    u"香港|香港",
    u"澳门|澳门",
    u"台湾|台北,新北,桃园,台中,台南,高雄",
};

QList<RegionData::Province> build() {
    QList<RegionData::Province> provinces;
    provinces.reserve(std::size(sourceLines));
    for (const char16_t *line : sourceLines) {
        const QStringList pieces = QString::fromUtf16(line).split(u'|', Qt::SkipEmptyParts);
        provinces.append({pieces.value(0), pieces.value(1).split(u',', Qt::SkipEmptyParts)});
    }
    return provinces;
}

} // namespace

size_t RegionData::qHash(const Province &province, size_t seed) {
    QtPrivate::QHashCombine combine;
    seed = combine(seed, province.name);
    seed = combine(seed, province.cities.size());
    for (const QString &city : province.cities)
        seed = combine(seed, city);
    return seed;
}

const QList<RegionData::Province> &RegionData::provinces() {
    // A function-local static: concurrent first reads build it once.
    static const QList<Province> table = build();
    return table;
}

QStringList RegionData::citiesOf(const QString &name) {
    for (const Province &province : provinces())
        if (province.name == name)
            return province.cities;
    return {};
}
