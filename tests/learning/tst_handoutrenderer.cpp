#include "HandoutRenderer.h"
#include "HandoutTextStyle.h"
#include "ListModel.h"
#include "Theme.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// A handout as the lesson answer carries it (snake_case decoding, as the learning client does).
LessonHandout handout(const QByteArray &json) {
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(json, &error).object();
    if (error.error != QJsonParseError::NoError)
        qFatal("bad test JSON: %s", json.constData());
    return LessonHandout::fromJson(JsonReader(object, JsonKeys::FromSnakeCase));
}

QString shown(const std::optional<QString> &text) {
    return text ? QStringLiteral("[") + *text + QStringLiteral("]") : QStringLiteral("-");
}

// The rendered cards, one line per card, section, example and step:
//   "sections <title>" / "examples <title>"
//   "<number> <heading> <body>" with "/" after a section followed by a divider ("-" for nothing shown)
//   "<stem label>" and "  <badge>: <step>"
QStringList lines(const QList<HandoutCard> &cards) {
    QStringList out;
    for (const HandoutCard &card : cards) {
        const bool sections = card.kind == HandoutCard::Kind::Sections;
        out << (sections ? QStringLiteral("sections ") : QStringLiteral("examples ")) + card.heading.title;
        for (const HandoutSectionBlock &section : card.sections) {
            out << section.number + u' ' + shown(section.heading) + u' ' + shown(section.body) +
                       (section.dividerAfter ? QStringLiteral(" /") : QString());
        }
        for (const HandoutExampleBlock &example : card.examples) {
            out << example.stemLabel;
            for (const HandoutStepBlock &step : example.steps)
                out << QStringLiteral("  ") + step.badge + QStringLiteral(": ") + step.text;
        }
    }
    return out;
}

QByteArray manySections(int count) {
    QByteArray json = R"({"sections":[)";
    for (int i = 1; i <= count; ++i)
        json += (i > 1 ? "," : "") + QByteArray(R"({"heading":"h)") + QByteArray::number(i) + "\"}";
    return json + "]}";
}

} // namespace

class TestHandoutRenderer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a handout turns into: which cards, their titles, the numbered entries with their dividers, the
    // stem labels and the numbered steps. Server texts pass through untouched.
    void render_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("nothing at all") << QByteArray("{}") << QStringList{};
        QTest::newRow("title alone makes no card") << QByteArray(R"({"title":"数轴"})") << QStringList{};
        QTest::newRow("title with empty sections makes no card")
            << QByteArray(R"({"title":"数轴","sections":[],"examples":[]})") << QStringList{};
        QTest::newRow("null lists") << QByteArray(R"({"title":null,"sections":null,"examples":null})")
                                    << QStringList{};
        QTest::newRow("no title falls back")
            << QByteArray(R"({"sections":[{"heading":"有理数","body":"整数和分数"}]})")
            << QStringList{"sections 讲义", "01 [有理数] [整数和分数]"};
        QTest::newRow("empty title stays empty") << QByteArray(R"({"title":"","sections":[{"heading":"a"}]})")
                                                 << QStringList{"sections ", "01 [a] -"};
        QTest::newRow("title given") << QByteArray(R"({"title":"数轴","sections":[{"body":"b"}]})")
                                     << QStringList{"sections 数轴", "01 - [b]"};
        QTest::newRow("dividers between sections, not after the last")
            << QByteArray(R"({"sections":[{"heading":"a","body":"1"},{"heading":"b","body":"2"},)"
                          R"({"heading":"c","body":"3"}]})")
            << QStringList{"sections 讲义", "01 [a] [1] /", "02 [b] [2] /", "03 [c] [3]"};
        QTest::newRow("a section without heading keeps its number")
            << QByteArray(R"({"sections":[{"heading":"a"},{"body":"only body"},{"heading":"c"}]})")
            << QStringList{"sections 讲义", "01 [a] - /", "02 - [only body] /", "03 [c] -"};
        QTest::newRow("empty texts count as absent, the entry stays")
            << QByteArray(R"({"sections":[{"heading":"","body":""},{},{"heading":"x","body":null}]})")
            << QStringList{"sections 讲义", "01 - - /", "02 - - /", "03 [x] -"};
        QTest::newRow("texts verbatim: spaces, line breaks, markup")
            << QByteArray(R"({"sections":[{"heading":"  <b>加法</b> ","body":"第一行\n第二行 &amp; |a|"}]})")
            << QStringList{"sections 讲义", "01 [  <b>加法</b> ] [第一行\n第二行 &amp; |a|]"};
        QTest::newRow("examples only")
            << QByteArray(R"({"title":"数轴","examples":[{"stem":"画数轴","steps":["定原点","定方向"]}]})")
            << QStringList{"examples 例题精讲", "例 1  画数轴", "  1: 定原点", "  2: 定方向"};
        QTest::newRow("example without stem or steps")
            << QByteArray(R"({"examples":[{},{"stem":"","steps":[]},{"steps":["s"]}]})")
            << QStringList{"examples 例题精讲", "例 1  ", "例 2  ", "例 3  ", "  1: s"};
        QTest::newRow("both cards, sections first")
            << QByteArray(R"({"examples":[{"stem":"e","steps":["x"]}],"sections":[{"heading":"h"}]})")
            << QStringList{"sections 讲义", "01 [h] -", "examples 例题精讲", "例 1  e", "  1: x"};
        QTest::newRow("empty step texts keep their badges")
            << QByteArray(R"({"examples":[{"stem":"e","steps":["","b"]}]})")
            << QStringList{"examples 例题精讲", "例 1  e", "  1: ", "  2: b"};
    }
    void render() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        QCOMPARE(lines(HandoutRenderer::render(handout(json))), expected);
    }

    void sectionNumbers_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("number");
        QTest::newRow("1") << 1 << "01";
        QTest::newRow("9") << 9 << "09";
        QTest::newRow("10") << 10 << "10";
        QTest::newRow("99") << 99 << "99";
        QTest::newRow("100") << 100 << "100";
        QTest::newRow("1234") << 1234 << "1234";
    }
    void sectionNumbers() {
        QFETCH(int, position);
        QFETCH(QString, number);
        QCOMPARE(HandoutRenderer::sectionNumber(position), number);
    }

    // The numbers as a long handout shows them, with a divider after all but the hundredth.
    void hundredSections() {
        const QList<HandoutCard> cards = HandoutRenderer::render(handout(manySections(100)));
        QCOMPARE(cards.size(), 1);
        const QList<HandoutSectionBlock> &sections = cards.first().sections;
        QCOMPARE(sections.size(), 100);
        QCOMPARE(sections[0].number, QStringLiteral("01"));
        QCOMPARE(sections[8].number, QStringLiteral("09"));
        QCOMPARE(sections[9].number, QStringLiteral("10"));
        QCOMPARE(sections[99].number, QStringLiteral("100"));
        QCOMPARE(sections[99].heading, QStringLiteral("h100"));
        for (int i = 0; i < 99; ++i)
            QVERIFY(sections[i].dividerAfter);
        QVERIFY(!sections[99].dividerAfter);
    }

    void cardHeadings() {
        const QList<HandoutCard> cards = HandoutRenderer::render(
            handout(R"({"title":"数轴","sections":[{"heading":"h"}],"examples":[{"stem":"e"}]})"));
        QCOMPARE(cards.size(), 2);
        QCOMPARE(cards[0].heading, (LessonCardHeading{QStringLiteral("数轴"), QStringLiteral("book.fill"),
                                                      Theme::brandTeal()}));
        QCOMPARE(cards[1].heading,
                 (LessonCardHeading{QStringLiteral("例题精讲"), QStringLiteral("lightbulb.fill"),
                                    Theme::color(Theme::Orange, false)}));
    }

    // What QML reads through the models' roles: every role there for both kinds, optional texts as flags
    // and empty strings.
    void rolesForQml() {
        const QList<HandoutCard> cards = HandoutRenderer::render(
            handout(R"({"sections":[{"body":"b"},{"heading":"h"}],"examples":[{"steps":["s"]}]})"));
        QCOMPARE(cards.size(), 2);
        const QVariantMap sections = ListModel<HandoutCard>::toMap(cards[0]);
        QCOMPARE(sections, (QVariantMap{{"kind", "sections"},
                                        {"title", "讲义"},
                                        {"icon", "book.fill"},
                                        {"tint", Theme::brandTeal()}}));
        QCOMPARE(ListModel<HandoutSectionBlock>::toMap(cards[0].sections.at(0)),
                 (QVariantMap{{"number", "01"},
                              {"hasHeading", false},
                              {"heading", QString()},
                              {"hasBody", true},
                              {"body", "b"},
                              {"dividerAfter", true}}));
        QCOMPARE(ListModel<HandoutSectionBlock>::toMap(cards[0].sections.at(1)).value("dividerAfter"), false);
        QCOMPARE(ListModel<HandoutCard>::toMap(cards[1]).value("kind").toString(),
                 QStringLiteral("examples"));
        QVERIFY(cards[0].exampleRows().isEmpty());
    }

    // The examples card's model lists each example's stem, then its steps, with ids by place.
    void exampleRows_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("rows"); // "<id> stem <label>" or "<id> <badge>: <text>"

        QTest::newRow("one example with steps")
            << QByteArray(R"({"examples":[{"stem":"e","steps":["a","b"]}]})")
            << QStringList{"1 stem 例 1  e", "1.1 1: a", "1.2 2: b"};
        QTest::newRow("examples without steps or stem")
            << QByteArray(R"({"examples":[{"stem":"e"},{"steps":["x"]},{}]})")
            << QStringList{"1 stem 例 1  e", "2 stem 例 2  ", "2.1 1: x", "3 stem 例 3  "};
        QTest::newRow("empty step text keeps its place")
            << QByteArray(R"({"examples":[{"stem":"e","steps":["","b"]}]})")
            << QStringList{"1 stem 例 1  e", "1.1 1: ", "1.2 2: b"};
    }
    void exampleRows() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, rows);
        const QList<HandoutCard> cards = HandoutRenderer::render(handout(json));
        QCOMPARE(cards.size(), 1);
        QStringList out;
        QSet<QString> ids;
        for (const HandoutExampleRow &row : cards[0].exampleRows()) {
            QVERIFY(row.isStem() ? row.badge.isEmpty() && row.text.isEmpty() : row.stemLabel.isEmpty());
            out << row.id() + (row.isStem() ? QStringLiteral(" stem ") + row.stemLabel
                                            : u' ' + row.badge + QStringLiteral(": ") + row.text);
            ids.insert(row.id());
        }
        QCOMPARE(out, rows);
        QCOMPARE(ids.size(), rows.size()); // unique, so a reload matches rows one to one
    }

    // The selectable texts get their line spacing on every block, also on blocks a later text brings.
    void lineSpacingOnEveryBlock() {
        QTextDocument document;
        document.setPlainText(QStringLiteral("第一段\n第二段\n\n第四段"));
        HandoutTextStyle::setLineSpacing(&document, 4);
        int blocks = 0;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next(), ++blocks) {
            QCOMPARE(block.blockFormat().lineHeight(), 4.0);
            QCOMPARE(block.blockFormat().lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
        }
        QCOMPARE(blocks, 4);
        QCOMPARE(document.toPlainText(),
                 QStringLiteral("第一段\n第二段\n\n第四段")); // the text itself untouched

        document.setPlainText(QStringLiteral("新的\n文字"));
        QCOMPARE(document.begin().blockFormat().lineHeightType(),
                 int(QTextBlockFormat::SingleHeight)); // plain again
        HandoutTextStyle::setLineSpacing(&document, 4);
        QCOMPARE(document.lastBlock().blockFormat().lineHeight(), 4.0);
        HandoutTextStyle::setLineSpacing(static_cast<QTextDocument *>(nullptr), 4); // nothing to do
    }
};

QTEST_MAIN(TestHandoutRenderer)
#include "tst_handoutrenderer.moc"
