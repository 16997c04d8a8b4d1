#pragma once

#include "FeatureDetailViewModel.h"
#include "GuestHomeFeature.h"

#include <QList>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The signed-out landing page's state: its two card lists, which presentation is up (the sign-in cover, the
// detail sheet of one feature, the course catalogue sheet), the page menu, and the adaptive layout of the
// content column and its card grids. GuestHomeView.qml lays it out and does nothing the model does not say.
//
// Every road out of the page is one of the three presentations; a sheet that hands over to sign-in is
// closed first, and only then is the sign-in cover raised, so closing sign-in returns to the page, never to
// the sheet. The page does no network work and records nothing.
class GuestHomeViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QVariantList features READ featureCards NOTIFY listsChanged)
    Q_PROPERTY(QVariantList safety READ safetyCards NOTIFY listsChanged)
    Q_PROPERTY(QVariantList menu READ menu NOTIFY listsChanged)
    Q_PROPERTY(QVariantList footerLinks READ footerLinks CONSTANT)
    Q_PROPERTY(QUrl heroArt READ heroArt CONSTANT)
    Q_PROPERTY(QUrl pathArt READ pathArt CONSTANT)
    Q_PROPERTY(bool showLogin READ showLogin NOTIFY showLoginChanged)
    Q_PROPERTY(bool showCatalog READ showCatalog NOTIFY showCatalogChanged)
    Q_PROPERTY(bool hasDetail READ hasDetail NOTIFY detailChanged)
    Q_PROPERTY(bool detailLarge READ detailLarge NOTIFY detailLargeChanged)
    Q_PROPERTY(FeatureDetailViewModel *detailSheet READ detailSheet CONSTANT)
    Q_PROPERTY(qreal windowWidth READ windowWidth WRITE setWindowWidth NOTIFY layoutChanged)
    Q_PROPERTY(qreal columnWidth READ columnWidth NOTIFY layoutChanged)
    Q_PROPERTY(qreal columnOffset READ columnOffset NOTIFY layoutChanged)
    Q_PROPERTY(qreal heroColumnWidth READ heroColumnWidth NOTIFY layoutChanged)
    Q_PROPERTY(int gridColumns READ gridColumns NOTIFY layoutChanged)
    Q_PROPERTY(qreal cardWidth READ cardWidth NOTIFY layoutChanged)
    Q_PROPERTY(bool linkFallbackVisible READ linkFallbackVisible NOTIFY linkFallbackChanged)
    Q_PROPERTY(QString linkFallbackHint READ linkFallbackHint NOTIFY linkFallbackChanged)
    Q_PROPERTY(QString linkFallbackValue READ linkFallbackValue NOTIFY linkFallbackChanged)

public:
    // Layout constants of the page, in points.
    static constexpr qreal pagePadding = 18;   // either side of the content column
    static constexpr qreal maxPageWidth = 960; // content column including its padding; hero column
    static constexpr qreal minCardWidth = 150; // a grid column is never narrower
    static constexpr qreal gridSpacing = 12;   // between grid columns and rows

    // Where a grid card or the teaser leads, and the entries of the page menu.
    enum Section { Features, Safety };
    Q_ENUM(Section)
    enum MenuAction { OpenCatalog, ScrollToFeatures, ScrollToSafety, OpenLastSafety, OpenLink, OpenLogin };
    Q_ENUM(MenuAction)

    // One menu entry: a section header, a separator, or an item.
    struct MenuEntry {
        enum class Kind { Header, Separator, Item };
        Kind kind = Kind::Item;
        QString title;
        QString symbol;
        MenuAction action = OpenLogin;
        QUrl url; // OpenLink
    };

    explicit GuestHomeViewModel(QObject *parent = nullptr);

    // The column of the page content for a window of `windowWidth`: the width less 18 either side, at most
    // 924 (960 with the padding), never negative.
    static qreal contentWidth(qreal windowWidth);
    // The largest n with n columns of at least 150 and 12 between them fitting `width`; at least one.
    static int columnCount(qreal width);

    const QList<GuestHomeFeature> &features() const { return m_features; }
    const QList<GuestHomeFeature> &safety() const { return m_safety; }
    // Replaces the built-in lists (tests, and pages that show other cards).
    void setLists(QList<GuestHomeFeature> features, QList<GuestHomeFeature> safety);

    QVariantList featureCards() const { return cards(m_features); }
    QVariantList safetyCards() const { return cards(m_safety); }
    QList<MenuEntry> menuEntries() const;
    static QUrl heroArt() { return GuestHomeFeature::artworkURL(QStringLiteral("HeroArt")); }
    static QUrl pathArt() { return GuestHomeFeature::artworkURL(QStringLiteral("PathArt")); }
    QVariantList menu() const;
    // The footer's legal links: title and address.
    static QVariantList footerLinks();

    bool showLogin() const { return m_showLogin; }
    bool showCatalog() const { return m_showCatalog; }
    bool hasDetail() const { return m_detail.has_value(); }
    const std::optional<GuestHomeFeature> &detail() const { return m_detail; }
    bool detailLarge() const { return m_detailLarge; }
    FeatureDetailViewModel *detailSheet() const { return m_detailSheet; }

    qreal windowWidth() const { return m_windowWidth; }
    void setWindowWidth(qreal width);
    qreal columnWidth() const { return contentWidth(m_windowWidth); }
    // Where the padded content column starts: centred in windows wider than 960.
    qreal columnOffset() const;
    // The hero's text column: at most 960 wide, kept at the leading edge.
    qreal heroColumnWidth() const;
    int gridColumns() const { return columnCount(columnWidth()); }
    // The grid's columns share the column's width equally.
    qreal cardWidth() const;

    bool linkFallbackVisible() const { return m_linkFallback.has_value(); }
    QString linkFallbackHint() const { return m_linkFallback ? m_linkFallback->hint : QString(); }
    QString linkFallbackValue() const { return m_linkFallback ? m_linkFallback->value : QString(); }

    // --- what the page's controls do

    // A grid card: `catalog` opens the catalogue (the detail stays as it was), any other action the feature's
    // detail sheet. Out-of-range indexes do nothing.
    Q_INVOKABLE void tapCard(Section section, int index);
    // "登录", "免费开始学习", "登录 / 注册，开始学习".
    Q_INVOKABLE void openLogin();
    // "先看看课程" and the learning-path teaser.
    Q_INVOKABLE void openCatalog();
    // The menu entry at `index` of `menu`; headers and separators do nothing.
    Q_INVOKABLE void triggerMenu(int index);
    // A footer link (legal pages).
    Q_INVOKABLE void openLink(const QUrl &url);
    Q_INVOKABLE void dismissLinkFallback();

    // The presentations' callbacks.
    Q_INVOKABLE void detailLogin();        // the detail sheet's sign-in button
    Q_INVOKABLE void detailDismissed();    // the detail sheet closed by "关闭", Escape or the scrim
    Q_INVOKABLE void toggleDetailHeight(); // the detail sheet's grabber: medium ↔ large
    Q_INVOKABLE void catalogLogin();       // a catalogue card's sign-in button
    Q_INVOKABLE void catalogDismissed();   // the catalogue closed
    Q_INVOKABLE void loginClosed();        // the sign-in screen's close button

Q_SIGNALS:
    void listsChanged();
    void showLoginChanged();
    void showCatalogChanged();
    void detailChanged();
    void detailLargeChanged();
    void layoutChanged();
    void linkFallbackChanged();
    // The menu asks to bring a section ("features", "safety") to the top of the page, animated.
    void scrollRequested(const QString &anchor);

private:
    static QVariantList cards(const QList<GuestHomeFeature> &list);
    void setShowLogin(bool show);
    void setShowCatalog(bool show);
    void setDetail(const std::optional<GuestHomeFeature> &feature);
    void setDetailLarge(bool large);
    void setLinkFallback(const std::optional<GuestHomeFeature::LinkFallback> &fallback);

    QList<GuestHomeFeature> m_features = GuestHomeFeature::builtInFeatures();
    QList<GuestHomeFeature> m_safety = GuestHomeFeature::builtInSafety();
    bool m_showLogin = false;
    bool m_showCatalog = false;
    std::optional<GuestHomeFeature> m_detail;
    bool m_detailLarge = false;
    FeatureDetailViewModel *m_detailSheet;
    qreal m_windowWidth = 0;
    std::optional<GuestHomeFeature::LinkFallback> m_linkFallback;
};
