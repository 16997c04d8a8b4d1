// Every sample question, printed as a picture, read back on this machine and matched on the local service:
// how many find their own question.

#include "ApiClient.h"
#include "AppFonts.h"
#include "Fixtures.h"
#include "LearningContent.h"
#include "LocalService.h"
#include "TextRecognizer.h"

#include <QJsonDocument>
#include <QTest>

class TestPhotoMatchEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void printedQuestionsFindThemselves() {
        LocalService service(QStringLiteral("13800138051"));
        const ApiClient client(*service.session);
        TextRecognizer recognizer;
        recognizer.prewarm();
        int total = 0;
        int found = 0;
        QStringList missed;
        for (const auto &chapter : devserver::learning::chapters()) {
            for (const auto &point : chapter.points) {
                for (const auto &question : point.questions) {
                    ++total;
                    auto reading = recognizer.recognize(Fixtures::printed(question.stem));
                    const QString text = Await::result(reading);
                    auto answer =
                        client.data(client.request("POST", QStringLiteral("/api/v1/practice/questions/match"),
                                                   QJsonObject{{QStringLiteral("stem_text"), text}}));
                    const QJsonObject match = QJsonDocument::fromJson(Await::result(answer).body).object();
                    if (match.value("question")["question_id"].toInteger() == question.id)
                        ++found;
                    else
                        missed << QString::number(question.id) + ": " + text.left(40);
                }
            }
        }
        qInfo("%d of %d printed questions found themselves (%.1f %%)", found, total, 100.0 * found / total);
        for (const QString &line : std::as_const(missed))
            qInfo("missed %s", qPrintable(line));
        QVERIFY2(found * 10 >= total * 9, "fewer than 90 % of the printed questions found themselves");
    }
};

QTEST_MAIN(TestPhotoMatchEndToEnd)
#include "tst_photomatch_e2e.moc"
