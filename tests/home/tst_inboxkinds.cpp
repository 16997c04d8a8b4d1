// Each inbox kind's look, chip and action, decided by exact equality with a default row for every other
// text, and the category chips' texts.
#include "InboxKindNames.h"
#include "InboxKinds.h"
#include "Symbols.h"
#include "Theme.h"

#include <QTest>

Q_DECLARE_METATYPE(InboxCategory)
Q_DECLARE_METATYPE(InboxDestination)
Q_DECLARE_METATYPE(std::optional<InboxCategory>)

class TestInboxKinds : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void styles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("color");
        QTest::addColumn<InboxCategory>("category");
        QTest::addColumn<QString>("actionTitle"); // "-" for none
        QTest::addColumn<InboxDestination>("destination");

        using C = InboxCategory;
        using D = InboxDestination;
        const auto row = [](const QString &kind, const char *symbol, int color, C category,
                            const char *action, D destination) {
            QTest::newRow(kind.isEmpty() ? "empty" : qPrintable(kind))
                << kind << QString::fromLatin1(symbol) << color << category << QString::fromUtf8(action)
                << destination;
        };
        row("learning_item_ready", "book.closed.fill", Theme::BrandTeal, C::Study, "去学习", D::LearningHome);
        row(InboxKindNames::planUpdated, "map.fill", Theme::BrandNavy, C::Study, "查看学习路径",
            D::LearningHome);
        row("study_reminder", "alarm.fill", Theme::Orange, C::Study, "开始学习", D::LearningHome);
        row("wrong_book_review", "bookmark.fill", Theme::Red, C::Study, "去复习", D::WrongBook);
        row("weekly_report", "chart.bar.xaxis", Theme::Blue, C::Study, "查看报告", D::StudyReport);
        row("question_set_ready", "square.stack.3d.up.fill", Theme::Purple, C::Practice, "去练习",
            D::QuestionBank);
        row("question_set_failed", "exclamationmark.triangle.fill", Theme::Red, C::Practice, "去题库看看",
            D::QuestionBank);
        row(InboxKindNames::achievement, "rosette", Theme::BrandAmber, C::Activity, "-", D::None);
        row("activity", "flag.checkered", Theme::Pink, C::Activity, "去参加", D::LearningHome);
        row("membership", "crown.fill", Theme::BrandAmber, C::Activity, "查看会员", D::Membership);
        row("companion", "bubble.left.and.bubble.right.fill", Theme::BrandMint, C::System, "和伙伴聊聊",
            D::CompanionChat);
        row("safety_notice", "heart.text.square.fill", Theme::Green, C::System, "学习时长设置",
            D::StudyLimits);
        row("new_feature", "sparkles", Theme::Indigo, C::System, "去试试", D::PhotoMatch);
        row("version_update", "arrow.down.app.fill", Theme::Cyan, C::System, "-", D::None);
        // Everything else is a general system notice: letter case, spaces and the empty kind included.
        for (const char *other : {"Weekly_report", " weekly_report", "weekly_report ", "", "WEEKLY_REPORT",
                                  "weekly-report", "promo_2027"})
            row(QString::fromLatin1(other), "megaphone.fill", Theme::BrandNavy, C::System, "-", D::None);
    }
    void styles() {
        QFETCH(QString, kind);
        QFETCH(QString, symbol);
        QFETCH(int, color);
        QFETCH(InboxCategory, category);
        QFETCH(QString, actionTitle);
        QFETCH(InboxDestination, destination);

        const InboxKindStyle style = InboxKindStyle::forKind(kind);
        QCOMPARE(style.symbol, symbol);
        QVERIFY2(Symbols::contains(style.symbol), "drawn from the icon font's table");
        QCOMPARE(style.color, color);
        QCOMPARE(style.category, category);
        QVERIFY(style.category != InboxCategory::All);
        QCOMPARE(style.actionTitle.value_or(QStringLiteral("-")), actionTitle);
        QCOMPARE(InboxKindStyle::destination(kind), destination);
        // An action title exactly where there is somewhere to go.
        QCOMPARE(style.actionTitle.has_value(), destination != InboxDestination::None);
        QCOMPARE(InboxKindStyle::screen(destination) == Destination::None,
                 destination == InboxDestination::None);
        QVERIFY(!style.label.isEmpty());
    }

    // The labels tell the kinds apart (the default one included).
    void labelsAreDistinct() {
        QStringList labels{InboxKindStyle::forKind(QString()).label};
        for (const QString &kind : InboxKindStyle::knownKinds())
            labels << InboxKindStyle::forKind(kind).label;
        QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
        QCOMPARE(InboxKindStyle::forKind("weekly_report").label, QStringLiteral("学情报告"));
        QCOMPARE(InboxKindStyle::forKind(InboxKindNames::achievement).label, QStringLiteral("成就"));
        QCOMPARE(InboxKindStyle::forKind("companion").label, QStringLiteral("伙伴"));
    }

    void categories_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<InboxCategory>>("category");
        using O = std::optional<InboxCategory>;
        QTest::newRow("全部") << "全部" << O(InboxCategory::All);
        QTest::newRow("学习") << "学习" << O(InboxCategory::Study);
        QTest::newRow("题库") << "题库" << O(InboxCategory::Practice);
        QTest::newRow("活动") << "活动" << O(InboxCategory::Activity);
        QTest::newRow("系统") << "系统" << O(InboxCategory::System);
        QTest::newRow("case name") << "study" << O();
        QTest::newRow("trailing space") << "学习 " << O();
        QTest::newRow("empty") << "" << O();
    }
    void categories() {
        QFETCH(QString, text);
        QFETCH(std::optional<InboxCategory>, category);
        QCOMPARE(InboxCategories::fromRawValue(text), category);
        if (category)
            QCOMPARE(InboxCategories::rawValue(*category), text);
    }

    void categoryOrder() {
        QStringList texts;
        for (const InboxCategory category : InboxCategories::allCases())
            texts << InboxCategories::rawValue(category);
        QCOMPARE(texts, QStringList({"全部", "学习", "题库", "活动", "系统"}));
    }
};

QTEST_GUILESS_MAIN(TestInboxKinds)
#include "tst_inboxkinds.moc"
