// The router's one table: every destination names a page file of its module and keeps only the properties
// that page takes (with the router's session where the page reads one); the native routes by exact
// equality, the settings tiles, the home tools and cards and the inbox actions each reaching their page.
#include "AppSession.h"
#include "Destination.h"
#include "DestinationTable.h"
#include "HomeTools.h"
#include "InboxKinds.h"
#include "QmlHarness.h"
#include "SettingsQuickActionsModel.h"
#include "SettingsRows.h"

#include <QFile>
#include <QMetaEnum>
#include <QTest>

namespace {

using Page = Destination::Page;

QString fileOf(const char *module, const char *file) {
    return QStringLiteral("qrc:/qt/qml/Quorvel/%1/%2.qml").arg(QLatin1String(module), QLatin1String(file));
}

// The request resolved as the router does: the page's URL, the destination it ended at, and its properties
// with the session written as "<session>" so that rows can name it.
struct Opened {
    int destination = Destination::None;
    QString page;
    QVariantMap properties;
};
Opened open(int destination, const QVariantMap &requested, AppSession &session) {
    const QVariantMap resolved = DestinationTable::resolve(destination, requested, &session);
    Opened opened{resolved.value(QStringLiteral("destination")).toInt(),
                  resolved.value(QStringLiteral("page")).toUrl().toString(),
                  resolved.value(QStringLiteral("properties")).toMap()};
    if (opened.properties.contains(QStringLiteral("session"))) {
        const bool ours =
            opened.properties.value(QStringLiteral("session")).value<AppSession *>() == &session;
        opened.properties.insert(QStringLiteral("session"), ours ? "<session>" : "<another session>");
    }
    return opened;
}

const QVariantMap withSession{{QStringLiteral("session"), QStringLiteral("<session>")}};
QVariantMap merged(QVariantMap properties, const QVariantMap &more) {
    properties.insert(more);
    return properties;
}
QVariantMap sessionAnd(QVariantMap properties) {
    properties.insert(QStringLiteral("session"), QStringLiteral("<session>"));
    return properties;
}

} // namespace

Q_DECLARE_METATYPE(InboxDestination)

class TestDestinationTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QmlHarness::loadEveryModule(); }

    void pages_data() {
        QTest::addColumn<int>("destination");
        QTest::addColumn<QVariantMap>("requested");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QVariantMap>("properties");
        // A request may carry more than the page takes: none of it reaches the page.
        const QVariantMap extra{{QStringLiteral("route"), QStringLiteral("native/inbox")},
                                {QStringLiteral("tool"), QStringLiteral("photo")}};
        const auto plain = [&](const char *name, Page destination, const char *module, const char *file) {
            QTest::newRow(name) << int(destination) << extra << fileOf(module, file) << withSession;
        };
        plain("membership", Destination::Membership, "Membership", "MembershipView");
        plain("orders", Destination::Orders, "Membership", "OrdersView");
        plain("wrong book", Destination::WrongBook, "Practice", "WrongBookView");
        plain("inbox", Destination::Inbox, "Home", "HomeInboxView");
        plain("profile birth", Destination::ProfileBirth, "Settings", "ProfileBirthInfoView");
        plain("memories", Destination::Memories, "Settings", "MemoriesView");
        plain("study limits", Destination::StudyLimits, "Settings", "StudyLimitsView");
        plain("study report", Destination::StudyReport, "Home", "StudyReportView");
        plain("learning", Destination::Learning, "Learning", "LearningHomeView");
        plain("photo match", Destination::PhotoMatch, "Practice", "PhotoMatchView");
        plain("question bank", Destination::QuestionBank, "Learning", "QuestionBankView");

        const QVariantMap page{{QStringLiteral("pageId"), QStringLiteral("settings_about")}};
        QTest::newRow("settings page") << int(Destination::SettingsPage) << merged(page, extra)
                                       << fileOf("Settings", "SettingsHostView") << sessionAnd(page);
        const QVariantMap chat{{QStringLiteral("scene"), QStringLiteral("qa")},
                               {QStringLiteral("initialMessage"), QStringLiteral("你好")},
                               {QStringLiteral("subject"), QStringLiteral("math")},
                               {QStringLiteral("navigationTitle"), QStringLiteral("数学")}};
        QTest::newRow("chat, every property") << int(Destination::Chat) << merged(chat, extra)
                                              << fileOf("Companion", "CompanionChatView") << sessionAnd(chat);
        const QVariantMap scene{{QStringLiteral("scene"), QStringLiteral("learning")}};
        QTest::newRow("chat, the scene alone")
            << int(Destination::Chat) << scene << fileOf("Companion", "CompanionChatView")
            << sessionAnd(scene);
        const QVariantMap question{{QStringLiteral("questionId"), QStringLiteral("900111")},
                                   {QStringLiteral("stemText"), QStringLiteral("第 1 题")},
                                   {QStringLiteral("options"), QStringList{QStringLiteral("A. 1")}},
                                   {QStringLiteral("source"), QStringLiteral("practice")}};
        QTest::newRow("practice") << int(Destination::Practice) << merged(question, extra)
                                  << fileOf("Practice", "PracticeView") << sessionAnd(question);
        // The placeholders read no session.
        const QVariantMap soon{{QStringLiteral("title"), QStringLiteral("讲解视频")},
                               {QStringLiteral("note"), QStringLiteral("n")}};
        QTest::newRow("coming soon") << int(Destination::ComingSoon) << merged(soon, extra)
                                     << fileOf("Home", "ComingSoonView") << soon;
        QTest::newRow("unavailable") << int(Destination::Unavailable) << extra
                                     << fileOf("App", "NativeRouteUnavailableView") << QVariantMap();
        QTest::newRow("none") << int(Destination::None) << extra << QString() << QVariantMap();
        QTest::newRow("outside the table") << 999 << extra << QString() << QVariantMap();
        QTest::newRow("negative") << -1 << extra << QString() << QVariantMap();
    }
    void pages() {
        QFETCH(int, destination);
        QFETCH(QVariantMap, requested);
        QFETCH(QString, page);
        QFETCH(QVariantMap, properties);
        AppSession session;
        const Opened opened = open(destination, requested, session);
        QCOMPARE(opened.page, page);
        QCOMPARE(opened.properties, properties);
        QCOMPARE(DestinationTable::page(destination).toString(), page);
        if (!page.isEmpty()) {
            QCOMPARE(opened.destination, destination);
            // The file is in the module's resources under that name.
            QVERIFY2(QFile::exists(u':' + QUrl(page).path()), qPrintable(page));
        }
    }

    // Every destination but the two that name no page of their own has a row in the table.
    void everyDestinationHasAPage() {
        const QMetaEnum pages = QMetaEnum::fromType<Page>();
        for (int i = 0; i < pages.keyCount(); ++i) {
            const int destination = pages.value(i);
            const bool ownsNoPage =
                destination == Destination::None || destination == Destination::NativeRoute;
            QCOMPARE(DestinationTable::page(destination).isEmpty(), ownsNoPage);
        }
    }

    // A navigation row's route and a quick-action tile's route, each as the settings page asks for it.
    void nativeRoutes_data() {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("row");  // the page a navigation row with the route opens
        QTest::addColumn<QString>("tile"); // the page a quick-action tile with the route opens
        const QString unavailable = fileOf("App", "NativeRouteUnavailableView");
        const auto row = [](const char *name, const QString &route, const QString &page) {
            QTest::newRow(name) << route << page << page;
        };
        row("membership", "native/membership", fileOf("Membership", "MembershipView"));
        row("orders", "native/orders", fileOf("Membership", "OrdersView"));
        row("wrong book", "native/wrong-book", fileOf("Practice", "WrongBookView"));
        row("inbox", "native/inbox", fileOf("Home", "HomeInboxView"));
        row("profile birth", "native/profile-birth", fileOf("Settings", "ProfileBirthInfoView"));
        row("memories", "native/memories", fileOf("Settings", "MemoriesView"));
        row("study limits", "native/study-limits", fileOf("Settings", "StudyLimitsView"));
        row("capital letter", "Native/membership", unavailable);
        row("leading space", " native/membership", unavailable);
        row("trailing slash", "native/membership/", unavailable);
        row("trailing newline", "native/inbox\n", unavailable);
        row("underscore for hyphen", "native/study_limits", unavailable);
        row("query", "native/inbox?x=1", unavailable);
        row("prefix only", "native/", unavailable);
        row("empty", "", unavailable);
        row("Report", "Report", unavailable);
        // Only a tile sends "report" to the weekly study report.
        QTest::newRow("report") << "report" << unavailable << fileOf("Home", "StudyReportView");
    }
    void nativeRoutes() {
        QFETCH(QString, route);
        QFETCH(QString, row);
        QFETCH(QString, tile);
        AppSession session;
        const SettingsRows::Destination asked = SettingsRows::settingsDestination(route);
        QVERIFY(!asked.isSettingsPage());
        const Opened fromRow = open(asked.page, asked.properties, session);
        QCOMPARE(fromRow.page, row);
        const Opened fromTile = open(SettingsQuickActionsModel::destination(route),
                                     SettingsQuickActionsModel::openProperties(route), session);
        QCOMPARE(fromTile.page, tile);
        // Nothing of the route reaches the screen: the session alone, or nothing for the placeholder.
        for (const Opened &opened : {fromRow, fromTile})
            QCOMPARE(opened.properties,
                     opened.destination == Destination::Unavailable ? QVariantMap() : withSession);
        QCOMPARE(DestinationTable::nativeRoute(route), Page(fromRow.destination));
    }

    // A route under "settings/" opens the nested page; given to the route table directly it is unknown.
    void settingsRoute() {
        AppSession session;
        const SettingsRows::Destination asked =
            SettingsRows::settingsDestination(QStringLiteral("settings/about"));
        const Opened opened = open(asked.page, asked.properties, session);
        QCOMPARE(opened.page, fileOf("Settings", "SettingsHostView"));
        QCOMPARE(opened.properties,
                 sessionAnd({{QStringLiteral("pageId"), QStringLiteral("settings_about")}}));
        QCOMPARE(DestinationTable::nativeRoute(QStringLiteral("settings/about")), Destination::Unavailable);
    }

    // The home page's tools and cards, as it asks for them.
    void homeRequests_data() {
        QTest::addColumn<bool>("card");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QVariantMap>("properties");
        const auto tool = [](const char *key, const QString &page, const QVariantMap &properties) {
            QTest::newRow(key) << false << QString(key) << page << properties;
        };
        const auto chatIn = [](const char *scene) {
            return sessionAnd(
                {{QStringLiteral("scene"), QString(scene)}, {QStringLiteral("initialMessage"), QString()}});
        };
        tool("photo", fileOf("Practice", "PhotoMatchView"), withSession);
        tool("plan", fileOf("Learning", "LearningHomeView"), withSession);
        tool("video", fileOf("Home", "ComingSoonView"),
             {{QStringLiteral("title"), QStringLiteral("讲解视频")},
              {QStringLiteral("note"), HomeTools::comingSoonNote(QStringLiteral("video"))}});
        tool("report", fileOf("Home", "StudyReportView"), withSession);
        tool("wrong", fileOf("Practice", "WrongBookView"), withSession);
        tool("bank", fileOf("Learning", "QuestionBankView"), withSession);
        tool("ask", fileOf("Companion", "CompanionChatView"), chatIn("home"));
        tool("inbox", fileOf("Home", "HomeInboxView"), withSession);
        tool("Inbox", QString(), {});
        const auto card = [](const char *type, const QString &page, const QVariantMap &properties) {
            QTest::newRow(QByteArray("card ") + type) << true << QString(type) << page << properties;
        };
        card("Inbox", fileOf("Home", "HomeInboxView"), withSession);
        card("TodayTasks", fileOf("Learning", "LearningHomeView"), withSession);
        card("QuickQA", fileOf("Companion", "CompanionChatView"), chatIn("companion"));
        card("WrongBook", fileOf("Practice", "WrongBookView"), withSession);
        card("ToolDock", QString(), {});
    }
    void homeRequests() {
        QFETCH(bool, card);
        QFETCH(QString, key);
        QFETCH(QString, page);
        QFETCH(QVariantMap, properties);
        AppSession session;
        const Opened opened =
            card ? open(HomeTools::cardDestination(key), HomeTools::cardProperties(key), session)
                 : open(HomeTools::destination(key), HomeTools::openProperties(key), session);
        QCOMPARE(opened.page, page);
        QCOMPARE(opened.properties, properties);
    }

    // Each inbox action reaches a page; the chat in the scene "home", without a first message.
    void inboxActions_data() {
        QTest::addColumn<InboxDestination>("action");
        QTest::addColumn<QString>("page");
        using D = InboxDestination;
        QTest::newRow("learning") << D::LearningHome << fileOf("Learning", "LearningHomeView");
        QTest::newRow("wrong book") << D::WrongBook << fileOf("Practice", "WrongBookView");
        QTest::newRow("report") << D::StudyReport << fileOf("Home", "StudyReportView");
        QTest::newRow("bank") << D::QuestionBank << fileOf("Learning", "QuestionBankView");
        QTest::newRow("membership") << D::Membership << fileOf("Membership", "MembershipView");
        QTest::newRow("chat") << D::CompanionChat << fileOf("Companion", "CompanionChatView");
        QTest::newRow("study limits") << D::StudyLimits << fileOf("Settings", "StudyLimitsView");
        QTest::newRow("photo") << D::PhotoMatch << fileOf("Practice", "PhotoMatchView");
        QTest::newRow("none") << D::None << QString();
    }
    void inboxActions() {
        QFETCH(InboxDestination, action);
        QFETCH(QString, page);
        AppSession session;
        const Opened opened =
            open(InboxKindStyle::screen(action), InboxKindStyle::openProperties(action), session);
        QCOMPARE(opened.page, page);
        if (action == InboxDestination::CompanionChat)
            QCOMPARE(opened.properties, sessionAnd({{QStringLiteral("scene"), QStringLiteral("home")},
                                                    {QStringLiteral("initialMessage"), QString()}}));
        else if (!page.isEmpty())
            QCOMPARE(opened.properties, withSession);
    }
};

QTEST_MAIN(TestDestinationTable)
#include "tst_destinationtable.moc"
