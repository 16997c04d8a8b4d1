#include "LessonSections.h"

#include "Theme.h"

namespace {

template <typename T>
qsizetype countOf(const std::optional<QList<T>> &list) {
    return list ? list->size() : 0;
}

LessonCountLabel countLabel(const QString &symbol, qsizetype count, const QString &suffix) {
    return {symbol, QString::number(count) + suffix};
}

} // namespace

QVariantMap LessonHeaderCard::toVariant() const {
    return {{QStringLiteral("badge"), badge}, {QStringLiteral("name"), name}};
}

QVariantMap LessonExercisesCard::toVariant() const {
    return {{QStringLiteral("heading"), heading.toVariant()}, {QStringLiteral("answerLabel"), answerLabel}};
}

QVariantMap LessonAssetsCard::toVariant() const {
    return {{QStringLiteral("heading"), heading.toVariant()}, {QStringLiteral("text"), text}};
}

QString LessonSections::lessonTitle(qint64 listOrder) {
    return QStringLiteral("第 ") + QString::number(listOrder) + QStringLiteral(" 课");
}

LessonSections::Completion LessonSections::completionFor(const QString &state) {
    if (state == LessonState::ready)
        return Completion::Button;
    if (state == LessonState::completed)
        return Completion::Done;
    return Completion::None;
}

QVariantList LessonSections::optionsVariant(const QList<QuestionSnapshot::Option> &options) {
    QVariantList list;
    for (const QuestionSnapshot::Option &option : options) {
        list.append(QVariantMap{{QStringLiteral("hasLabel"), option.label.has_value()},
                                {QStringLiteral("label"), option.label.value_or(QString())},
                                {QStringLiteral("hasText"), option.text.has_value()},
                                {QStringLiteral("text"), option.text.value_or(QString())}});
    }
    return list;
}

LessonSections LessonSections::build(const LearningItemDetail &lesson) {
    LessonSections sections;

    const std::optional<LessonHandout> &handout = lesson.handout;
    const qsizetype questionCount = lesson.exercises ? countOf(lesson.exercises->questions) : 0;
    sections.header.badge = lessonTitle(lesson.listOrder);
    sections.header.name = lesson.kpName;
    sections.header.counts = {
        countLabel(QStringLiteral("doc.text"), handout ? countOf(handout->sections) : 0, sectionsSuffix),
        countLabel(QStringLiteral("lightbulb"), handout ? countOf(handout->examples) : 0, examplesSuffix),
        countLabel(QStringLiteral("pencil"), questionCount, exercisesSuffix),
    };

    sections.hasHandout = handout.has_value();
    if (handout)
        sections.handout = HandoutRenderer::render(*handout);

    if (questionCount > 0) {
        LessonExercisesCard card;
        card.heading = {exercisesTitle, QStringLiteral("pencil.and.list.clipboard"),
                        Theme::color(Theme::Purple, false)};
        card.answerLabel = answerLabel;
        const QList<LessonExercises::Question> &questions = *lesson.exercises->questions;
        for (qsizetype i = 0; i < questions.size(); ++i) {
            const LessonExercises::Question &question = questions.at(i);
            const QString number = QString::number(i + 1);
            const std::optional<QString> stem = question.stem ? question.stem->text : std::nullopt;
            // A question without a stem is practised under the same words its row shows.
            const QString text = stem ? *stem : QStringLiteral("第 ") + number + QStringLiteral(" 题");
            card.rows.append({number, text, question.questionId,
                              question.options.value_or(QList<QuestionSnapshot::Option>())});
        }
        sections.exercises = card;
    }

    // Only a lesson that was sent with neither part falls back to its materials; an empty handout or an
    // exercise list without questions still counts as sent.
    if (!lesson.handout && !lesson.exercises) {
        const qsizetype assets = lesson.assets.size();
        sections.assets =
            LessonAssetsCard{{assetsTitle, QStringLiteral("doc.richtext"), Theme::brandTeal()},
                             assets > 0 ? QStringLiteral("本课包含 ") + QString::number(assets) +
                                              QStringLiteral(" 份学习资料。")
                                        : noAssetsText};
    }

    sections.completion = completionFor(lesson.state);
    return sections;
}
