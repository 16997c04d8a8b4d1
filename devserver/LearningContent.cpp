#include "LearningContent.h"

#include <QJsonArray>

#include <algorithm>

namespace devserver::learning {

namespace {

using Options = QList<QPair<QString, QString>>;

SampleQuestion choice(const QString &stem, const Options &options, int difficulty = 2) {
    return {0, QStringLiteral("single_choice"), stem, options, difficulty, {}, {}};
}

SampleQuestion blank(const QString &stem, int difficulty = 2) {
    return {0, QStringLiteral("fill_blank"), stem, {}, difficulty, {}, {}};
}

// A worked problem whose final result is typed in.
SampleQuestion solution(const QString &stem, int difficulty = 3) {
    return {0, QStringLiteral("solution"), stem, {}, difficulty, {}, {}};
}

Options abcd(const QString &a, const QString &b, const QString &c, const QString &d) {
    return {{QStringLiteral("A"), a},
            {QStringLiteral("B"), b},
            {QStringLiteral("C"), c},
            {QStringLiteral("D"), d}};
}

QList<KnowledgePoint> rationalNumbers() {
    return {
        {QStringLiteral("math-g7a-c1-01"),
         QStringLiteral("正数和负数"),
         {QStringLiteral("正数"), QStringLiteral("负数"), QStringLiteral("相反意义的量")},
         {{QStringLiteral("为什么需要负数"),
           QStringLiteral("生活中有许多具有相反意义的量，比如零上与零下、收入与支出、向东与向西。"
                          "规定其中一个方向为正，另一个方向就用负数表示。")},
          {QStringLiteral("正数、负数与 0"),
           QStringLiteral("大于 0 的数叫正数，在正数前加上“-”的数叫负数。0 既不是正数，也不是负数，"
                          "它是正数与负数的分界。")}},
         {{QStringLiteral("如果收入 50 元记作 +50 元，那么支出 30 元记作什么？"),
           {QStringLiteral("收入与支出是一对具有相反意义的量。"),
            QStringLiteral("收入记为正，支出就记为负。"), QStringLiteral("所以支出 30 元记作 -30 元。")}}},
         {choice(
              QStringLiteral("下列各数中，是负数的是（  ）"),
              abcd(QStringLiteral("0"), QStringLiteral("3.5"), QStringLiteral("-2"), QStringLiteral("1/2")),
              1)
              .keyed({QStringLiteral("C")}, {QStringLiteral("负数是在正数前加上“-”的数。"),
                                             QStringLiteral("0 既不是正数也不是负数，3.5 和 1/2 都是正数。"),
                                             QStringLiteral("只有 -2 是负数，选 C。")}),
          blank(QStringLiteral("如果向东走 5 米记作 +5 米，那么向西走 8 米记作______米。"), 1)
              .keyed({QStringLiteral("-8")}, {QStringLiteral("向东与向西是一对具有相反意义的量。"),
                                              QStringLiteral("向东记为正，向西就记为负。"),
                                              QStringLiteral("所以向西走 8 米记作 -8 米。")})}},
        {QStringLiteral("math-g7a-c1-02"),
         QStringLiteral("有理数与数轴"),
         {QStringLiteral("有理数"), QStringLiteral("数轴")},
         {{QStringLiteral("有理数"), QStringLiteral("整数和分数统称为有理数。正整数、0、负整数都是整数；"
                                                    "有限小数和无限循环小数都可以化成分数。")},
          {QStringLiteral("数轴的三要素"),
           QStringLiteral(
               "规定了原点、正方向和单位长度的直线叫数轴。任何一个有理数都可以用数轴上的一个点表示，"
               "数轴上右边的点表示的数总比左边的大。")}},
         {{QStringLiteral("在数轴上表示 -2 和 3，并比较它们的大小。"),
           {QStringLiteral("从原点向左数 2 个单位长度，得到表示 -2 的点。"),
            QStringLiteral("从原点向右数 3 个单位长度，得到表示 3 的点。"),
            QStringLiteral("表示 3 的点在表示 -2 的点的右边，所以 3 > -2。")}}},
         {choice(QStringLiteral("数轴上表示 -3 的点在原点的（  ）"),
                 abcd(QStringLiteral("左边，距原点 3 个单位长度"),
                      QStringLiteral("右边，距原点 3 个单位长度"),
                      QStringLiteral("左边，距原点 -3 个单位长度"), QStringLiteral("原点上")),
                 1)
              .keyed({QStringLiteral("A")},
                     {QStringLiteral("负数在数轴上原点的左边。"),
                      QStringLiteral("-3 的绝对值是 3，所以它距原点 3 个单位长度；距离不会是负数。"),
                      QStringLiteral("选 A。")}),
          blank(QStringLiteral("在 -1、0、2、-5 中，最小的数是______。"))
              .keyed({QStringLiteral("-5")}, {QStringLiteral("把这些数表示在数轴上，左边的数总比右边的小。"),
                                              QStringLiteral("-5 在最左边，所以最小的数是 -5。")})}},
        {QStringLiteral("math-g7a-c1-03"),
         QStringLiteral("相反数与绝对值"),
         {QStringLiteral("相反数"), QStringLiteral("绝对值")},
         {{QStringLiteral("相反数"), QStringLiteral("只有符号不同的两个数互为相反数，0 的相反数是 0。"
                                                    "在数轴上，互为相反数的两个点到原点的距离相等。")},
          {QStringLiteral("绝对值"),
           QStringLiteral("数轴上表示数 a 的点与原点的距离叫做 a 的绝对值，记作 |a|。正数的绝对值是它本身，"
                          "负数的绝对值是它的相反数，0 的绝对值是 0。")}},
         {{QStringLiteral("求 -4.5 的相反数和绝对值。"),
           {QStringLiteral("只改变符号，-4.5 的相反数是 4.5。"),
            QStringLiteral("负数的绝对值是它的相反数，所以 |-4.5| = 4.5。")}}},
         {choice(QStringLiteral("|-7| 的值是（  ）"), abcd(QStringLiteral("-7"), QStringLiteral("7"),
                                                           QStringLiteral("1/7"), QStringLiteral("-1/7")))
              .keyed({QStringLiteral("B")}, {QStringLiteral("负数的绝对值是它的相反数。"),
                                             QStringLiteral("-7 的相反数是 7，所以 |-7| = 7，选 B。")}),
          blank(QStringLiteral("绝对值等于 3 的数是______。"), 3)
              .keyed({QStringLiteral("±3"), QStringLiteral("3或-3"), QStringLiteral("-3或3"),
                      QStringLiteral("3和-3"), QStringLiteral("+3或-3")},
                     {QStringLiteral("数轴上到原点的距离是 3 的点有两个。"),
                      QStringLiteral("它们分别表示 3 和 -3，所以绝对值等于 3 的数是 ±3。")})}},
        {QStringLiteral("math-g7a-c1-04"),
         QStringLiteral("有理数的加减法"),
         {QStringLiteral("有理数的加法"), QStringLiteral("有理数的减法"), QStringLiteral("加减法")},
         {{QStringLiteral("加法法则"),
           QStringLiteral(
               "同号两数相加，取相同的符号，并把绝对值相加；异号两数相加，取绝对值较大的加数的符号，"
               "并用较大的绝对值减去较小的绝对值；一个数同 0 相加，仍得这个数。")},
          {QStringLiteral("减法法则"),
           QStringLiteral("减去一个数，等于加上这个数的相反数：a - b = a + (-b)。")}},
         {{QStringLiteral("计算：(-8) + 5 - (-3)。"),
           {QStringLiteral("先把减法化为加法：(-8) + 5 + 3。"), QStringLiteral("异号相加：(-8) + 5 = -3。"),
            QStringLiteral("再算 -3 + 3 = 0。")}}},
         {choice(QStringLiteral("计算 (-3) + (-5) 的结果是（  ）"),
                 abcd(QStringLiteral("8"), QStringLiteral("-8"), QStringLiteral("2"), QStringLiteral("-2")))
              .keyed({QStringLiteral("B")},
                     {QStringLiteral("同号两数相加，取相同的符号。"),
                      QStringLiteral("把绝对值相加：3 + 5 = 8。"), QStringLiteral("结果是 -8，选 B。")}),
          blank(QStringLiteral("计算：7 - (-4) = ______。"))
              .keyed({QStringLiteral("11")},
                     {QStringLiteral("减去一个数，等于加上这个数的相反数：7 - (-4) = 7 + 4。"),
                      QStringLiteral("所以结果是 11。")}),
          solution(QStringLiteral("计算：(-12) - (-7) + 5 - 9，写出计算结果。"))
              .keyed({QStringLiteral("-9")},
                     {QStringLiteral("把减法化为加法：(-12) + 7 + 5 + (-9)。"),
                      QStringLiteral("正数相加：7 + 5 = 12；负数相加：(-12) + (-9) = -21。"),
                      QStringLiteral("12 + (-21) = -9。")})}},
        {QStringLiteral("math-g7a-c1-05"),
         QStringLiteral("有理数的乘除法"),
         {QStringLiteral("有理数的乘法"), QStringLiteral("有理数的除法"), QStringLiteral("倒数")},
         {{QStringLiteral("乘法法则"), QStringLiteral("两数相乘，同号得正，异号得负，并把绝对值相乘；"
                                                      "任何数同 0 相乘，都得 0。")},
          {QStringLiteral("倒数与除法"), QStringLiteral("乘积是 1 的两个数互为倒数。除以一个不等于 0 的数，"
                                                        "等于乘这个数的倒数。")}},
         {{QStringLiteral("计算：(-6) ÷ (-2/3)。"),
           {QStringLiteral("除以 -2/3 等于乘它的倒数 -3/2。"), QStringLiteral("(-6) × (-3/2)，同号得正。"),
            QStringLiteral("结果是 9。")}}},
         {choice(QStringLiteral("-1/4 的倒数是（  ）"), abcd(QStringLiteral("4"), QStringLiteral("-4"),
                                                             QStringLiteral("1/4"), QStringLiteral("-1/4")))
              .keyed({QStringLiteral("B")},
                     {QStringLiteral("乘积是 1 的两个数互为倒数。"),
                      QStringLiteral("(-1/4) × (-4) = 1，所以 -1/4 的倒数是 -4，选 B。")}),
          blank(QStringLiteral("计算：(-2) × 3 × (-5) = ______。"))
              .keyed({QStringLiteral("30")},
                     {QStringLiteral("有两个负因数，积的符号为正。"),
                      QStringLiteral("把绝对值相乘：2 × 3 × 5 = 30。"), QStringLiteral("所以结果是 30。")})}},
        {QStringLiteral("math-g7a-c1-06"),
         QStringLiteral("有理数的乘方"),
         {QStringLiteral("乘方"), QStringLiteral("科学记数法")},
         {{QStringLiteral("乘方的意义"), QStringLiteral("求 n 个相同因数的积的运算叫做乘方，结果叫做幂。"
                                                        "在 aⁿ 中，a 叫底数，n 叫指数。")},
          {QStringLiteral("符号规律"),
           QStringLiteral(
               "负数的奇次幂是负数，负数的偶次幂是正数；正数的任何次幂都是正数。注意 (-2)² 与 -2² 不同。")}},
         {{QStringLiteral("计算 (-2)³ 和 -2²。"),
           {QStringLiteral("(-2)³ = (-2) × (-2) × (-2) = -8。"),
            QStringLiteral("-2² 表示 2² 的相反数，即 -(2 × 2) = -4。")}}},
         {choice(QStringLiteral("(-1)²⁰²⁵ 的值是（  ）"),
                 abcd(QStringLiteral("1"), QStringLiteral("-1"), QStringLiteral("2025"),
                      QStringLiteral("-2025")),
                 3)
              .keyed({QStringLiteral("B")}, {QStringLiteral("负数的奇次幂是负数。"),
                                             QStringLiteral("2025 是奇数，所以 (-1)²⁰²⁵ = -1，选 B。")}),
          blank(QStringLiteral("用科学记数法表示 360000 为______。"), 3)
              .keyed({QStringLiteral("3.6×10⁵"), QStringLiteral("3.6 × 10⁵"), QStringLiteral("3.6×10^5"),
                      QStringLiteral("3.6*10^5")},
                     {QStringLiteral("科学记数法写成 a × 10ⁿ 的形式，其中 1 ≤ a < 10。"),
                      QStringLiteral("360000 = 3.6 × 100000。"),
                      QStringLiteral("100000 = 10⁵，所以 360000 = 3.6 × 10⁵。")})}},
    };
}

QList<KnowledgePoint> polynomials() {
    return {
        {QStringLiteral("math-g7a-c2-01"),
         QStringLiteral("单项式与多项式"),
         {QStringLiteral("单项式"), QStringLiteral("多项式"), QStringLiteral("系数"), QStringLiteral("次数")},
         {{QStringLiteral("单项式"),
           QStringLiteral("数与字母的积组成的式子叫单项式，单独的一个数或字母也是单项式。"
                          "单项式中的数字因数叫系数，所有字母的指数和叫次数。")},
          {QStringLiteral("多项式"),
           QStringLiteral("几个单项式的和叫多项式，其中次数最高的项的次数叫多项式的次数。")}},
         {{QStringLiteral("说出单项式 -3a²b 的系数和次数。"),
           {QStringLiteral("数字因数是 -3，所以系数是 -3。"),
            QStringLiteral("字母 a 的指数是 2，b 的指数是 1，和为 3，所以次数是 3。")}}},
         {choice(QStringLiteral("多项式 2x² - 3x + 1 的次数是（  ）"),
                 abcd(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")), 1)
              .keyed({QStringLiteral("B")}, {QStringLiteral("多项式的次数是其中次数最高的项的次数。"),
                                             QStringLiteral("最高次项 2x² 的次数是 2，选 B。")}),
          blank(QStringLiteral("单项式 5xy³ 的次数是______。"))
              .keyed({QStringLiteral("4")}, {QStringLiteral("单项式的次数是所有字母的指数和。"),
                                             QStringLiteral("x 的指数是 1，y 的指数是 3，1 + 3 = 4。")})}},
        {QStringLiteral("math-g7a-c2-02"),
         QStringLiteral("同类项与合并同类项"),
         {QStringLiteral("同类项"), QStringLiteral("合并同类项")},
         {{QStringLiteral("同类项"), QStringLiteral("所含字母相同，并且相同字母的指数也相同的项叫同类项；"
                                                    "几个常数项也是同类项。")},
          {QStringLiteral("合并同类项"), QStringLiteral("把同类项的系数相加，字母和字母的指数不变。")}},
         {{QStringLiteral("合并同类项：3x² + 2x - x² + 5x。"),
           {QStringLiteral("找出同类项：3x² 与 -x²，2x 与 5x。"),
            QStringLiteral("系数相加：(3 - 1)x² + (2 + 5)x。"), QStringLiteral("结果是 2x² + 7x。")}}},
         {choice(QStringLiteral("下列各组中是同类项的是（  ）"),
                 abcd(QStringLiteral("2a 与 2b"), QStringLiteral("a²b 与 ab²"), QStringLiteral("-3xy 与 5yx"),
                      QStringLiteral("x² 与 2x")))
              .keyed({QStringLiteral("C")},
                     {QStringLiteral("同类项要求所含字母相同，并且相同字母的指数也相同。"),
                      QStringLiteral("-3xy 与 5yx 都含 x、y，指数都是 1，和字母的书写顺序无关。"),
                      QStringLiteral("选 C。")}),
          blank(QStringLiteral("合并同类项：4m - 7m = ______。"))
              .keyed({QStringLiteral("-3m")}, {QStringLiteral("把系数相加：4 - 7 = -3。"),
                                               QStringLiteral("字母部分不变，结果是 -3m。")})}},
        {QStringLiteral("math-g7a-c2-03"),
         QStringLiteral("去括号"),
         {QStringLiteral("去括号")},
         {{QStringLiteral("去括号法则"),
           QStringLiteral("括号前是“+”号，去掉括号后括号里各项都不变号；括号前是“-”号，"
                          "去掉括号后括号里各项都改变符号。")}},
         {{QStringLiteral("化简：5a - (2a - 3b)。"),
           {QStringLiteral("括号前是“-”号，去括号后各项变号：5a - 2a + 3b。"),
            QStringLiteral("合并同类项得 3a + 3b。")}}},
         {choice(QStringLiteral("-(x - y + 1) 去括号后是（  ）"),
                 abcd(QStringLiteral("-x - y + 1"), QStringLiteral("-x + y - 1"),
                      QStringLiteral("-x + y + 1"), QStringLiteral("x - y - 1")))
              .keyed({QStringLiteral("B")}, {QStringLiteral("括号前是“-”号，去括号后括号里各项都改变符号。"),
                                             QStringLiteral("x 变为 -x，-y 变为 +y，+1 变为 -1。"),
                                             QStringLiteral("结果是 -x + y - 1，选 B。")}),
          blank(QStringLiteral("化简：3(x + 2) - x = ______。"), 3)
              .keyed({QStringLiteral("2x+6"), QStringLiteral("2x + 6")},
                     {QStringLiteral("去括号：3x + 6 - x。"), QStringLiteral("合并同类项：2x + 6。")})}},
        {QStringLiteral("math-g7a-c2-04"),
         QStringLiteral("整式的加减运算"),
         {QStringLiteral("整式的加减"), QStringLiteral("整式")},
         {{QStringLiteral("运算步骤"), QStringLiteral("整式加减的一般步骤：先去括号，再合并同类项。")},
          {QStringLiteral("先化简再求值"),
           QStringLiteral("求整式的值时，通常先化简，再把字母的值代入计算，更简便也不易出错。")}},
         {{QStringLiteral("先化简，再求值：(2x² - 3x) - (x² - 3x + 1)，其中 x = -2。"),
           {QStringLiteral("去括号：2x² - 3x - x² + 3x - 1。"), QStringLiteral("合并同类项得 x² - 1。"),
            QStringLiteral("代入 x = -2：(-2)² - 1 = 3。")}}},
         {choice(QStringLiteral("(a + b) - (a - b) 的结果是（  ）"),
                 abcd(QStringLiteral("2a"), QStringLiteral("2b"), QStringLiteral("0"),
                      QStringLiteral("2a + 2b")))
              .keyed({QStringLiteral("B")},
                     {QStringLiteral("去括号：a + b - a + b。"), QStringLiteral("合并同类项得 2b，选 B。")}),
          blank(QStringLiteral("当 a = 1 时，(3a - 1) + (a + 2) 的值是______。"), 3)
              .keyed({QStringLiteral("5")}, {QStringLiteral("先化简：3a - 1 + a + 2 = 4a + 1。"),
                                             QStringLiteral("再代入 a = 1：4 × 1 + 1 = 5。")}),
          solution(QStringLiteral("先化简，再求值：3(x² - 2x) - (2x² - 5x)，其中 x = 3。写出求得的值。"))
              .keyed({QStringLiteral("6")},
                     {QStringLiteral("去括号：3x² - 6x - 2x² + 5x。"), QStringLiteral("合并同类项：x² - x。"),
                      QStringLiteral("代入 x = 3：3² - 3 = 6。")})}},
    };
}

QList<KnowledgePoint> linearEquations() {
    return {
        {QStringLiteral("math-g7a-c3-01"),
         QStringLiteral("方程与方程的解"),
         {QStringLiteral("一元一次方程"), QStringLiteral("方程的解")},
         {{QStringLiteral("一元一次方程"), QStringLiteral("只含有一个未知数，未知数的次数都是 1，"
                                                          "等号两边都是整式的方程叫一元一次方程。")},
          {QStringLiteral("方程的解"), QStringLiteral("使方程左右两边的值相等的未知数的值，叫做方程的解。")}},
         {{QStringLiteral("检验 x = 3 是不是方程 2x - 1 = 5 的解。"),
           {QStringLiteral("把 x = 3 代入左边：2 × 3 - 1 = 5。"), QStringLiteral("右边是 5，左边 = 右边。"),
            QStringLiteral("所以 x = 3 是方程的解。")}}},
         {choice(QStringLiteral("下列方程中，是一元一次方程的是（  ）"),
                 abcd(QStringLiteral("x + y = 2"), QStringLiteral("x² = 4"), QStringLiteral("2x - 1 = 3"),
                      QStringLiteral("1/x = 2")),
                 1)
              .keyed({QStringLiteral("C")},
                     {QStringLiteral("一元一次方程只含一个未知数，未知数的次数是 1，等号两边都是整式。"),
                      QStringLiteral("A 含两个未知数，B 的次数是 2，D 的分母含未知数。"),
                      QStringLiteral("只有 2x - 1 = 3 符合，选 C。")}),
          blank(QStringLiteral("若 x = 2 是方程 3x + a = 10 的解，则 a = ______。"))
              .keyed({QStringLiteral("4")}, {QStringLiteral("把 x = 2 代入方程：3 × 2 + a = 10。"),
                                             QStringLiteral("6 + a = 10，所以 a = 4。")})}},
        {QStringLiteral("math-g7a-c3-02"),
         QStringLiteral("等式的性质"),
         {QStringLiteral("等式的性质"), QStringLiteral("等式")},
         {{QStringLiteral("性质 1"), QStringLiteral("等式两边加（或减）同一个数（或式子），结果仍相等。")},
          {QStringLiteral("性质 2"),
           QStringLiteral("等式两边乘同一个数，或除以同一个不为 0 的数，结果仍相等。")}},
         {{QStringLiteral("利用等式的性质解方程：-3x = 12。"),
           {QStringLiteral("两边同时除以 -3。"), QStringLiteral("得 x = -4。")}}},
         {choice(QStringLiteral("由 a = b 不能得到的是（  ）"),
                 abcd(QStringLiteral("a + 2 = b + 2"), QStringLiteral("3a = 3b"),
                      QStringLiteral("a - c = b - c"), QStringLiteral("a/c = b/c（c 可以为 0）")),
                 3)
              .keyed({QStringLiteral("D")},
                     {QStringLiteral("等式两边除以同一个数时，这个数不能为 0。"),
                      QStringLiteral("c 为 0 时 a/c 与 b/c 都没有意义，所以不能得到，选 D。")}),
          blank(QStringLiteral("解方程 x/4 = 3，得 x = ______。"), 1)
              .keyed({QStringLiteral("12")},
                     {QStringLiteral("等式两边同乘 4。"), QStringLiteral("得 x = 12。")})}},
        {QStringLiteral("math-g7a-c3-03"),
         QStringLiteral("移项与合并同类项"),
         {QStringLiteral("移项"), QStringLiteral("解方程")},
         {{QStringLiteral("移项"),
           QStringLiteral("把等式一边的某项变号后移到另一边，叫做移项。移项的依据是等式的性质 1。")},
          {QStringLiteral("解题步骤"),
           QStringLiteral("移项（含未知数的项移到左边，常数项移到右边）→ 合并同类项 → 系数化为 1。")}},
         {{QStringLiteral("解方程：5x - 2 = 3x + 4。"),
           {QStringLiteral("移项：5x - 3x = 4 + 2。"), QStringLiteral("合并同类项：2x = 6。"),
            QStringLiteral("系数化为 1：x = 3。")}}},
         {choice(QStringLiteral("方程 2x + 3 = x - 1 的解是（  ）"),
                 abcd(QStringLiteral("x = 4"), QStringLiteral("x = -4"), QStringLiteral("x = 2"),
                      QStringLiteral("x = -2")))
              .keyed({QStringLiteral("B")}, {QStringLiteral("移项：2x - x = -1 - 3。"),
                                             QStringLiteral("合并同类项：x = -4，选 B。")}),
          blank(QStringLiteral("解方程 4x - 7 = 2x + 1，得 x = ______。"))
              .keyed({QStringLiteral("4")},
                     {QStringLiteral("移项：4x - 2x = 1 + 7。"), QStringLiteral("合并同类项：2x = 8。"),
                      QStringLiteral("系数化为 1：x = 4。")}),
          solution(QStringLiteral("解方程：3x + 5 = 5x - 7，写出方程的解。"))
              .keyed({QStringLiteral("x=6"), QStringLiteral("x = 6"), QStringLiteral("6")},
                     {QStringLiteral("移项：3x - 5x = -7 - 5。"), QStringLiteral("合并同类项：-2x = -12。"),
                      QStringLiteral("系数化为 1：x = 6。")})}},
        {QStringLiteral("math-g7a-c3-04"),
         QStringLiteral("去括号与去分母"),
         {QStringLiteral("去分母"), QStringLiteral("去括号解方程")},
         {{QStringLiteral("去分母"),
           QStringLiteral("方程两边同乘各分母的最小公倍数，注意不要漏乘不含分母的项，"
                          "分子是多项式时要加括号。")},
          {QStringLiteral("一般步骤"), QStringLiteral("去分母 → 去括号 → 移项 → 合并同类项 → 系数化为 1。")}},
         {{QStringLiteral("解方程：(x + 1)/2 - (x - 2)/3 = 1。"),
           {QStringLiteral("两边同乘 6：3(x + 1) - 2(x - 2) = 6。"),
            QStringLiteral("去括号：3x + 3 - 2x + 4 = 6。"), QStringLiteral("移项、合并：x = -1。")}}},
         {choice(QStringLiteral("解方程 x/2 - 1 = x/3 时，去分母正确的是（  ）"),
                 abcd(QStringLiteral("3x - 1 = 2x"), QStringLiteral("3x - 6 = 2x"),
                      QStringLiteral("3x - 6 = x"), QStringLiteral("x - 6 = 2x")),
                 3)
              .keyed({QStringLiteral("B")},
                     {QStringLiteral("两边同乘 2 和 3 的最小公倍数 6。"),
                      QStringLiteral("x/2 × 6 = 3x，1 × 6 = 6，x/3 × 6 = 2x，不要漏乘常数项。"),
                      QStringLiteral("得 3x - 6 = 2x，选 B。")}),
          blank(QStringLiteral("解方程 2(x - 1) = 4，得 x = ______。"))
              .keyed({QStringLiteral("3")},
                     {QStringLiteral("去括号：2x - 2 = 4。"), QStringLiteral("移项：2x = 6。"),
                      QStringLiteral("系数化为 1：x = 3。")})}},
        {QStringLiteral("math-g7a-c3-05"),
         QStringLiteral("实际问题与一元一次方程"),
         {QStringLiteral("应用题"), QStringLiteral("实际问题"), QStringLiteral("行程问题"),
          QStringLiteral("相遇"), QStringLiteral("追及")},
         {{QStringLiteral("列方程解应用题"),
           QStringLiteral("审题找出等量关系 → 设未知数 → 列方程 → 解方程 → 检验并作答。")}},
         {{QStringLiteral("小明买了 3 支笔和 1 本 8 元的笔记本，共花 20 元。每支笔多少元？"),
           {QStringLiteral("设每支笔 x 元。"),
            QStringLiteral("等量关系：笔的钱 + 笔记本的钱 = 20，即 3x + 8 = 20。"),
            QStringLiteral("解得 x = 4。"), QStringLiteral("答：每支笔 4 元。")}}},
         {choice(QStringLiteral("甲、乙两人相距 20 千米，同时相向而行，甲每小时走 6 千米，乙每小时走 4 千米，"
                                "几小时后相遇？（  ）"),
                 abcd(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("5")), 3)
              .keyed({QStringLiteral("B")},
                     {QStringLiteral("设 x 小时后相遇，两人所走路程的和等于 20 千米。"),
                      QStringLiteral("列方程 6x + 4x = 20，解得 x = 2。"), QStringLiteral("选 B。")}),
          blank(QStringLiteral("一个数的 3 倍比它大 10，这个数是______。"), 3)
              .keyed({QStringLiteral("5")}, {QStringLiteral("设这个数为 x，则 3x - x = 10。"),
                                             QStringLiteral("2x = 10，所以 x = 5。")}),
          solution(QStringLiteral("某班有 45 名学生，男生比女生多 5 人。女生有多少人？写出人数。"))
              .keyed({QStringLiteral("20"), QStringLiteral("20人"), QStringLiteral("20 人")},
                     {QStringLiteral("设女生有 x 人，则男生有 (x + 5) 人。"),
                      QStringLiteral("列方程：x + (x + 5) = 45。"),
                      QStringLiteral("解得 x = 20。答：女生有 20 人。")})}},
    };
}

QList<KnowledgePoint> geometryBasics() {
    return {
        {QStringLiteral("math-g7a-c4-01"),
         QStringLiteral("立体图形与平面图形"),
         {QStringLiteral("立体图形"), QStringLiteral("展开图"), QStringLiteral("三视图")},
         {{QStringLiteral("认识图形"),
           QStringLiteral("长方体、圆柱、圆锥、球等是立体图形；线段、三角形、圆等是平面图形。"
                          "许多立体图形可以展开成平面图形。")}},
         {{QStringLiteral("正方体的展开图由几个正方形组成？"),
           {QStringLiteral("正方体有 6 个面，每个面都是正方形。"),
            QStringLiteral("所以展开图由 6 个正方形组成。")}}},
         {choice(QStringLiteral("下列图形中，是立体图形的是（  ）"),
                 abcd(QStringLiteral("三角形"), QStringLiteral("圆"), QStringLiteral("圆柱"),
                      QStringLiteral("线段")),
                 1)
              .keyed({QStringLiteral("C")},
                     {QStringLiteral("三角形、圆、线段的各部分都在同一平面内，是平面图形。"),
                      QStringLiteral("圆柱的各部分不都在同一平面内，是立体图形，选 C。")})}},
        {QStringLiteral("math-g7a-c4-02"),
         QStringLiteral("直线、射线、线段"),
         {QStringLiteral("直线"), QStringLiteral("射线"), QStringLiteral("线段")},
         {{QStringLiteral("三种线"), QStringLiteral("直线向两方无限延伸，射线向一方无限延伸，线段有两个端点。"
                                                    "两点确定一条直线，两点之间线段最短。")}},
         {{QStringLiteral("平面上有 A、B、C 三个点，过其中每两点画直线，最多能画几条？"),
           {QStringLiteral("三点不在同一直线上时，每两点确定一条直线。"),
            QStringLiteral("AB、BC、AC，最多 3 条。")}}},
         {blank(QStringLiteral("线段 AB = 6，C 是 AB 的中点，则 AC = ______。"), 1)
              .keyed({QStringLiteral("3")}, {QStringLiteral("中点把线段分成相等的两段。"),
                                             QStringLiteral("AC = AB ÷ 2 = 6 ÷ 2 = 3。")})}},
        {QStringLiteral("math-g7a-c4-03"),
         QStringLiteral("角的度量与比较"),
         {QStringLiteral("角"), QStringLiteral("余角"), QStringLiteral("补角")},
         {{QStringLiteral("余角与补角"), QStringLiteral("两个角的和为 90° 时互为余角，和为 180° 时互为补角。"
                                                        "同角（或等角）的余角相等，补角也相等。")}},
         {{QStringLiteral("一个角是 35°，求它的余角和补角。"),
           {QStringLiteral("余角：90° - 35° = 55°。"), QStringLiteral("补角：180° - 35° = 145°。")}}},
         {blank(QStringLiteral("一个角的补角是 120°，这个角的余角是______°。"))
              .keyed({QStringLiteral("30"), QStringLiteral("30°")},
                     {QStringLiteral("这个角是 180° - 120° = 60°。"),
                      QStringLiteral("它的余角是 90° - 60° = 30°。")})}},
    };
}

QList<KnowledgePoint> parallelLines() {
    return {
        {QStringLiteral("math-g7b-c5-01"),
         QStringLiteral("相交线与对顶角"),
         {QStringLiteral("对顶角"), QStringLiteral("邻补角"), QStringLiteral("垂线")},
         {{QStringLiteral("对顶角"), QStringLiteral("两条直线相交形成的对顶角相等，邻补角的和是 180°。")}},
         {{QStringLiteral("两直线相交，其中一个角是 40°，求其余三个角。"),
           {QStringLiteral("它的对顶角也是 40°。"),
            QStringLiteral("它的两个邻补角都是 180° - 40° = 140°。")}}},
         {blank(QStringLiteral("两条直线相交所成的四个角中，有一个角是 90°，则这两条直线互相______。"), 1)
              .keyed({QStringLiteral("垂直")},
                     {QStringLiteral("两条直线相交所成的角中有一个是直角时，这两条直线互相垂直。"),
                      QStringLiteral("所以答案是垂直。")})}},
        {QStringLiteral("math-g7b-c5-02"),
         QStringLiteral("平行线的判定"),
         {QStringLiteral("平行线的判定"), QStringLiteral("同位角"), QStringLiteral("内错角")},
         {{QStringLiteral("判定方法"), QStringLiteral("同位角相等，两直线平行；内错角相等，两直线平行；"
                                                      "同旁内角互补，两直线平行。")}},
         {{QStringLiteral("如果 ∠1 与 ∠2 是同旁内角，∠1 = 70°，∠2 = 110°，两直线平行吗？"),
           {QStringLiteral("∠1 + ∠2 = 180°，同旁内角互补。"), QStringLiteral("所以两直线平行。")}}},
         {choice(QStringLiteral("能判定两直线平行的是（  ）"),
                 abcd(QStringLiteral("同位角互补"), QStringLiteral("内错角相等"),
                      QStringLiteral("对顶角相等"), QStringLiteral("同旁内角相等")))
              .keyed({QStringLiteral("B")},
                     {QStringLiteral("判定方法：同位角相等、内错角相等、同旁内角互补，两直线平行。"),
                      QStringLiteral("四个选项中只有“内错角相等”符合，选 B。")})}},
        {QStringLiteral("math-g7b-c5-03"),
         QStringLiteral("平行线的性质"),
         {QStringLiteral("平行线的性质")},
         {{QStringLiteral("性质"), QStringLiteral("两直线平行，同位角相等；两直线平行，内错角相等；"
                                                  "两直线平行，同旁内角互补。")}},
         {{QStringLiteral("a∥b，直线 c 与它们相交，∠1 = 65°（同位角），求 ∠2。"),
           {QStringLiteral("两直线平行，同位角相等。"), QStringLiteral("所以 ∠2 = 65°。")}}},
         {blank(QStringLiteral("两直线平行，同旁内角中的一个是 75°，另一个是______°。"))
              .keyed({QStringLiteral("105"), QStringLiteral("105°")},
                     {QStringLiteral("两直线平行，同旁内角互补。"),
                      QStringLiteral("另一个角是 180° - 75° = 105°。")})}},
    };
}

QList<KnowledgePoint> triangles() {
    return {
        {QStringLiteral("math-g8a-c11-01"),
         QStringLiteral("三角形的边"),
         {QStringLiteral("三角形的三边关系"), QStringLiteral("三边关系")},
         {{QStringLiteral("三边关系"),
           QStringLiteral("三角形任意两边之和大于第三边，任意两边之差小于第三边。")}},
         {{QStringLiteral("长度为 3、4、8 的三条线段能组成三角形吗？"),
           {QStringLiteral("3 + 4 = 7 < 8，两边之和不大于第三边。"),
            QStringLiteral("所以不能组成三角形。")}}},
         {choice(QStringLiteral("下列长度的三条线段能组成三角形的是（  ）"),
                 abcd(QStringLiteral("1, 2, 3"), QStringLiteral("2, 3, 4"), QStringLiteral("2, 2, 5"),
                      QStringLiteral("3, 4, 8")))
              .keyed({QStringLiteral("B")},
                     {QStringLiteral("较短的两边之和大于最长边，三条线段才能组成三角形。"),
                      QStringLiteral(
                          "2 + 3 = 5 > 4；其余三组：1 + 2 = 3，2 + 2 = 4 < 5，3 + 4 = 7 < 8，都不满足。"),
                      QStringLiteral("选 B。")})}},
        {QStringLiteral("math-g8a-c11-02"),
         QStringLiteral("三角形的内角和"),
         {QStringLiteral("内角和"), QStringLiteral("外角")},
         {{QStringLiteral("内角和与外角"),
           QStringLiteral("三角形的内角和是 180°。三角形的一个外角等于与它不相邻的两个内角的和。")}},
         {{QStringLiteral("△ABC 中，∠A = 50°，∠B = 60°，求 ∠C。"),
           {QStringLiteral("∠C = 180° - ∠A - ∠B。"), QStringLiteral("∠C = 180° - 50° - 60° = 70°。")}}},
         {blank(QStringLiteral("直角三角形的一个锐角是 35°，另一个锐角是______°。"), 1)
              .keyed({QStringLiteral("55"), QStringLiteral("55°")},
                     {QStringLiteral("直角三角形的两个锐角互余。"),
                      QStringLiteral("另一个锐角是 90° - 35° = 55°。")})}},
        {QStringLiteral("math-g8a-c11-03"),
         QStringLiteral("多边形及其内角和"),
         {QStringLiteral("多边形"), QStringLiteral("多边形内角和")},
         {{QStringLiteral("内角和公式"),
           QStringLiteral("n 边形的内角和是 (n - 2) × 180°，任意多边形的外角和都是 360°。")}},
         {{QStringLiteral("求六边形的内角和。"),
           {QStringLiteral("n = 6，代入公式 (6 - 2) × 180°。"), QStringLiteral("结果是 720°。")}}},
         {blank(QStringLiteral("正五边形的每个内角是______°。"), 3)
              .keyed({QStringLiteral("108"), QStringLiteral("108°")},
                     {QStringLiteral("五边形的内角和是 (5 - 2) × 180° = 540°。"),
                      QStringLiteral("正五边形的五个内角都相等：540° ÷ 5 = 108°。")})}},
    };
}

QList<Chapter> buildChapters() {
    const QString math = QStringLiteral("math");
    const QString junior = QStringLiteral("junior");
    QList<Chapter> all{
        {QStringLiteral("math-g7a-c1"),
         math,
         junior,
         7,
         QStringLiteral("有理数"),
         {QStringLiteral("有理数")},
         rationalNumbers()},
        {QStringLiteral("math-g7a-c2"),
         math,
         junior,
         7,
         QStringLiteral("整式的加减"),
         {QStringLiteral("整式的加减"), QStringLiteral("整式")},
         polynomials()},
        {QStringLiteral("math-g7a-c3"),
         math,
         junior,
         7,
         QStringLiteral("一元一次方程"),
         {QStringLiteral("一元一次方程"), QStringLiteral("方程")},
         linearEquations()},
        {QStringLiteral("math-g7a-c4"),
         math,
         junior,
         7,
         QStringLiteral("几何图形初步"),
         {QStringLiteral("几何图形"), QStringLiteral("几何")},
         geometryBasics()},
        {QStringLiteral("math-g7b-c5"),
         math,
         junior,
         7,
         QStringLiteral("相交线与平行线"),
         {QStringLiteral("相交线"), QStringLiteral("平行线")},
         parallelLines()},
        {QStringLiteral("math-g8a-c11"),
         math,
         junior,
         8,
         QStringLiteral("三角形"),
         {QStringLiteral("三角形")},
         triangles()},
    };
    // A chapter is also known by its short name, grade and number ("M7-3" for grade 7, chapter 3), as the
    // app's own suggestions name one.
    for (Chapter &chapter : all) {
        const QString number = chapter.code.section(QStringLiteral("-c"), -1);
        chapter.keywords.append(QStringLiteral("M%1-%2").arg(chapter.grade).arg(number));
    }
    // Question ids follow from the question's place in the content, so they stay the same across runs.
    for (qsizetype c = 0; c < all.size(); ++c) {
        for (qsizetype p = 0; p < all[c].points.size(); ++p) {
            QList<SampleQuestion> &questions = all[c].points[p].questions;
            for (qsizetype q = 0; q < questions.size(); ++q)
                questions[q].id = 900000 + (c + 1) * 1000 + (p + 1) * 10 + (q + 1);
        }
    }
    return all;
}

} // namespace

SampleQuestion SampleQuestion::keyed(QStringList acceptedAnswers, QStringList solutionSteps) && {
    answers = std::move(acceptedAnswers);
    steps = std::move(solutionSteps);
    return std::move(*this);
}

bool SampleQuestion::accepts(const QString &answer) const {
    // trimmed() also drops the ideographic space a Chinese keyboard leaves around an answer, as it should
    // here.
    const QString given = answer.trimmed();
    // An option is named by its label, which learners type in either case.
    const Qt::CaseSensitivity sensitivity = options.isEmpty() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return std::any_of(answers.begin(), answers.end(),
                       [&](const QString &key) { return given.compare(key, sensitivity) == 0; });
}

const QList<Chapter> &chapters() {
    static const QList<Chapter> all = buildChapters();
    return all;
}

const Chapter *findChapter(const QString &code) {
    for (const Chapter &chapter : chapters()) {
        if (chapter.code == code || chapter.name == code)
            return &chapter;
    }
    return nullptr;
}

const KnowledgePoint *findPoint(const QString &code, const Chapter **chapterOut) {
    for (const Chapter &chapter : chapters()) {
        for (const KnowledgePoint &point : chapter.points) {
            if (point.code == code) {
                if (chapterOut)
                    *chapterOut = &chapter;
                return &point;
            }
        }
    }
    return nullptr;
}

QJsonObject toJson(const SampleQuestion &question, bool withType) {
    QJsonObject json{{QStringLiteral("question_id"), qint64(question.id)},
                     {QStringLiteral("stem"), QJsonObject{{QStringLiteral("text"), question.stem}}}};
    if (withType)
        json.insert(QStringLiteral("qtype"), question.qtype);
    if (!question.options.isEmpty()) {
        QJsonArray options;
        for (const auto &[label, text] : question.options)
            options.append(QJsonObject{{QStringLiteral("label"), label}, {QStringLiteral("text"), text}});
        json.insert(QStringLiteral("options"), options);
    }
    return json;
}

const SampleQuestion *findQuestion(std::int64_t id, const KnowledgePoint **pointOut,
                                   const Chapter **chapterOut) {
    for (const Chapter &chapter : chapters()) {
        for (const KnowledgePoint &point : chapter.points) {
            for (const SampleQuestion &question : point.questions) {
                if (question.id != id)
                    continue;
                if (pointOut)
                    *pointOut = &point;
                if (chapterOut)
                    *chapterOut = &chapter;
                return &question;
            }
        }
    }
    return nullptr;
}

} // namespace devserver::learning
