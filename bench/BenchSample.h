#pragma once

// Samples of the running process for the bench (scripts/bench): resident memory and CPU time. Header-only,
// so that the bench's floor program measures itself exactly as the app does without linking the app.

#include <QDir>
#include <QFile>
#include <QSet>
#include <QString>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace BenchSample {

// Resident set size in kB (VmRSS), 0 when unknown.
inline long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// The resident set of this process's children together in kB (the text reader, while the photo screen keeps
// one): memory the app costs that its own figures leave out.
inline long childrenResidentKb() {
    const QByteArray self = QByteArray::number(qint64(getpid()));
    long total = 0;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!entry.front().isDigit())
            continue;
        QFile status(proc.filePath(entry + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        bool child = false;
        long rss = 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:"))
                child = line.mid(5).trimmed() == self;
            else if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').value(0).toLong();
        }
        if (child)
            total += rss;
    }
    return total;
}

// The part of the resident set that no file backs (heap, stacks, pixel buffers), in kB; the rest is the
// pages of mapped files (libraries, fonts) and shared memory.
inline long anonymousKb() {
    QFile rollup(QStringLiteral("/proc/self/smaps_rollup"));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : rollup.readAll().split('\n')) {
        if (line.startsWith("Anonymous:"))
            return line.mid(10).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// The paths of the shared libraries the process has mapped.
inline QSet<QByteArray> sharedLibraryPaths() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    QSet<QByteArray> paths;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && line.contains(".so"))
            paths.insert(line.mid(slash));
    }
    return paths;
}

// How many shared libraries the process has mapped.
inline int sharedLibraries() {
    return int(sharedLibraryPaths().size());
}

// The C heap in kB: what is handed out, and what is free but still held (in every arena).
struct Heap {
    long usedKb = 0;
    long freeKb = 0;
};
inline Heap heap() {
    const struct mallinfo2 info = mallinfo2();
    return {long((info.uordblks + info.hblkhd) / 1024), long(info.fordblks / 1024)};
}

// CPU time of every thread of the process so far, in seconds.
inline double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock time in nanoseconds since the Unix epoch (the bench script takes the launch instant the same
// way).
inline long long epochNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

// One line on stdout for the bench script: "QVL_BENCH <text>".
inline void report(const QString &text) {
    std::printf("QVL_BENCH %s\n", qPrintable(text));
    std::fflush(stdout);
}

} // namespace BenchSample
