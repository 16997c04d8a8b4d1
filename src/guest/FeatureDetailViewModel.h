#pragma once

#include "GuestHomeFeature.h"

#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The detail sheet of one guest-home feature: picture, title, description, selling points and at most one
// action (sign in, open a web page, call the hotline). It loads nothing and keeps no state beyond the shown
// feature and, after a link that could not be opened, what to show instead. FeatureDetailSheet.qml lays it
// out; the guest home owns one and hands it the tapped feature.
class FeatureDetailViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The guest home owns the detail sheet's model")
    Q_PROPERTY(bool hasFeature READ hasFeature NOTIFY featureChanged)
    Q_PROPERTY(QUrl imageSource READ imageSource NOTIFY featureChanged)
    Q_PROPERTY(QString title READ title NOTIFY featureChanged)
    Q_PROPERTY(QString detail READ detail NOTIFY featureChanged)
    Q_PROPERTY(QStringList points READ points NOTIFY featureChanged)
    Q_PROPERTY(ActionKind actionKind READ actionKind NOTIFY featureChanged)
    Q_PROPERTY(QString actionLabel READ actionLabel NOTIFY featureChanged)
    Q_PROPERTY(QUrl actionURL READ actionURL NOTIFY featureChanged)
    Q_PROPERTY(bool fallbackVisible READ fallbackVisible NOTIFY fallbackChanged)
    Q_PROPERTY(QString fallbackHint READ fallbackHint NOTIFY fallbackChanged)
    Q_PROPERTY(QString fallbackValue READ fallbackValue NOTIFY fallbackChanged)
    Q_PROPERTY(QString closeLabel READ closeLabel CONSTANT)

public:
    // What sits below the points box.
    enum ActionKind {
        NoAction,     // `catalog` and `none`
        SignInButton, // `login`: a button labelled with the prompt
        LinkButton,   // `link` and `hotline`: a button that opens its address
    };
    Q_ENUM(ActionKind)

    static inline const QString hotlineLabel = QStringLiteral("拨打 12356");

    explicit FeatureDetailViewModel(QObject *parent = nullptr);

    // Shows a feature (or nothing). A new feature drops the previous one's link fallback.
    void setFeature(const std::optional<GuestHomeFeature> &feature);
    const std::optional<GuestHomeFeature> &feature() const { return m_feature; }

    bool hasFeature() const { return m_feature.has_value(); }
    QUrl imageSource() const;
    QString title() const { return m_feature ? m_feature->title : QString(); }
    QString detail() const { return m_feature ? m_feature->detail : QString(); }
    QStringList points() const { return m_feature ? m_feature->points : QStringList(); }
    ActionKind actionKind() const;
    QString actionLabel() const;
    QUrl actionURL() const;

    bool fallbackVisible() const { return m_fallback.has_value(); }
    QString fallbackHint() const { return m_fallback ? m_fallback->hint : QString(); }
    QString fallbackValue() const { return m_fallback ? m_fallback->value : QString(); }
    QString closeLabel() const { return QStringLiteral("关闭"); }

    // The action button: asks for sign-in, or opens the link; a link the desktop cannot open leaves its
    // number or address on the sheet instead.
    Q_INVOKABLE void trigger();
    // "关闭" and every other way of closing the sheet.
    Q_INVOKABLE void close();

Q_SIGNALS:
    void featureChanged();
    void fallbackChanged();
    void loginRequested();
    void closeRequested();

private:
    void setFallback(const std::optional<GuestHomeFeature::LinkFallback> &fallback);

    std::optional<GuestHomeFeature> m_feature;
    std::optional<GuestHomeFeature::LinkFallback> m_fallback;
};
