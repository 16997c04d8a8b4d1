// A window showing an SVG picture, as the app's screens do, then closed. With "item" the picture's item is
// left behind, as a screen that forgets a view it created would: the sanitized run's leak check must still
// report it, however many of Qt's own allocations under that picture tests/lsan.supp lets pass. Without it
// everything is released and the program ends clean.
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <cstdio>
#include <memory>

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    const bool leakItem = argc > 1 && qstrcmp(argv[1], "item") == 0;
    QQuickItem *picture = nullptr;
    {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nImage { width: 72; height: 72; sourceSize: Qt.size(144, 144) }",
                          QUrl(QStringLiteral("qrc:/leakcheck/Picture.qml")));
        picture = qobject_cast<QQuickItem *>(component.create());
        if (!picture) {
            std::fprintf(stderr, "%s\n", qPrintable(component.errorString()));
            return 2;
        }
        picture->setProperty("source", QUrl::fromLocalFile(QStringLiteral(QVL_PICTURE)));
        auto window = std::make_unique<QQuickWindow>();
        window->resize(200, 200);
        picture->setParentItem(window->contentItem());
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()) ||
            picture->property("status").toInt() != 1 /* Image.Ready */) {
            std::fprintf(stderr, "the picture did not show\n");
            return 2;
        }
        QTest::qWait(50);
        if (!leakItem)
            delete std::exchange(picture, nullptr);
    }
    if (picture)
        picture = nullptr; // nothing holds the item now
    return 0;
}
