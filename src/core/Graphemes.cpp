#include "Graphemes.h"

#include <QTextBoundaryFinder>

int Graphemes::count(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString Graphemes::leading(const QString &text, int limit) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int count = 0; count < limit; ++count) {
        const qsizetype next = finder.toNextBoundary();
        if (next <= 0)
            return text;
        end = next;
    }
    return text.left(end);
}
