#pragma once

#include "LearningModels.h"

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QString>
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
//
// A row of the sections card's model: the optional texts reach QML as a flag and a text (empty when absent).
struct HandoutSectionBlock {
    Q_GADGET
    Q_PROPERTY(QString number MEMBER number)
    Q_PROPERTY(bool hasHeading READ hasHeading)
    Q_PROPERTY(QString heading READ headingText)
    Q_PROPERTY(bool hasBody READ hasBody)
    Q_PROPERTY(QString body READ bodyText)
    Q_PROPERTY(bool dividerAfter MEMBER dividerAfter)

public:
    QString number;                 // the 1-based position, two digits at least: "01", "10", "100"
    std::optional<QString> heading; // shown after the number; none when absent or empty
    std::optional<QString> body;    // none when absent or empty
    bool dividerAfter = false;      // a line follows every entry but the last

    // Sections have no ids of their own: a section is its place in the handout.
    QString id() const { return number; }
    bool hasHeading() const { return heading.has_value(); }
    QString headingText() const { return heading.value_or(QString()); }
    bool hasBody() const { return body.has_value(); }
    QString bodyText() const { return body.value_or(QString()); }
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

// One line of the examples card as its model lists them: an example's stem, then each of its steps, example
// after example. One flat list keeps the card a single column; `isStem` tells the two looks apart.
struct HandoutExampleRow {
    Q_GADGET
    Q_PROPERTY(bool isStem READ isStem)
    Q_PROPERTY(QString stemLabel MEMBER stemLabel)
    Q_PROPERTY(QString badge MEMBER badge)
    Q_PROPERTY(QString text MEMBER text)

public:
    int example = 0;   // the example's 1-based position
    int step = 0;      // the step's 1-based position; 0 for the stem
    QString stemLabel; // the stem's line; empty on a step
    QString badge;     // the step's number; empty on the stem
    QString text;      // the step's text; empty on the stem

    // "<example>" for a stem, "<example>.<step>" for a step: its place, as nothing here has an id.
    QString id() const;
    bool isStem() const { return step == 0; }
    friend bool operator==(const HandoutExampleRow &, const HandoutExampleRow &) = default;
};

// One card of a handout: the numbered sections, or the worked examples.
//
// A row of the handout's card model: its kind and heading; its entries are rows of their own models.
struct HandoutCard {
    Q_GADGET
    Q_PROPERTY(QString kind READ kindName)
    Q_PROPERTY(QString title READ title)
    Q_PROPERTY(QString icon READ icon)
    Q_PROPERTY(QColor tint READ tint)

public:
    enum class Kind { Sections, Examples };

    Kind kind = Kind::Sections;
    LessonCardHeading heading;
    QList<HandoutSectionBlock> sections; // for Kind::Sections
    QList<HandoutExampleBlock> examples; // for Kind::Examples

    // A handout has at most one card of each kind.
    QString id() const { return kindName(); }
    // "sections" or "examples".
    QString kindName() const;
    QString title() const { return heading.title; }
    QString icon() const { return heading.icon; }
    QColor tint() const { return heading.tint; }
    // The examples' stems and steps as one list, in reading order.
    QList<HandoutExampleRow> exampleRows() const;
    friend bool operator==(const HandoutCard &, const HandoutCard &) = default;
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

    // "%02d" of a 1-based position.
    static QString sectionNumber(qsizetype position);
    static QString stemLabel(qsizetype position, const std::optional<QString> &stem);
};
