// The study-limits page's state: decoding the limits, the daily-minutes stepper (its range, its footer, a
// value loaded outside the range), the rest-period rows, the exact request and save body, and what each
// answer of a load or a save leaves on the page, a page gone before its answer included.
#include "AccountAPIClient.h"
#include "AppSession.h"
#include "Await.h"
#include "Fixtures.h"
#include "StudyLimitsViewModel.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;
using Period = StudyLimits::Period;
using Periods = QList<Period>;

const QString limitsPath = AccountAPIClient::limitsPath;

// A reply with every required key; `extra` is spliced in (or replaces keys when repeated later in the text).
QByteArray limitsJson(qint64 minutes, const QByteArray &extra = {}, bool enforced = true) {
    return R"({"daily_minutes":)" + QByteArray::number(minutes) +
           R"(,"blocked_periods":[{"start":"22:00","end":"06:00"}],"enforced":)" +
           (enforced ? "true" : "false") + R"(,"editable":true,"used_minutes":35,"remaining_minutes":25)" +
           (extra.isEmpty() ? QByteArray() : "," + extra) + "}";
}

QByteArray withoutKey(const QByteArray &key) {
    QJsonObject object = QJsonDocument::fromJson(limitsJson(60)).object();
    object.remove(QString::fromLatin1(key));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)
Q_DECLARE_METATYPE(StudyLimits::Period)

class TestStudyLimits : public QObject {
    Q_OBJECT

    struct Page {
        TestPlatform platform;
        AppSession session;
        std::unique_ptr<StudyLimitsViewModel> vm = std::make_unique<StudyLimitsViewModel>();

        // What the GET and the PUT answer from now on (until the next `answerLoad` / `answerSave`).
        Reply loadReply = Reply::json(404, "{}");
        Reply saveReply = Reply::json(404, "{}");

        Page() {
            session.setAccessToken(QStringLiteral("tok"));
            vm->setSession(&session);
            platform.transport->fallback = [this](const HttpRequest &request) {
                return request.method == "PUT" ? saveReply : loadReply;
            };
        }
        void answerLoad(const Reply &reply) { loadReply = reply; }
        void answerSave(const Reply &reply) { saveReply = reply; }
        void loadWith(const QByteArray &body) {
            answerLoad(Reply::json(200, body));
            Await::result(vm->runLoad());
        }
        QList<HttpRequest> saves() const { return platform.transport->requestsTo(limitsPath).mid(1); }
    };

private Q_SLOTS:
    // Every required key must be there with its type; the minimum and maximum may be absent or null.
    void decoding_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<qint64>("lower"); // as decoded, -1 for absent
        QTest::addColumn<qint64>("upper");
        QTest::newRow("all keys") << limitsJson(60, R"("min_daily_minutes":20,"max_daily_minutes":90)")
                                  << true << qint64(20) << qint64(90);
        QTest::newRow("min and max absent") << limitsJson(60) << true << qint64(-1) << qint64(-1);
        QTest::newRow("min and max null")
            << limitsJson(60, R"("min_daily_minutes":null,"max_daily_minutes":null)") << true << qint64(-1)
            << qint64(-1);
        QTest::newRow("unknown keys ignored")
            << limitsJson(60, R"("tier":"teen")") << true << qint64(-1) << qint64(-1);
        for (const char *key : {"daily_minutes", "blocked_periods", "enforced", "editable", "used_minutes",
                                "remaining_minutes"})
            QTest::addRow("without %s", key) << withoutKey(key) << false << qint64(0) << qint64(0);
        QTest::newRow("editable null")
            << limitsJson(60, R"("editable":null)") << false << qint64(0) << qint64(0);
        QTest::newRow("minutes as text")
            << limitsJson(60, R"("daily_minutes":"60")") << false << qint64(0) << qint64(0);
        QTest::newRow("fractional max")
            << limitsJson(60, R"("max_daily_minutes":90.5)") << false << qint64(0) << qint64(0);
        QTest::newRow("period without end")
            << limitsJson(60, R"("blocked_periods":[{"start":"22:00"}])") << false << qint64(0) << qint64(0);
    }
    void decoding() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QFETCH(qint64, lower);
        QFETCH(qint64, upper);
        try {
            const StudyLimits limits =
                StudyLimits::fromJson(JsonReader::parse(body, JsonKeys::FromSnakeCase));
            QVERIFY(decodes);
            QCOMPARE(limits.dailyMinutes, 60);
            QCOMPARE(limits.blockedPeriods, (Periods{{"22:00", "06:00"}}));
            QVERIFY(limits.enforced && limits.editable);
            QCOMPARE(limits.usedMinutes, 35);
            QCOMPARE(limits.remainingMinutes, 25);
            QCOMPARE(limits.minDailyMinutes.value_or(-1), lower);
            QCOMPARE(limits.maxDailyMinutes.value_or(-1), upper);
        } catch (const JsonDecodeError &) {
            QVERIFY(!decodes);
        }
    }

    // The stepper's range and footer from the reply; the value stays as loaded until a button moves it, and
    // then by 5 without passing either end.
    void stepper_data() {
        QTest::addColumn<QByteArray>("range"); // spliced into the reply
        QTest::addColumn<qint64>("loaded");
        QTest::addColumn<QString>("presses"); // "+" and "-"
        QTest::addColumn<qint64>("lower");
        QTest::addColumn<qint64>("upper");
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<bool>("canIncrement");
        QTest::addColumn<bool>("canDecrement");
        QTest::addColumn<QString>("footerMost");
        QTest::newRow("no min, no max") << QByteArray() << qint64(60) << "" << qint64(15) << qint64(240)
                                        << qint64(60) << true << true << "240";
        QTest::newRow("max 90: stops at 90")
            << QByteArray(R"("max_daily_minutes":90)") << qint64(80) << "+++" << qint64(15) << qint64(90)
            << qint64(90) << false << true << "90";
        QTest::newRow("not a multiple of 5: the end is reached exactly")
            << QByteArray(R"("max_daily_minutes":88)") << qint64(80) << "++" << qint64(15) << qint64(88)
            << qint64(88) << false << true << "88";
        QTest::newRow("down to the minimum")
            << QByteArray(R"("min_daily_minutes":30)") << qint64(37) << "---" << qint64(30) << qint64(240)
            << qint64(30) << true << false << "240";
        QTest::newRow("inverted range collapses to the minimum")
            << QByteArray(R"("min_daily_minutes":100,"max_daily_minutes":50)") << qint64(100) << "+-"
            << qint64(100) << qint64(100) << qint64(100) << false << false << "50";
        QTest::newRow("above the range: kept as loaded")
            << QByteArray(R"("max_daily_minutes":90)") << qint64(300) << "+" << qint64(15) << qint64(90)
            << qint64(300) << false << true << "90";
        QTest::newRow("above the range: minus steps down by 5")
            << QByteArray(R"("max_daily_minutes":90)") << qint64(300) << "-" << qint64(15) << qint64(90)
            << qint64(295) << false << true << "90";
        QTest::newRow("below the range: kept as loaded")
            << QByteArray(R"("min_daily_minutes":30)") << qint64(10) << "-" << qint64(30) << qint64(240)
            << qint64(10) << true << false << "240";
        QTest::newRow("below the range: plus steps up by 5")
            << QByteArray(R"("min_daily_minutes":30)") << qint64(10) << "+" << qint64(30) << qint64(240)
            << qint64(15) << true << false << "240";
        QTest::newRow("largest integers: no overflow")
            << QByteArray(R"("max_daily_minutes":9223372036854775807)") << qint64(9223372036854775805LL)
            << "++" << qint64(15) << std::numeric_limits<qint64>::max() << std::numeric_limits<qint64>::max()
            << false << true << "9223372036854775807";
    }
    void stepper() {
        QFETCH(QByteArray, range);
        QFETCH(qint64, loaded);
        QFETCH(QString, presses);
        QFETCH(qint64, lower);
        QFETCH(qint64, upper);
        QFETCH(qint64, minutes);
        QFETCH(bool, canIncrement);
        QFETCH(bool, canDecrement);
        QFETCH(QString, footerMost);
        Page page;
        page.loadWith(limitsJson(loaded, range));
        QCOMPARE(page.vm->minutes(), loaded);
        QSignalSpy changes(page.vm.get(), &StudyLimitsViewModel::stepperChanged);
        for (const QChar press : presses)
            press == u'+' ? page.vm->increment() : page.vm->decrement();
        QCOMPARE(page.vm->lowerBound(), lower);
        QCOMPARE(page.vm->upperBound(), upper);
        QCOMPARE(page.vm->minutes(), minutes);
        QCOMPARE(changes.isEmpty(), minutes == loaded);
        QCOMPARE(page.vm->minutesLabel(), QStringLiteral("每天 %1 分钟").arg(minutes));
        QCOMPARE(page.vm->canIncrement(), canIncrement);
        QCOMPARE(page.vm->canDecrement(), canDecrement);
        QCOMPARE(page.vm->dailyFooter(),
                 QStringLiteral("最多 %1 分钟（按年龄的默认上限），可以调低，不能调高。").arg(footerMost));
        // What the page shows is what the save sends.
        QCOMPARE(page.vm->saveBody().value("daily_minutes").toInteger(), minutes);
    }

    // The body as the server reads it: two keys, whole numbers, the rows in order with their texts as typed.
    void saveBody_data() {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("as loaded") << ""
                                   << QByteArray(R"({"blocked_periods":[{"end":"06:00","start":"22:00"}],)"
                                                 R"("daily_minutes":60})");
        QTest::newRow("every row removed: an empty list")
            << "remove0" << QByteArray(R"({"blocked_periods":[],"daily_minutes":60})");
        QTest::newRow("added rows in order, texts as typed")
            << "add,add,start1=25:00,end2=ab,-"
            << QByteArray(R"({"blocked_periods":[{"end":"06:00","start":"22:00"},{"end":"13:00","start":)"
                          R"("25:00"},{"end":"ab","start":"12:00"}],"daily_minutes":55})");
        QTest::newRow("edits of missing rows ignored")
            << "start5=x,remove9,end-1=y"
            << QByteArray(R"({"blocked_periods":[{"end":"06:00","start":"22:00"}],"daily_minutes":60})");
    }
    void saveBody() {
        QFETCH(QString, edits);
        QFETCH(QByteArray, body);
        Page page;
        page.loadWith(limitsJson(60));
        for (const QString &edit : edits.split(u',', Qt::SkipEmptyParts)) {
            if (edit == QLatin1String("add"))
                page.vm->addPeriod();
            else if (edit == QLatin1String("-"))
                page.vm->decrement();
            else if (edit.startsWith(QLatin1String("remove")))
                page.vm->removePeriod(edit.mid(6).toInt());
            else if (edit.startsWith(QLatin1String("start")))
                page.vm->setPeriodStart(edit.section(u'=', 0, 0).mid(5).toInt(), edit.section(u'=', 1));
            else
                page.vm->setPeriodEnd(edit.section(u'=', 0, 0).mid(3).toInt(), edit.section(u'=', 1));
        }
        page.answerSave(Reply::json(200, limitsJson(60)));
        Await::result(page.vm->runSave());
        QCOMPARE(page.saves().size(), 1);
        const HttpRequest request = page.saves().first();
        // Qt writes object keys sorted: compare the parsed texts of both for the exact integer form.
        QCOMPARE(QJsonDocument::fromJson(request.body).toJson(QJsonDocument::Compact), body);
        QVERIFY(!request.body.contains(".0"));
        QCOMPARE(request.method, QByteArray("PUT"));
        QCOMPARE(request.url, QUrl(TestPlatform::apiBase + limitsPath));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok"));
    }

    // The load's request carries no body and no Content-Type; the token only while the session holds one.
    void requests() {
        Page page;
        HttpRequest get = AccountAPIClient::limitsRequest("GET", std::nullopt, page.session);
        QCOMPARE(get.url, QUrl(TestPlatform::apiBase + limitsPath));
        QCOMPARE(get.timeoutMs, 60000);
        QVERIFY(!get.hasHeader("Content-Type"));
        QVERIFY(get.body.isEmpty());
        QCOMPARE(get.header("Authorization"), QByteArray("Bearer tok"));
        page.session.setAccessToken(std::nullopt);
        QVERIFY(
            !AccountAPIClient::limitsRequest("PUT", QJsonObject(), page.session).hasHeader("Authorization"));
    }

    // Each answer to a save: a success applies the reply (even minutes other than those sent) and says so;
    // a refusal keeps the edits and shows the server's words or the fallback; other failures their text.
    void saveOutcomes_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<int>("periods");
        QTest::newRow("saved, the reply's minutes shown")
            << Reply::json(200, limitsJson(45)) << "已保存" << qint64(45) << 1;
        QTest::newRow("204 with limits") << Reply::json(204, limitsJson(60)) << "已保存" << qint64(60) << 1;
        QTest::newRow("refused with a message")
            << Reply::json(422, R"({"code":"night","message":"夜间休息不能取消"})") << "夜间休息不能取消"
            << qint64(55) << 0;
        QTest::newRow("refused, empty body")
            << Reply::json(400, "") << "保存失败，请稍后再试" << qint64(55) << 0;
        QTest::newRow("refused, body without message")
            << Reply::json(500, R"({"code":"oops"})") << "保存失败，请稍后再试" << qint64(55) << 0;
        QTest::newRow("refused, camel-case key only")
            << Reply::json(400, R"({"Message":"x"})") << "保存失败，请稍后再试" << qint64(55) << 0;
        QTest::newRow("not an HTTP answer")
            << Reply::json(-1, limitsJson(45)) << "保存失败，请稍后再试" << qint64(55) << 0;
        QTest::newRow("no connection")
            << Reply::error(TransportError::Kind::NoConnection)
            << TransportError::fromKind(TransportError::Kind::NoConnection).message() << qint64(55) << 0;
        QTest::newRow("undecodable success")
            << Reply::json(200, R"({"daily_minutes":45})") << "响应格式不正确" << qint64(55) << 0;
    }
    void saveOutcomes() {
        QFETCH(Reply, reply);
        QFETCH(QString, message);
        QFETCH(qint64, minutes);
        QFETCH(int, periods);
        Page page;
        page.loadWith(limitsJson(60));
        page.vm->decrement();
        page.vm->removePeriod(0);
        page.answerSave(reply.after(10));
        QSignalSpy saving(page.vm.get(), &StudyLimitsViewModel::savingChanged);
        page.vm->save();
        QVERIFY(page.vm->saving());
        page.vm->save(); // a second tap while saving sends nothing
        QTRY_VERIFY(!page.vm->saving());
        QCOMPARE(saving.count(), 2);
        QCOMPARE(page.saves().size(), 1);
        QVERIFY(page.vm->alertVisible());
        QCOMPARE(page.vm->message(), message);
        QCOMPARE(page.vm->minutes(), minutes);
        QCOMPARE(page.vm->periodRows().count(), periods);
        page.vm->dismissMessage();
        QVERIFY(!page.vm->alertVisible());
    }

    // A failed load keeps the spinner (nothing loaded) and shows the failure; a later load may still succeed.
    void loadFailures_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("server error") << Reply::json(500, R"({"message":"内部错误"})") << "服务器响应异常";
        QTest::newRow("unauthorised") << Reply::json(401, "{}") << "服务器响应异常";
        QTest::newRow("not an HTTP answer") << Reply::json(-1, limitsJson(60)) << "服务器响应异常";
        QTest::newRow("without editable") << Reply::json(200, withoutKey("editable")) << "响应格式不正确";
        QTest::newRow("timed out") << Reply::error(TransportError::Kind::TimedOut)
                                   << TransportError::fromKind(TransportError::Kind::TimedOut).message();
    }
    void loadFailures() {
        QFETCH(Reply, reply);
        QFETCH(QString, message);
        Page page;
        page.answerLoad(reply);
        Await::result(page.vm->runLoad());
        QVERIFY(!page.vm->loaded());
        QCOMPARE(page.vm->message(), message);
        QCOMPARE(page.vm->minutes(), 60);
        page.vm->dismissMessage();
        page.loadWith(limitsJson(45));
        QVERIFY(page.vm->loaded());
        QVERIFY(!page.vm->alertVisible());
        QCOMPARE(page.vm->minutes(), 45);
    }

    // "添加休息时段" up to four rows, then no more; deleting one allows another. Rows signal what changes.
    void periodRows() {
        Page page;
        page.loadWith(limitsJson(60, R"("blocked_periods":[{"start":"22:00","end":"06:00"},)"
                                     R"({"start":"12:00","end":"13:00"},{"start":"17:00","end":"18:00"}])"));
        QSignalSpy canAdd(page.vm.get(), &StudyLimitsViewModel::canAddPeriodChanged);
        QSignalSpy inserted(page.vm->periodModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(page.vm->periodModel(), &QAbstractItemModel::dataChanged);
        QVERIFY(page.vm->canAddPeriod());
        page.vm->addPeriod();
        QCOMPARE(page.vm->periods().last(), (Period{"12:00", "13:00"}));
        QVERIFY(!page.vm->canAddPeriod());
        page.vm->addPeriod();
        QCOMPARE(page.vm->periodRows().count(), 4);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(canAdd.count(), 1);

        page.vm->setPeriodEnd(3, QStringLiteral("14:00"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 3);
        page.vm->setPeriodEnd(3, QStringLiteral("14:00")); // unchanged: no signal
        QCOMPARE(changed.count(), 1);

        page.vm->removePeriod(1);
        QVERIFY(page.vm->canAddPeriod());
        QCOMPARE(canAdd.count(), 2);
        QCOMPARE(page.vm->periods(), (Periods{{"22:00", "06:00"}, {"17:00", "18:00"}, {"12:00", "14:00"}}));

        // A reload that repeats the rows' first two texts signals only the row that differs and removes the
        // one the server dropped.
        changed.clear();
        QSignalSpy removed(page.vm->periodModel(), &QAbstractItemModel::rowsRemoved);
        page.loadWith(limitsJson(60, R"("blocked_periods":[{"start":"22:00","end":"06:00"},)"
                                     R"({"start":"17:00","end":"19:00"}])"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
        QCOMPARE(removed.count(), 1);
    }

    // An adult account is loaded but not enforced, whatever else the reply holds.
    void adult() {
        Page page;
        QSignalSpy limits(page.vm.get(), &StudyLimitsViewModel::limitsChanged);
        page.loadWith(limitsJson(60, {}, false));
        QVERIFY(page.vm->loaded());
        QVERIFY(!page.vm->enforced());
        QCOMPARE(limits.count(), 1);
        page.loadWith(limitsJson(60, {}, false)); // the same limits again: nothing to tell
        QCOMPARE(limits.count(), 1);
    }

    // A page let go (or gone from the screen) before its answer writes nothing.
    void lateAnswers() {
        Page page;
        page.answerLoad(Reply::json(200, limitsJson(45)).after(30));
        page.vm->load();
        page.vm->disappear();
        QTest::qWait(80);
        QVERIFY(!page.vm->loaded());
        QVERIFY(!page.vm->alertVisible());

        page.answerSave(Reply::json(200, limitsJson(45)).after(30));
        QPointer<StudyLimitsViewModel> watched(page.vm.get());
        page.vm->save();
        page.vm.reset();
        QTest::qWait(80);
        QVERIFY(!watched);
        QCOMPARE(page.platform.transport->count(limitsPath), 2);
    }

    // A 401 renews the token once through the session and the load is sent again with the new token.
    void renewsOn401() {
        Page page;
        page.session.setRefreshToken(QStringLiteral("refresh"));
        page.platform.transport->on("GET", limitsPath, Reply::json(401, "{}"));
        page.platform.transport->on("GET", limitsPath, Reply::json(200, limitsJson(45)));
        page.platform.transport->on(
            "POST", QStringLiteral("/api/v1/auth/refresh"),
            Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}})));
        Await::result(page.vm->runLoad());
        QVERIFY2(page.vm->loaded(), qPrintable(page.vm->message()));
        QCOMPARE(page.platform.transport->requestsTo(limitsPath).last().header("Authorization"),
                 QByteArray("Bearer new"));
    }
};

QTEST_MAIN(TestStudyLimits)
#include "tst_studylimits.moc"
