// How long the wrong book's list answer takes to decode at a size a diligent learner reaches: 1 000 entries
// with their questions, options and error layers.

#include "ApiClient.h"
#include "WrongBookModels.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QByteArray thousandEntries() {
    QJsonArray items;
    for (qint64 i = 0; i < 1000; ++i) {
        QJsonArray options;
        for (const char *label : {"A", "B", "C", "D"})
            options.append(
                QJsonObject{{"label", label}, {"text", QStringLiteral("选项 %1%2").arg(label).arg(i)}});
        items.append(QJsonObject{
            {"wrong_item_id", Q_INT64_C(9007199254740993) + i},
            {"question_id", 900000 + i},
            {"kp_code", QStringLiteral("math-g7a-c1-%1").arg(i % 6 + 1, 2, 10, QLatin1Char('0'))},
            {"kp_name", QStringLiteral("有理数的加减法")},
            {"state", i % 3 ? "active" : "mastered"},
            {"correct_streak", i % 3},
            {"next_review_at", "2026-03-02T08:00:00Z"},
            {"due", i % 2 == 0},
            {"error_layers",
             QJsonObject{{"knowledge", QStringLiteral("「有理数的加减法」的法则没有掌握牢固")},
                         {"method", QStringLiteral("没有先确定符号再算绝对值")},
                         {"misconception", QStringLiteral("把减去一个负数当成减去它的绝对值")},
                         {"tags", QJsonArray{"有理数的加法", "有理数的减法"}},
                         {"corrected_by_user", false}}},
            {"question",
             QJsonObject{{"qtype", "single_choice"},
                         {"stem", QJsonObject{{"text", QStringLiteral("计算 (-3) + (-5) 的结果是（  ）")}}},
                         {"options", options}}},
            {"source", "practice"},
            {"created_at", "2026-03-01T08:00:00Z"}});
    }
    return QJsonDocument(QJsonObject{{"items", items}}).toJson(QJsonDocument::Compact);
}

} // namespace

class BenchWrongBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodeThousandEntries() {
        const QByteArray body = thousandEntries();
        WrongBookList list;
        QBENCHMARK {
            list = ApiClient::decode<WrongBookList>(body, JsonKeys::FromSnakeCase);
        }
        QCOMPARE(list.items.size(), 1000);
        QCOMPARE(list.items.last().wrongItemId, Q_INT64_C(9007199254740993) + 999);
        QCOMPARE(list.items.last().question->options->size(), 4);
        qInfo("body: %lld bytes", qint64(body.size()));
    }
    // The JSON parse alone, the floor under the decoding above.
    void parseThousandEntries() {
        const QByteArray body = thousandEntries();
        QJsonDocument document;
        QBENCHMARK {
            document = QJsonDocument::fromJson(body);
        }
        QCOMPARE(document.object().value("items").toArray().size(), 1000);
    }
};

QTEST_GUILESS_MAIN(BenchWrongBook)
#include "bench_wrongbook.moc"
