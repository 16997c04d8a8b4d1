#include "FeatureDetailViewModel.h"

using Kind = GuestHomeFeature::Action::Kind;

FeatureDetailViewModel::FeatureDetailViewModel(QObject *parent) : QObject(parent) {}

void FeatureDetailViewModel::setFeature(const std::optional<GuestHomeFeature> &feature) {
    const bool same =
        feature.has_value() == m_feature.has_value() && (!feature || feature->id == m_feature->id);
    m_feature = feature;
    setFallback(std::nullopt);
    if (!same)
        Q_EMIT featureChanged();
}

QUrl FeatureDetailViewModel::imageSource() const {
    return m_feature ? GuestHomeFeature::artworkURL(m_feature->image) : QUrl();
}

FeatureDetailViewModel::ActionKind FeatureDetailViewModel::actionKind() const {
    if (!m_feature)
        return NoAction;
    switch (m_feature->action.kind) {
    case Kind::Login:
        return SignInButton;
    case Kind::Link:
    case Kind::Hotline:
        return LinkButton;
    case Kind::Catalog:
    case Kind::None:
        break;
    }
    return NoAction;
}

QString FeatureDetailViewModel::actionLabel() const {
    if (!m_feature)
        return {};
    switch (m_feature->action.kind) {
    case Kind::Login:
    case Kind::Link:
        return m_feature->action.text;
    case Kind::Hotline:
        // Always the hotline's own label, whatever the feature's texts say.
        return hotlineLabel;
    case Kind::Catalog:
    case Kind::None:
        break;
    }
    return {};
}

QUrl FeatureDetailViewModel::actionURL() const {
    if (!m_feature)
        return {};
    if (m_feature->action.kind == Kind::Link)
        return m_feature->action.url;
    if (m_feature->action.kind == Kind::Hotline)
        return GuestHomeFeature::hotlineURL();
    return {};
}

void FeatureDetailViewModel::trigger() {
    switch (actionKind()) {
    case SignInButton:
        Q_EMIT loginRequested();
        break;
    case LinkButton:
        setFallback(GuestHomeFeature::open(actionURL()));
        break;
    case NoAction:
        break;
    }
}

void FeatureDetailViewModel::close() {
    Q_EMIT closeRequested();
}

void FeatureDetailViewModel::setFallback(const std::optional<GuestHomeFeature::LinkFallback> &fallback) {
    if (m_fallback == fallback)
        return;
    m_fallback = fallback;
    Q_EMIT fallbackChanged();
}
