#include "FuzzTarget.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <memory>

// Replays a corpus through its target once per file, so that an input known to have crashed a decoder
// fails the ordinary test run. The corpus folder is the first argument, else the one the build names.
int main(int argc, char **argv) {
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QVL_FUZZ_CORPUS);
    if (!QDir(folder).exists()) {
        std::fprintf(stderr, "no corpus at %s\n", qPrintable(folder));
        return 2;
    }
    int files = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 2;
        }
        const QByteArray input = file.readAll();
        // A copy of exactly the input's size, so that a read past its end is caught by the sanitizers.
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[size_t(input.size())]);
        std::copy(input.begin(), input.end(), bytes.get());
        qvlFuzz(bytes.get(), size_t(input.size()));
        ++files;
    }
    // An empty corpus would pass while proving nothing.
    if (files == 0) {
        std::fprintf(stderr, "empty corpus at %s\n", qPrintable(folder));
        return 2;
    }
    std::printf("%d inputs replayed from %s\n", files, qPrintable(folder));
    return 0;
}
