// The learning-profile form's request body (the keys always sent, trimmed texts only when something is left,
// whole minutes), its grade label and its card title.
#include "LearningProfileForm.h"

#include <QJsonDocument>
#include <QTest>

#include <functional>
#include <limits>

using LearningProfileForm::Values;

Q_DECLARE_METATYPE(Values)

namespace {

Values with(const std::function<void(Values &)> &change) {
    Values values;
    change(values);
    return values;
}

} // namespace

class TestLearningProfileForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestBody_data() {
        QTest::addColumn<Values>("values");
        QTest::addColumn<QByteArray>("body"); // compact, keys sorted
        QTest::newRow("defaults: four keys")
            << Values() << QByteArray(R"({"daily_minutes":30,"edition":"rj","grade":7,"role":"student"})");
        QTest::newRow("everything")
            << with([](Values &v) { v = {"teacher", "小岚", 12, "other", "河北", "石家庄", "一中", 120}; })
            << QByteArray(R"({"city":"石家庄","daily_minutes":120,"edition":"other","grade":12,)"
                          R"("nickname":"小岚","province":"河北","role":"teacher","school":"一中"})");
        QTest::newRow("nickname trimmed") << with([](Values &v) { v.nickname = "  小岚 \t"; })
                                          << QByteArray(R"({"daily_minutes":30,"edition":"rj","grade":7,)"
                                                        R"("nickname":"小岚","role":"student"})");
        QTest::newRow("ideographic spaces trimmed")
            << with([](Values &v) { v.school = QStringLiteral("\u3000第一中学\u3000"); })
            << QByteArray(
                   R"({"daily_minutes":30,"edition":"rj","grade":7,"role":"student","school":"第一中学"})");
        QTest::newRow("inner spaces kept") << with([](Values &v) { v.school = " 北京 四中 "; })
                                           << QByteArray(R"({"daily_minutes":30,"edition":"rj","grade":7,)"
                                                         R"("role":"student","school":"北京 四中"})");
        QTest::newRow("blank texts left out") << with([](Values &v) {
            v.nickname = "   ";
            v.province = "\n\r\n";
            v.city = QStringLiteral("\u3000");
            v.school = "\t";
        }) << QByteArray(R"({"daily_minutes":30,"edition":"rj","grade":7,"role":"student"})");
        QTest::newRow("codes sent as they stand") << with([](Values &v) {
            v.role = " learner ";
            v.edition = "";
        }) << QByteArray(R"({"daily_minutes":30,"edition":"","grade":7,"role":" learner "})");
        QTest::newRow("45 stays whole")
            << with([](Values &v) { v.dailyMinutes = 45; })
            << QByteArray(R"({"daily_minutes":45,"edition":"rj","grade":7,"role":"student"})");
        QTest::newRow("45.9 cut to 45")
            << with([](Values &v) { v.dailyMinutes = 45.9; })
            << QByteArray(R"({"daily_minutes":45,"edition":"rj","grade":7,"role":"student"})");
        QTest::newRow("not a number sent as 0")
            << with([](Values &v) { v.dailyMinutes = std::numeric_limits<double>::quiet_NaN(); })
            << QByteArray(R"({"daily_minutes":0,"edition":"rj","grade":7,"role":"student"})");
    }
    void requestBody() {
        QFETCH(Values, values);
        QFETCH(QByteArray, body);
        const QJsonObject built = LearningProfileForm::requestBody(values);
        QCOMPARE(QJsonDocument(built).toJson(QJsonDocument::Compact), body);
        // Integers on the wire, never 30.0.
        QVERIFY(built.value("daily_minutes").toInteger(-1) == built.value("daily_minutes").toInteger(-2));
    }

    void gradeLabelAndTitle_data() {
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("title");
        QTest::newRow("first grade") << 1 << "student"
                                     << "一年级"
                                     << "当前年级";
        QTest::newRow("seventh") << 7 << "learner"
                                 << "初一"
                                 << "当前年级";
        QTest::newRow("teacher") << 9 << "teacher"
                                 << "初三"
                                 << "所教年级";
        QTest::newRow("last") << 12 << "Teacher"
                              << "高三"
                              << "当前年级";
        QTest::newRow("below") << 0 << ""
                               << ""
                               << "当前年级";
        QTest::newRow("above") << 13 << "teacher"
                               << ""
                               << "所教年级";
    }
    void gradeLabelAndTitle() {
        QFETCH(int, grade);
        QFETCH(QString, role);
        QFETCH(QString, label);
        QFETCH(QString, title);
        QCOMPARE(LearningProfileForm::gradeLabel(grade), label);
        QCOMPARE(LearningProfileForm::gradeTitle(role), title);
    }
};

QTEST_GUILESS_MAIN(TestLearningProfileForm)
#include "tst_learningprofileform.moc"
