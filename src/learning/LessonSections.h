#pragma once

#include "HandoutRenderer.h"
#include "LearningModels.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// One count of the lesson's header card: a symbol and "<count> <what>". A row of the header's count model.
struct LessonCountLabel {
    Q_GADGET
    Q_PROPERTY(QString symbol MEMBER symbol)
    Q_PROPERTY(QString text MEMBER text)

public:
    QString symbol;
    QString text;

    // Each count has its own symbol.
    QString id() const { return symbol; }
    friend bool operator==(const LessonCountLabel &, const LessonCountLabel &) = default;
};

// The gradient card at the top of a lesson: its number, its name and how much it holds.
struct LessonHeaderCard {
    QString badge; // "第 3 课"
    QString name;  // the knowledge point's name as sent
    QList<LessonCountLabel> counts;

    // {badge, name}; the counts go to QML as a model of their own.
    QVariantMap toVariant() const;
};

// One exercise of the lesson. With a question id it opens the practice screen; without one it is only shown.
//
// A row of the exercises card's model. The options are no role (only the practice screen shows them) but
// take part in `==`, so the model's copy of a row never keeps stale options.
struct LessonQuestionRow {
    Q_GADGET
    Q_PROPERTY(QString number MEMBER number)
    Q_PROPERTY(QString questionText MEMBER text)
    Q_PROPERTY(bool answerable READ answerable)

public:
    QString number; // the 1-based position
    // The stem's text, or "第 <n> 题" for a question without a stem; also the practice screen's stem.
    QString text;
    std::optional<qint64> questionId;
    QList<QuestionSnapshot::Option> options; // empty when the question has none

    // Not every question has an id of its own: a row is its place in the list.
    QString id() const { return number; }
    bool answerable() const { return questionId.has_value(); }
    friend bool operator==(const LessonQuestionRow &, const LessonQuestionRow &) = default;
};

struct LessonExercisesCard {
    LessonCardHeading heading;
    QString answerLabel; // the pill of a row that opens the practice screen
    QList<LessonQuestionRow> rows;

    // {heading, answerLabel}; the rows go to QML as a model of their own.
    QVariantMap toVariant() const;
};

// Shown instead of handout and exercises when the lesson has neither.
struct LessonAssetsCard {
    LessonCardHeading heading;
    QString text;

    QVariantMap toVariant() const;
};

// The content of a loaded lesson, top to bottom: header card, handout cards, exercises card, assets card,
// completion control. Each part is present exactly when the lesson calls for it; every text and count the
// page shows is made here.
struct LessonSections {
    enum class Completion { None, Button, Done };

    LessonHeaderCard header;
    bool hasHandout = false; // the handout's cards follow the header (there may be none of them)
    QList<HandoutCard> handout;
    std::optional<LessonExercisesCard> exercises;
    std::optional<LessonAssetsCard> assets;
    Completion completion = Completion::None;

    static LessonSections build(const LearningItemDetail &lesson);

    // "第 <order> 课", the lesson's badge and the page's title.
    static QString lessonTitle(qint64 listOrder);
    // Only a ready lesson can be completed, and only a completed one says so; any other state shows nothing.
    static Completion completionFor(const QString &state);
    // The answer options as the practice screen takes them: [{label, text, hasLabel, hasText}].
    static QVariantList optionsVariant(const QList<QuestionSnapshot::Option> &options);

    static inline const QString sectionsSuffix = QStringLiteral(" 节讲义");
    static inline const QString examplesSuffix = QStringLiteral(" 道例题");
    static inline const QString exercisesSuffix = QStringLiteral(" 道练习");
    static inline const QString exercisesTitle = QStringLiteral("配套练习");
    static inline const QString answerLabel = QStringLiteral("作答");
    static inline const QString assetsTitle = QStringLiteral("课程内容");
    static inline const QString noAssetsText = QStringLiteral("内容还在整理，稍后再来看看。");
    // What the practice screen is told about where it was opened from.
    static inline const QString practiceSource = QStringLiteral("practice");
};
