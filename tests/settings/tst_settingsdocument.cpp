#include "ApiError.h"
#include "AppSession.h"
#include "Await.h"
#include "SettingsAPIClient.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QTest>

// The page reply as decoded (or refused), and the two requests of the client with the checks of their
// answers.
namespace {

const QByteArray minimalPage =
    R"({"schemaVersion":"1.0","pageId":"settings_root","revision":3,"title":"我的","sections":[]})";

QByteArray reply(const QByteArray &page, const QByteArray &rest = R"(,"prefs":{})") {
    return "{\"page\":" + page + rest + "}";
}

QByteArray pageWithSections(const QByteArray &sections) {
    return reply(R"({"schemaVersion":"1.0","pageId":"p","revision":1,"title":"设置","sections":[)" +
                 sections + "]}");
}

QByteArray pageWithItems(const QByteArray &items) {
    return pageWithSections(R"({"id":"s","items":[)" + items + "]}");
}

QString kindText(const FlexibleValue &value) {
    static const char *const names[] = {"bool", "number", "string", "null"};
    return QString::fromLatin1(names[int(value.kind())]) + ':' + value.displayText().value_or("-");
}

QString prefsText(const SettingsPrefs &prefs) {
    QStringList parts;
    for (auto it = prefs.begin(); it != prefs.end(); ++it)
        parts.append(it.key() + '=' + kindText(it.value()));
    return parts.join(' ');
}

// The decoded reply, its sections written back as JSON (absent fields left out).
QString summary(const SettingsPageResponse &response) {
    QJsonArray sections;
    for (const SettingsSection &section : response.page.sections)
        sections.append(section.toJson());
    return QStringLiteral("%1 r%2 %3 %4 | %5")
        .arg(response.page.pageId)
        .arg(response.page.revision)
        .arg(response.page.title, QString::fromUtf8(QJsonDocument(sections).toJson(QJsonDocument::Compact)),
             prefsText(response.prefs));
}

QString outcome(const std::function<QString()> &run) {
    try {
        return run();
    } catch (const ApiError &error) {
        static const char *const kinds[] = {"noConnection", "timedOut", "cancelled",
                                            "http",         "decoding", "badServerResponse"};
        return QString::fromLatin1(kinds[int(error.kind())]);
    }
}

} // namespace

class TestSettingsDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // the summary, or the failure

        QTest::newRow("empty prefs, no sections") << reply(minimalPage) << "settings_root r3 我的 [] | ";
        QTest::newRow("no prefs") << reply(minimalPage, "") << "decoding";
        QTest::newRow("prefs not an object") << reply(minimalPage, R"(,"prefs":[])") << "decoding";
        QTest::newRow("preference values")
            << reply(minimalPage, R"(,"prefs":{"a":true,"b":1,"c":2.5,"d":"1","e":null,"f":[1],"g":{"x":1}})")
            << "settings_root r3 我的 [] | a=bool:true b=number:1.0 c=number:2.5 d=string:1 e=null:- "
               "f=null:- "
               "g=null:-";
        QTest::newRow("fractional revision")
            << reply(QByteArray(minimalPage).replace("3", "3.5")) << "decoding";
        QTest::newRow("snake-case keys are not read")
            << reply(QByteArray(minimalPage).replace("schemaVersion", "schema_version")) << "decoding";
        QTest::newRow("only the required item keys, unknown keys and row types kept out of the way")
            << pageWithItems(R"({"id":"a","type":"carousel","title":"T","subtitle":null,"extra":5})")
            << R"(p r1 设置 [{"id":"s","items":[{"id":"a","title":"T","type":"carousel"}]}] | )";
        QTest::newRow("every item key")
            << pageWithItems(R"({"id":"t","type":"toggle","title":"深色","subtitle":"s","icon":"moon",)"
                             R"("minClient":"1.2","route":"r","key":"pref.dark_mode","default":false,)"
                             R"("action":"logout","style":"destructive","valueFrom":"app_version",)"
                             R"("value":"v","url":"web.example/a"})")
            << R"(p r1 设置 [{"id":"s","items":[{"action":"logout","default":false,"icon":"moon",)"
               R"("id":"t","key":"pref.dark_mode","minClient":"1.2","route":"r","style":"destructive",)"
               R"("subtitle":"s","title":"深色","type":"toggle","url":"web.example/a",)"
               R"("value":"v","valueFrom":"app_version"}]}] | )";
        QTest::newRow("default as number")
            << pageWithItems(R"({"id":"a","type":"toggle","title":"T","default":1})") << "decoding";
        QTest::newRow("item without title") << pageWithItems(R"({"id":"a","type":"info"})") << "decoding";
        QTest::newRow("optional text of another type")
            << pageWithItems(R"({"id":"a","type":"link","title":"T","url":5})") << "decoding";
        QTest::newRow("section title null, section without items")
            << pageWithSections(R"({"id":"a","title":null,"items":[]})")
            << R"(p r1 设置 [{"id":"a","items":[]}] | )";
        QTest::newRow("section title a number")
            << pageWithSections(R"({"id":"a","title":1,"items":[]})") << "decoding";
    }

    void decode() {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        HttpResponse response;
        response.status = 200;
        response.body = body;
        QCOMPARE(outcome([&] { return summary(SettingsAPIClient::decodePage(response)); }), expected);
    }

    // A number written back is a number again, never a boolean.
    void numberRoundTrip() {
        const SettingsPrefs prefs{{"n", FlexibleValue::number(3)}, {"b", FlexibleValue::boolean(true)}};
        QCOMPARE(settingsPrefsFromJson(settingsPrefsToJson(prefs)), prefs);
    }

    // What each call sends and what it makes of the answer. An empty page id stands for a save of
    // pref.dark_mode = true; an empty request for none sent at all.
    void requests_data() {
        QTest::addColumn<QString>("pageId");
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("status"); // -1: not HTTP, 0: no connection
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("request"); // method, URL, headers, body
        const QString root = QStringLiteral("settings_root");
        const QString pages = QStringLiteral("GET https://api.test.example/api/v1/layouts/settings/");
        const auto row = [](const char *name, const QString &pageId, const QString &token, int status,
                            const QByteArray &body, const char *outcome, const QString &request) {
            QTest::newRow(name) << pageId << token << status << body << QString(outcome) << request;
        };
        row("root page with a token", root, "tok", 500, "", "badServerResponse",
            pages + "settings_root | Authorization=Bearer tok | ");
        row("no token, no Authorization", root, {}, 404, R"({"message":"没有这个页面"})", "badServerResponse",
            pages + "settings_root |  | ");
        row("the page id is one segment", "settings/a b?c#d%", {}, 500, "", "badServerResponse",
            pages + "settings%2Fa%20b%3Fc%23d%25 |  | ");
        for (const char *id : {".", ".."})
            row(qPrintable(QStringLiteral("page id %1 cannot climb").arg(id)), id, {}, 500, "",
                "badServerResponse", {});
        row("fetch, not HTTP", root, {}, -1, {}, "badServerResponse", pages + "settings_root |  | ");
        row("fetch, no connection", root, {}, 0, {}, "noConnection", pages + "settings_root |  | ");
        row("fetch 204", root, {}, 204, {}, "decoding", pages + "settings_root |  | ");
        const QString save = QStringLiteral("PUT https://api.test.example/api/v1/me/settings/prefs | "
                                            "Authorization=Bearer tok Content-Type=application/json | "
                                            R"({"prefs":{"pref.dark_mode":true}})");
        row("save sends a JSON boolean", {}, "tok", 500, "", "badServerResponse", save);
        row("save, the echo read", {}, "tok", 200, R"({"prefs":{"pref.dark_mode":true}})",
            "pref.dark_mode=bool:true", save);
        row("save without prefs", {}, "tok", 200, R"({"saved":true})", "decoding", save);
    }

    void requests() {
        QFETCH(QString, pageId);
        QFETCH(QString, token);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(QString, request);
        TestPlatform platform;
        platform.transport->fallback = [&](const HttpRequest &) {
            return status == 0 ? FakeTransport::Reply::error(TransportError::Kind::NoConnection)
                               : FakeTransport::Reply::json(status, body);
        };
        AppSession session;
        session.setAccessToken(token.isNull() ? std::nullopt : std::optional(token));
        const SettingsAPIClient client;
        QCOMPARE(pageId.isEmpty() ? ::outcome([&] {
                     return prefsText(Await::result(client.savePrefs({{"pref.dark_mode", true}}, session)));
                 })
                                  : ::outcome([&] {
                                        return summary(Await::result(client.fetchPage(pageId, session)));
                                    }),
                 outcome);
        QCOMPARE(platform.transport->requests.size(), request.isEmpty() ? 0 : 1);
        if (request.isEmpty())
            return;
        const HttpRequest &sent = platform.transport->requests.first();
        QStringList headers;
        for (const auto &[name, value] : sent.headers)
            headers.append(QString::fromUtf8(name + '=' + value));
        QCOMPARE(QStringLiteral("%1 %2 | %3 | %4")
                     .arg(QString::fromLatin1(sent.method), sent.url.toString(QUrl::FullyEncoded),
                          headers.join(' '), QString::fromUtf8(sent.body)),
                 request);
    }
};

QTEST_GUILESS_MAIN(TestSettingsDocument)
#include "tst_settingsdocument.moc"
