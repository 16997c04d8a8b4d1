#include "AppSession.h"
#include "Await.h"
#include "ChapterPickerViewModel.h"
#include "Fixtures.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

const QString chaptersPath = QStringLiteral("/api/v1/knowledge/chapters");

ChapterItem chapter(const QString &code, const QString &subject, qint64 grade, const QString &name = {}) {
    return {code, subject, QStringLiteral("junior"), grade, name.isEmpty() ? code : name};
}

QByteArray chaptersBody(const QList<ChapterItem> &chapters) {
    QJsonArray items;
    for (const ChapterItem &c : chapters) {
        items.append(QJsonObject{{"code", c.code},
                                 {"subject", c.subject},
                                 {"stage", c.stage},
                                 {"grade", c.grade},
                                 {"name", c.name}});
    }
    return QJsonDocument(QJsonObject{{"items", items}}).toJson(QJsonDocument::Compact);
}

const QList<ChapterItem> sample{chapter("m7-1", "math", 7, "有理数"),
                                chapter("m7-2", "math", 7, "整式的加减"),
                                chapter("p8-1", "physics", 8, "机械运动")};

QStringList sectionTitles(const ChapterPickerViewModel &picker) {
    QStringList titles;
    for (const ChapterPickerRow &row : picker.rows()) {
        if (row.startsSection)
            titles.append(row.section);
    }
    return titles;
}

struct Fixture {
    TestPlatform platform;
    AppSession session;
    ChapterPickerViewModel picker;

    Fixture() {
        session.setAccessToken(QStringLiteral("at"));
        picker.setSession(&session);
    }
    FakeTransport &transport() { return *platform.transport; }
};

} // namespace

Q_DECLARE_METATYPE(QList<ChapterItem>)
Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestChapterPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void subjectLabels_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("label");
        QTest::newRow("math") << "math"
                              << "数学";
        QTest::newRow("chinese") << "chinese"
                                 << "语文";
        QTest::newRow("english") << "english"
                                 << "英语";
        QTest::newRow("physics") << "physics"
                                 << "物理";
        QTest::newRow("chemistry") << "chemistry"
                                   << "化学";
        QTest::newRow("capitalised stays") << "Math"
                                           << "Math";
        QTest::newRow("unknown stays") << "biology"
                                       << "biology";
        QTest::newRow("padded stays") << " math"
                                      << " math";
        QTest::newRow("empty") << ""
                               << "";
    }
    void subjectLabels() {
        QFETCH(QString, code);
        QFETCH(QString, label);
        QCOMPARE(ChapterPickerViewModel::subjectLabel(code), label);
        QCOMPARE(ChapterPickerViewModel::groupTitle(chapter("c", code, 7)),
                 label + QStringLiteral(" · 7 年级"));
    }

    // Sections: titles ascending by code point (grades compared as text), each section in server order.
    void grouping_data() {
        QTest::addColumn<QList<ChapterItem>>("chapters");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("codes"); // the chapters' codes section after section

        QTest::newRow("grade compared as text")
            << QList<ChapterItem>{chapter("a", "math", 7), chapter("b", "math", 10),
                                  chapter("c", "physics", 8)}
            << QStringList{"数学 · 10 年级", "数学 · 7 年级", "物理 · 8 年级"} << QStringList{"b", "a", "c"};
        QTest::newRow("built-in labels in code point order")
            << QList<ChapterItem>{chapter("a", "chinese", 7), chapter("b", "english", 7),
                                  chapter("c", "physics", 7), chapter("d", "math", 7),
                                  chapter("e", "chemistry", 7)}
            << QStringList{"化学 · 7 年级", "数学 · 7 年级", "物理 · 7 年级", "英语 · 7 年级",
                           "语文 · 7 年级"}
            << QStringList{"e", "d", "c", "b", "a"};
        QTest::newRow("latin codes first")
            << QList<ChapterItem>{chapter("a", "math", 7), chapter("b", "Math", 7),
                                  chapter("c", "biology", 9)}
            << QStringList{"Math · 7 年级", "biology · 9 年级", "数学 · 7 年级"}
            << QStringList{"b", "c", "a"};
        QTest::newRow("server order within a section")
            << QList<ChapterItem>{chapter("z", "math", 7), chapter("y", "math", 8), chapter("x", "math", 7)}
            << QStringList{"数学 · 7 年级", "数学 · 8 年级"} << QStringList{"z", "x", "y"};
        // UTF-16 order would put the astral character (a surrogate pair) before U+FF4D.
        QTest::newRow("code points beyond the BMP")
            << QList<ChapterItem>{chapter("a", QStringLiteral("\U0001D40C"), 7),
                                  chapter("b", QStringLiteral("ｍ"), 7)}
            << QStringList{QStringLiteral("ｍ · 7 年级"), QStringLiteral("\U0001D40C · 7 年级")}
            << QStringList{"b", "a"};
        QTest::newRow("none") << QList<ChapterItem>{} << QStringList{} << QStringList{};
    }
    void grouping() {
        QFETCH(QList<ChapterItem>, chapters);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, codes);

        QCOMPARE(ChapterPickerViewModel::groupTitles(chapters), titles);

        Fixture f;
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, chaptersBody(chapters)));
        Await::result(f.picker.loadChapters());
        QCOMPARE(sectionTitles(f.picker), titles);
        QStringList shown;
        QString section;
        for (int i = 0; i < f.picker.rowModel()->count(); ++i) {
            const QVariantMap row = f.picker.rowModel()->get(i);
            shown.append(row.value("code").toString());
            // A section's title heads its first row; every row's second line is its section's title.
            QCOMPARE(row.value("startsSection").toBool(), row.value("section").toString() != section);
            section = row.value("section").toString();
            QCOMPARE(row.value("subtitle").toString(), section);
        }
        QCOMPARE(shown, codes);
    }

    // --- loading

    void startsLoadingSoTheEmptyTextNeverFlashes() {
        ChapterPickerViewModel picker;
        QVERIFY(picker.loading());
        QVERIFY(picker.showsSpinner());
        QVERIFY(!picker.showsEmptyText());
        QVERIFY(!picker.hasChapters());
    }

    // A reload that renames one chapter and adds one to a new section signals just that: one row changed,
    // one row in, nothing reset.
    void aReloadSignalsOnlyTheRowsThatChanged() {
        Fixture f;
        QList<ChapterItem> renamed = sample;
        renamed[1].name = QStringLiteral("整式");
        renamed.append(chapter("c9-1", "chemistry", 9, "走进化学"));
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, chaptersBody(sample)));
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, chaptersBody(renamed)));
        Await::result(f.picker.loadChapters());
        ListModelBase *model = f.picker.rowModel();
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);
        Await::result(f.picker.loadChapters());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0].at(0).toModelIndex().row(), 2); // "化学 · 9 年级" sorts first
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted[0].at(1).toInt(), 0);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(reset.count(), 0);
        QCOMPARE(model->get(2).value("name").toString(), QStringLiteral("整式"));
    }

    void aLoadShowsTheChapters() {
        Fixture f;
        f.transport().on("GET", chaptersPath,
                         FakeTransport::Reply::json(200, chaptersBody(sample)).after(20));
        QSignalSpy loading(&f.picker, &ChapterPickerViewModel::loadingChanged);
        auto task = f.picker.loadChapters();
        QVERIFY(f.picker.showsSpinner());
        Await::result(task);
        QCOMPARE(f.picker.chapters(), sample);
        QVERIFY(!f.picker.loading());
        QVERIFY(!f.picker.showsSpinner());
        QVERIFY(!f.picker.showsEmptyText());
        QCOMPARE(loading.count(), 1); // already loading from the start
        QCOMPARE(sectionTitles(f.picker), (QStringList{"数学 · 7 年级", "物理 · 8 年级"}));
        // A read of the catalogue: no body, no content type, the learner's token.
        const HttpRequest request = f.transport().requests.last();
        QCOMPARE(request.method, QByteArray("GET"));
        QVERIFY(request.body.isEmpty());
        QVERIFY(!request.hasHeader("Content-Type"));
        QCOMPARE(request.header("Authorization"), std::optional<QByteArray>("Bearer at"));
    }

    void anEmptyCatalogueSaysSo() {
        Fixture f;
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, R"({"items":[]})"));
        Await::result(f.picker.loadChapters());
        QVERIFY(!f.picker.showsSpinner());
        QVERIFY(f.picker.showsEmptyText());
        QCOMPARE(f.picker.emptyText(), QStringLiteral("暂时没有可学的章节"));
        QVERIFY(f.picker.rows().isEmpty());
    }

    // A failure takes the empty-list text's place; a working server then shows the sections and no message.
    void aFailureIsShownOnlyWhileNothingIsListed_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("502 without a body") << FakeTransport::Reply::json(502, "") << "请求失败（502）";
        QTest::newRow("server message")
            << FakeTransport::Reply::json(500, R"({"message":"目录维护中"})") << "目录维护中";
        QTest::newRow("wrong shape") << FakeTransport::Reply::json(200, R"({"items":[{"code":1}]})")
                                     << "响应格式不正确";
        QTest::newRow("no connection")
            << FakeTransport::Reply::error(TransportError::Kind::NoConnection)
            << TransportError::fromKind(TransportError::Kind::NoConnection).message();
    }
    void aFailureIsShownOnlyWhileNothingIsListed() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QString, message);

        Fixture f;
        f.transport().on("GET", chaptersPath, reply);
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, chaptersBody(sample)));
        Await::result(f.picker.loadChapters());
        QVERIFY(f.picker.showsEmptyText());
        QCOMPARE(f.picker.emptyText(), message);
        QCOMPARE(*f.picker.errorMessage(), message);

        Await::result(f.picker.runRefresh());
        QVERIFY(!f.picker.errorMessage());
        QCOMPARE(f.picker.chapters(), sample);
        QVERIFY(!f.picker.showsEmptyText());
    }

    void aFailedRefreshKeepsTheListAndShowsNothing() {
        Fixture f;
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, chaptersBody(sample)));
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(503, ""));
        Await::result(f.picker.loadChapters());
        QSignalSpy chaptersChanged(&f.picker, &ChapterPickerViewModel::chaptersChanged);
        QSignalSpy refreshing(&f.picker, &ChapterPickerViewModel::refreshingChanged);
        Await::result(f.picker.runRefresh());
        QCOMPARE(f.picker.chapters(), sample);
        QCOMPARE(chaptersChanged.count(), 0);
        QVERIFY(!f.picker.showsEmptyText()); // the message exists but is not on show
        QCOMPARE(f.picker.errorMessageText(), QStringLiteral("请求失败（503）"));
        QCOMPARE(refreshing.count(), 2);
        QVERIFY(!f.picker.refreshing());
    }

    // Leaving the screen drops the load under way: its answer, and its failure, change nothing.
    void aLoadDroppedOnLeavingChangesNothing_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::newRow("answer") << FakeTransport::Reply::json(200, chaptersBody(sample)).after(30);
        QTest::newRow("failure") << FakeTransport::Reply::json(500, R"({"message":"x"})").after(30);
    }
    void aLoadDroppedOnLeavingChangesNothing() {
        QFETCH(FakeTransport::Reply, reply);
        Fixture f;
        f.transport().on("GET", chaptersPath, reply);
        auto task = f.picker.runRefresh();
        QVERIFY(f.picker.refreshing());
        f.picker.disappear();
        QVERIFY(!f.picker.loading());
        QVERIFY(!f.picker.refreshing());
        QSignalSpy chaptersChanged(&f.picker, &ChapterPickerViewModel::chaptersChanged);
        QSignalSpy errorChanged(&f.picker, &ChapterPickerViewModel::errorMessageChanged);
        Await::result(task);
        QCOMPARE(chaptersChanged.count(), 0);
        QCOMPARE(errorChanged.count(), 0);
        QVERIFY(!f.picker.loading());
        QVERIFY(!f.picker.refreshing());
    }

    // A picker destroyed while its refresh runs is left alone by the answer or the failure.
    void aPickerGoneMidLoadIsLeftAlone_data() { aLoadDroppedOnLeavingChangesNothing_data(); }
    void aPickerGoneMidLoadIsLeftAlone() {
        QFETCH(FakeTransport::Reply, reply);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("at"));
        auto picker = std::make_unique<ChapterPickerViewModel>();
        picker->setSession(&session);
        platform.transport->on("GET", chaptersPath, reply);
        auto task = picker->runRefresh();
        picker.reset();
        Await::result(task);
        QCOMPARE(platform.transport->count(chaptersPath), 1);
    }

    // A cancelled request is no failure.
    void aCancelledLoadShowsNoMessage() {
        Fixture f;
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::error(TransportError::Kind::Cancelled));
        Await::result(f.picker.loadChapters());
        QVERIFY(!f.picker.errorMessage());
        QVERIFY(!f.picker.loading());
        QCOMPARE(f.picker.emptyText(), QStringLiteral("暂时没有可学的章节"));
    }

    // Overlapping loads each apply their own result when they end; the later answer stays.
    void overlappingLoadsApplyInTheOrderTheyEnd() {
        Fixture f;
        const QList<ChapterItem> older{chapter("old", "math", 7)};
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, chaptersBody(older)).after(60));
        f.transport().on("GET", chaptersPath,
                         FakeTransport::Reply::json(200, chaptersBody(sample)).after(10));
        auto slow = f.picker.loadChapters();
        auto fast = f.picker.runRefresh();
        Await::result(fast);
        QCOMPARE(f.picker.chapters(), sample);
        QVERIFY(!f.picker.loading()); // the first to end clears it
        Await::result(slow);
        QCOMPARE(f.picker.chapters(), older);
    }

    void tappingARowHandsItsCodeOnOnce() {
        Fixture f;
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, chaptersBody(sample)));
        Await::result(f.picker.loadChapters());
        const int requests = f.transport().requests.size();
        QSignalSpy picked(&f.picker, &ChapterPickerViewModel::picked);
        QSignalSpy anything(&f.picker, &ChapterPickerViewModel::stateChanged);
        f.picker.pick(QStringLiteral("m7-2"));
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked.first().first().toString(), QStringLiteral("m7-2"));
        QCOMPARE(anything.count(), 0);
        QCOMPARE(f.transport().requests.size(), requests);
    }

    // The topic box's failure is the page's message, seen only while no chapters are listed.
    void aTopicFailureSharesThePagesMessage() {
        Fixture f;
        f.transport().on("GET", chaptersPath, FakeTransport::Reply::json(200, R"({"items":[]})"));
        f.transport().on("POST", QStringLiteral("/api/v1/learning-paths/topic-preview"),
                         FakeTransport::Reply::json(500, R"({"message":"解析服务不可用"})"));
        Await::result(f.picker.loadChapters());
        f.picker.topicBox()->setTopicText(QStringLiteral("分数"));
        Await::result(f.picker.topicBox()->resolveTopic());
        QCOMPARE(f.picker.emptyText(), QStringLiteral("解析服务不可用"));
        QVERIFY(f.picker.showsEmptyText());
    }

    void aConfirmedTopicGoesToTheHost() {
        Fixture f;
        f.transport().on(
            "POST", QStringLiteral("/api/v1/learning-paths/topic-preview"),
            // One candidate: chapter c1 with the single point k1.
            FakeTransport::Reply::json(200, Fixtures::json("learning/topic-one-candidate.json")));
        f.picker.topicBox()->setTopicText(QStringLiteral("绝对值"));
        Await::result(f.picker.topicBox()->resolveTopic());
        QSignalSpy topic(&f.picker, &ChapterPickerViewModel::topicPicked);
        f.picker.topicBox()->confirm(0);
        QCOMPARE(topic.count(), 1);
        QCOMPARE(topic.first().first().value<TopicCandidate>().id(), QStringLiteral("c1:k1"));
    }
};

QTEST_GUILESS_MAIN(TestChapterPicker)
#include "tst_chapterpicker.moc"
