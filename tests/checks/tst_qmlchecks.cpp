// The checks CI runs over the app's QML, on small files of their own: the lint (scripts/lint-qml) fails on a
// name that does not resolve and on an import of no module, and passes what resolves at run time; the import
// check fails when a module the files need, directly or through another module, comes with a package that
// scripts/install-deps does not install, and on a name of our modules used without its import.
#include <QProcess>
#include <QTest>

namespace {

const QString fixtures = QStringLiteral(QVL_SOURCE_DIR "/tests/checks/fixtures/");

struct Run {
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

} // namespace

class TestQmlChecks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lint_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<QString>("reported");
        QTest::newRow("singleton without its import")
            << "DeadLink.qml" << false << "DeadLink.qml:6:19: Unqualified access";
        QTest::newRow("module nowhere") << "UnknownModule.qml" << false << "Failed to import Quorvel.Nowhere";
        QTest::newRow("imported singleton, file's id in a delegate") << "Link.qml" << true << "no warnings";
    }
    void lint() {
        QFETCH(QString, fixture);
        QFETCH(bool, passes);
        QFETCH(QString, reported);
        qputenv("QVL_QMLLINT", QVL_QMLLINT);
        const Run lint = run(QStringLiteral(QVL_SOURCE_DIR "/scripts/lint-qml"),
                             {QStringLiteral("--build"), QStringLiteral(QVL_BUILD_DIR), fixtures + fixture});
        QVERIFY2(lint.output.contains(reported), qPrintable(lint.output));
        QCOMPARE(lint.exitCode, passes ? 0 : 1);
    }

    void imports_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("without");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<QString>("reported");
        QTest::newRow("file dialog, everything installed")
            << "PickPhoto.qml"
            << "" << true << "qml6-module-qt-labs-folderlistmodel  <- QtQuick.Dialogs.quickimpl";
        QTest::newRow("file dialog without the folder model")
            << "PickPhoto.qml"
            << "qml6-module-qt-labs-folderlistmodel" << false
            << "Qt.labs.folderlistmodel, needed by QtQuick.Dialogs.quickimpl: comes with "
               "qml6-module-qt-labs-folderlistmodel, which scripts/install-deps does not install";
        QTest::newRow("file dialog without the dialogs")
            << "PickPhoto.qml"
            << "qml6-module-qtquick-dialogs" << false
            << "PickPhoto.qml: comes with qml6-module-qtquick-dialogs, which scripts/install-deps";
        QTest::newRow("module nowhere") << "UnknownModule.qml"
                                        << "" << false << "UnknownModule.qml: no such module is installed";
        QTest::newRow("singleton without its import, in an arrow function")
            << "DeadLinkInArrow.qml"
            << "" << false
            << "DeadLinkInArrow.qml:6: LinkOpener is in Quorvel.Platform, which the file does not import";
        QTest::newRow("imported singleton") << "Link.qml"
                                            << "" << true << "Quorvel.Platform";
    }
    void imports() {
        QFETCH(QString, fixture);
        QFETCH(QString, without);
        QFETCH(bool, passes);
        QFETCH(QString, reported);
        QStringList arguments{
            QStringLiteral("--scanner"),      QStringLiteral(QVL_QMLIMPORTSCANNER),
            QStringLiteral("--import-path"),  QStringLiteral(QVL_BUILD_DIR "/qml"),
            QStringLiteral("--own"),          QStringLiteral(QVL_BUILD_DIR "/qml"),
            QStringLiteral("--install-deps"), QStringLiteral(QVL_SOURCE_DIR "/scripts/install-deps")};
        if (!without.isEmpty())
            arguments << QStringLiteral("--without") << without;
        const Run check = run(QStringLiteral(QVL_IMPORTCHECK), arguments << fixtures + fixture);
        QVERIFY2(check.output.contains(reported), qPrintable(check.output));
        QCOMPARE(check.exitCode, passes ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestQmlChecks)
#include "tst_qmlchecks.moc"
