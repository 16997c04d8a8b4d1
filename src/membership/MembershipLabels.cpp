#include "MembershipLabels.h"

#include <cstddef>

namespace {

struct Label {
    QLatin1String code;
    const char16_t *label;
};

template <std::size_t N>
QString lookUp(const Label (&table)[N], const QString &code) {
    for (const Label &row : table)
        if (code == row.code)
            return QString::fromUtf16(row.label);
    return code;
}

constexpr Label tiers[] = {
    {QLatin1String("L1"), u"免费版"},
    {QLatin1String("L2"), u"七天体验卡"},
    {QLatin1String("L3"), u"学习会员"},
    {QLatin1String("L4"), u"进阶会员"},
};

constexpr Label buckets[] = {
    {QLatin1String("qa"), u"答疑"},
    {QLatin1String("photo"), u"拍照识题"},
    {QLatin1String("companion"), u"伙伴对话"},
    {QLatin1String("companion_primary"), u"深度讲解"},
    {QLatin1String("video_gen"), u"生成讲解视频"},
};

// A payment the server is still verifying reads the same as one under way: to the learner both are paying.
constexpr Label states[] = {
    {QLatin1String("Created"), u"待支付"},   {QLatin1String("Paying"), u"支付中"},
    {QLatin1String("Verifying"), u"支付中"}, {QLatin1String("Paid"), u"已支付"},
    {QLatin1String("Refunding"), u"退款中"}, {QLatin1String("Refunded"), u"已退款"},
    {QLatin1String("Closed"), u"已关闭"},    {QLatin1String("Failed"), u"失败"},
};

} // namespace

QString membershipTierLabel(const QString &tier) {
    return lookUp(tiers, tier);
}

QString quotaBucketLabel(const QString &bucket) {
    return lookUp(buckets, bucket);
}

QString orderStateLabel(const QString &state) {
    return lookUp(states, state);
}
