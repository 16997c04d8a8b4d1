#pragma once

// Samples of the running process for the bench (scripts/bench): resident memory and CPU time. Header-only,
// so that the bench's floor program measures itself exactly as the app does without linking the app.

#include <QFile>
#include <QSet>
#include <QString>

#include <sys/resource.h>
#include <time.h>

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

// How many shared libraries the process has mapped.
inline int sharedLibraries() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return 0;
    QSet<QByteArray> paths;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash >= 0 && line.contains(".so"))
            paths.insert(line.mid(slash));
    }
    return int(paths.size());
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
