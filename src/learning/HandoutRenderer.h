#pragma once

#include "LearningModels.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// The heading of a titled lesson card (LessonCard.qml): the title as it stands, a symbol name and the tint of
// the icon tile.
struct LessonCardHeading {
    QString title;
    QString icon;
    QColor tint;

    QVariantMap toVariant() const;
    friend bool operator==(const LessonCardHeading &, const LessonCardHeading &) = default;
};

// One section of the handout card. Empty headings and bodies count as absent; the entry keeps its place
// (and its number) either way.
struct HandoutSectionBlock {
    QString number;                 // the 1-based position, two digits at least: "01", "10", "100"
    std::optional<QString> heading; // shown after the number; none when absent or empty
    std::optional<QString> body;    // none when absent or empty
    bool dividerAfter = false;      // a line follows every entry but the last

    friend bool operator==(const HandoutSectionBlock &, const HandoutSectionBlock &) = default;
};

// One numbered solution step of a worked example.
struct HandoutStepBlock {
    QString badge; // the 1-based position
    QString text;  // as sent

    friend bool operator==(const HandoutStepBlock &, const HandoutStepBlock &) = default;
};

struct HandoutExampleBlock {
    QString stemLabel; // "例 " + position + two spaces + the stem (an absent stem is an empty text)
    QList<HandoutStepBlock> steps;

    friend bool operator==(const HandoutExampleBlock &, const HandoutExampleBlock &) = default;
};

// One card of a handout: the numbered sections, or the worked examples.
struct HandoutCard {
    enum class Kind { Sections, Examples };

    Kind kind = Kind::Sections;
    LessonCardHeading heading;
    QList<HandoutSectionBlock> sections; // for Kind::Sections
    QList<HandoutExampleBlock> examples; // for Kind::Examples

    // For QML: {"kind": "sections" or "examples", "heading": {...}, "sections": [...], "examples": [...]}.
    QVariantMap toVariant() const;
};

// Lays a lesson handout out as the cards HandoutSections.qml draws: at most a sections card and an examples
// card, in that order, each only when its list has entries. Texts from the server stay as they are (they are
// drawn as plain text); only the numbers, the stem labels and the card titles are made here.
class HandoutRenderer {
public:
    static inline const QString defaultTitle = QStringLiteral("讲义");
    static inline const QString examplesTitle = QStringLiteral("例题精讲");
    static inline const QString sectionsIcon = QStringLiteral("book.fill");
    static inline const QString examplesIcon = QStringLiteral("lightbulb.fill");

    static QList<HandoutCard> render(const LessonHandout &handout);
    static QVariantList toVariant(const QList<HandoutCard> &cards);

    // "%02d" of a 1-based position.
    static QString sectionNumber(qsizetype position);
    static QString stemLabel(qsizetype position, const std::optional<QString> &stem);
};
