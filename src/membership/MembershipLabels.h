#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The Chinese labels of the trade server's codes. Codes are compared exactly (case and blanks count, nothing
// is trimmed): a code without a label is shown as the server sent it, so a new tier or state still reads as
// something rather than as nothing.
QString membershipTierLabel(const QString &tier);
QString quotaBucketLabel(const QString &bucket);
QString orderStateLabel(const QString &state);

// The same labels for QML, as the singleton `MembershipLabels`.
class MembershipLabels : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE static QString tierLabel(const QString &tier) { return membershipTierLabel(tier); }
    Q_INVOKABLE static QString bucketLabel(const QString &bucket) { return quotaBucketLabel(bucket); }
    Q_INVOKABLE static QString stateLabel(const QString &state) { return orderStateLabel(state); }
};
