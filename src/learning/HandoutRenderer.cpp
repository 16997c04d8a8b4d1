#include "HandoutRenderer.h"

#include "Theme.h"

namespace {

// An optional text that is shown only when it has characters.
std::optional<QString> nonEmpty(const std::optional<QString> &text) {
    return text && !text->isEmpty() ? text : std::nullopt;
}

} // namespace

QVariantMap LessonCardHeading::toVariant() const {
    return {{QStringLiteral("title"), title}, {QStringLiteral("icon"), icon}, {QStringLiteral("tint"), tint}};
}

QString HandoutExampleRow::id() const {
    return isStem() ? QString::number(example)
                    : QString::number(example) + QLatin1Char('.') + QString::number(step);
}

QString HandoutCard::kindName() const {
    return kind == Kind::Sections ? QStringLiteral("sections") : QStringLiteral("examples");
}

QList<HandoutExampleRow> HandoutCard::exampleRows() const {
    QList<HandoutExampleRow> rows;
    for (qsizetype e = 0; e < examples.size(); ++e) {
        const HandoutExampleBlock &example = examples.at(e);
        rows.append({int(e + 1), 0, example.stemLabel, {}, {}});
        for (qsizetype s = 0; s < example.steps.size(); ++s)
            rows.append({int(e + 1), int(s + 1), {}, example.steps.at(s).badge, example.steps.at(s).text});
    }
    return rows;
}

QString HandoutRenderer::sectionNumber(qsizetype position) {
    return QStringLiteral("%1").arg(position, 2, 10, QLatin1Char('0'));
}

QString HandoutRenderer::stemLabel(qsizetype position, const std::optional<QString> &stem) {
    return QStringLiteral("例 ") + QString::number(position) + QStringLiteral("  ") +
           stem.value_or(QString());
}

QList<HandoutCard> HandoutRenderer::render(const LessonHandout &handout) {
    QList<HandoutCard> cards;

    // A title alone makes no card: the card exists for its sections.
    if (handout.sections && !handout.sections->isEmpty()) {
        HandoutCard card;
        card.kind = HandoutCard::Kind::Sections;
        // An empty title is the server's choice and shown as such; only a missing one falls back.
        card.heading = {handout.title.value_or(defaultTitle), sectionsIcon, Theme::brandTeal()};
        const qsizetype count = handout.sections->size();
        for (qsizetype i = 0; i < count; ++i) {
            const LessonHandout::Section &section = handout.sections->at(i);
            // Every section takes its number, also one without a heading that shows none.
            card.sections.append(
                {sectionNumber(i + 1), nonEmpty(section.heading), nonEmpty(section.body), i + 1 < count});
        }
        cards.append(card);
    }

    if (handout.examples && !handout.examples->isEmpty()) {
        HandoutCard card;
        card.kind = HandoutCard::Kind::Examples;
        card.heading = {examplesTitle, examplesIcon, Theme::color(Theme::Orange, false)};
        for (qsizetype i = 0; i < handout.examples->size(); ++i) {
            const LessonHandout::Example &example = handout.examples->at(i);
            HandoutExampleBlock block{stemLabel(i + 1, example.stem), {}};
            const QStringList steps = example.steps.value_or(QStringList());
            for (qsizetype s = 0; s < steps.size(); ++s)
                block.steps.append({QString::number(s + 1), steps.at(s)});
            card.examples.append(block);
        }
        cards.append(card);
    }
    return cards;
}
