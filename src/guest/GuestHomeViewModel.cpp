#include "GuestHomeViewModel.h"

#include "Brand.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>

GuestHomeViewModel::GuestHomeViewModel(QObject *parent)
    : QObject(parent), m_detailSheet(new FeatureDetailViewModel(this)) {
    connect(m_detailSheet, &FeatureDetailViewModel::loginRequested, this, &GuestHomeViewModel::detailLogin);
    connect(m_detailSheet, &FeatureDetailViewModel::closeRequested, this,
            &GuestHomeViewModel::detailDismissed);
}

qreal GuestHomeViewModel::contentWidth(qreal windowWidth) {
    return std::clamp(windowWidth - 2 * pagePadding, 0.0, maxPageWidth - 2 * pagePadding);
}

int GuestHomeViewModel::columnCount(qreal width) {
    // n columns need n × 150 + (n − 1) × 12; a hair of tolerance keeps an exact fit from being lost to
    // rounding.
    const int n = int(std::floor((width + gridSpacing) / (minCardWidth + gridSpacing) + 1e-9));
    return std::max(1, n);
}

void GuestHomeViewModel::setLists(QList<GuestHomeFeature> features, QList<GuestHomeFeature> safety) {
    m_features = std::move(features);
    m_safety = std::move(safety);
    Q_EMIT listsChanged();
}

QVariantList GuestHomeViewModel::cards(const QList<GuestHomeFeature> &list) {
    QVariantList result;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const GuestHomeFeature &feature = list[i];
        result.append(QVariantMap{{QStringLiteral("index"), int(i)},
                                  {QStringLiteral("image"), GuestHomeFeature::artworkURL(feature.image)},
                                  {QStringLiteral("title"), feature.title},
                                  {QStringLiteral("detail"), feature.detail}});
    }
    return result;
}

QList<GuestHomeViewModel::MenuEntry> GuestHomeViewModel::menuEntries() const {
    using Kind = MenuEntry::Kind;
    const auto header = [](const QString &title) {
        return MenuEntry{Kind::Header, title, {}, OpenLogin, {}};
    };
    const auto item = [](const QString &title, const char *symbol, MenuAction action, QUrl url = {}) {
        return MenuEntry{Kind::Item, title, QString::fromLatin1(symbol), action, std::move(url)};
    };
    const MenuEntry separator{Kind::Separator, {}, {}, OpenLogin, {}};

    QList<MenuEntry> entries{
        header(QStringLiteral("浏览")),
        item(QStringLiteral("课程目录"), "books.vertical", OpenCatalog),
        item(QStringLiteral("核心功能"), "sparkles", ScrollToFeatures),
        item(QStringLiteral("安心学习"), "checkmark.shield", ScrollToSafety),
    };
    if (!m_safety.isEmpty())
        entries.append(
            item(QStringLiteral("自主学习"), "person.crop.circle.badge.checkmark", OpenLastSafety));
    entries << separator << header(QStringLiteral("帮助"))
            << item(QStringLiteral("心理援助热线 12356"), "phone", OpenLink, GuestHomeFeature::hotlineURL())
            << item(QStringLiteral("隐私政策"), "lock.doc", OpenLink, Brand::privacyPolicyURL())
            << item(QStringLiteral("用户协议"), "doc.text", OpenLink, Brand::userTermsURL())
            << item(QStringLiteral("儿童个人信息保护规则"), "person.2", OpenLink, Brand::childrenPrivacyURL())
            << separator << item(QStringLiteral("登录 / 注册"), "person.crop.circle", OpenLogin);
    return entries;
}

QVariantList GuestHomeViewModel::menu() const {
    QVariantList result;
    for (const MenuEntry &entry : menuEntries()) {
        const char *kind = entry.kind == MenuEntry::Kind::Header      ? "header"
                           : entry.kind == MenuEntry::Kind::Separator ? "separator"
                                                                      : "item";
        result.append(QVariantMap{{QStringLiteral("kind"), QString::fromLatin1(kind)},
                                  {QStringLiteral("title"), entry.title},
                                  {QStringLiteral("symbol"), entry.symbol}});
    }
    return result;
}

QVariantList GuestHomeViewModel::footerLinks() {
    const auto link = [](const QString &title, const QUrl &url) {
        return QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("url"), url}};
    };
    return {link(QStringLiteral("隐私政策"), Brand::privacyPolicyURL()),
            link(QStringLiteral("用户协议"), Brand::userTermsURL()),
            link(QStringLiteral("儿童个人信息保护规则"), Brand::childrenPrivacyURL())};
}

void GuestHomeViewModel::setWindowWidth(qreal width) {
    width = std::max<qreal>(0, width);
    if (qFuzzyCompare(m_windowWidth + 1, width + 1))
        return;
    m_windowWidth = width;
    Q_EMIT layoutChanged();
}

qreal GuestHomeViewModel::columnOffset() const {
    return (m_windowWidth - std::min(m_windowWidth, maxPageWidth)) / 2;
}

qreal GuestHomeViewModel::heroColumnWidth() const {
    return std::min(m_windowWidth, maxPageWidth);
}

qreal GuestHomeViewModel::cardWidth() const {
    const int n = gridColumns();
    return std::max<qreal>(0, (columnWidth() - (n - 1) * gridSpacing) / n);
}

void GuestHomeViewModel::tapCard(Section section, int index) {
    const QList<GuestHomeFeature> &list = section == Features ? m_features : m_safety;
    if (index < 0 || index >= list.size())
        return;
    const GuestHomeFeature &feature = list[index];
    if (feature.action.kind == GuestHomeFeature::Action::Kind::Catalog)
        setShowCatalog(true);
    else
        setDetail(feature);
}

void GuestHomeViewModel::openLogin() {
    setShowLogin(true);
}

void GuestHomeViewModel::openCatalog() {
    setShowCatalog(true);
}

void GuestHomeViewModel::triggerMenu(int index) {
    const QList<MenuEntry> entries = menuEntries();
    if (index < 0 || index >= entries.size() || entries[index].kind != MenuEntry::Kind::Item)
        return;
    const MenuEntry &entry = entries[index];
    switch (entry.action) {
    case OpenCatalog:
        setShowCatalog(true);
        break;
    case ScrollToFeatures:
        Q_EMIT scrollRequested(QStringLiteral("features"));
        break;
    case ScrollToSafety:
        Q_EMIT scrollRequested(QStringLiteral("safety"));
        break;
    case OpenLastSafety:
        if (!m_safety.isEmpty())
            setDetail(m_safety.last());
        break;
    case OpenLink:
        openLink(entry.url);
        break;
    case OpenLogin:
        setShowLogin(true);
        break;
    }
}

void GuestHomeViewModel::openLink(const QUrl &url) {
    setLinkFallback(GuestHomeFeature::open(url));
}

void GuestHomeViewModel::dismissLinkFallback() {
    setLinkFallback(std::nullopt);
}

void GuestHomeViewModel::detailLogin() {
    // The sheet goes first; sign-in covers the page, not the sheet.
    setDetail(std::nullopt);
    setShowLogin(true);
}

void GuestHomeViewModel::detailDismissed() {
    setDetail(std::nullopt);
}

void GuestHomeViewModel::toggleDetailHeight() {
    setDetailLarge(!m_detailLarge);
}

void GuestHomeViewModel::catalogLogin() {
    setShowCatalog(false);
    setShowLogin(true);
}

void GuestHomeViewModel::catalogDismissed() {
    setShowCatalog(false);
}

void GuestHomeViewModel::loginClosed() {
    setShowLogin(false);
}

void GuestHomeViewModel::setShowLogin(bool show) {
    if (m_showLogin == show)
        return;
    m_showLogin = show;
    Q_EMIT showLoginChanged();
}

void GuestHomeViewModel::setShowCatalog(bool show) {
    if (m_showCatalog == show)
        return;
    m_showCatalog = show;
    Q_EMIT showCatalogChanged();
}

void GuestHomeViewModel::setDetail(const std::optional<GuestHomeFeature> &feature) {
    const bool same =
        feature.has_value() == m_detail.has_value() && (!feature || feature->id == m_detail->id);
    if (same)
        return;
    // Each opening starts at the medium height.
    if (feature && !m_detail)
        setDetailLarge(false);
    m_detail = feature;
    m_detailSheet->setFeature(feature);
    Q_EMIT detailChanged();
}

void GuestHomeViewModel::setDetailLarge(bool large) {
    if (m_detailLarge == large)
        return;
    m_detailLarge = large;
    Q_EMIT detailLargeChanged();
}

void GuestHomeViewModel::setLinkFallback(const std::optional<GuestHomeFeature::LinkFallback> &fallback) {
    if (m_linkFallback == fallback)
        return;
    m_linkFallback = fallback;
    Q_EMIT linkFallbackChanged();
}
