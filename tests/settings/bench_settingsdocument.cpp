// How long a large settings page takes between the server's answer and the lists its view draws: decoding
// a page of 50 sections of 20 rows, building the drawn rows, and the whole way from a new store's load.

#include "AppSession.h"
#include "Await.h"
#include "SettingsPageViewModel.h"
#include "SettingsStore.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

QByteArray page(int sectionCount, int rowCount) {
    static const char *const types[] = {"navigation", "toggle", "action", "info", "link"};
    QJsonArray sections;
    QJsonObject prefs;
    for (int s = 0; s < sectionCount; ++s) {
        QJsonArray items;
        for (int r = 0; r < rowCount; ++r) {
            const QString id = QStringLiteral("s%1r%2").arg(s).arg(r);
            QJsonObject item{{"id", id},
                             {"type", types[r % 5]},
                             {"title", QStringLiteral("设置项 %1").arg(r)},
                             {"subtitle", QStringLiteral("说明文字 %1").arg(id)},
                             {"icon", "gearshape"}};
            if (r % 5 == 0)
                item.insert("route", QStringLiteral("settings/%1").arg(id));
            if (r % 5 == 1) {
                item.insert("key", QStringLiteral("pref.%1").arg(id));
                item.insert("default", r % 2 == 0);
                prefs.insert(QStringLiteral("pref.%1").arg(id), true);
            }
            if (r % 5 == 4)
                item.insert("url", QStringLiteral("https://example.test/%1").arg(id));
            items.append(item);
        }
        sections.append(QJsonObject{{"id", QStringLiteral("s%1").arg(s)},
                                    {"title", QStringLiteral("分组 %1").arg(s)},
                                    {"items", items}});
    }
    const QJsonObject document{{"schemaVersion", "1.0"},
                               {"pageId", "settings_root"},
                               {"revision", 12},
                               {"title", "我的"},
                               {"sections", sections}};
    return QJsonDocument(QJsonObject{{"page", document}, {"prefs", prefs}}).toJson(QJsonDocument::Compact);
}

} // namespace

class BenchSettingsDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode50x20() {
        const QByteArray body = page(50, 20);
        SettingsPageResponse response;
        QBENCHMARK {
            response = SettingsPageResponse::fromJson(JsonReader::parse(body, JsonKeys::AsIs));
        }
        QCOMPARE(response.page.sections.size(), 50);
        QCOMPARE(response.page.sections.last().items.size(), 20);
        QCOMPARE(response.prefs.size(), 200);
    }

    // The page's lists built from a loaded store: every drawn row with its icon, destination and value.
    void buildRows50x20() {
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/layouts/settings/settings_root",
                               FakeTransport::Reply::json(200, page(50, 20)));
        AppSession session;
        SettingsStore store(QStringLiteral("settings_root"), &session);
        Await::result(store.load());
        int rows = 0;
        QBENCHMARK {
            SettingsPageViewModel page;
            page.setStore(&store);
            rows = 0;
            for (const SettingsSectionData &section : page.sectionModel()->rows())
                rows += section.rows->count();
        }
        QCOMPARE(rows, 1000);
    }

    // The whole way from the answer to the drawn lists, a new store each round as each appearance of the
    // page makes one.
    void loadAndBuild50x20() {
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/layouts/settings/settings_root",
                               FakeTransport::Reply::json(200, page(50, 20)));
        AppSession session;
        int sections = 0;
        QBENCHMARK {
            SettingsStore store(QStringLiteral("settings_root"), &session);
            SettingsPageViewModel page;
            page.setStore(&store);
            Await::result(store.load());
            sections = page.sectionModel()->count();
        }
        QCOMPARE(sections, 50);
    }
};

QTEST_GUILESS_MAIN(BenchSettingsDocument)
#include "bench_settingsdocument.moc"
