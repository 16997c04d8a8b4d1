// The relief after a screen closes: it waits for the stacks to be still, then drops what no screen uses.
#include "MemoryRelief.h"

#include <QFile>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

bool write(const QString &path, const QByteArray &text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// The `answer` of a fresh object of the component at `url`, made and dropped again.
int answerOf(QQmlEngine &engine, const QUrl &url) {
    QQmlComponent component(&engine, url);
    std::unique_ptr<QObject> object(component.create());
    return object ? object->property("answer").toInt() : -1;
}

} // namespace

class TestMemoryRelief : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Pages closed one after another (a walk back) are relieved once, when the stacks have been still for
    // the quiet time, not on every pop.
    void relievesOnceTheStacksAreStill() {
        MemoryRelief relief;
        QSignalSpy relieved(&relief, &MemoryRelief::relieved);
        relief.screenClosed();
        QTest::qWait(MemoryRelief::kQuietMs / 2);
        relief.screenClosed();
        QTest::qWait(MemoryRelief::kQuietMs / 2);
        relief.screenClosed();
        QCOMPARE(relieved.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(relieved.count(), 1, 5 * MemoryRelief::kQuietMs);
        QTest::qWait(2 * MemoryRelief::kQuietMs);
        QCOMPARE(relieved.count(), 1);
    }

    // A component no object uses any more leaves the engine's cache with the relief: its file is read anew
    // the next time (a cached one would still give the old answer); one in use stays.
    void dropsComponentsNoScreenUses() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString closed = dir.filePath(QStringLiteral("Closed.qml"));
        const QString open = dir.filePath(QStringLiteral("Open.qml"));
        QVERIFY(write(closed, "import QtQml\nQtObject { property int answer: 1 }\n"));
        QVERIFY(write(open, "import QtQml\nQtObject { property int answer: 1 }\n"));
        QQmlEngine engine;
        QCOMPARE(answerOf(engine, QUrl::fromLocalFile(closed)), 1);
        QQmlComponent openComponent(&engine, QUrl::fromLocalFile(open));
        std::unique_ptr<QObject> shown(openComponent.create());
        QVERIFY(shown);

        QVERIFY(write(closed, "import QtQml\nQtObject { property int answer: 2 }\n"));
        QVERIFY(write(open, "import QtQml\nQtObject { property int answer: 2 }\n"));
        QCOMPARE(answerOf(engine, QUrl::fromLocalFile(closed)), 1); // the cache answers, until the relief

        // As the router asks for it: after the quiet time, in which what the closed object left pending runs.
        MemoryRelief relief(&engine);
        QSignalSpy relieved(&relief, &MemoryRelief::relieved);
        relief.screenClosed();
        QTRY_COMPARE_WITH_TIMEOUT(relieved.count(), 1, 5 * MemoryRelief::kQuietMs);
        QCOMPARE(answerOf(engine, QUrl::fromLocalFile(closed)), 2);
        QCOMPARE(answerOf(engine, QUrl::fromLocalFile(open)), 1); // still in use: kept
    }
};

QTEST_MAIN(TestMemoryRelief)
#include "tst_memoryrelief.moc"
