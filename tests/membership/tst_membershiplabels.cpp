// The labels of tier, bucket and order-state codes: exact matches only, anything else shown as it came; and
// the same labels as QML reads them.
#include "MembershipLabels.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <memory>

class TestMembershipLabels : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void labels_data() {
        QTest::addColumn<QString>("kind"); // "tier", "bucket" or "state"
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("label");
        QTest::newRow("tier L1") << "tier"
                                 << "L1"
                                 << "免费版";
        QTest::newRow("tier lower case") << "tier"
                                         << "l1"
                                         << "l1";
        QTest::newRow("tier with a blank") << "tier"
                                           << " L2"
                                           << " L2";
        QTest::newRow("tier empty") << "tier"
                                    << ""
                                    << "";
        QTest::newRow("bucket companion") << "bucket"
                                          << "companion"
                                          << "伙伴对话";
        QTest::newRow("bucket companion_primary") << "bucket"
                                                  << "companion_primary"
                                                  << "深度讲解";
        QTest::newRow("bucket camel case") << "bucket"
                                           << "videoGen"
                                           << "videoGen";
        QTest::newRow("state Paying") << "state"
                                      << "Paying"
                                      << "支付中";
        QTest::newRow("state Verifying") << "state"
                                         << "Verifying"
                                         << "支付中";
        QTest::newRow("state lower case") << "state"
                                          << "paid"
                                          << "paid";
        QTest::newRow("state trailing blank") << "state"
                                              << "Paid "
                                              << "Paid ";
    }
    void labels() {
        QFETCH(QString, kind);
        QFETCH(QString, code);
        QFETCH(QString, label);
        const QString got = kind == QLatin1String("tier")     ? membershipTierLabel(code)
                            : kind == QLatin1String("bucket") ? quotaBucketLabel(code)
                                                              : orderStateLabel(code);
        QCOMPARE(got, label);
    }

    void readFromQml() {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(import QtQml
import Quorvel.Membership
QtObject {
    readonly property string text: MembershipLabels.tierLabel("L3") + "/" + MembershipLabels.bucketLabel("qa")
                                   + "/" + MembershipLabels.stateLabel("Created")
})",
                          QUrl());
        const std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("text").toString(), QStringLiteral("学习会员/答疑/待支付"));
    }
};

QTEST_GUILESS_MAIN(TestMembershipLabels)
#include "tst_membershiplabels.moc"
