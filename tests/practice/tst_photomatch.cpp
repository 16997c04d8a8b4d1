#include "Analytics.h"
#include "ApiError.h"
#include "AppSession.h"
#include "Await.h"
#include "PhotoMatchViewModel.h"
#include "TestPlatform.h"
#include "TextRecognizer.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// Readings and matches that finish when the test says so.
struct Flows {
    struct Pending {
        std::shared_ptr<Completion> gate = std::make_shared<Completion>();
        QString text;
        std::optional<StemMatchResult> result;
    };
    QList<std::shared_ptr<Pending>> reads;
    QList<std::shared_ptr<Pending>> matches;
    QStringList matchedStems;

    // Reads the texts in turn; with a `failure`, every reading fails with it.
    PhotoMatchViewModel::Recognize recognize(QStringList texts, QString failure = {}) {
        return [this, texts, failure](QImage) -> QCoro::Task<QString> {
            auto pending = std::make_shared<Pending>();
            pending->text = texts.value(reads.size());
            reads.append(pending);
            co_await Completion::wait(pending->gate);
            if (!failure.isEmpty())
                throw TextRecognitionError(failure);
            co_return pending->text;
        };
    }
    PhotoMatchViewModel::Match match() {
        return [this](QString stem, AppSession &) -> QCoro::Task<StemMatchResult> {
            matchedStems.append(stem);
            auto pending = std::make_shared<Pending>();
            pending->result = StemMatchResult{true, QStringLiteral("exact"), VariantQuestion{}};
            pending->result->question->questionId = 100 + matches.size();
            matches.append(pending);
            co_await Completion::wait(pending->gate);
            co_return *pending->result;
        };
    }
};

} // namespace

class TestPhotoMatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Two pictures read at once: the newer one's text and match win whatever finishes first, and the
    // spinners stay while either flow runs.
    void overlappingFlows() {
        TestPlatform platform;
        AppSession session;
        Flows flows;
        PhotoMatchViewModel vm(flows.match(), flows.recognize({"旧的题目", "新的题目"}));
        vm.setSession(&session);
        vm.recognizePhoto(QImage());
        vm.recognizePhoto(QImage());
        flows.reads[1]->gate->finish();
        QTRY_COMPARE(flows.matches.size(), 1);
        QCOMPARE(vm.stem(), QStringLiteral("新的题目"));
        flows.reads[0]->gate->finish(); // the older picture, late: it writes nothing and matches nothing
        QTest::qWait(20);
        QCOMPARE(vm.stem(), QStringLiteral("新的题目"));
        QCOMPARE(flows.matches.size(), 1);
        QVERIFY(vm.recognizing() && vm.matching());

        // A typed match overlapping the picture's: only the newest writes its result.
        vm.setStem(QStringLiteral("手输的题目"));
        QVERIFY(!vm.canMatch()); // one match at a time from the button
        flows.matches[0]->gate->finish();
        QTRY_VERIFY(!vm.matching());
        QVERIFY(!vm.recognizing());
        QCOMPARE(vm.practiceProperties().value("questionId").toString(), QStringLiteral("100"));
        QCOMPARE(flows.matchedStems, QStringList{"新的题目"});
    }

    void recognitionOutcomes_data() {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("stem");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("matches");
        const QString family = QStringLiteral("👨‍👩‍👧");
        const QString accented = QStringLiteral("e\u0301");
        QTest::newRow("blank") << " \n "
                               << ""
                               << ""
                               << "没有识别到文字，换个角度再拍，或手动输入题目" << 0;
        QTest::newRow("recogniser fails") << ""
                                          << "识别引擎出错，请再试一次"
                                          << ""
                                          << "识别失败：识别引擎出错，请再试一次" << 0;
        QTest::newRow("4500 emoji cut to 4000")
            << family.repeated(4500) << "" << family.repeated(4000) << "" << 1;
        QTest::newRow("4000 combined letters kept")
            << accented.repeated(4000) << "" << accented.repeated(4000) << "" << 1;
        QTest::newRow("trimmed") << "  题目\n"
                                 << ""
                                 << "题目"
                                 << "" << 1;
    }
    void recognitionOutcomes() {
        QFETCH(QString, read);
        QFETCH(QString, failure);
        QFETCH(QString, stem);
        QFETCH(QString, error);
        QFETCH(int, matches);
        TestPlatform platform;
        AppSession session;
        Flows flows;
        PhotoMatchViewModel vm(flows.match(), flows.recognize({read}, failure));
        vm.setSession(&session);
        vm.setStem(QStringLiteral("原来的"));
        vm.recognizePhoto(QImage());
        flows.reads[0]->gate->finish();
        QTRY_COMPARE(flows.matches.size(), matches);
        QTRY_COMPARE(vm.message(), error);
        QCOMPARE(vm.stem(), stem.isEmpty() ? QStringLiteral("原来的") : stem);
        for (const auto &pending : flows.matches)
            pending->gate->finish();
        QTRY_VERIFY(!vm.recognizing());
    }

    // The real reader without its language data: the learner reads why, not that the photo held no text.
    void readerWithoutLanguageData() {
        TestPlatform platform;
        AppSession session;
        Flows flows;
        QTemporaryDir empty;
        TextRecognizer reader(empty.path());
        PhotoMatchViewModel vm(flows.match(), [&reader](QImage image) { return reader.recognize(image); });
        vm.setSession(&session);
        QImage picture(200, 80, QImage::Format_RGB32);
        picture.fill(Qt::white);
        vm.recognizePhoto(picture);
        QTRY_VERIFY_WITH_TIMEOUT(!vm.recognizing(), 30000);
        QCOMPARE(vm.message(),
                 QStringLiteral("识别失败：本机缺少文字识别的语言数据（简体中文和英文），无法读取图片"));
        QVERIFY(flows.matches.isEmpty());
    }

    // The screen's own reader starts its reader process when the screen opens, not when it is made, and ends
    // it when the screen closes.
    void readerProcessFollowsTheScreen() {
        TestPlatform platform;
        QCOMPARE(TextRecognizer::readerProcesses(), 0);
        PhotoMatchViewModel vm;
        QCOMPARE(TextRecognizer::readerProcesses(), 0);
        vm.appear();
        QTRY_COMPARE_WITH_TIMEOUT(TextRecognizer::readerProcesses(), 1, 30000);
        vm.disappear();
        QTRY_COMPARE_WITH_TIMEOUT(TextRecognizer::readerProcesses(), 0, 30000);
    }

    // A screen that closed shows nothing more; the match is still recorded.
    void closedScreen() {
        TestPlatform platform;
        AppSession session;
        Flows flows;
        PhotoMatchViewModel vm(flows.match(), flows.recognize({}));
        vm.setSession(&session);
        vm.setStem(QStringLiteral("题目"));
        vm.match();
        vm.disappear();
        const qsizetype before = Analytics::shared().queuedCount();
        flows.matches[0]->gate->finish();
        QTRY_VERIFY(!vm.matching());
        QVERIFY(!vm.hasResult());
        QCOMPARE(Analytics::shared().queuedEvents().at(before).name, QStringLiteral("photo_match"));
        QCOMPARE(Analytics::shared().queuedEvents().at(before).props.value("matched_by"),
                 QStringLiteral("exact"));
    }

    // A screen destroyed while a picture is read or a stem matched: the late answer touches nothing and
    // starts no match; a match that ends is still recorded.
    void destroyedMidFlow_data() {
        QTest::addColumn<bool>("reading");
        QTest::newRow("reading") << true;
        QTest::newRow("matching") << false;
    }
    void destroyedMidFlow() {
        QFETCH(bool, reading);
        TestPlatform platform;
        AppSession session;
        Flows flows;
        auto vm = std::make_unique<PhotoMatchViewModel>(flows.match(), flows.recognize({"题目"}));
        vm->setSession(&session);
        if (reading) {
            vm->recognizePhoto(QImage());
        } else {
            vm->setStem(QStringLiteral("手输的题目"));
            vm->match();
        }
        vm.reset();
        const qsizetype before = Analytics::shared().queuedCount();
        (reading ? flows.reads : flows.matches).at(0)->gate->finish();
        QTest::qWait(20);
        QCOMPARE(flows.matchedStems, reading ? QStringList() : QStringList{"手输的题目"});
        QCOMPARE(Analytics::shared().queuedCount(), before + (reading ? 0 : 1));
    }

    void serverAnswers_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QString>("outcome");
        using Reply = FakeTransport::Reply;
        QTest::newRow("found") << Reply::json(200, R"({"matched":true,"question":{"question_id":7}})")
                               << "found 题目 #7";
        QTest::newRow("matched without a question") << Reply::json(200, R"({"matched":true})") << "not found";
        QTest::newRow("not matched") << Reply::json(200, R"({"matched":false,"matched_by":null})")
                                     << "not found";
        QTest::newRow("500 with a message") << Reply::json(500, R"({"message":"服务忙"})") << "error 服务忙";
        QTest::newRow("500 empty") << Reply::json(500, "") << "error 匹配失败";
        QTest::newRow("no answer") << Reply::json(-1, "") << "error 匹配失败";
        QTest::newRow("a body of the wrong shape")
            << Reply::json(200, R"({"matched":"yes"})") << "error 响应格式不正确";
    }
    void serverAnswers() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QString, outcome);
        TestPlatform platform;
        platform.transport->on("POST", "/api/v1/practice/questions/match", reply);
        AppSession session;
        session.setAccessToken("t");
        PhotoMatchViewModel vm(&PhotoMatchViewModel::matchOnServer,
                               [](QImage) -> QCoro::Task<QString> { co_return {}; });
        vm.setSession(&session);
        vm.setStem(QStringLiteral("  题目 "));
        vm.match();
        QTRY_VERIFY(!vm.matching());
        const QString seen = !vm.message().isEmpty() ? "error " + vm.message()
                             : vm.found()            ? "found " + vm.foundStem()
                                                     : QStringLiteral("not found");
        QCOMPARE(seen, outcome);
        const QJsonObject sent = QJsonDocument::fromJson(platform.transport->requests.first().body).object();
        QCOMPARE(sent.value("stem_text").toString(), QStringLiteral("  题目 ")); // sent as typed
        QCOMPARE(sent.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPhotoMatch)
#include "tst_photomatch.moc"
