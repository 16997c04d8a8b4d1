#include "QuestionMatch.h"

#include <QHash>

namespace devserver::learning {

QString normalizedStem(const QString &text) {
    const QString folded = text.normalized(QString::NormalizationForm_KC); // full width to half width
    QString kept;
    kept.reserve(folded.size());
    for (const QChar c : folded) {
        if (c.isSpace() || c == u'_')
            continue;
        if (c.isPunct() && c != u'-') // brackets, stops, commas, quotes; a minus sign says something
            continue;
        kept.append(c);
    }
    return kept;
}

double stemSimilarity(const QString &a, const QString &b) {
    if (a == b)
        return 1;
    if (a.size() < 2 || b.size() < 2)
        return 0;
    QHash<QStringView, int> bigrams;
    for (qsizetype i = 0; i + 1 < a.size(); ++i)
        ++bigrams[QStringView(a).mid(i, 2)];
    int shared = 0;
    for (qsizetype i = 0; i + 1 < b.size(); ++i) {
        auto found = bigrams.find(QStringView(b).mid(i, 2));
        if (found != bigrams.end() && *found > 0) {
            --*found;
            ++shared;
        }
    }
    return 2.0 * shared / double(a.size() - 1 + b.size() - 1);
}

StemMatch matchStem(const QString &stem) {
    const QString wanted = normalizedStem(stem);
    StemMatch best;
    double bestScore = kSimilar;
    for (const Chapter &chapter : chapters()) {
        for (const KnowledgePoint &point : chapter.points) {
            for (const SampleQuestion &question : point.questions) {
                const QString candidate = normalizedStem(question.stem);
                if (candidate == wanted)
                    return {&question, true};
                const double score = stemSimilarity(wanted, candidate);
                if (score >= bestScore) {
                    bestScore = score;
                    best = {&question, false};
                }
            }
        }
    }
    return best;
}

} // namespace devserver::learning
