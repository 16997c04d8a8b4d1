// The practice screen, the wrong book and an entry's page offscreen against a scripted service: they load
// without a QML warning, show what the service answered, and (with QVL_SCREENSHOT_DIR) leave a picture each.

#include "AppFonts.h"
#include "AppSession.h"
#include "Fixtures.h"
#include "PhotoMatchViewModel.h"
#include "PracticeViewModel.h"
#include "QmlHarness.h"
#include "TestPlatform.h"
#include "WrongBookModels.h"
#include "WrongBookViewModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray graded = R"({"question_id":900111,"correct":false,"correct_answer":{"value":"C"},
    "solution":{"steps":["负数是小于 0 的数。","0 既不是正数也不是负数，-2 小于 0。","所以选 C。"]},
    "wrong_item":{"wrong_item_id":31,"question_id":900111,"kp_code":"math-g7a-c1-k1","kp_name":"正数和负数",
    "state":"active","correct_streak":0,"due":true}})";

const QByteArray book = R"({"items":[
    {"wrong_item_id":31,"question_id":900111,"kp_code":"k1","kp_name":"正数和负数","state":"active",
     "correct_streak":0,"due":true,"next_review_at":"2026-12-10T08:00:00Z",
     "error_layers":{"method":"概念混淆","misconception":"把 0 当成负数","tags":["符号","0 的意义"]},
     "question":{"qtype":"single_choice","stem":{"text":"下列各数中，是负数的是（  ）"},
                 "options":[{"label":"A","text":"0"},{"label":"B","text":"2"},{"label":"C","text":"-2"}]}},
    {"wrong_item_id":32,"kp_code":"k2","kp_name":"有理数的加法","state":"active","correct_streak":1,"due":false}]})";

const QByteArray variants = R"({"wrong_item_id":31,"insufficient":false,"items":[
    {"question_id":900112,"stem":{"text":"-3、0、5 中哪个是负数？"}},{"question_id":900113}]})";

// Qt's own QML modules as the engine would find them, but without `module` (a relative path such as
// "Qt/labs/folderlistmodel"): a machine where its Debian package is missing. Holds the mirror's folder.
class HiddenModule {
public:
    HiddenModule(QQmlEngine &engine, const QString &module) {
        const QString system = QLibraryInfo::path(QLibraryInfo::QmlImportsPath);
        mirror(system, m_folder.path(), module);
        QStringList paths = engine.importPathList();
        for (QString &path : paths) {
            if (path == system)
                path = m_folder.path();
        }
        engine.setImportPathList(paths);
    }

private:
    // Links every entry of `from` into `to`, except the folders on the way to `hidden`, which are mirrored
    // one level further down, and `hidden` itself, which is left out.
    static void mirror(const QString &from, const QString &to, const QString &hidden) {
        const QString first = hidden.section(u'/', 0, 0);
        for (const QString &entry : QDir(from).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            if (entry != first) {
                QFile::link(from + u'/' + entry, to + u'/' + entry);
            } else if (hidden.contains(u'/')) {
                QDir(to).mkdir(entry);
                mirror(from + u'/' + entry, to + u'/' + entry, hidden.section(u'/', 1));
            }
        }
    }

    QTemporaryDir m_folder;
};

// The first visible button below `root` whose text is `text`.
QQuickItem *buttonTitled(QQuickItem *root, const QString &text) {
    if (!root || !root->isVisible())
        return nullptr;
    if (root->inherits("QQuickAbstractButton") && root->property("text").toString() == text)
        return root;
    for (QQuickItem *child : root->childItems()) {
        if (QQuickItem *found = buttonTitled(child, text))
            return found;
    }
    return nullptr;
}

} // namespace

class TestPracticeScreens : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void gradedPractice() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on("POST", "/api/v1/practice/answers", FakeTransport::Reply::json(200, graded));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        const QVariantList options{
            QVariantMap{{"hasLabel", true}, {"label", "A"}, {"hasText", true}, {"text", "0"}},
            QVariantMap{{"hasLabel", true}, {"label", "B"}, {"hasText", true}, {"text", "2"}},
            QVariantMap{{"hasLabel", true}, {"label", "C"}, {"hasText", true}, {"text", "-2"}}};
        QVERIFY2(view.loadType("PracticeView", {{"session", QVariant::fromValue(&session)},
                                                {"questionId", "9007199254740993"},
                                                {"stemText", "下列各数中，是负数的是（  ）"},
                                                {"options", options},
                                                {"source", "review"}}),
                 qPrintable(view.error()));
        auto *vm = view.root()->property("viewModel").value<PracticeViewModel *>();
        QCOMPARE(vm->questionId(), Q_INT64_C(9007199254740993));
        QVERIFY(view.click("option0"));
        QCOMPARE(vm->answer(), QStringLiteral("A"));
        QVERIFY(view.click("submitButton"));
        QTRY_VERIFY(vm->graded());
        QCOMPARE(QJsonDocument::fromJson(platform.transport->requests.last().body)["question_id"].toInteger(),
                 Q_INT64_C(9007199254740993));
        QTest::qWait(200);
        QVERIFY(view.find("resultSection", true) && view.find("solutionSection", true));
        QVERIFY(!view.find("submitButton", true));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), "practice-graded"));
        QCOMPARE(guard.warnings(), QStringList());
    }

    void wrongBookAndEntry() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/wrong-book", FakeTransport::Reply::json(200, book));
        platform.transport->on("GET", "/api/v1/wrong-book/31/variants",
                               FakeTransport::Reply::json(200, variants));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(R"(
            import QtQuick
            import QtQuick.Controls.Basic
            import Quorvel.Core
            import Quorvel.Practice
            StackView {
                id: stack
                property AppSession session
                initialItem: WrongBookView { session: stack.session }
            })",
                               {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        QTRY_VERIFY(view.find("wrongItemRow", true));
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), "wrong-book"));
        QCOMPARE(platform.transport->requestsTo("/api/v1/wrong-book").first().url.query(),
                 QStringLiteral("state=active&due=false"));

        QVERIFY(view.click(view.find("wrongItemRow", true)));
        QTRY_VERIFY(view.find("variantRow", true));
        QTest::qWait(300);
        QVERIFY(view.find("tagsRow", true) && view.find("redoRow", true));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), "wrong-item"));
        QCOMPARE(guard.warnings(), QStringList());
    }

    // The error causes are sentences: on a narrow window each wraps whole, none is cut with "…".
    void errorCausesWrap() {
        const QByteArray longCauses = R"({"items":[
            {"wrong_item_id":31,"question_id":900111,"kp_code":"k1","kp_name":"正数和负数","state":"active",
             "correct_streak":0,"due":true,"error_layers":{
               "method":"把“相反意义的量”只看成文字上的对立，没有先规定哪一边为正再写出带符号的数",
               "misconception":"以为 0 也是负数，因为它比所有正数都小，所以在判断时把 0 和负数放在了一起",
               "tags":["符号","0 的意义","相反意义的量","规定正方向"]}}]})";
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/wrong-book", FakeTransport::Reply::json(200, longCauses));
        platform.transport->on("GET", "/api/v1/wrong-book/31/variants",
                               FakeTransport::Reply::json(200, variants));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(R"(
            import QtQuick
            import QtQuick.Controls.Basic
            import Quorvel.Core
            import Quorvel.Practice
            StackView {
                id: stack
                property AppSession session
                initialItem: WrongBookView { session: stack.session }
            })",
                               {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        QTRY_VERIFY(view.find("wrongItemRow", true));
        QVERIFY(view.click(view.find("wrongItemRow", true)));
        QTRY_VERIFY(view.find("misconceptionRow", true));
        QTest::qWait(300);
        for (const char *name : {"methodRow", "misconceptionRow", "tagsRow"}) {
            QQuickItem *row = view.find(QString::fromLatin1(name), true);
            QQuickItem *value = QmlHarness::findItem(row, QStringLiteral("formRowValue"));
            QVERIFY(value);
            QVERIFY2(!value->property("truncated").toBool(), name);
            QVERIFY2(value->property("lineCount").toInt() > 1, name);
            // The row is as tall as its lines.
            QVERIFY(row->height() >= value->height());
            QVERIFY(value->mapToItem(row, QPointF(0, value->height())).y() <= row->height());
        }
        QVERIFY(QmlHarness::saveScreenshot(view.window(), "wrong-item-long-causes"));
        QCOMPARE(guard.warnings(), QStringList());
    }

    void photoMatch_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("section");
        QTest::newRow("found") << QByteArray(R"({"matched":true,"matched_by":"exact","question":
            {"question_id":901011,"stem":{"text":"下列各数中，是负数的是（  ）"},
             "options":[{"label":"A","text":"0"},{"label":"C","text":"-2"}]}})")
                               << "practiseFound";
        QTest::newRow("not found") << QByteArray(R"({"matched":false})") << "askPhotoRobot";
    }
    void photoMatch() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, section);
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on("POST", "/api/v1/practice/questions/match",
                               FakeTransport::Reply::json(200, answer));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        QVERIFY2(view.loadType("PhotoMatchView", {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        auto *vm = view.root()->property("viewModel").value<PhotoMatchViewModel *>();
        vm->setStem(QStringLiteral("下列各数中，是负数的是〈 )"));
        QVERIFY(view.click("matchButton"));
        QTRY_VERIFY(vm->hasResult());
        QTest::qWait(200);
        QVERIFY(view.find(section, true));
        // No camera on this machine: no "拍照", the file dialog only.
        QCOMPARE(view.find("takePhoto", true) != nullptr, PhotoMatchViewModel::cameraAvailable());
        QVERIFY(view.find("pickPhoto", true));
        QVERIFY(
            QmlHarness::saveScreenshot(view.window(), QStringLiteral("photo-") + QTest::currentDataTag()));
        QCOMPARE(guard.warnings(), QStringList());
    }

    // "从相册选" where the file dialog cannot be made (its folder list module is missing): the learner reads
    // why, the screen stays, and the button can be tried again. First of the dialog's tests: once a dialog
    // has loaded the module, the process knows it without its files.
    void albumWithoutDialogModule() {
        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        const HiddenModule missing(view.engine(), QStringLiteral("Qt/labs/folderlistmodel"));
        QVERIFY2(view.loadType("PhotoMatchView", {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        auto *vm = view.root()->property("viewModel").value<PhotoMatchViewModel *>();
        for (int attempt = 0; attempt < 2; ++attempt) {
            QVERIFY(view.click("pickPhoto"));
            QTRY_VERIFY(!vm->message().isEmpty());
            QCOMPARE(vm->message(),
                     QStringLiteral("相册打不开：这台电脑缺少选择图片的组件。可以先手动输入题目。"));
            QObject *alert = view.root()->findChild<QObject *>("photoAlert");
            QTRY_VERIFY(alert->property("opened").toBool());
            QVERIFY(!vm->showPicker());
            QVERIFY(QmlHarness::saveScreenshot(view.window(), "photo-album-unavailable"));
            QVERIFY(view.click(QmlHarness::findItem(view.window().contentItem(), "alertButton0", true)));
            QTRY_VERIFY(vm->message().isEmpty());
        }
        const QStringList warnings = guard.take();
        QVERIFY2(!warnings.isEmpty() && warnings.first().contains("Qt.labs.folderlistmodel"),
                 qPrintable(warnings.join('\n')));
    }

    // "从相册选" opens the file dialog; a picture picked in it with the mouse is read on this machine and its
    // text matched; without the reader's language data the learner reads why the reading failed.
    void albumPickReadsAndMatches_data() {
        QTest::addColumn<bool>("languageData");
        QTest::newRow("read-and-matched") << true;
        QTest::newRow("no-language-data") << false;
    }
    void albumPickReadsAndMatches() {
        QFETCH(bool, languageData);
        const QString stem = QStringLiteral("下列各数中，是负数的是");
        QTemporaryDir pictures;
        QVERIFY(Fixtures::printed(stem).save(pictures.filePath("question.png")));
        // The reader finds its data through the environment when the screen's own reader loads.
        QTemporaryDir noData;
        const QByteArray dataBefore = qgetenv("TESSDATA_PREFIX");
        if (!languageData)
            qputenv("TESSDATA_PREFIX", QFile::encodeName(noData.path()));
        const auto restore = qScopeGuard([&] {
            if (dataBefore.isNull())
                qunsetenv("TESSDATA_PREFIX");
            else
                qputenv("TESSDATA_PREFIX", dataBefore);
        });

        QmlHarness::WarningGuard guard;
        TestPlatform platform;
        platform.transport->on(
            "POST", "/api/v1/practice/questions/match",
            FakeTransport::Reply::json(200, R"({"matched":true,"matched_by":"exact","question":
            {"question_id":901011,"stem":{"text":"下列各数中，是负数的是（  ）"}}})"));
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        QVERIFY2(view.loadType("PhotoMatchView", {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(view.error()));
        auto *vm = view.root()->property("viewModel").value<PhotoMatchViewModel *>();
        QVERIFY(view.click("pickPhoto"));
        QTRY_VERIFY(view.root()->findChild<QObject *>("photoFileDialog"));
        QObject *dialog = view.root()->findChild<QObject *>("photoFileDialog");
        QTRY_VERIFY(dialog->property("visible").toBool());
        // The learner's way to the folder is not under test: the dialog is shown it, the rest is clicks.
        dialog->setProperty("currentFolder", QUrl::fromLocalFile(pictures.path()));
        QQuickItem *window = view.window().contentItem();
        QTRY_VERIFY(QmlHarness::findItem(window, "fileDialogDelegate0", true));
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), "photo-album-dialog"));
        QVERIFY(view.click(QmlHarness::findItem(window, "fileDialogDelegate0", true)));
        QVERIFY(view.click(buttonTitled(window, QStringLiteral("Open"))));
        QTRY_VERIFY(!vm->showPicker());
        QTRY_VERIFY_WITH_TIMEOUT(!vm->recognizing(), 180000); // a loaded machine reads slowly
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(view.window(),
                                           QStringLiteral("photo-album-") + QTest::currentDataTag()));
        if (languageData) {
            QVERIFY2(vm->message().isEmpty(), qPrintable(vm->message()));
            QVERIFY(vm->stem().contains(QStringLiteral("负数")));
            QCOMPARE(platform.transport->requests.size(), 1);
            QVERIFY(view.find("practiseFound", true));
        } else {
            QCOMPARE(vm->message(),
                     QStringLiteral("识别失败：本机缺少文字识别的语言数据（简体中文和英文），无法读取图片"));
            QVERIFY(!view.find("readingSpinner", true));
            QVERIFY(platform.transport->requests.isEmpty());
        }
        QCOMPARE(guard.warnings(), QStringList());
    }

    // The camera picker is made only on a machine with a camera; here it must at least be well formed.
    void cameraPickerLoads() {
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(430, 860));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(R"(
            import QtQuick
            import Quorvel.Practice
            Item {
                Loader { id: sheet; source: "qrc:/qt/qml/Quorvel/Practice/CameraPicker.qml" }
                property bool ready: sheet.status === Loader.Ready
            })"),
                 qPrintable(view.error()));
        QTRY_VERIFY(view.root()->property("ready").toBool());
        QCOMPARE(guard.warnings(), QStringList());
    }

    // The wrong book with 1 000 entries: from the answer's arrival to the first frame showing its rows.
    void thousandEntriesFirstFrame() {
        QJsonArray items;
        for (int i = 0; i < 1000; ++i) {
            items.append(QJsonObject{
                {"wrong_item_id", 1000 + i},
                {"question_id", 900000 + i},
                {"kp_code", "k"},
                {"kp_name", QStringLiteral("知识点 %1").arg(i)},
                {"state", "active"},
                {"correct_streak", i % 3},
                {"due", i % 2 == 0},
                {"question",
                 QJsonObject{
                     {"stem",
                      QJsonObject{{"text", QStringLiteral("第 %1 题：解方程 %1x + 3 = 7").arg(i)}}}}}});
        }
        const QByteArray body = QJsonDocument(QJsonObject{{"items", items}}).toJson(QJsonDocument::Compact);
        TestPlatform platform;
        auto hold = std::make_shared<Completion>();
        platform.transport->on("GET", "/api/v1/wrong-book", FakeTransport::Reply::json(200, body).after(0));
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
        AppSession session;
        QmlHarness::View view(QSize(430, 860));
        QElapsedTimer timer;
        qint64 rowsAt = 0;
        QBENCHMARK_ONCE {
            timer.start();
            QVERIFY2(view.loadType("WrongBookView", {{"session", QVariant::fromValue(&session)}}),
                     qPrintable(view.error()));
            auto *vm = view.root()->property("viewModel").value<WrongBookViewModel *>();
            QTRY_VERIFY_WITH_TIMEOUT(vm->items().rowCount() == 1000, 60000);
            rowsAt = timer.elapsed();
            QSignalSpy frames(&view.window(), &QQuickWindow::frameSwapped);
            view.window().update();
            QTRY_VERIFY(frames.count() > 0);
        }
        qInfo("1000 entries: rows in the model after %lld ms, first frame with them after %lld ms", rowsAt,
              timer.elapsed());
    }
};

QTEST_MAIN(TestPracticeScreens)
#include "tst_practicescreens.moc"
