#include "AppFonts.h"
#include "AppSession.h"
#include "Brand.h"
#include "FeatureDetailViewModel.h"
#include "GuestCatalogueViewModel.h"
#include "GuestHomeFeature.h"
#include "GuestHomeViewModel.h"
#include "LearningAPIClient.h"
#include "LinkOpener.h"
#include "QmlHarness.h"
#include "Symbols.h"
#include "TestPlatform.h"

#include <QFile>
#include <QQmlAbstractUrlInterceptor>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using Kind = GuestHomeFeature::Action::Kind;

// Records every change of the page's presentations, in order, with the value it changed to.
struct PresentationLog {
    QStringList entries;

    explicit PresentationLog(GuestHomeViewModel &vm) {
        QObject::connect(&vm, &GuestHomeViewModel::showLoginChanged,
                         [this, &vm] { entries << QStringLiteral("login=%1").arg(int(vm.showLogin())); });
        QObject::connect(&vm, &GuestHomeViewModel::showCatalogChanged,
                         [this, &vm] { entries << QStringLiteral("catalog=%1").arg(int(vm.showCatalog())); });
        QObject::connect(&vm, &GuestHomeViewModel::detailChanged, [this, &vm] {
            entries << QStringLiteral("detail=") +
                           (vm.detail() ? vm.detail()->title : QStringLiteral("none"));
        });
    }
};

int menuIndex(const GuestHomeViewModel &vm, const QString &title) {
    const QList<GuestHomeViewModel::MenuEntry> entries = vm.menuEntries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == GuestHomeViewModel::MenuEntry::Kind::Item && entries[i].title == title)
            return int(i);
    }
    return -1;
}

// One step of a scripted visit: "card:F:0" (features) / "card:S:2" (safety), "sheetLogin", "sheetClose",
// "browse", "catalogLogin", "catalogClose", "login", "loginClose", "menu:<title>".
void perform(GuestHomeViewModel &vm, const QString &step) {
    const QStringList parts = step.split(u':');
    if (parts[0] == QLatin1String("card"))
        vm.tapCard(parts[1] == QLatin1String("F") ? GuestHomeViewModel::Features : GuestHomeViewModel::Safety,
                   parts[2].toInt());
    else if (step == QLatin1String("sheetLogin"))
        vm.detailSheet()->trigger();
    else if (step == QLatin1String("sheetClose"))
        vm.detailSheet()->close();
    else if (step == QLatin1String("browse"))
        vm.openCatalog();
    else if (step == QLatin1String("catalogLogin"))
        vm.catalogLogin();
    else if (step == QLatin1String("catalogClose"))
        vm.catalogDismissed();
    else if (step == QLatin1String("login"))
        vm.openLogin();
    else if (step == QLatin1String("loginClose"))
        vm.loginClosed();
    else if (parts[0] == QLatin1String("menu"))
        vm.triggerMenu(menuIndex(vm, parts[1]));
    else
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
}

GuestHomeFeature featureWith(GuestHomeFeature::Action action, const QString &title = QStringLiteral("标题")) {
    GuestHomeFeature feature;
    feature.image = QStringLiteral("IconHint");
    feature.title = title;
    feature.detail = QStringLiteral("说明");
    feature.points = {QStringLiteral("一"), QStringLiteral("二")};
    feature.action = std::move(action);
    return feature;
}

using QmlHarness::findItem;

// The visual content of a popup the page presents (a sheet, the sign-in cover).
QQuickItem *contentOf(QObject *popup) {
    return popup ? popup->property("contentItem").value<QQuickItem *>() : nullptr;
}

// Swaps the desktop's link handler for the test's lifetime; records what it is given.
struct LinkRecorder {
    QList<QUrl> opened;
    bool succeed = true;

    LinkRecorder() {
        LinkOpener::setHandler([this](const QUrl &url) {
            opened << url;
            return succeed;
        });
    }
    ~LinkRecorder() { LinkOpener::setHandler({}); }
};

// The guest home made by `engine` for `session`, filling a 1100 x 760 `window` (not shown yet); null with
// `error` set when it cannot be made.
std::unique_ptr<QObject> placeGuestHome(QQmlEngine &engine, AppSession &session, QQuickWindow &window,
                                        QString *error) {
    QQmlComponent component(&engine, QmlHarness::moduleUrl(QStringLiteral("GuestHomeView")));
    std::unique_ptr<QObject> object(
        component.createWithInitialProperties({{"session", QVariant::fromValue(&session)}}));
    auto *view = qobject_cast<QQuickItem *>(object.get());
    if (!view) {
        *error = component.errorString();
        return nullptr;
    }
    window.resize(1100, 760);
    view->setParentItem(window.contentItem());
    view->setSize(window.size());
    return object;
}

} // namespace

class TestGuestHome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    // --- the cards

    void builtInCardsAndWhereTheyLead_data() {
        QTest::addColumn<bool>("safety");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("actionText");

        const auto row = [](const char *name, bool safety, int index, const char *image, const char *title,
                            Kind kind, const char *text) {
            QTest::newRow(name) << safety << index << QString::fromLatin1(image) << QString::fromUtf8(title)
                                << int(kind) << QString::fromUtf8(text);
        };
        row("hint", false, 0, "IconHint", "先给思路的答疑", Kind::Login, "登录后提问");
        row("path", false, 1, "IconPath", "知识点学习路径", Kind::Catalog, "");
        row("wrong", false, 2, "IconWrong", "错题本与变式", Kind::Login, "登录后使用错题本");
        row("buddy", false, 3, "IconBuddy", "会说话的伙伴", Kind::Login, "登录后和伙伴聊聊");
        row("clock", true, 0, "IconClock", "青少年模式", Kind::None, "");
        row("privacy", true, 1, "IconPrivacy", "隐私可控", Kind::Link, "查看隐私政策");
        row("heart", true, 2, "IconHeart", "心理关怀", Kind::Hotline, "");
        row("shield", true, 3, "IconShield", "自主学习", Kind::Login, "登录后查看我的周报");
    }
    void builtInCardsAndWhereTheyLead() {
        QFETCH(bool, safety);
        QFETCH(int, index);
        QFETCH(QString, image);
        QFETCH(QString, title);
        QFETCH(int, kind);
        QFETCH(QString, actionText);

        GuestHomeViewModel vm;
        const QList<GuestHomeFeature> &list = safety ? vm.safety() : vm.features();
        QCOMPARE(list.size(), 4);
        const GuestHomeFeature &feature = list[index];
        QCOMPARE(feature.image, image);
        QCOMPARE(feature.title, title);
        QCOMPARE(int(feature.action.kind), kind);
        QCOMPARE(feature.action.text, actionText);
        QCOMPARE(feature.points.size(), kind == int(Kind::Catalog) ? 0 : 3);
        // The card's picture is in the application.
        QVERIFY(GuestHomeFeature::artworkURL(image).isValid());
        QVERIFY(!GuestHomeFeature::artworkURL(image).isEmpty());

        // Tapping it: the catalogue for `catalog`, the feature's own sheet for everything else.
        PresentationLog log(vm);
        vm.tapCard(safety ? GuestHomeViewModel::Safety : GuestHomeViewModel::Features, index);
        if (kind == int(Kind::Catalog)) {
            QCOMPARE(log.entries, QStringList{QStringLiteral("catalog=1")});
            QVERIFY(!vm.hasDetail());
        } else {
            QCOMPARE(log.entries, QStringList{QStringLiteral("detail=") + title});
            QCOMPARE(vm.detail()->id, feature.id);
            QCOMPARE(vm.detailSheet()->title(), title);
            QVERIFY(!vm.showCatalog());
        }
        QVERIFY(!vm.showLogin());
    }

    void everyListBuildHasFreshIdentities() {
        QSet<QUuid> ids;
        for (int build = 0; build < 2; ++build) {
            for (const GuestHomeFeature &feature :
                 GuestHomeFeature::builtInFeatures() + GuestHomeFeature::builtInSafety())
                ids.insert(feature.id);
        }
        QCOMPARE(ids.size(), 16);
    }

    void artworkIsLookedUpByPlainNameOnly_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("hero") << "HeroArt" << true;
        QTest::newRow("path teaser") << "PathArt" << true;
        QTest::newRow("logo") << "BrandLogo" << true;
        QTest::newRow("unknown name") << "IconMissing" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("path outside the folder") << "../GuestHomeView" << false;
        QTest::newRow("file name with extension") << "HeroArt.svg" << false;
    }
    void artworkIsLookedUpByPlainNameOnly() {
        QFETCH(QString, name);
        QFETCH(bool, found);
        const QUrl url = GuestHomeFeature::artworkURL(name);
        QCOMPARE(!url.isEmpty(), found);
        if (found) {
            QCOMPARE(url.scheme(), QStringLiteral("qrc"));
            QVERIFY(QFile::exists(u':' + url.path()));
        }
    }

    // --- adaptive layout

    void gridColumnsFollowTheColumnWidth_data() {
        QTest::addColumn<qreal>("width");
        QTest::addColumn<int>("columns");
        QTest::newRow("widest column") << 924.0 << 5;
        QTest::newRow("phone column") << 354.0 << 2;
        QTest::newRow("just under two") << 311.99 << 1;
        QTest::newRow("exactly two") << 312.0 << 2;
        QTest::newRow("exactly three") << 474.0 << 3;
        QTest::newRow("just under three") << 473.0 << 2;
        QTest::newRow("exactly five") << 798.0 << 5;
        QTest::newRow("just under five") << 797.5 << 4;
        QTest::newRow("narrower than a card") << 120.0 << 1;
        QTest::newRow("nothing") << 0.0 << 1;
    }
    void gridColumnsFollowTheColumnWidth() {
        QFETCH(qreal, width);
        QFETCH(int, columns);
        QCOMPARE(GuestHomeViewModel::columnCount(width), columns);
    }

    void layoutFollowsTheWindow_data() {
        QTest::addColumn<qreal>("window");
        QTest::addColumn<qreal>("column");
        QTest::addColumn<qreal>("offset");
        QTest::addColumn<qreal>("hero");
        QTest::addColumn<int>("columns");
        QTest::addColumn<qreal>("card");
        QTest::newRow("phone") << 390.0 << 354.0 << 0.0 << 390.0 << 2 << 171.0;
        QTest::newRow("exactly the cap") << 960.0 << 924.0 << 0.0 << 960.0 << 5 << 175.2;
        QTest::newRow("wide window: centred column, hero stays leading")
            << 1400.0 << 924.0 << 220.0 << 960.0 << 5 << 175.2;
        QTest::newRow("app window") << 1100.0 << 924.0 << 70.0 << 960.0 << 5 << 175.2;
        QTest::newRow("narrower than the padding") << 20.0 << 0.0 << 0.0 << 20.0 << 1 << 0.0;
        QTest::newRow("one column") << 330.0 << 294.0 << 0.0 << 330.0 << 1 << 294.0;
    }
    void layoutFollowsTheWindow() {
        QFETCH(qreal, window);
        QFETCH(qreal, column);
        QFETCH(qreal, offset);
        QFETCH(qreal, hero);
        QFETCH(int, columns);
        QFETCH(qreal, card);

        GuestHomeViewModel vm;
        QSignalSpy changed(&vm, &GuestHomeViewModel::layoutChanged);
        vm.setWindowWidth(window);
        QCOMPARE(changed.size(), 1);
        vm.setWindowWidth(window);
        QCOMPARE(changed.size(), 1); // same width, no signal
        QCOMPARE(vm.columnWidth(), column);
        QCOMPARE(vm.columnOffset(), offset);
        QCOMPARE(vm.heroColumnWidth(), hero);
        QCOMPARE(vm.gridColumns(), columns);
        QCOMPARE(vm.cardWidth(), card);
        // The cards and the gaps between them fill the column exactly.
        QCOMPARE(columns * vm.cardWidth() + (columns - 1) * GuestHomeViewModel::gridSpacing,
                 std::max<qreal>(column, columns * vm.cardWidth() + (columns - 1) * 12));
    }

    // --- presentations and their hand-overs

    void handOvers_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<bool>("login");
        QTest::addColumn<bool>("catalog");
        QTest::addColumn<bool>("detail");

        const QString hint = QStringLiteral("detail=先给思路的答疑");
        QTest::newRow("detail sign-in closes the sheet first")
            << QStringList{"card:F:0", "sheetLogin"} << QStringList{hint, "detail=none", "login=1"} << true
            << false << false;
        QTest::newRow("catalogue sign-in closes the sheet first")
            << QStringList{"browse", "catalogLogin"} << QStringList{"catalog=1", "catalog=0", "login=1"}
            << true << false << false;
        QTest::newRow("closing sign-in returns to the page, not the sheet")
            << QStringList{"card:F:2", "sheetLogin", "loginClose"}
            << QStringList{"detail=错题本与变式", "detail=none", "login=1", "login=0"} << false << false
            << false;
        QTest::newRow("closing sign-in after the catalogue")
            << QStringList{"card:F:1", "catalogLogin", "loginClose"}
            << QStringList{"catalog=1", "catalog=0", "login=1", "login=0"} << false << false << false;
        QTest::newRow("detail dismissed")
            << QStringList{"card:S:0", "sheetClose"} << QStringList{"detail=青少年模式", "detail=none"}
            << false << false << false;
        QTest::newRow("catalogue dismissed")
            << QStringList{"browse", "catalogClose"} << QStringList{"catalog=1", "catalog=0"} << false
            << false << false;
        QTest::newRow("a catalogue card leaves the detail as it was")
            << QStringList{"card:S:0", "card:F:1"} << QStringList{"detail=青少年模式", "catalog=1"} << false
            << true << true;
        QTest::newRow("another card replaces the detail")
            << QStringList{"card:S:0", "card:S:1"} << QStringList{"detail=青少年模式", "detail=隐私可控"}
            << false << false << true;
        QTest::newRow("the same card again changes nothing")
            << QStringList{"card:F:0", "card:F:0"} << QStringList{hint} << false << false << true;
        QTest::newRow("sign-in from the hero")
            << QStringList{"login"} << QStringList{"login=1"} << true << false << false;
        QTest::newRow("menu: catalogue")
            << QStringList{"menu:课程目录"} << QStringList{"catalog=1"} << false << true << false;
        QTest::newRow("menu: the last safety promise")
            << QStringList{"menu:自主学习"} << QStringList{"detail=自主学习"} << false << false << true;
        QTest::newRow("menu: sign-in")
            << QStringList{"menu:登录 / 注册"} << QStringList{"login=1"} << true << false << false;
        QTest::newRow("a sheet without sign-in does not sign in")
            << QStringList{"card:S:0", "sheetLogin"} << QStringList{"detail=青少年模式"} << false << false
            << true;
        QTest::newRow("an index out of range does nothing")
            << QStringList{"card:F:4", "card:S:-1"} << QStringList{} << false << false << false;
    }
    void handOvers() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, log);
        QFETCH(bool, login);
        QFETCH(bool, catalog);
        QFETCH(bool, detail);

        LinkRecorder links;
        GuestHomeViewModel vm;
        PresentationLog recorded(vm);
        for (const QString &step : steps)
            perform(vm, step);
        QCOMPARE(recorded.entries, log);
        QCOMPARE(vm.showLogin(), login);
        QCOMPARE(vm.showCatalog(), catalog);
        QCOMPARE(vm.hasDetail(), detail);
        QCOMPARE(vm.detailSheet()->hasFeature(), detail);
        QVERIFY(links.opened.isEmpty());
    }

    void detailOpensAtMediumHeight() {
        GuestHomeViewModel vm;
        QVERIFY(!vm.detailLarge());
        vm.tapCard(GuestHomeViewModel::Features, 0);
        vm.toggleDetailHeight();
        QVERIFY(vm.detailLarge());
        // Another card while the sheet is up keeps the height.
        vm.tapCard(GuestHomeViewModel::Features, 2);
        QVERIFY(vm.detailLarge());
        vm.detailDismissed();
        vm.tapCard(GuestHomeViewModel::Safety, 0);
        QVERIFY(!vm.detailLarge());
    }

    // --- the page menu

    void menuEntries() {
        GuestHomeViewModel vm;
        QStringList titles;
        for (const GuestHomeViewModel::MenuEntry &entry : vm.menuEntries()) {
            if (entry.kind == GuestHomeViewModel::MenuEntry::Kind::Separator) {
                titles << QStringLiteral("—");
                continue;
            }
            titles << entry.title;
            // Every symbol the menu shows has a glyph.
            if (entry.kind == GuestHomeViewModel::MenuEntry::Kind::Item)
                QVERIFY2(Symbols::contains(entry.symbol), qPrintable(entry.symbol));
        }
        QCOMPARE(titles, (QStringList{"浏览", "课程目录", "核心功能", "安心学习", "自主学习", "—", "帮助",
                                      "心理援助热线 12356", "隐私政策", "用户协议", "儿童个人信息保护规则",
                                      "—", "登录 / 注册"}));
        QCOMPARE(vm.menu().size(), titles.size());
        // Headers and separators do nothing.
        PresentationLog log(vm);
        QSignalSpy scrolls(&vm, &GuestHomeViewModel::scrollRequested);
        vm.triggerMenu(0);
        vm.triggerMenu(5);
        vm.triggerMenu(-1);
        vm.triggerMenu(99);
        QVERIFY(log.entries.isEmpty());
        QCOMPARE(scrolls.size(), 0);
    }

    void menuWithoutSafetyHasNoLastSafetyEntry() {
        GuestHomeViewModel vm;
        vm.setLists(GuestHomeFeature::builtInFeatures(), {});
        QCOMPARE(menuIndex(vm, QStringLiteral("自主学习")), -1);
        QCOMPARE(vm.menuEntries().size(), 12);

        // With other promises, the entry opens the last of them, whatever its title.
        QList<GuestHomeFeature> safety = GuestHomeFeature::builtInSafety().mid(0, 2);
        vm.setLists(GuestHomeFeature::builtInFeatures(), safety);
        vm.triggerMenu(menuIndex(vm, QStringLiteral("自主学习")));
        QCOMPARE(vm.detail()->id, safety.last().id);
        QCOMPARE(vm.detail()->title, QStringLiteral("隐私可控"));
    }

    void menuScrollsToSections_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("features") << "核心功能"
                                  << "features";
        QTest::newRow("safety") << "安心学习"
                                << "safety";
    }
    void menuScrollsToSections() {
        QFETCH(QString, entry);
        QFETCH(QString, anchor);
        GuestHomeViewModel vm;
        QSignalSpy scrolls(&vm, &GuestHomeViewModel::scrollRequested);
        vm.triggerMenu(menuIndex(vm, entry));
        QCOMPARE(scrolls.size(), 1);
        QCOMPARE(scrolls.first().first().toString(), anchor);
    }

    void linksOpenThroughTheDesktop_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("fallback");
        QTest::newRow("hotline") << "心理援助热线 12356" << QUrl("tel:12356") << "12356";
        QTest::newRow("privacy") << "隐私政策" << Brand::privacyPolicyURL()
                                 << Brand::privacyPolicyURL().toString();
        QTest::newRow("terms") << "用户协议" << Brand::userTermsURL() << Brand::userTermsURL().toString();
        QTest::newRow("children") << "儿童个人信息保护规则" << Brand::childrenPrivacyURL()
                                  << Brand::childrenPrivacyURL().toString();
    }
    void linksOpenThroughTheDesktop() {
        QFETCH(QString, entry);
        QFETCH(QUrl, url);
        QFETCH(QString, fallback);

        LinkRecorder links;
        GuestHomeViewModel vm;
        QSignalSpy fallbackChanged(&vm, &GuestHomeViewModel::linkFallbackChanged);
        vm.triggerMenu(menuIndex(vm, entry));
        QCOMPARE(links.opened, QList<QUrl>{url});
        QVERIFY(!vm.linkFallbackVisible());
        QCOMPARE(fallbackChanged.size(), 0);

        // Where nothing can open it, the number or address is left on screen to copy.
        links.succeed = false;
        vm.triggerMenu(menuIndex(vm, entry));
        QVERIFY(vm.linkFallbackVisible());
        QCOMPARE(vm.linkFallbackValue(), fallback);
        QVERIFY(!vm.linkFallbackHint().isEmpty());
        vm.dismissLinkFallback();
        QVERIFY(!vm.linkFallbackVisible());
        QCOMPARE(fallbackChanged.size(), 2);
    }

    void footerLinks() {
        const QVariantList links = GuestHomeViewModel::footerLinks();
        QCOMPARE(links.size(), 3);
        const QList<std::pair<QString, QUrl>> expected{{"隐私政策", Brand::privacyPolicyURL()},
                                                       {"用户协议", Brand::userTermsURL()},
                                                       {"儿童个人信息保护规则", Brand::childrenPrivacyURL()}};
        for (qsizetype i = 0; i < links.size(); ++i) {
            QCOMPARE(links[i].toMap().value("title").toString(), expected[i].first);
            QCOMPARE(links[i].toMap().value("url").toUrl(), expected[i].second);
        }
    }

    // --- the detail sheet

    void detailAction_data() {
        QTest::addColumn<GuestHomeFeature>("feature");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QUrl>("url");

        QTest::newRow("sign-in with the feature's own prompt")
            << featureWith(GuestHomeFeature::Action::login(QStringLiteral("登录后看看")))
            << int(FeatureDetailViewModel::SignInButton) << "登录后看看" << QUrl();
        QTest::newRow("link with its title")
            << featureWith(
                   GuestHomeFeature::Action::link(QStringLiteral("查看隐私政策"), Brand::privacyPolicyURL()))
            << int(FeatureDetailViewModel::LinkButton) << "查看隐私政策" << Brand::privacyPolicyURL();
        QTest::newRow("hotline whatever the texts say")
            << featureWith(GuestHomeFeature::Action::hotline(), QStringLiteral("拨打 110"))
            << int(FeatureDetailViewModel::LinkButton) << "拨打 12356" << QUrl("tel:12356");
        QTest::newRow("catalogue: nothing below the points")
            << featureWith(GuestHomeFeature::Action::catalog()) << int(FeatureDetailViewModel::NoAction) << ""
            << QUrl();
        QTest::newRow("none: nothing below the points")
            << featureWith(GuestHomeFeature::Action::none()) << int(FeatureDetailViewModel::NoAction) << ""
            << QUrl();
    }
    void detailAction() {
        QFETCH(GuestHomeFeature, feature);
        QFETCH(int, kind);
        QFETCH(QString, label);
        QFETCH(QUrl, url);

        LinkRecorder links;
        FeatureDetailViewModel sheet;
        QSignalSpy changed(&sheet, &FeatureDetailViewModel::featureChanged);
        QSignalSpy login(&sheet, &FeatureDetailViewModel::loginRequested);
        sheet.setFeature(feature);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(int(sheet.actionKind()), kind);
        QCOMPARE(sheet.actionLabel(), label);
        QCOMPARE(sheet.actionURL(), url);
        QCOMPARE(sheet.title(), feature.title);
        QCOMPARE(sheet.detail(), feature.detail);
        QCOMPARE(sheet.points(), feature.points);

        sheet.trigger();
        QCOMPARE(login.size(), kind == int(FeatureDetailViewModel::SignInButton) ? 1 : 0);
        QCOMPARE(links.opened,
                 kind == int(FeatureDetailViewModel::LinkButton) ? QList<QUrl>{url} : QList<QUrl>{});
        QVERIFY(!sheet.fallbackVisible());
    }

    void detailLinkThatCannotOpenStaysOnTheSheet() {
        LinkRecorder links;
        links.succeed = false;
        FeatureDetailViewModel sheet;
        sheet.setFeature(featureWith(GuestHomeFeature::Action::hotline()));
        QSignalSpy fallback(&sheet, &FeatureDetailViewModel::fallbackChanged);
        sheet.trigger();
        QCOMPARE(links.opened, QList<QUrl>{QUrl("tel:12356")});
        // The dialler is handed the number itself (a "tel://" form would reach it as an IPv4 address).
        QCOMPARE(links.opened.first().toString(), QStringLiteral("tel:12356"));
        QVERIFY(sheet.fallbackVisible());
        QCOMPARE(sheet.fallbackValue(), QStringLiteral("12356"));
        QVERIFY(sheet.fallbackHint().contains(QStringLiteral("拨打")));
        sheet.trigger(); // the same outcome again: no new signal
        QCOMPARE(fallback.size(), 1);

        // Another feature starts clean.
        sheet.setFeature(featureWith(GuestHomeFeature::Action::none()));
        QVERIFY(!sheet.fallbackVisible());
        QCOMPARE(fallback.size(), 2);
    }

    void detailWithoutPictureKeepsItsTexts() {
        GuestHomeFeature feature = featureWith(GuestHomeFeature::Action::none());
        feature.image = QStringLiteral("IconNotThere");
        feature.points.clear();
        FeatureDetailViewModel sheet;
        sheet.setFeature(feature);
        QVERIFY(sheet.imageSource().isEmpty());
        QCOMPARE(sheet.title(), feature.title);
        QVERIFY(sheet.points().isEmpty());
        sheet.setFeature(std::nullopt);
        QVERIFY(!sheet.hasFeature());
        QCOMPARE(sheet.actionKind(), FeatureDetailViewModel::NoAction);
    }

    // --- the view: what the learner clicks reaches the model, and the presentations follow it

    // What lies below the fold (the safety cards, the sign-up button, the footer) is made once the page has
    // been on screen, not for its first frame; the menu's "安心学习" then scrolls to those cards.
    void belowTheFoldComesAfterTheFirstFrame() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        AppSession session;
        QQmlEngine engine;
        QQuickWindow window;
        QString error;
        const std::unique_ptr<QObject> object = placeGuestHome(engine, session, window, &error);
        auto *view = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(view, qPrintable(error));
        QVERIFY(findItem(view, QStringLiteral("featureCard3")));
        QVERIFY(!findItem(view, QStringLiteral("safetySection")));
        QVERIFY(!findItem(view, QStringLiteral("footerHotline")));

        QSignalSpy frames(&window, &QQuickWindow::frameSwapped);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(findItem(view, QStringLiteral("safetyCard3")));
        QVERIFY(frames.size() >= 1);
        QVERIFY(findItem(view, QStringLiteral("signUpButton")));
        QVERIFY(findItem(view, QStringLiteral("footerHotline")));

        auto *vm = view->property("viewModel").value<GuestHomeViewModel *>();
        QQuickItem *page = findItem(view, QStringLiteral("guestPage"));
        QQuickItem *safety = findItem(view, QStringLiteral("safetySection"));
        QVERIFY(page && safety);
        // The page's column lays the new part out at its next polish.
        auto *pageContent = page->property("contentItem").value<QQuickItem *>();
        QTRY_VERIFY(page->property("contentHeight").toReal() >
                    safety->mapToItem(pageContent, QPointF(0, 0)).y() + safety->height());
        vm->triggerMenu(menuIndex(*vm, QStringLiteral("安心学习")));
        QTRY_VERIFY(page->property("contentY").toReal() > 0);
        QTRY_COMPARE(
            page->property("contentY").toReal(),
            std::min(
                safety->mapToItem(page->property("contentItem").value<QQuickItem *>(), QPointF(0, 0)).y(),
                page->property("contentHeight").toReal() - page->height()));
    }

    // The sheets are not part of the page's start: their files are loaded only when the model raises them,
    // and each then opens on that first request, tied to the model as before (its closing reaches it).
    void sheetsLoadWhenTheyOpen() {
        struct Recorder : QQmlAbstractUrlInterceptor {
            QStringList files;
            QUrl intercept(const QUrl &url, DataType type) override {
                if (type == QmlFile)
                    files.append(url.fileName());
                return url;
            }
        } recorder;
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on("GET", LearningAPIClient::chaptersPath,
                               FakeTransport::Reply::json(200, R"({"items":[]})"));
        AppSession session;
        QQmlEngine engine;
        engine.addUrlInterceptor(&recorder);
        QQuickWindow window;
        QString error;
        const std::unique_ptr<QObject> object = placeGuestHome(engine, session, window, &error);
        auto *view = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(view, qPrintable(error));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(recorder.files.contains(QStringLiteral("GuestHomeView.qml")));
        QVERIFY(!recorder.files.contains(QStringLiteral("GuestCatalogView.qml")));
        QVERIFY(!recorder.files.contains(QStringLiteral("FeatureDetailSheet.qml")));
        QVERIFY(!recorder.files.contains(QStringLiteral("LoginView.qml")));

        auto *vm = view->property("viewModel").value<GuestHomeViewModel *>();
        const auto sheet = [&](const char *loader) {
            return view->findChild<QObject *>(QString::fromLatin1(loader))
                ->property("item")
                .value<QObject *>();
        };
        vm->openCatalog();
        QVERIFY(sheet("catalogueSheet"));
        QVERIFY(recorder.files.contains(QStringLiteral("GuestCatalogView.qml")));
        QTRY_VERIFY(sheet("catalogueSheet")->property("opened").toBool());
        QMetaObject::invokeMethod(sheet("catalogueSheet"), "close");
        QTRY_VERIFY(!vm->showCatalog());
        QTRY_VERIFY(!sheet("catalogueSheet"));

        vm->tapCard(GuestHomeViewModel::Features, 0);
        QVERIFY(sheet("detailSheet"));
        QVERIFY(recorder.files.contains(QStringLiteral("FeatureDetailSheet.qml")));
        QTRY_VERIFY(sheet("detailSheet")->property("opened").toBool());
        QCOMPARE(sheet("detailSheet")->property("model").value<QObject *>(),
                 vm->property("detailSheet").value<QObject *>());
        QMetaObject::invokeMethod(sheet("detailSheet"), "close");
        QTRY_VERIFY(!vm->hasDetail());

        vm->openLogin();
        QVERIFY(sheet("loginCover"));
        QVERIFY(recorder.files.contains(QStringLiteral("LoginView.qml")));
        QTRY_VERIFY(sheet("loginCover")->property("opened").toBool());
        QQuickItem *close = findItem(contentOf(sheet("loginCover")), QStringLiteral("closeButton"));
        QVERIFY(close);
        QMetaObject::invokeMethod(close, "clicked");
        QTRY_VERIFY(!vm->showLogin());
        QTRY_VERIFY(!sheet("loginCover"));
        engine.removeUrlInterceptor(&recorder);
    }

    void viewWiring() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on("GET", LearningAPIClient::chaptersPath,
                               FakeTransport::Reply::json(200, R"({"items":[{"code":"c1","subject":"math",
                                   "stage":"junior","grade":7,"name":"有理数"}]})"));
        platform.transport->on(
            "GET", LearningAPIClient::chaptersPath + QStringLiteral("/c1/points"),
            FakeTransport::Reply::json(200, R"({"items":[{"code":"k1","name":"正数和负数"}]})"));
        AppSession session;
        QQmlEngine engine;
        QQuickWindow window;
        QString error;
        const std::unique_ptr<QObject> object = placeGuestHome(engine, session, window, &error);
        auto *view = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(view, qPrintable(error));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *vm = view->property("viewModel").value<GuestHomeViewModel *>();
        QVERIFY(vm);
        QCOMPARE(vm->windowWidth(), 1100.0);

        const auto find = [&](const char *name) {
            auto *item = findItem(view, QString::fromLatin1(name));
            if (!item)
                qWarning("no item %s", name);
            return item;
        };
        const auto click = [&](QQuickItem *item) {
            QVERIFY(item);
            QTest::mouseClick(&window, Qt::LeftButton, {},
                              item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
        };
        const auto loaded = [&](const char *loader) {
            return view->findChild<QObject *>(QString::fromLatin1(loader))
                ->property("item")
                .value<QObject *>();
        };

        // The grid shows the model's columns: five on this window, so all four cards in one row.
        auto *first = find("featureCard0");
        auto *fourth = find("featureCard3");
        QVERIFY(first && fourth);
        QCOMPARE(first->width(), vm->cardWidth());
        QCOMPARE(first->y(), fourth->y());

        // A card opens its sheet; the sheet's close button closes it.
        click(first);
        QTRY_VERIFY(vm->hasDetail());
        QTRY_VERIFY(loaded("detailSheet"));
        QTest::qWait(350); // the sheet rises
        QQuickItem *detailSheet = contentOf(loaded("detailSheet"));
        QVERIFY(detailSheet);
        // Its handle switches the height, and the page's model follows.
        click(detailSheet->findChild<QQuickItem *>(QStringLiteral("sheetHandle")));
        QTRY_VERIFY(vm->detailLarge());
        click(detailSheet->findChild<QQuickItem *>(QStringLiteral("sheetHandle")));
        QTRY_VERIFY(!vm->detailLarge());
        QTest::qWait(250);
        click(detailSheet->findChild<QQuickItem *>(QStringLiteral("sheetCloseButton")));
        QTRY_VERIFY(!vm->hasDetail());
        QTRY_VERIFY(!loaded("detailSheet"));

        // The teaser opens the catalogue; a chapter's sign-in button hands over to the sign-in cover.
        find("guestPage")->setProperty("contentY", 400);
        click(find("pathTeaser"));
        QTRY_VERIFY(vm->showCatalog());
        QTRY_VERIFY(loaded("catalogueSheet"));
        QObject *catalogue = loaded("catalogueSheet");
        auto *catalogueVm = catalogue->property("viewModel").value<GuestCatalogueViewModel *>();
        QTRY_VERIFY(!catalogueVm->loading());
        QCOMPARE(catalogueVm->entries().size(), 1);
        QTest::qWait(350);
        QQuickItem *chapterLogin = nullptr;
        QTRY_VERIFY((chapterLogin = findItem(contentOf(catalogue), QStringLiteral("chapterLogin"))));
        click(chapterLogin);
        QTRY_VERIFY(vm->showLogin());
        QVERIFY(!vm->showCatalog());
        QTRY_VERIFY(!loaded("catalogueSheet"));
        QTRY_VERIFY(loaded("loginCover"));

        // The sign-in screen's close button returns to the page.
        QTest::qWait(350);
        click(contentOf(loaded("loginCover"))->findChild<QQuickItem *>(QStringLiteral("closeButton")));
        QTRY_VERIFY(!vm->showLogin());
        QTRY_VERIFY(!loaded("loginCover"));

        // The sign-in cover stays above a sheet that is up: a click on its close button reaches it, not the
        // sheet (nor the sheet's backdrop, which would close the sheet).
        vm->tapCard(GuestHomeViewModel::Features, 0);
        QTRY_VERIFY(loaded("detailSheet"));
        vm->toggleDetailHeight();
        QTest::qWait(350);
        vm->openLogin();
        QTRY_VERIFY(loaded("loginCover"));
        QTest::qWait(350);
        click(contentOf(loaded("loginCover"))->findChild<QQuickItem *>(QStringLiteral("closeButton")));
        QTRY_VERIFY(!vm->showLogin());
        QVERIFY(vm->hasDetail());
        // Escape closes the sheet; the model hears of it and takes the sheet away.
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_VERIFY(!vm->hasDetail());
        QTRY_VERIFY(!loaded("detailSheet"));

        // The menu: its entries reach the model.
        find("guestPage")->setProperty("contentY", 0);
        click(find("menuButton"));
        auto *menu = view->findChild<QObject *>(QStringLiteral("pageMenu"));
        QVERIFY(menu);
        QTRY_VERIFY(menu->property("opened").toBool());
        const int entry = menuIndex(*vm, QStringLiteral("课程目录"));
        QQuickItem *catalogueEntry = findItem(menu->property("contentItem").value<QQuickItem *>(),
                                              QStringLiteral("menuEntry") + QString::number(entry));
        QVERIFY(catalogueEntry);
        click(catalogueEntry);
        QTRY_VERIFY(vm->showCatalog());

        // A reopened catalogue is a fresh one that loads again.
        vm->catalogDismissed();
        QTRY_VERIFY(!loaded("catalogueSheet"));
        const int requestsBefore = platform.transport->count(LearningAPIClient::chaptersPath);
        vm->openCatalog();
        QTRY_COMPARE(platform.transport->count(LearningAPIClient::chaptersPath), requestsBefore + 1);
        QVERIFY2(guard.warnings().isEmpty(), qPrintable(guard.warnings().join(u'\n')));
    }
};

QTEST_MAIN(TestGuestHome)
#include "tst_guesthome.moc"
