#include "MemoryPolicy.h"

#include <QFile>
#include <QTest>
#include <QThread>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

qint64 residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// What a screen's work leaves behind: a large picture decoded and dropped (which, left to itself, the
// allocator takes as the program's usual block size), then many middling blocks, written to and freed again.
qint64 retainedAfterWorkKb(bool onThread) {
    qint64 before = 0;
    qint64 after = 0;
    const auto work = [&] {
        before = residentKb();
        void *picture = std::malloc(std::size_t(16) << 20); // 2000 x 2000, four bytes a pixel
        std::memset(picture, 1, std::size_t(16) << 20);
        std::free(picture);
        std::vector<void *> blocks;
        for (int i = 0; i < 96; ++i) { // 24 MB in blocks of 256 kB
            blocks.push_back(std::malloc(std::size_t(256) << 10));
            std::memset(blocks.back(), 1, std::size_t(256) << 10);
        }
        for (void *block : blocks)
            std::free(block);
        after = residentKb();
    };
    if (onThread) {
        // A thread of its own gets a heap of its own (as the text recognizer's worker does).
        QThread *thread = QThread::create(work);
        thread->start();
        thread->wait();
        delete thread;
    } else {
        work();
    }
    return after - before;
}

} // namespace

class MemoryPolicyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer's allocator holds freed memory back, so resident memory says nothing here");
#endif
        MemoryPolicy::apply();
    }

    // Freed memory leaves the process, on the main heap and on a thread's: at most a few of the 24 MB stay.
    void freedMemoryIsReturned_data() {
        QTest::addColumn<bool>("onThread");
        QTest::newRow("main thread") << false;
        QTest::newRow("worker thread") << true;
    }
    void freedMemoryIsReturned() {
        QFETCH(bool, onThread);
        const qint64 retained = retainedAfterWorkKb(onThread);
        qInfo("resident after the work: %+lld kB", retained);
        QVERIFY2(retained < 4 * 1024, qPrintable(QStringLiteral("%1 kB stayed resident").arg(retained)));
    }
};

QTEST_GUILESS_MAIN(MemoryPolicyTest)
#include "tst_memorypolicy.moc"
