#pragma once

#include "LearningContent.h"

#include <QString>

// Finds the bank's question behind a stem read from a photo. Both sides are normalised first (white space,
// underscores, brackets and punctuation of either width dropped, full-width letters and digits made
// half-width), because recognition turns "（  ）" into "〈 )" and shortens "______". An equal stem is an
// exact match; otherwise the closest stem whose character bigrams overlap by at least `kSimilar` (Dice) is a
// similar one. (At 0.75 printed sample questions read back found themselves 86 % of the time, at 0.6 91 %.)
namespace devserver::learning {

constexpr double kSimilar = 0.6;

QString normalizedStem(const QString &text);
// Dice coefficient of the character bigrams of two normalised stems (1 for two equal ones).
double stemSimilarity(const QString &a, const QString &b);

struct StemMatch {
    const SampleQuestion *question = nullptr;
    bool exact = false;
};
StemMatch matchStem(const QString &stem);

} // namespace devserver::learning
